#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Archives built in memory with libarchive, for the sites' downloads and for
// tests that need an archive of their own making. The same entries always
// give the same bytes: every time stamp is fixed.

namespace velkaro::sim {

enum class TArchiveFormat { Zip, ZipStored, SevenZip, TarGz };

enum class TEntryKind { File, Symlink, Hardlink, Fifo };

struct TArchiveEntry {
  TArchiveEntry(std::string path, std::string content, TEntryKind kind = TEntryKind::File, std::string linkTarget = {})
      : Path(std::move(path)), Content(std::move(content)), Kind(kind), LinkTarget(std::move(linkTarget)) {}

  std::string Path;
  std::string Content;          // files only
  TEntryKind Kind = TEntryKind::File;
  std::string LinkTarget;       // links only
};

// std::runtime_error when libarchive refuses an entry.
std::string WriteArchive(TArchiveFormat format, const std::vector<TArchiveEntry>& entries);

}  // namespace velkaro::sim

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The subtitle files inside a downloaded archive, read into memory with
// libarchive. This is what the unpacking worker runs on untrusted bytes; the
// programs themselves call it only through UnpackProcess.h. Nothing here
// writes a file: an entry's path only ever lends its base name to matching.

namespace velkaro {

enum class TUnpackOutcome {
  Unpacked,       // an archive (or a compressed single file), read to its end
  NotArchive,     // no archive format or compression claims the bytes (a plain text, an unknown format)
  Unreadable,     // an archive that is corrupt, truncated, encrypted or not supported
  TooLarge,       // stopped: the unpacked total passed the size cap
  TooDense,       // stopped: unpacked bytes per compressed byte passed the ratio cap
  LimitExceeded,  // the worker ran out of memory, CPU or wall time, or was killed
  Stopped,        // the caller stopped the worker
  WorkerFailed,   // the worker could not be started or answered nonsense
};

struct TUnpackLimits {
  std::uint64_t MaxTotal = std::uint64_t{64} << 20;
  std::uint64_t MaxRatio = 1000;
};

struct TCandidate {
  std::string Name;  // the entry's base name as UTF-8
  std::string Content;
};

struct TUnpacked {
  TUnpackOutcome Outcome = TUnpackOutcome::NotArchive;
  std::vector<TCandidate> Candidates;  // subtitle files, in name order (case-blind)
  // Entries never taken (UTF-8): absolute paths, "..", links, devices and fifos.
  std::vector<std::string> Refused;
};

// `singleName` names the one file a compressed single file (.srt.gz) holds,
// its compression suffix taken off; archives name their own entries.
TUnpacked UnpackBytes(std::string_view bytes, const TUnpackLimits& limits = {}, std::string_view singleName = {});
// The same from an open descriptor, read from its current position.
TUnpacked UnpackDescriptor(int fd, const TUnpackLimits& limits = {}, std::string_view singleName = {});

// A name ending (case-blind) in .srt .sub .ssa .ass .smi .txt or .vtt.
bool IsSubtitleName(std::string_view name);
// A plain .txt or a name without an extension: taken, but only a subtitle
// when its content says so and nothing better is there.
bool IsPlainTextName(std::string_view name);

// An entry name as UTF-8: UTF-8 as it is, anything else read as code page
// 857, the OEM code page Turkish Windows archivers write without a UTF-8 flag.
std::string EntryNameAsUtf8(std::string_view raw);

}  // namespace velkaro

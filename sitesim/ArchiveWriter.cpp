#include "ArchiveWriter.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <stdexcept>

namespace velkaro::sim {

namespace {

constexpr la_int64_t kFixedTime = 1262304000;  // 2010-01-01, any fixed moment will do
constexpr int kFileMode = 0644;
constexpr int kLinkMode = 0777;

struct TWriteFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};
struct TEntryFree {
  void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

la_ssize_t AppendBytes(archive*, void* out, const void* bytes, size_t size) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(bytes), size);
  return static_cast<la_ssize_t>(size);
}

void Check(archive* writer, int status) {
  if (status < ARCHIVE_WARN) throw std::runtime_error(std::string("archive: ") + archive_error_string(writer));
}

void ChooseFormat(archive* writer, TArchiveFormat format) {
  switch (format) {
    case TArchiveFormat::Zip:
      Check(writer, archive_write_set_format_zip(writer));
      Check(writer, archive_write_zip_set_compression_deflate(writer));
      break;
    case TArchiveFormat::ZipStored:
      Check(writer, archive_write_set_format_zip(writer));
      Check(writer, archive_write_zip_set_compression_store(writer));
      break;
    case TArchiveFormat::SevenZip:
      Check(writer, archive_write_set_format_7zip(writer));
      break;
    case TArchiveFormat::TarGz:
      Check(writer, archive_write_set_format_pax_restricted(writer));
      Check(writer, archive_write_add_filter_gzip(writer));
      // The gzip header's time would otherwise be the clock's.
      Check(writer, archive_write_set_filter_option(writer, "gzip", "timestamp", nullptr));
      break;
  }
}

struct TKindType {
  TEntryKind Kind;
  unsigned Type;
  int Mode;
};
constexpr TKindType kKindTypes[] = {
    {TEntryKind::File, AE_IFREG, kFileMode},
    {TEntryKind::Symlink, AE_IFLNK, kLinkMode},
    {TEntryKind::Hardlink, AE_IFREG, kFileMode},
    {TEntryKind::Fifo, AE_IFIFO, kFileMode},
};

void AddEntry(archive* writer, const TArchiveEntry& item) {
  const std::unique_ptr<archive_entry, TEntryFree> entry(archive_entry_new());
  archive_entry_set_pathname(entry.get(), item.Path.c_str());
  for (const auto& kind : kKindTypes) {
    if (kind.Kind != item.Kind) continue;
    archive_entry_set_filetype(entry.get(), kind.Type);
    archive_entry_set_perm(entry.get(), kind.Mode);
  }
  archive_entry_set_mtime(entry.get(), kFixedTime, 0);
  archive_entry_set_atime(entry.get(), kFixedTime, 0);
  archive_entry_set_ctime(entry.get(), kFixedTime, 0);
  if (item.Kind == TEntryKind::Symlink) archive_entry_set_symlink(entry.get(), item.LinkTarget.c_str());
  if (item.Kind == TEntryKind::Hardlink) archive_entry_set_hardlink(entry.get(), item.LinkTarget.c_str());
  const bool hasData = item.Kind == TEntryKind::File;
  archive_entry_set_size(entry.get(), hasData ? static_cast<la_int64_t>(item.Content.size()) : 0);
  Check(writer, archive_write_header(writer, entry.get()));
  if (hasData && !item.Content.empty()) {
    const la_ssize_t written = archive_write_data(writer, item.Content.data(), item.Content.size());
    if (written < 0) Check(writer, static_cast<int>(written));
  }
}

}  // namespace

std::string WriteArchive(TArchiveFormat format, const std::vector<TArchiveEntry>& entries) {
  std::string bytes;
  const std::unique_ptr<archive, TWriteFree> writer(archive_write_new());
  if (!writer) throw std::bad_alloc();
  ChooseFormat(writer.get(), format);
  // Blocks are not padded: the archive ends where its data does.
  Check(writer.get(), archive_write_set_bytes_in_last_block(writer.get(), 1));
  Check(writer.get(), archive_write_open(writer.get(), &bytes, nullptr, AppendBytes, nullptr));
  for (const auto& entry : entries) AddEntry(writer.get(), entry);
  Check(writer.get(), archive_write_close(writer.get()));
  return bytes;
}

}  // namespace velkaro::sim

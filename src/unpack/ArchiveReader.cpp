#include "ArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include <sys/stat.h>

#include "CharsetConversion.h"

namespace velkaro {

namespace {

constexpr std::string_view kSubtitleExtensions[] = {".srt", ".sub", ".ssa", ".ass", ".smi", ".txt", ".vtt"};
constexpr std::string_view kPlainTextExtension = ".txt";
// What a compressed single file's name ends in; the rest names the subtitle.
constexpr std::string_view kCompressionSuffixes[] = {".gz", ".bz2", ".xz", ".lzma", ".zst"};
// The name of an entry whose archive gives none, and of a compressed single file without a name.
constexpr std::string_view kUnnamed = "subtitle";
constexpr const char* kOemCodePage = "CP857";
constexpr std::size_t kReadBlock = 64 * 1024;

// Only the formats subtitles come in, and only filters built into the
// library: "all" would also let mtree claim a plain subtitle, and start
// external programs for some compressions. Raw is last: it claims whatever
// the others do not, and counts only when a compression was found.
constexpr int (*kFormats[])(archive*) = {
    archive_read_support_format_zip,  archive_read_support_format_7zip, archive_read_support_format_rar,
    archive_read_support_format_rar5, archive_read_support_format_tar,  archive_read_support_format_raw,
};
constexpr int (*kFilters[])(archive*) = {
    archive_read_support_filter_gzip, archive_read_support_filter_bzip2, archive_read_support_filter_xz,
    archive_read_support_filter_lzma, archive_read_support_filter_zstd,
};

struct TArchiveFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using TArchiveReader = std::unique_ptr<archive, TArchiveFree>;

TArchiveReader NewReader() {
  TArchiveReader reader(archive_read_new());
  if (!reader) throw std::bad_alloc();
  for (const auto support : kFormats) support(reader.get());
  for (const auto support : kFilters) support(reader.get());
  return reader;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower;
}

bool EndsWithAny(std::string_view name, const auto& endings) {
  const std::string lower = Lowered(name);
  return std::any_of(std::begin(endings), std::end(endings),
                     [&](std::string_view ending) { return lower.ends_with(ending); });
}

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Absolute ("/x", "\x", "C:x") or climbing out with a ".." anywhere.
bool IsUnsafePath(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.front() == '\\') return true;
  if (path.size() >= 2 && path[1] == ':') return true;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto end = std::min(path.find_first_of("/\\", start), path.size());
    if (path.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

// Only plain files are taken: links (either kind), devices, fifos and sockets never.
bool IsPlainFile(archive_entry* entry) {
  return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr &&
         archive_entry_symlink(entry) == nullptr;
}

// libarchive converts names it knows the encoding of (a zip's UTF-8 flag, a
// 7z's or RAR's Unicode names) through the process locale, which the worker
// sets to UTF-8; what it cannot convert comes as the stored bytes.
std::string EntryPath(archive_entry* entry) {
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return utf8;
  if (const char* raw = archive_entry_pathname(entry)) return EntryNameAsUtf8(raw);
  return {};
}

// A compressed single file is named for the download, without its compression's suffix.
std::string SingleFileName(std::string_view download) {
  std::string name(BaseName(download));
  const std::string lower = Lowered(name);
  for (const std::string_view suffix : kCompressionSuffixes) {
    if (lower.ends_with(suffix)) name.resize(name.size() - suffix.size());
  }
  return name.empty() ? std::string(kUnnamed) : name;
}

bool IsCompressedSingleFile(archive* reader) {
  return archive_format(reader) == ARCHIVE_FORMAT_RAW && archive_filter_code(reader, 0) != ARCHIVE_FILTER_NONE;
}

bool OutOfMemory(archive* reader) { return archive_errno(reader) == ENOMEM; }

// A failure that is the worker's memory limit, not the archive's fault.
TUnpackOutcome FailureOutcome(archive* reader) {
  return OutOfMemory(reader) ? TUnpackOutcome::LimitExceeded : TUnpackOutcome::Unreadable;
}

// Opening failed: no format claimed the bytes, or one did and could not go on.
TUnpacked OpenFailed(archive* reader) {
  if (archive_format(reader) == 0 && !OutOfMemory(reader)) return {};
  return {FailureOutcome(reader), {}, {}};
}

class TEntryReader {
 public:
  TEntryReader(archive* reader, std::uint64_t compressedSize, const TUnpackLimits& limits)
      : Reader_(reader), CompressedSize_(std::max<std::uint64_t>(compressedSize, 1)), Limits_(limits) {}

  // The entry's bytes into `content`, or only counted when it is null; the
  // outcome that stops the unpacking.
  TUnpackOutcome ReadData(std::string* content) {
    const void* block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
      const int status = archive_read_data_block(Reader_, &block, &size, &offset);
      if (status == ARCHIVE_EOF) return TUnpackOutcome::Unpacked;
      // A warning here is a checksum that does not match: the bytes are not the file's.
      if (status != ARCHIVE_OK) return FailureOutcome(Reader_);
      // Sparse entries hand out blocks with gaps; a subtitle has none, and the offsets are not trusted.
      Total_ += size;
      if (Total_ > Limits_.MaxTotal) return TUnpackOutcome::TooLarge;
      if (Total_ > Limits_.MaxRatio * CompressedSize_) return TUnpackOutcome::TooDense;
      if (content) content->append(static_cast<const char*>(block), size);
    }
  }

 private:
  archive* Reader_;
  std::uint64_t CompressedSize_;
  const TUnpackLimits& Limits_;
  std::uint64_t Total_ = 0;
};

bool NameLess(const TCandidate& a, const TCandidate& b) {
  const std::string left = Lowered(a.Name);
  const std::string right = Lowered(b.Name);
  return left != right ? left < right : a.Name < b.Name;
}

// Half an archive is none: what was read so far goes.
TUnpacked Stopped(TUnpacked unpacked, TUnpackOutcome outcome) {
  unpacked.Outcome = outcome;
  unpacked.Candidates.clear();
  return unpacked;
}

TUnpacked ReadEntries(archive* reader, std::uint64_t compressedSize, const TUnpackLimits& limits,
                      std::string_view singleName) {
  TUnpacked unpacked;
  TEntryReader data(reader, compressedSize, limits);
  archive_entry* entry = nullptr;
  for (bool first = true;; first = false) {
    const int status = archive_read_next_header(reader, &entry);
    if (first && status == ARCHIVE_FATAL) return OpenFailed(reader);
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) return Stopped(std::move(unpacked), FailureOutcome(reader));
    const bool single = IsCompressedSingleFile(reader);
    if (first && archive_format(reader) == ARCHIVE_FORMAT_RAW && !single) return {};
    const std::string path = single ? SingleFileName(singleName) : EntryPath(entry);
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;
    const bool unsafe = IsUnsafePath(path) || !IsPlainFile(entry);
    if (unsafe) unpacked.Refused.push_back(path);
    const bool taken = !unsafe && (single || IsSubtitleName(path) || IsPlainTextName(path));
    // Entries not taken are read through as well: skipping a compressed one
    // costs as much, and the caps must bound that work too.
    TCandidate candidate{std::string(BaseName(path)), {}};
    const TUnpackOutcome outcome = data.ReadData(taken ? &candidate.Content : nullptr);
    if (outcome == TUnpackOutcome::Unreadable && !taken) continue;  // the next header says whether reading can go on
    if (outcome != TUnpackOutcome::Unpacked) return Stopped(std::move(unpacked), outcome);
    if (taken) unpacked.Candidates.push_back(std::move(candidate));
  }
  unpacked.Outcome = TUnpackOutcome::Unpacked;
  std::stable_sort(unpacked.Candidates.begin(), unpacked.Candidates.end(), NameLess);
  return unpacked;
}

}  // namespace

TUnpacked UnpackBytes(std::string_view bytes, const TUnpackLimits& limits, std::string_view singleName) {
  const TArchiveReader reader = NewReader();
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) return OpenFailed(reader.get());
  return ReadEntries(reader.get(), bytes.size(), limits, singleName);
}

TUnpacked UnpackDescriptor(int fd, const TUnpackLimits& limits, std::string_view singleName) {
  const TArchiveReader reader = NewReader();
  struct stat info {};
  const std::uint64_t size = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  if (archive_read_open_fd(reader.get(), fd, kReadBlock) != ARCHIVE_OK) return OpenFailed(reader.get());
  return ReadEntries(reader.get(), size, limits, singleName);
}

bool IsSubtitleName(std::string_view name) { return EndsWithAny(name, kSubtitleExtensions); }

bool IsPlainTextName(std::string_view name) {
  const std::string_view base = BaseName(name);
  const auto dot = base.rfind('.');
  return dot == std::string_view::npos || dot == 0 || Lowered(base).ends_with(kPlainTextExtension);
}

std::string EntryNameAsUtf8(std::string_view raw) {
  if (IsValidUtf8(raw)) return std::string(raw);
  if (auto name = ConvertToUtf8(raw, kOemCodePage)) return std::move(*name);
  // The few bytes code page 857 leaves undefined.
  std::string ascii(raw);
  std::replace_if(ascii.begin(), ascii.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }, '?');
  return ascii;
}

}  // namespace velkaro

#include "Unpack.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>
#include <system_error>

#include "TextHelpers.h"

namespace velkaro {

namespace {

constexpr std::string_view kSubtitleExtensions[] = {".srt", ".sub", ".ssa", ".ass", ".smi", ".txt"};
constexpr std::string_view kPlainTextExtension = ".txt";
// Ahead of the bare trailing number; "cd" ahead of "part", which titles use too.
constexpr std::string_view kPartMarkers[] = {"cd", "disc", "disk", "part"};
constexpr std::string_view kPartSeparators = " ._-";
constexpr std::size_t kMaxPartDigits = 2;
constexpr std::size_t kReadBlock = 64 * 1024;

// Only the formats subtitles come in, and only filters built into the
// library: "all" would also let raw and mtree claim a plain subtitle, and
// start external programs for some compressions.
constexpr int (*kFormats[])(archive*) = {
    archive_read_support_format_zip,  archive_read_support_format_7zip, archive_read_support_format_rar,
    archive_read_support_format_rar5, archive_read_support_format_tar,
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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view Stem(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
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

std::string EntryPath(archive_entry* entry) {
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return utf8;
  if (const char* raw = archive_entry_pathname(entry)) return raw;
  return {};
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
      if (status != ARCHIVE_OK) return TUnpackOutcome::Unreadable;
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
  const std::string left = LowerAscii(a.Name);
  const std::string right = LowerAscii(b.Name);
  return left != right ? left < right : a.Name < b.Name;
}

// Half an archive is none: what was read so far goes.
TUnpacked Stopped(TUnpacked unpacked, TUnpackOutcome outcome) {
  unpacked.Outcome = outcome;
  unpacked.Candidates.clear();
  return unpacked;
}

TUnpacked ReadEntries(archive* reader, std::uint64_t compressedSize, const TUnpackLimits& limits) {
  TUnpacked unpacked;
  TEntryReader data(reader, compressedSize, limits);
  archive_entry* entry = nullptr;
  for (bool first = true;; first = false) {
    const int status = archive_read_next_header(reader, &entry);
    if (first && status == ARCHIVE_FATAL && archive_format(reader) == 0) return {};
    if (status == ARCHIVE_EOF) break;
    if (status < ARCHIVE_WARN) return Stopped(std::move(unpacked), TUnpackOutcome::Unreadable);
    const std::string path = EntryPath(entry);
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;
    const bool unsafe = IsUnsafePath(path) || !IsPlainFile(entry);
    if (unsafe) unpacked.Refused.push_back(path);
    const bool taken = !unsafe && IsSubtitleName(path);
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

std::optional<int> DigitsAt(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsDigit(text[end]) && end - at <= kMaxPartDigits) ++end;
  if (end == at || end - at > kMaxPartDigits) return std::nullopt;
  return ParseInt(text.substr(at, end - at));
}

std::optional<int> MarkedPart(std::string_view stem, std::string_view marker) {
  for (auto at = stem.find(marker); at != std::string_view::npos; at = stem.find(marker, at + 1)) {
    if (at > 0 && IsLetter(stem[at - 1])) continue;
    std::size_t digits = at + marker.size();
    while (digits < stem.size() && kPartSeparators.find(stem[digits]) != std::string_view::npos) ++digits;
    if (const auto number = DigitsAt(stem, digits)) return number;
  }
  return std::nullopt;
}

std::optional<int> TrailingPart(std::string_view stem) {
  std::size_t start = stem.size();
  while (start > 0 && IsDigit(stem[start - 1])) --start;
  if (stem.size() - start == 0 || stem.size() - start > kMaxPartDigits) return std::nullopt;
  return ParseInt(stem.substr(start));
}

bool IsPlainText(const TCandidate& candidate) { return LowerAscii(candidate.Name).ends_with(kPlainTextExtension); }

// A readme.txt beside the real subtitles is no subtitle.
std::vector<std::size_t> MatchPool(const std::vector<TCandidate>& candidates) {
  const bool onlyText = std::all_of(candidates.begin(), candidates.end(), IsPlainText);
  std::vector<std::size_t> pool;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (onlyText || !IsPlainText(candidates[i])) pool.push_back(i);
  }
  return pool;
}

}  // namespace

TUnpacked UnpackBytes(std::string_view bytes, const TUnpackLimits& limits) {
  const TArchiveReader reader = NewReader();
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) return {};
  return ReadEntries(reader.get(), bytes.size(), limits);
}

TUnpacked UnpackFile(const std::filesystem::path& file, const TUnpackLimits& limits) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error) return {TUnpackOutcome::Unreadable, {}, {}};
  const TArchiveReader reader = NewReader();
  if (archive_read_open_filename(reader.get(), file.c_str(), kReadBlock) != ARCHIVE_OK) {
    return {archive_format(reader.get()) == 0 ? TUnpackOutcome::NotArchive : TUnpackOutcome::Unreadable, {}, {}};
  }
  return ReadEntries(reader.get(), size, limits);
}

bool IsSubtitleName(std::string_view name) {
  const std::string lower = LowerAscii(name);
  return std::any_of(std::begin(kSubtitleExtensions), std::end(kSubtitleExtensions),
                     [&](std::string_view extension) { return lower.ends_with(extension); });
}

std::optional<int> PartNumberInName(std::string_view name) {
  const std::string stem = LowerAscii(Stem(BaseName(name)));
  for (const std::string_view marker : kPartMarkers) {
    if (const auto number = MarkedPart(stem, marker)) return number;
  }
  return TrailingPart(stem);
}

std::vector<std::optional<std::size_t>> MatchParts(const std::vector<TCandidate>& candidates, std::size_t parts) {
  std::vector<std::size_t> pool = MatchPool(candidates);
  std::vector<std::optional<std::size_t>> chosen(parts);
  if (parts == 0 || pool.empty()) return chosen;
  if (parts == 1) {
    const auto first = std::find_if(pool.begin(), pool.end(),
                                    [&](std::size_t i) { return PartNumberInName(candidates[i].Name) == 1; });
    chosen[0] = first != pool.end() ? *first : pool.front();
    return chosen;
  }
  for (std::size_t part = 0; part < parts; ++part) {
    const auto marked = std::find_if(pool.begin(), pool.end(), [&](std::size_t i) {
      return PartNumberInName(candidates[i].Name) == static_cast<int>(part + 1);
    });
    if (marked == pool.end()) continue;
    chosen[part] = *marked;
    pool.erase(marked);
  }
  auto next = pool.begin();
  for (auto& part : chosen) {
    if (!part && next != pool.end()) part = *next++;
  }
  return chosen;
}

}  // namespace velkaro

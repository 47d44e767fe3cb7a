#include "TextEncoding.h"

#include <uchardet.h>

#include <algorithm>
#include <array>
#include <memory>

#include "CodePage.h"

namespace velkaro {

namespace {

struct TByteOrderMark {
  std::string_view Bom;
  const char* Encoding;
};
// UTF-32 LE's mark begins with UTF-16 LE's: the longer marks are tried first.
constexpr TByteOrderMark kMarks[] = {
    {std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
    {std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
    {"\xFF\xFE", "UTF-16LE"},
    {"\xFE\xFF", "UTF-16BE"},
};

// A wide encoding without a mark, told by which bytes of each code unit are
// NUL: ASCII letters, digits, spaces and time stamps, which every subtitle is
// full of, have NUL high bytes.
enum class TByteAt { Zero, NonZero, Any };
struct TWideLayout {
  const char* Encoding;
  std::size_t Unit;
  std::array<TByteAt, 4> Bytes;  // what each position of a 4-byte group holds
};
constexpr auto Z = TByteAt::Zero;
constexpr auto N = TByteAt::NonZero;
constexpr auto A = TByteAt::Any;
constexpr TWideLayout kWideLayouts[] = {
    {"UTF-32LE", 4, {N, A, Z, Z}},
    {"UTF-32BE", 4, {Z, Z, A, N}},
    {"UTF-16LE", 2, {N, Z, N, Z}},
    {"UTF-16BE", 2, {Z, N, Z, N}},
};
// Of the positions a layout wants NUL, at least this share is (a non-Latin
// UTF-16 text still has its time stamps); of the others, at most the second.
constexpr double kMinZeroShare = 0.3;
constexpr double kMaxStrayZeroShare = 0.02;
// UTF-32's always-NUL top byte: all but a stray one.
constexpr double kMinUtf32ZeroShare = 0.98;
constexpr std::size_t kLayoutSample = 64 * 1024;

// uchardet tells the 8-bit Latin sets apart by letter statistics, and short
// Turkish texts often come out as Latin-1 or Windows-1252, where ş ğ ı İ Ş Ğ
// read as þ ð ý Ý Þ Ð. A guess from this family is settled by the bytes below.
constexpr std::string_view kLatinFamily[] = {"ISO-8859-1", "ISO-8859-9", "ISO-8859-15", "WINDOWS-1252",
                                             "WINDOWS-1254"};
constexpr const char* kFallbackName = "CP1254";
constexpr const char* kIso885915 = "ISO-8859-15";
constexpr const char* kWindows1252 = "WINDOWS-1252";
// ğ ı ş Ğ İ Ş in code page 1254 and ISO-8859-9, Icelandic letters elsewhere.
constexpr std::string_view kTurkishLetters = "\xD0\xDD\xDE\xF0\xFD\xFE";
// € Š š Ž ž Œ œ Ÿ in ISO-8859-15; ¤ ¦ ¨ ´ ¸ ¼ ½ ¾ in the Windows code pages.
constexpr std::string_view kIso885915Letters = "\xA4\xA6\xA8\xB4\xB8\xBC\xBD\xBE";
// Fewer letters outside ASCII than this, and the guess is a coin toss (a few
// Turkish letters come out as Greek): the Latin rules decide instead.
constexpr std::size_t kMinHighBytesToTrust = 64;
// Detection reads this much from the start: a film's worth of dialogue, and
// the rest of a long text only slows it down.
constexpr std::size_t kDetectionSample = 256 * 1024;

struct TDetectorDelete {
  void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

std::string Detect(std::string_view bytes) {
  const std::unique_ptr<uchardet, TDetectorDelete> detector(uchardet_new());
  const std::string_view sample = bytes.substr(0, kDetectionSample);
  if (!detector || uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return {};
  uchardet_data_end(detector.get());
  const char* name = uchardet_get_charset(detector.get());
  return name ? name : "";
}

bool IsLatinFamily(std::string_view name) {
  return std::find(std::begin(kLatinFamily), std::end(kLatinFamily), name) != std::end(kLatinFamily);
}

bool HasAny(std::string_view bytes, std::string_view set) { return bytes.find_first_of(set) != std::string_view::npos; }

std::size_t HighBytes(std::string_view bytes) {
  return static_cast<std::size_t>(
      std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

// 0x80 to 0x9F: punctuation in the Windows code pages, control codes in ISO-8859.
bool HasWindowsPunctuation(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte <= 0x9F;
  });
}

// Turkish letters settle it for code page 1254; else a euro sign or a letter
// of ISO-8859-15 without any Windows punctuation is ISO-8859-15; Windows
// punctuation alone is Windows-1252, which differs from 1254 only in the
// Turkish letters it lacks. Nothing of these: code page 1254.
const char* LatinEncoding(std::string_view bytes) {
  if (HasAny(bytes, kTurkishLetters)) return kFallbackName;
  const bool windows = HasWindowsPunctuation(bytes);
  if (!windows && HasAny(bytes, kIso885915Letters)) return kIso885915;
  return windows ? kWindows1252 : kFallbackName;
}

std::optional<TUtf8Text> Converted(std::string_view bytes, const char* encoding) {
  auto text = encoding == std::string_view(kFallbackName) ? std::optional(Cp1254ToUtf8(bytes))
                                                          : ConvertToUtf8(bytes, encoding);
  // A NUL in the text is a binary file read as a wide one.
  if (!text || text->find('\0') != std::string::npos) return std::nullopt;
  return TUtf8Text{std::move(*text), encoding};
}

// Which layout the NUL bytes of the sample follow, if any.
const TWideLayout* WideLayout(std::string_view bytes) {
  const std::string_view sample = bytes.substr(0, kLayoutSample);
  std::array<std::size_t, 4> zeros{};
  std::array<std::size_t, 4> counts{};
  for (std::size_t i = 0; i < sample.size(); ++i) {
    ++counts[i % 4];
    if (sample[i] == '\0') ++zeros[i % 4];
  }
  for (const TWideLayout& layout : kWideLayouts) {
    if (bytes.size() % layout.Unit != 0) continue;
    const double minZero = layout.Unit == 4 ? kMinUtf32ZeroShare : kMinZeroShare;
    bool fits = true;
    for (std::size_t at = 0; at < 4 && fits; ++at) {
      const double share = counts[at] ? static_cast<double>(zeros[at]) / static_cast<double>(counts[at]) : 0;
      if (layout.Bytes[at] == TByteAt::Zero) fits = share >= minZero;
      if (layout.Bytes[at] == TByteAt::NonZero) fits = share <= kMaxStrayZeroShare;
    }
    if (fits) return &layout;
  }
  return nullptr;
}

std::optional<TUtf8Text> EightBit(std::string_view bytes) {
  if (HighBytes(bytes) >= kMinHighBytesToTrust) {
    const std::string guess = Detect(bytes);
    if (!guess.empty() && !IsLatinFamily(guess)) {
      if (auto text = Converted(bytes, guess.c_str())) return text;
    }
  }
  return Converted(bytes, LatinEncoding(bytes));
}

}  // namespace

bool IsBinary(std::string_view bytes) {
  if (bytes.find('\0') == std::string_view::npos) return false;
  const bool marked = std::any_of(std::begin(kMarks), std::end(kMarks),
                                  [&](const TByteOrderMark& mark) { return bytes.starts_with(mark.Bom); });
  return !marked && WideLayout(bytes) == nullptr;
}

std::optional<TUtf8Text> TextToUtf8(std::string_view bytes) {
  for (const auto& mark : kMarks) {
    if (bytes.starts_with(mark.Bom)) return Converted(bytes.substr(mark.Bom.size()), mark.Encoding);
  }
  if (bytes.find('\0') != std::string_view::npos) {
    const TWideLayout* layout = WideLayout(bytes);
    return layout ? Converted(bytes, layout->Encoding) : std::nullopt;
  }
  if (IsValidUtf8(bytes)) return TUtf8Text{std::string(bytes), "UTF-8"};
  return EightBit(bytes);
}

}  // namespace velkaro

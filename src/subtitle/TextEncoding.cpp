#include "TextEncoding.h"

#include <iconv.h>
#include <uchardet.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "CodePage.h"

namespace velkaro {

namespace {

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

struct TByteOrderMark {
  std::string_view Bom;
  const char* Encoding;
};
constexpr TByteOrderMark kUtf16Marks[] = {{kUtf16LeBom, "UTF-16LE"}, {kUtf16BeBom, "UTF-16BE"}};

// uchardet tells the 8-bit Latin sets apart by letter statistics, and short
// Turkish texts often come out as Latin-1 or Windows-1252, where ş ğ ı İ Ş Ğ
// read as þ ð ý Ý Þ Ð. Code page 1254 holds ISO-8859-9's printable range and
// the 1252 punctuation, so a guess from this family is read as 1254.
constexpr std::string_view kLatinFamily[] = {"ISO-8859-1", "ISO-8859-9", "ISO-8859-15", "WINDOWS-1252",
                                             "WINDOWS-1254"};
constexpr const char* kFallbackName = "CP1254";
// Fewer letters outside ASCII than this, and the guess is a coin toss (a few
// Turkish letters come out as Greek): the fallback is read instead.
constexpr std::size_t kMinHighBytesToTrust = 64;
// Detection reads this much from the start: a film's worth of dialogue, and
// the rest of a long text only slows it down.
constexpr std::size_t kDetectionSample = 256 * 1024;

struct TIconvClose {
  void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

struct TDetectorDelete {
  void operator()(uchardet* detector) const { uchardet_delete(detector); }
};

// Length of the UTF-8 sequence a lead byte starts; 0 for a byte that cannot lead.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The second byte's range narrows for overlong forms, surrogates and code points past U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second) {
  if (lead == 0xE0) return second >= 0xA0 && second <= 0xBF;
  if (lead == 0xED) return second >= 0x80 && second <= 0x9F;
  if (lead == 0xF0) return second >= 0x90 && second <= 0xBF;
  if (lead == 0xF4) return second >= 0x80 && second <= 0x8F;
  return second >= 0x80 && second <= 0xBF;
}

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

std::size_t HighBytes(std::string_view bytes) {
  return static_cast<std::size_t>(
      std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

TUtf8Text AsCodePage1254(std::string_view bytes) { return {Cp1254ToUtf8(bytes), kFallbackName}; }

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int length = SequenceLength(lead);
    if (length == 0 || bytes.size() - i < static_cast<std::size_t>(length)) return false;
    if (length > 1 && !SecondByteFits(lead, static_cast<unsigned char>(bytes[i + 1]))) return false;
    for (int k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += static_cast<std::size_t>(length);
  }
  return true;
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* encoding) {
  const iconv_t opened = iconv_open("UTF-8", encoding);
  if (opened == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  const std::unique_ptr<void, TIconvClose> handle(opened);
  std::string out(bytes.size() * 2 + 16, '\0');
  // iconv's interface takes a non-const input pointer but never writes through it.
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  std::size_t written = 0;
  while (inLeft > 0) {
    char* outAt = out.data() + written;
    std::size_t outLeft = out.size() - written;
    const std::size_t result = iconv(opened, &in, &inLeft, &outAt, &outLeft);
    written = out.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) return std::nullopt;
    out.resize(out.size() * 2);
  }
  out.resize(written);
  return out;
}

std::optional<TUtf8Text> TextToUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return TUtf8Text{std::string(bytes), "UTF-8"};
  for (const auto& mark : kUtf16Marks) {
    if (!bytes.starts_with(mark.Bom)) continue;
    auto text = ConvertToUtf8(bytes.substr(mark.Bom.size()), mark.Encoding);
    if (!text) return std::nullopt;
    return TUtf8Text{std::move(*text), mark.Encoding};
  }
  if (HighBytes(bytes) < kMinHighBytesToTrust) return AsCodePage1254(bytes);
  const std::string guess = Detect(bytes);
  if (guess.empty() || IsLatinFamily(guess)) return AsCodePage1254(bytes);
  if (auto text = ConvertToUtf8(bytes, guess.c_str())) return TUtf8Text{std::move(*text), guess};
  return AsCodePage1254(bytes);
}

}  // namespace velkaro

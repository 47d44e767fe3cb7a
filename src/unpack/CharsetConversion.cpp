#include "CharsetConversion.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace velkaro {

namespace {

struct TIconvClose {
  void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
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

}  // namespace velkaro

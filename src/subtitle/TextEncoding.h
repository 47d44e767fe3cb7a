#pragma once

#include <optional>
#include <string>
#include <string_view>

// A subtitle's text as UTF-8, whatever it was written in.

namespace velkaro {

struct TUtf8Text {
  std::string Text;
  std::string Encoding;  // what the bytes were read as: "UTF-8", "UTF-16LE", "CP1254", a detected name
};

bool IsValidUtf8(std::string_view bytes);

// Valid UTF-8 stays as it is, a BOM included; UTF-16 with a BOM is converted
// (the BOM goes); anything else is detected and converted, code page 1254
// when detection is unsure. nullopt when the bytes cannot be read as the
// encoding they claim (UTF-16 of odd length, say).
std::optional<TUtf8Text> TextToUtf8(std::string_view bytes);

// `bytes` read as `encoding` (an iconv name), as UTF-8; nullopt when iconv
// does not know the name or the bytes are not valid in it.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* encoding);

}  // namespace velkaro

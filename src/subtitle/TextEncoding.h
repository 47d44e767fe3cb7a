#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "CharsetConversion.h"

// A subtitle's text as UTF-8, whatever it was written in.

namespace velkaro {

struct TUtf8Text {
  std::string Text;
  std::string Encoding;  // what the bytes were read as: "UTF-8", "UTF-16LE", "CP1254", a detected name
};

// Valid UTF-8 stays as it is, a BOM included. UTF-32 and UTF-16 are told by
// their BOM (which goes), or without one by where the NUL bytes fall. The
// 8-bit Latin sets are told apart where the bytes allow (ISO-8859-15's euro
// sign, Windows-1252's punctuation, the Turkish letters), other scripts are
// detected, and code page 1254 stands in when nothing is sure. nullopt when
// the bytes are no text (NUL bytes of no wide encoding) or cannot be read as
// the encoding they claim (UTF-16 of odd length, say).
std::optional<TUtf8Text> TextToUtf8(std::string_view bytes);

// NUL bytes that no UTF-16 or UTF-32 layout explains: a binary file.
bool IsBinary(std::string_view bytes);

}  // namespace velkaro

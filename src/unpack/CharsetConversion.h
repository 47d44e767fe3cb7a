#pragma once

#include <optional>
#include <string>
#include <string_view>

// Checking and converting to UTF-8 with glibc's iconv: what both the unpacking
// worker (entry names) and the subtitle reader (texts) need.

namespace velkaro {

bool IsValidUtf8(std::string_view bytes);

// `bytes` read as `encoding` (an iconv name), as UTF-8; nullopt when iconv
// does not know the name or the bytes are not valid in it.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* encoding);

}  // namespace velkaro

#pragma once

#include <string>
#include <string_view>

// Engine texts are code page 1254; only the screen, the terminal and file
// names see UTF-8.

namespace velkaro {

std::string Cp1254ToUtf8(std::string_view text);
// Characters the code page lacks, and malformed UTF-8, become "?".
std::string Utf8ToCp1254(std::string_view text);

}  // namespace velkaro

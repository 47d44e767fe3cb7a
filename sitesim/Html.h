#pragma once

#include <string>
#include <string_view>

// Pieces every stand-in site builds its answers from.

namespace velkaro::sim {

// &, <, > and " as character references; other bytes (CP1254 included) as they are.
std::string HtmlEscape(std::string_view text);

// A gzip member without optional header fields, as the compressing sites send
// their pages.
std::string GzipMember(std::string_view data);

}  // namespace velkaro::sim

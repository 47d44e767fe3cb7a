#pragma once

#include <string>
#include <string_view>

#include "ResultRows.h"

// How velkaro-cli writes a result row: one line per row, UTF-8.

namespace velkaro {

// A UTF-8 text as one tab-separated field: backslash, tab, CR and LF are
// escaped so that every line stays one line.
std::string Utf8TabField(std::string_view utf8);
// A UTF-8 text as a quoted JSON string: quote, backslash and control
// characters escaped, bytes of 0x80 and above passed through as they are.
std::string Utf8JsonString(std::string_view utf8);

// The same of an engine text (code page 1254), converted to UTF-8 first.
std::string TabField(std::string_view text);
std::string JsonString(std::string_view text);

// The row's icon index and its eight columns in list order: tab-separated,
// or one JSON object. No line end.
std::string RowLine(const TResultRow& row, bool json);

}  // namespace velkaro

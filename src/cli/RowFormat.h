#pragma once

#include <string>
#include <string_view>

#include "ResultRows.h"

// How velkaro-cli writes a result row: one line per row, UTF-8.

namespace velkaro {

// An engine text as one tab-separated field: backslash, tab, CR and LF are
// escaped so that every row stays one line.
std::string TabField(std::string_view text);

// An engine text as a quoted JSON string. Bytes of 0x80 and above are UTF-8
// after the conversion and pass through as they are.
std::string JsonString(std::string_view text);

// The row's icon index and its eight columns in list order: tab-separated,
// or one JSON object. No line end.
std::string RowLine(const TResultRow& row, bool json);

}  // namespace velkaro

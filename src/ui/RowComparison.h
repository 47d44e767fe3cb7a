#pragma once

#include <QLocale>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ResultRows.h"
#include "TextHelpers.h"

// How the result list orders its rows when the user sorts by a column.

namespace velkaro {

inline constexpr int kDateColumn = 5;
// "Uyum", shown after a search started from videos: the best fit first.
inline constexpr int kFitColumn = kColumnCount;

// Byte by byte with ASCII a..z taken as A..Z; every other byte, Turkish
// letters included, by its code page value; a prefix comes first. -1, 0, +1.
int CompareListText(std::string_view a, std::string_view b);

// A date written in the locale's short date format, as a day number; nullopt
// when it is none. Numeric formats are read leniently: the format gives the
// order of day, month and year and the separator, days and months may have
// one or two digits, and a two-digit year means 1950..2049.
std::optional<qint64> ReadShortDate(std::string_view text, const QLocale& locale);

// One sort of the list by one column. Dates are converted once, before any
// comparison, so a date that is no date is found whatever the rows' order:
// For() throws TConvertError ("'x' is not a valid date") and nothing is sorted.
class TRowOrder {
 public:
  static TRowOrder For(int column, const TResultRows& rows, const QLocale& locale);

  // Negative, zero or positive. Rows with a blank date go after every dated
  // row and are equal among themselves, so this is a strict weak order.
  int Compare(const TResultRow& a, const TResultRow& b) const;
  bool operator()(const TResultRow& a, const TResultRow& b) const { return Compare(a, b) < 0; }

 private:
  struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  explicit TRowOrder(int column) : Column_(column) {}
  // nullopt for a blank date.
  std::optional<qint64> DayOf(const TResultRow& row) const;

  int Column_;
  // Trimmed date text -> day, for every non-blank date of the rows.
  std::unordered_map<std::string, qint64, TTextHash, std::equal_to<>> Days_;
};

}  // namespace velkaro

#include "RowComparison.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <array>
#include <vector>

#include "EngineText.h"

namespace velkaro {

namespace {

// The order of day, month and year in a numeric short date format, and its separator.
struct TNumericFormat {
  std::array<char, 3> Order{};  // 'd', 'M', 'y'
  char Separator = 0;
};

std::optional<TNumericFormat> NumericFormat(const QString& format) {
  TNumericFormat numeric;
  std::size_t fields = 0;
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    qsizetype run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    if (c == u'd' || c == u'M' || c == u'y') {
      // Month and day names are no numbers; a field twice is no plain date.
      if (run > (c == u'y' ? 4 : 2) || fields == numeric.Order.size()) return std::nullopt;
      numeric.Order[fields++] = static_cast<char>(c.unicode());
    } else if (c.isLetter() || c == u'\'') {
      return std::nullopt;
    } else if (numeric.Separator == 0) {
      if (c.unicode() > 0x7F) return std::nullopt;
      numeric.Separator = static_cast<char>(c.unicode());
    }
    i += run;
  }
  const bool complete = fields == 3 && numeric.Separator != 0 &&
                        std::is_permutation(numeric.Order.begin(), numeric.Order.end(), "dMy");
  return complete ? std::optional(numeric) : std::nullopt;
}

std::optional<int> ReadNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 4) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<qint64> ReadNumericDate(std::string_view text, const TNumericFormat& format) {
  std::array<int, 3> parts{};
  std::array<std::size_t, 3> widths{};
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(text.find(format.Separator, start), text.size());
    if (count == parts.size()) return std::nullopt;
    const auto number = ReadNumber(text.substr(start, end - start));
    if (!number) return std::nullopt;
    widths[count] = end - start;
    parts[count++] = *number;
    if (end == text.size()) break;
    start = end + 1;
  }
  if (count != parts.size()) return std::nullopt;
  int day = 0;
  int month = 0;
  int year = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    switch (format.Order[i]) {
      case 'd': day = parts[i]; break;
      case 'M': month = parts[i]; break;
      default:
        year = parts[i];
        if (widths[i] <= 2) year += year < 50 ? 2000 : 1900;
    }
  }
  const QDate date(year, month, day);
  return date.isValid() ? std::optional(date.toJulianDay()) : std::nullopt;
}

}  // namespace

int CompareListText(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(UpperAscii(a[i]));
    const auto y = static_cast<unsigned char>(UpperAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::optional<qint64> ReadShortDate(std::string_view text, const QLocale& locale) {
  const QString format = locale.dateFormat(QLocale::ShortFormat);
  if (const auto numeric = NumericFormat(format)) return ReadNumericDate(text, *numeric);
  const QDate date = locale.toDate(FromEngine(text), format);
  return date.isValid() ? std::optional(date.toJulianDay()) : std::nullopt;
}

TRowOrder TRowOrder::For(int column, const TResultRows& rows, const QLocale& locale) {
  TRowOrder order(column);
  if (column != kDateColumn) return order;
  for (const TResultRow& row : rows.All()) {
    const std::string_view text = TrimView(row.Column(column));
    if (text.empty() || order.Days_.contains(text)) continue;
    const auto day = ReadShortDate(text, locale);
    if (!day) throw TConvertError("'" + std::string(text) + "' is not a valid date");
    order.Days_.emplace(std::string(text), *day);
  }
  return order;
}

std::optional<qint64> TRowOrder::DayOf(const TResultRow& row) const {
  const std::string_view text = TrimView(row.Column(Column_));
  if (text.empty()) return std::nullopt;
  const auto found = Days_.find(text);
  // Only a row that joined after For() can miss; the list never changes mid-sort.
  if (found == Days_.end()) throw TConvertError("'" + std::string(text) + "' is not a valid date");
  return found->second;
}

// Higher scores first; rows without one after every scored row.
int CompareFit(const TResultRow& a, const TResultRow& b) {
  const int first = a.Fit ? a.Fit->Score : -1;
  const int second = b.Fit ? b.Fit->Score : -1;
  return first == second ? 0 : (first > second ? -1 : 1);
}

int TRowOrder::Compare(const TResultRow& a, const TResultRow& b) const {
  if (Column_ == kFitColumn) return CompareFit(a, b);
  if (Column_ != kDateColumn) return CompareListText(a.Column(Column_), b.Column(Column_));
  const auto first = DayOf(a);
  const auto second = DayOf(b);
  if (!first || !second) return static_cast<int>(!first) - static_cast<int>(!second);
  return *first == *second ? 0 : (*first < *second ? -1 : 1);
}

}  // namespace velkaro

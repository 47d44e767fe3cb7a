#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "UserText.h"

// Small stateless operations on 8-bit texts (code page 1254).

namespace velkaro {

// A page as lines, kept in one buffer: each line is followed by "\n" there,
// which lets the tokenizer hand out views that span line ends.
class TLines {
 public:
  TLines() = default;
  TLines(std::initializer_list<std::string_view> lines);

  void push_back(std::string_view line);
  void clear();
  std::size_t size() const { return Starts_.size(); }
  bool empty() const { return Starts_.empty(); }
  std::string_view operator[](std::size_t index) const;
  // Offset of line `index` in Joined().
  std::size_t Start(std::size_t index) const { return Starts_[index]; }
  // Every line followed by "\n".
  std::string_view Joined() const { return Text_; }
  bool operator==(const TLines& other) const { return Starts_ == other.Starts_ && Text_ == other.Text_; }

 private:
  friend TLines SplitLines(std::string_view body);
  std::string Text_;
  std::vector<std::size_t> Starts_;
};

// Clears `pieces` and fills it with the parts of `text` between separators.
// Two separators in a row give an empty piece; a trailing separator does not.
void SplitText(std::string_view text, std::string_view separator, std::vector<std::string>& pieces);
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// Replaces the first occurrence of `search` in `text` (case-sensitive).
void ReplaceText(std::string& text, std::string_view search, std::string_view replacement);

// A line of a table of fixed texts, found by its id.
template <typename TId>
struct TTableText {
  TId Id;
  const char* Text;  // marked with VK_TEXT; "%1", "%2"... stand for what the text is about
};

// The text of `id` in `table` in the user's language, code page 1254 (the
// engine's), its marks filled.
template <typename TId, std::size_t N>
std::string TableText(const TTableText<TId> (&table)[N], TId id, std::initializer_list<std::string_view> fills = {}) {
  const auto* entry = std::find_if(std::begin(table), std::end(table), [id](const TTableText<TId>& line) { return line.Id == id; });
  return FillIn(Tr1254(entry->Text), fills);
}

// Percent-encodes control bytes, bytes >= 128 and ` #%&*+<=>`; nothing else.
std::string UrlEncode(std::string_view text);

std::string ColonToUnderscore(std::string text);

// The last "." before the final character and everything after it; empty without one.
std::string AddressExtension(std::string_view address);

class TInflateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Inflating beyond this many bytes fails: a small hostile body must not exhaust memory.
inline constexpr std::size_t kMaxInflatedSize = std::size_t{256} << 20;

// A raw deflate stream; throws TInflateError with zlib's message.
std::string InflateRaw(std::string_view compressed, std::size_t maxSize = kMaxInflatedSize);
// One gzip member, optional header fields included; a truncated member or a
// wrong CRC or length fails like bad data.
std::string InflateGzipBody(std::string_view body);

// A response body as lines: breaks at CR LF, LF or CR; the text ends at its first NUL.
TLines SplitLines(std::string_view body);

// Trim removes blanks and control characters (bytes <= 32) at both ends.
std::string Trim(std::string_view text);
std::string_view TrimView(std::string_view text);
char UpperAscii(char c);
char LowerAscii(char c);
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

// A decimal integer with an optional sign and nothing else; nullopt otherwise.
std::optional<std::int32_t> ParseInt(std::string_view text);

class TConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ParseInt or TConvertError ("'x' is not a valid integer value").
std::int32_t ToInt(std::string_view text);

inline bool Contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

// Everything before the first `marker`; the whole text without one.
std::string_view CutAt(std::string_view text, std::string_view marker);
// Everything after the first `marker`; empty without one.
std::string_view After(std::string_view text, std::string_view marker);

}  // namespace velkaro

#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <type_traits>

#include "../HtmlParser.h"
#include "TextHelpers.h"

// What the site walks share: one forward scan and the token tests more than
// one site makes.

namespace velkaro {

// "The first token at or after `from` that matches", asked for positions in
// non-decreasing order as a page's rows ask them: the scan goes on where the
// last one stopped, so all rows together test each token at most once. A
// position before the last one asked is answered afresh, correctly if not as
// cheaply. The predicate takes a token, or a position where it needs to look
// at the tokens around it.
template <typename Predicate>
class TForwardScan {
 public:
  static constexpr std::ptrdiff_t kNone = -1;

  TForwardScan(const THTMLTokens& tokens, Predicate matches) : Tokens_(tokens), Matches_(std::move(matches)) {}

  // kNone when no token at or after `from` matches.
  std::ptrdiff_t From(std::ptrdiff_t from) {
    from = std::max<std::ptrdiff_t>(from, 0);
    if (from < Asked_) {
      Scanned_ = from;
      Found_ = kNone;
    }
    Asked_ = from;
    if (Found_ >= from) return Found_;
    const auto count = static_cast<std::ptrdiff_t>(Tokens_.size());
    for (Scanned_ = std::max(Scanned_, from); Scanned_ < count; ++Scanned_) {
      if (Matches(Scanned_)) return Found_ = Scanned_++;
    }
    return Found_ = kNone;
  }

 private:
  bool Matches(std::ptrdiff_t at) const {
    if constexpr (std::is_invocable_r_v<bool, const Predicate&, const THTMLToken&>) {
      return Matches_(Tokens_[static_cast<std::size_t>(at)]);
    } else {
      return Matches_(at);
    }
  }

  const THTMLTokens& Tokens_;
  Predicate Matches_;
  std::ptrdiff_t Asked_ = 0;
  std::ptrdiff_t Scanned_ = 0;  // tokens before this one hold no match after Found_
  std::ptrdiff_t Found_ = kNone;
};

// An "A" tag whose first attribute is its HREF.
inline bool IsLinkTag(const THTMLToken& token) {
  const auto* a = token.TagNamed("A");
  return a && a->ParamNamed(0, "HREF");
}

// A text token containing `needle` (case counts).
inline bool TextContains(const THTMLToken& token, std::string_view needle) {
  const auto* text = token.AsText();
  return text && Contains(text->Text, needle);
}

// What `read` makes of `lines` tokenized afresh.
template <typename Read>
auto ReadTokenized(const TLines& lines, Read read) {
  THTMLParser page;
  page.SetLines(lines);
  page.Parse();
  return read(page);
}

// A row of a site's table of the dialog's items and the site's codes for them.
template <typename TCode>
struct TItemCode {
  std::string_view Item;
  TCode Code;
};

// The code a site's table gives the dialog's item (trimmed, compared
// exactly), or `otherwise`.
template <typename Table, typename Code>
Code LookUpItem(const Table& table, std::string_view item, Code otherwise) {
  const auto trimmed = TrimView(item);
  for (const auto& entry : table) {
    if (entry.Item == trimmed) return Code(entry.Code);
  }
  return otherwise;
}

}  // namespace velkaro

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "../HtmlParser.h"

// Walks over a page's tokens that look for a tag or a label text from a
// start position, and cuts that read values out of the texts they find.
//
// Match texts, needles and markers are compared as "contains" tests on
// trimmed, ASCII lower-cased texts (an empty one is found nowhere); tag and
// attribute names exactly as the tokenizer delivers them. A walk first steps
// away from its start position, so the start itself is never tested, and it
// has no bound but the token list: stepping past either end throws
// TMissingToken, which ends a site's search.

namespace velkaro {

enum class TWalkDirection { Forward, Backward };

// Where a walk stopped: a token and its trimmed text (an attribute value for a
// tag walk), or nothing when a tag walk met a tag of the wanted name that has
// no attribute at the wanted index.
class TWalkResult {
 public:
  TWalkResult() = default;
  TWalkResult(std::ptrdiff_t position, std::string_view text) : Position_(position), Text_(text) {}

  bool Empty() const { return Position_ < 0; }
  // An empty result read as a position fails as a text that is not a number
  // does (TConvertError).
  std::ptrdiff_t Position() const;
  // A view into the page; empty for an empty result.
  std::string_view Text() const { return Text_; }

 private:
  std::ptrdiff_t Position_ = -1;
  std::string_view Text_;
};

// Walks over one page. Each distinct query remembers the stretch its last
// walk crossed without a stop in either direction, and a later walk that
// reaches that stretch jumps to its end. Rows that each walk from their own
// icon, in page order, thus cross every token at most once per query, however
// far their links and labels are; walks from other starts cost no more than
// stepping. Lives no longer than the page.
class TTokenWalker {
 public:
  explicit TTokenWalker(const THTMLParser& page) : Page_(page) {}

  // The first tag named `tagName` that either has no attribute
  // `attributeIndex` (empty result) or has it named `attributeName` with a
  // value containing `match`.
  TWalkResult FindTag(std::ptrdiff_t start, std::string_view tagName, std::size_t attributeIndex,
                      std::string_view attributeName, std::string_view match, TWalkDirection direction);
  // The first text token containing `needle`.
  TWalkResult FindText(std::ptrdiff_t start, std::string_view needle, TWalkDirection direction);

 private:
  struct TQuery {
    bool IsTag = false;
    std::string TagName;
    std::size_t AttributeIndex = 0;
    std::string AttributeName;
    std::string Needle;  // trimmed, lower-cased
  };
  enum class TStop { None, Empty, Hit };
  // A query and the stretches known to hold none of its stops: [ForwardFrom,
  // ForwardStop) ending at a stop or the list's end, and (BackwardStop,
  // BackwardFrom] ending at a stop or before the first token.
  struct TQueryState {
    TQuery Query;
    std::ptrdiff_t ForwardFrom = 0;
    std::ptrdiff_t ForwardStop = 0;
    std::ptrdiff_t BackwardFrom = -1;
    std::ptrdiff_t BackwardStop = -1;
  };

  static TStop Classify(const TQuery& query, const THTMLToken& token, std::string_view* text);
  TQueryState& StateOf(TQuery&& query);
  // The first stop from `first` on (Count() when none), or at or before it (-1 when none).
  std::ptrdiff_t NextStop(TQueryState& state, std::ptrdiff_t first) const;
  std::ptrdiff_t PreviousStop(TQueryState& state, std::ptrdiff_t first) const;
  TWalkResult Walk(TQueryState& state, std::ptrdiff_t start, TWalkDirection direction) const;

  const THTMLParser& Page_;
  std::vector<TQueryState> Queries_;
};

// The trimmed part of `text` between the first `startMarker` and the first
// `endMarker`; empty when either is missing or the end comes first. The
// positions are found on the trimmed text and cut the text as passed in.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker);
// The trimmed part of `text` from 1-based `start` up to just before the first
// `endMarker`; empty for start 0 or without the marker. The marker's position
// is found on the trimmed text but cuts the text as passed in, so leading
// blanks shift the cut to the left.
std::string TextBefore(std::string_view text, std::ptrdiff_t start, std::string_view endMarker);

// Position of the first `foldedNeedle` (already lower-cased) in `text`,
// comparing ASCII letters without case; npos when absent or empty.
std::size_t FindFolded(std::string_view text, std::string_view foldedNeedle);

}  // namespace velkaro

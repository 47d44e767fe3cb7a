#pragma once

#include <cstddef>
#include <vector>

#include "../HtmlParser.h"

namespace velkaro {

// "The first token from position i on that matches" for every i, from one
// backward pass: rows that each search forward keep the page parse linear.
class TNextMatch {
 public:
  static constexpr std::ptrdiff_t kNone = -1;

  template <typename Predicate>
  TNextMatch(const THTMLTokens& tokens, Predicate matches) : Next_(tokens.size() + 1, kNone) {
    for (std::size_t i = tokens.size(); i-- > 0;) {
      Next_[i] = matches(tokens[i]) ? static_cast<std::ptrdiff_t>(i) : Next_[i + 1];
    }
  }

  // kNone when no token at or after `from` matches.
  std::ptrdiff_t From(std::ptrdiff_t from) const {
    if (from < 0) from = 0;
    if (static_cast<std::size_t>(from) >= Next_.size()) return kNone;
    return Next_[static_cast<std::size_t>(from)];
  }

 private:
  std::vector<std::ptrdiff_t> Next_;
};

}  // namespace velkaro

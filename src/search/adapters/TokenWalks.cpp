#include "TokenWalks.h"

#include <algorithm>
#include <cstring>

namespace velkaro {

namespace {

std::string FoldedKey(std::string_view text) { return LowerAscii(TrimView(text)); }

// Inline: it runs for every byte a walk compares.
char FoldedChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text`, trimmed and lower-cased, is `folded`.
bool SameFolded(std::string_view folded, std::string_view text) {
  text = TrimView(text);
  return text.size() == folded.size() &&
         std::equal(text.begin(), text.end(), folded.begin(), [](char a, char b) { return FoldedChar(a) == b; });
}

// `count` characters from 0-based `from`, clipped to the text.
std::string_view Clipped(std::string_view text, std::size_t from, std::size_t count) {
  return from >= text.size() ? std::string_view{} : text.substr(from, count);
}

}  // namespace

std::size_t FindFolded(std::string_view text, std::string_view foldedNeedle) {
  const std::size_t n = foldedNeedle.size();
  if (n == 0 || n > text.size()) return std::string_view::npos;
  // Candidates are the places of the first character in either case; memchr
  // finds them, each cursor moving only forward.
  const char lower = foldedNeedle.front();
  const char upper = UpperAscii(lower);
  const char* const begin = text.data();
  const char* const last = begin + (text.size() - n);  // the last place a match can start
  const auto next = [&](const char* from, char c) -> const char* {
    if (from > last) return nullptr;
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(last - from) + 1));
  };
  const char* atLower = next(begin, lower);
  const char* atUpper = upper == lower ? nullptr : next(begin, upper);
  while (atLower || atUpper) {
    const char* at = !atUpper || (atLower && atLower < atUpper) ? atLower : atUpper;
    std::size_t i = 1;
    while (i < n && FoldedChar(at[i]) == foldedNeedle[i]) ++i;
    if (i == n) return static_cast<std::size_t>(at - begin);
    if (at == atLower) {
      atLower = next(at + 1, lower);
    } else {
      atUpper = next(at + 1, upper);
    }
  }
  return std::string_view::npos;
}

std::ptrdiff_t TWalkResult::Position() const {
  if (Empty()) throw TConvertError("'' is not a valid integer value");
  return Position_;
}

TTokenWalker::TStop TTokenWalker::Classify(const TQuery& query, const THTMLToken& token, std::string_view* text) {
  if (query.IsTag) {
    const THTMLTag* tag = token.TagNamed(query.TagName);
    if (!tag) return TStop::None;
    if (query.AttributeIndex >= tag->Params.size()) return TStop::Empty;
    const THTMLParam& param = tag->Params[query.AttributeIndex];
    if (param.Name != query.AttributeName) return TStop::None;
    if (FindFolded(param.Value, query.Needle) == std::string_view::npos) return TStop::None;
    if (text) *text = TrimView(param.Value);
    return TStop::Hit;
  }
  const THTMLText* found = token.AsText();
  if (!found || FindFolded(found->Text, query.Needle) == std::string_view::npos) return TStop::None;
  if (text) *text = TrimView(found->Text);
  return TStop::Hit;
}

TTokenWalker::TQueryState& TTokenWalker::StateOf(TQuery&& query) {
  Queries_.push_back({std::move(query)});
  return Queries_.back();
}

std::ptrdiff_t TTokenWalker::NextStop(TQueryState& state, std::ptrdiff_t first) const {
  const auto count = static_cast<std::ptrdiff_t>(Page_.Count());
  std::ptrdiff_t i = first;
  while (i < count) {
    if (state.ForwardFrom <= i && i < state.ForwardStop) {
      i = state.ForwardStop;
      continue;
    }
    if (Classify(state.Query, Page_.Item(i), nullptr) != TStop::None) break;
    ++i;
  }
  state.ForwardFrom = first;
  state.ForwardStop = i;
  return i;
}

std::ptrdiff_t TTokenWalker::PreviousStop(TQueryState& state, std::ptrdiff_t first) const {
  std::ptrdiff_t i = first;
  while (i >= 0) {
    if (state.BackwardStop < i && i <= state.BackwardFrom) {
      i = state.BackwardStop;
      continue;
    }
    if (Classify(state.Query, Page_.Item(i), nullptr) != TStop::None) break;
    --i;
  }
  state.BackwardFrom = first;
  state.BackwardStop = i;
  return i;
}

TWalkResult TTokenWalker::Walk(TQueryState& state, std::ptrdiff_t start, TWalkDirection direction) const {
  const bool forward = direction == TWalkDirection::Forward;
  const std::ptrdiff_t first = forward ? start + 1 : start - 1;
  if (!Page_.Has(first)) throw TMissingToken(first);
  const std::ptrdiff_t at = forward ? NextStop(state, first) : PreviousStop(state, first);
  std::string_view text;
  // Item() throws when the walk stepped past an end of the list.
  if (Classify(state.Query, Page_.Item(at), &text) == TStop::Empty) return {};
  return {at, text};
}

TWalkResult TTokenWalker::FindTag(std::ptrdiff_t start, std::string_view tagName, std::size_t attributeIndex,
                                  std::string_view attributeName, std::string_view match, TWalkDirection direction) {
  // Rows ask the same few questions over and over: look them up without building a query.
  for (auto& state : Queries_) {
    const TQuery& known = state.Query;
    if (known.IsTag && known.TagName == tagName && known.AttributeIndex == attributeIndex &&
        known.AttributeName == attributeName && SameFolded(known.Needle, match)) {
      return Walk(state, start, direction);
    }
  }
  TQuery query;
  query.IsTag = true;
  query.TagName = tagName;
  query.AttributeIndex = attributeIndex;
  query.AttributeName = attributeName;
  query.Needle = FoldedKey(match);
  return Walk(StateOf(std::move(query)), start, direction);
}

TWalkResult TTokenWalker::FindText(std::ptrdiff_t start, std::string_view needle, TWalkDirection direction) {
  for (auto& state : Queries_) {
    if (!state.Query.IsTag && SameFolded(state.Query.Needle, needle)) return Walk(state, start, direction);
  }
  TQuery query;
  query.Needle = FoldedKey(needle);
  return Walk(StateOf(std::move(query)), start, direction);
}

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker) {
  const std::string_view trimmed = TrimView(text);
  const std::size_t a = FindFolded(trimmed, FoldedKey(startMarker));
  const std::size_t b = FindFolded(trimmed, FoldedKey(endMarker));
  if (a == std::string_view::npos || b == std::string_view::npos) return {};
  const std::size_t from = a + startMarker.size();
  if (b <= from) return {};
  return Trim(Clipped(text, from, b - from));
}

std::string TextBefore(std::string_view text, std::ptrdiff_t start, std::string_view endMarker) {
  if (start == 0) return {};
  const std::size_t b = FindFolded(TrimView(text), FoldedKey(endMarker));
  if (b == std::string_view::npos) return {};
  // 1-based: the characters from `start` up to just before b + 1. A start
  // below 1 counts from the first character.
  const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(b) + 1 - start;
  if (count <= 0) return {};
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  return Trim(Clipped(text, from, static_cast<std::size_t>(count)));
}

}  // namespace velkaro

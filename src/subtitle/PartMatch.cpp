#include "PartMatch.h"

#include <algorithm>

#include "TextHelpers.h"

namespace velkaro {

namespace {

// Ahead of the bare trailing number; "cd" ahead of "part", which titles use too.
constexpr std::string_view kPartMarkers[] = {"cd", "disc", "disk", "part"};
constexpr std::string_view kPartSeparators = " ._-";
constexpr std::size_t kMaxPartDigits = 2;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view Stem(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::optional<int> DigitsAt(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsDigit(text[end]) && end - at <= kMaxPartDigits) ++end;
  if (end == at || end - at > kMaxPartDigits) return std::nullopt;
  return ParseInt(text.substr(at, end - at));
}

std::optional<int> MarkedPart(std::string_view stem, std::string_view marker) {
  for (auto at = stem.find(marker); at != std::string_view::npos; at = stem.find(marker, at + 1)) {
    if (at > 0 && IsLetter(stem[at - 1])) continue;
    std::size_t digits = at + marker.size();
    while (digits < stem.size() && kPartSeparators.find(stem[digits]) != std::string_view::npos) ++digits;
    if (const auto number = DigitsAt(stem, digits)) return number;
  }
  return std::nullopt;
}

std::optional<int> TrailingPart(std::string_view stem) {
  std::size_t start = stem.size();
  while (start > 0 && IsDigit(stem[start - 1])) --start;
  if (stem.size() - start == 0 || stem.size() - start > kMaxPartDigits) return std::nullopt;
  return ParseInt(stem.substr(start));
}

bool IsPlainText(const TCandidate& candidate) { return IsPlainTextName(candidate.Name); }

// A readme.txt beside the real subtitles is no subtitle.
std::vector<std::size_t> MatchPool(const std::vector<TCandidate>& candidates) {
  const bool onlyText = std::all_of(candidates.begin(), candidates.end(), IsPlainText);
  std::vector<std::size_t> pool;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (onlyText || !IsPlainText(candidates[i])) pool.push_back(i);
  }
  return pool;
}

}  // namespace

std::optional<int> PartNumberInName(std::string_view name) {
  const std::string stem = LowerAscii(Stem(BaseName(name)));
  for (const std::string_view marker : kPartMarkers) {
    if (const auto number = MarkedPart(stem, marker)) return number;
  }
  return TrailingPart(stem);
}

std::vector<std::optional<std::size_t>> MatchParts(const std::vector<TCandidate>& candidates, std::size_t parts) {
  std::vector<std::size_t> pool = MatchPool(candidates);
  std::vector<std::optional<std::size_t>> chosen(parts);
  if (parts == 0 || pool.empty()) return chosen;
  if (parts == 1) {
    const auto first = std::find_if(pool.begin(), pool.end(),
                                    [&](std::size_t i) { return PartNumberInName(candidates[i].Name) == 1; });
    chosen[0] = first != pool.end() ? *first : pool.front();
    return chosen;
  }
  for (std::size_t part = 0; part < parts; ++part) {
    const auto marked = std::find_if(pool.begin(), pool.end(), [&](std::size_t i) {
      return PartNumberInName(candidates[i].Name) == static_cast<int>(part + 1);
    });
    if (marked == pool.end()) continue;
    chosen[part] = *marked;
    pool.erase(marked);
  }
  auto next = pool.begin();
  for (auto& part : chosen) {
    if (!part && next != pool.end()) part = *next++;
  }
  return chosen;
}

}  // namespace velkaro

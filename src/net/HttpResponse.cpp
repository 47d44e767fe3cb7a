#include "HttpResponse.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "TextHelpers.h"

namespace velkaro {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return LowerAscii(a) == LowerAscii(b); }

template <typename TNumber>
std::optional<TNumber> ParseNumber(std::string_view text) {
  TNumber value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

void THttpResponse::Clear() {
  Status_ = 0;
  StatusLine_.clear();
  Headers_.clear();
}

bool THttpResponse::AddLine(std::string_view raw) {
  if (raw.starts_with("HTTP/")) {
    StartBlock(TrimView(raw));
    return false;
  }
  const std::string_view line = TrimView(raw);
  if (line.empty()) return true;
  if (IsBlank(raw.front()) && !Headers_.empty()) {
    Headers_.back().second.append(" ").append(line);  // an obsolete folded line
    return false;
  }
  const auto colon = line.find(':');
  if (colon != std::string_view::npos) {
    Headers_.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  }
  return false;
}

std::string THttpResponse::Find(std::string_view name) const {
  const auto found = std::find_if(Headers_.begin(), Headers_.end(),
                                  [name](const auto& header) { return EqualsIgnoringCase(header.first, name); });
  return found == Headers_.end() ? std::string() : found->second;
}

std::int64_t THttpResponse::ContentLength() const {
  return ParseNumber<std::int64_t>(Find("Content-Length")).value_or(-1);
}

std::string THttpResponse::ErrorMessage() const {
  return StatusLine_.empty() ? "HTTP error " + std::to_string(Status_) : StatusLine_;
}

void THttpResponse::StartBlock(std::string_view statusLine) {
  Headers_.clear();
  StatusLine_ = statusLine;
  const auto space = statusLine.find(' ');
  if (space == std::string_view::npos) {
    Status_ = 0;
    return;
  }
  Status_ = ParseNumber<int>(statusLine.substr(space + 1, 3)).value_or(0);
}

}  // namespace velkaro

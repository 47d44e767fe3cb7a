#include "HttpMessage.h"

#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

struct TReason {
  int Status;
  std::string_view Phrase;
};

constexpr TReason kReasons[] = {
    {100, "Continue"},          {200, "OK"},
    {301, "Moved Permanently"}, {302, "Found"},
    {400, "Bad Request"},       {403, "Forbidden"},
    {404, "Not Found"},         {405, "Method Not Allowed"},
    {411, "Length Required"},   {413, "Payload Too Large"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},   {502, "Bad Gateway"},
    {503, "Service Unavailable"},
};

constexpr std::string_view kAbsolutePrefix = "http://";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string_view> HeadLines(std::string_view head) {
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const auto end = head.find('\n');
    auto line = head.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    head.remove_prefix(end + 1);
  }
  return lines;
}

void ParseRequestLine(std::string_view line, TRequest& request) {
  const auto firstSpace = line.find(' ');
  const auto lastSpace = line.rfind(' ');
  if (firstSpace == std::string_view::npos || lastSpace == firstSpace) throw TBadRequest("malformed request line");
  request.Method = std::string(line.substr(0, firstSpace));
  request.Target = std::string(line.substr(firstSpace + 1, lastSpace - firstSpace - 1));
  request.Version = std::string(line.substr(lastSpace + 1));
  if (request.Method.empty() || request.Target.empty() || !request.Version.starts_with("HTTP/")) {
    throw TBadRequest("malformed request line");
  }
}

void ParseHeaderLine(std::string_view line, THeaders& headers) {
  const auto colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) throw TBadRequest("malformed header field");
  headers.emplace_back(LowerAscii(line.substr(0, colon)), Trim(line.substr(colon + 1)));
}

// Splits the target into host (absolute form only), path and query.
void SplitTarget(TRequest& request) {
  std::string_view rest = request.Target;
  if (LowerAscii(rest.substr(0, kAbsolutePrefix.size())) == kAbsolutePrefix) {
    rest.remove_prefix(kAbsolutePrefix.size());
    const auto pathStart = rest.find_first_of("/?");
    request.Host = std::string(rest.substr(0, pathStart));
    rest = pathStart == std::string_view::npos ? std::string_view{} : rest.substr(pathStart);
    request.Proxied = true;
  } else {
    request.Host = request.Header("host");
  }
  const auto question = rest.find('?');
  request.Path = std::string(rest.substr(0, question));
  if (request.Path.empty()) request.Path = "/";
  if (question != std::string_view::npos) request.Query = std::string(rest.substr(question + 1));
}

}  // namespace

std::string HeaderValue(const THeaders& headers, std::string_view name) {
  for (const auto& [key, value] : headers) {
    if (key == name) return value;
  }
  return {};
}

TRequest ParseRequestHead(std::string_view head) {
  const auto lines = HeadLines(head);
  if (lines.empty()) throw TBadRequest("empty request");
  TRequest request;
  ParseRequestLine(lines.front(), request);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (!lines[i].empty()) ParseHeaderLine(lines[i], request.Headers);
  }
  SplitTarget(request);
  return request;
}

std::string_view ReasonPhrase(int status) {
  for (const auto& reason : kReasons) {
    if (reason.Status == status) return reason.Phrase;
  }
  return "Unknown";
}

std::string ResponseHead(const TResponse& response, bool keepAlive) {
  std::string head = "HTTP/1.1 " + std::to_string(response.Status) + " " + std::string(ReasonPhrase(response.Status)) +
                     "\r\nServer: sitesim\r\n";
  if (!response.ContentType.empty()) head += "Content-Type: " + response.ContentType + "\r\n";
  for (const auto& [name, value] : response.Headers) head += name + ": " + value + "\r\n";
  head += "Content-Length: " + std::to_string(response.Body.size()) + "\r\n";
  head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  return head;
}

bool WantsKeepAlive(const TRequest& request) {
  const std::string connection = LowerAscii(request.Header("connection") + "," + request.Header("proxy-connection"));
  if (Contains(connection, "close")) return false;
  return request.Version == "HTTP/1.1" || Contains(connection, "keep-alive");
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      decoded += ' ';
    } else {
      decoded += c;
    }
  }
  return decoded;
}

TFormFields ParseForm(std::string_view text) {
  TFormFields fields;
  for (const auto& piece : SplitText(text, "&")) {
    if (piece.empty()) continue;
    const auto eq = piece.find('=');
    if (eq == std::string::npos) {
      fields.emplace_back(PercentDecode(piece), std::string{});
    } else {
      fields.emplace_back(PercentDecode(piece.substr(0, eq)), PercentDecode(piece.substr(eq + 1)));
    }
  }
  return fields;
}

std::optional<std::string> FormValue(const TFormFields& fields, std::string_view name) {
  for (const auto& [key, value] : fields) {
    if (key == name) return value;
  }
  return std::nullopt;
}

int FormInt(const TFormFields& fields, std::string_view name, int fallback) {
  const auto value = FormValue(fields, name);
  if (!value) return fallback;
  return ParseInt(*value).value_or(fallback);
}

}  // namespace velkaro::sim

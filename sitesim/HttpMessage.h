#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The HTTP/1.1 messages the stand-in server reads and writes, kept apart from
// the sockets so their parsing can be checked on plain strings.

namespace velkaro::sim {

// Names lower-cased, in arrival order.
using THeaders = std::vector<std::pair<std::string, std::string>>;

// Empty when absent; `name` must be lower-case.
std::string HeaderValue(const THeaders& headers, std::string_view name);

struct TRequest {
  std::string Method;
  std::string Target;  // as received: "/index.php?x=1" or "http://host/index.php?x=1"
  std::string Version;
  std::string Host;    // from an absolute target, else from the Host header
  std::string Path;    // "/index.php", still percent-encoded
  std::string Query;   // after the first "?", still percent-encoded
  std::string Body;
  THeaders Headers;
  bool Proxied = false;  // the target was in absolute form, as a client sends to its proxy
  std::size_t Connection = 0;  // which accepted connection carried it, counted from 1

  std::string Header(std::string_view name) const { return HeaderValue(Headers, name); }
};

struct TResponse {
  int Status = 200;
  std::string ContentType = "text/html; charset=windows-1254";
  THeaders Headers;  // beyond Content-Type, Content-Length and Connection
  std::string Body;
  // Close the connection after this many body bytes, short of the announced length.
  std::optional<std::size_t> CloseAfterBytes;
};

class TBadRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Request line and header fields, without the blank line; throws TBadRequest.
TRequest ParseRequestHead(std::string_view head);

// The status line and header fields of `response`, blank line included.
std::string ResponseHead(const TResponse& response, bool keepAlive);
std::string_view ReasonPhrase(int status);

// Whether the connection may carry another request after this one.
bool WantsKeepAlive(const TRequest& request);

// %XX decoded; with `plusIsSpace` also "+" as a space (form bodies and queries).
std::string PercentDecode(std::string_view text, bool plusIsSpace = true);

using TFormFields = std::vector<std::pair<std::string, std::string>>;
// "a=1&b=x%20y" decoded into fields; a piece without "=" is a field with an empty value.
TFormFields ParseForm(std::string_view text);
// The first field named `name`, or nullopt.
std::optional<std::string> FormValue(const TFormFields& fields, std::string_view name);
// The first field named `name` as a whole number; `fallback` when there is
// none or it is not one.
int FormInt(const TFormFields& fields, std::string_view name, int fallback);

}  // namespace velkaro::sim

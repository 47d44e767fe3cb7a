#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CancelToken.h"
#include "CookieJar.h"
#include "HttpError.h"

// An HTTP/1.1 client on one libcurl easy handle. Each worker owns its clients
// and uses them on its own thread only; Abort() is the one call another thread
// may make.

namespace velkaro {

enum class TTransferDirection { Reading, Writing };

// Transfer notifications, raised on the transferring thread.
struct TTransferHandlers {
  std::function<void(TTransferDirection, std::int64_t expectedTotal)> Begin;  // -1: unknown
  std::function<void(TTransferDirection, std::int64_t bytesSoFar)> Progress;
  std::function<void(TTransferDirection)> End;
};

// Receives body bytes as they arrive.
using TByteSink = std::function<void(std::string_view)>;

class THttpClient;

// What the clients of one worker share, applied to each by one call.
struct TClientSettings {
  int ConnectTimeoutMs = 0;     // 0: libcurl's own limit
  int ReadTimeoutMs = 0;        // the longest silence; 0: none
  std::string ProxyHost;        // empty: straight to the server
  int ProxyPort = 0;
  std::int64_t MaxBodySize = 0;  // 0: no limit
  std::shared_ptr<TCancelToken> Cancel;

  void ApplyTo(THttpClient& client) const;
};

class THttpClient final : public IAbortable {
 public:
  static constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
  static constexpr const char* kAccept = "text/html, */*";

  THttpClient();
  ~THttpClient();
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // 0 leaves the time-out unset (no limit).
  void SetConnectTimeout(int milliseconds);
  // The longest silence while waiting for response bytes.
  void SetReadTimeout(int milliseconds);
  void SetProxy(const std::string& host, int port);
  // Stays set for this client's later requests.
  void SetContentType(const std::string& contentType);
  // Sent as a plain header; the client never decodes the body.
  void SetAcceptEncoding(const std::string& encodings);
  void SetReferer(const std::string& referer);
  void SetTransferHandlers(TTransferHandlers handlers);
  void SetCancelToken(std::shared_ptr<TCancelToken> token);
  // A response body beyond this many bytes fails the request; 0: no limit.
  void SetMaxBodySize(std::int64_t bytes);
  // Keeps and sends the jar's cookies instead of its own; set before the first request.
  void ShareCookies(std::shared_ptr<TCookieJar> jar);

  // A 3xx answer is not followed: it is returned as it stands (its body, often empty).
  std::string Get(const std::string& url);
  void Get(const std::string& url, const TByteSink& sink);
  std::string Post(const std::string& url, std::string_view body);
  void Post(const std::string& url, std::string_view body, const TByteSink& sink);

  // A header of the last response, by case-insensitive name; empty when absent.
  std::string ResponseHeader(std::string_view name) const;
  int LastStatus() const;

  // Thread-safe: makes the running transfer, and every later one, fail promptly.
  void Abort() override;

 private:
  friend class TTransferGroup;
  struct TImpl;
  // A POST when postBody is set, else a GET; attached to the cancel token while it runs.
  void Transfer(const std::string& url, std::optional<std::string_view> postBody, const TByteSink& sink);

  std::unique_ptr<TImpl> Impl_;
};

}  // namespace velkaro

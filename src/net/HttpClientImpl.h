#pragma once

#include <curl/curl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CancelToken.h"
#include "CookieJar.h"
#include "CurlHandles.h"
#include "HttpClient.h"
#include "HttpResponse.h"
#include "Transfer.h"

// What a client holds; the transfer group drives clients through it too.

namespace velkaro {

struct THttpClient::TImpl {
  TImpl();

  void Perform(const std::string& url, std::optional<std::string_view> postBody, const TByteSink& sink);
  // One request on the easy handle: prepared by Begin, judged by End once the
  // loop that drove it has ended; End throws what the request failed with.
  void Begin(const std::string& url, std::optional<std::string_view> postBody, const TByteSink& sink);
  void End(TLoopEnd loopEnd, CURLcode result);
  void PrepareRequest(const std::string& url, std::optional<std::string_view> postBody);
  void SetMethod(std::optional<std::string_view> postBody);
  void SetProxyOptions();
  void SetRequestHeaders();
  void BindCallbacks(TTransfer& transfer);
  TLoopEnd RunLoop(const TTransfer& transfer);
  int PollWaitMs(const TTransfer& transfer) const;
  bool ReadTimedOut(const TTransfer& transfer) const;
  CURLcode TransferResult();
  std::string ErrorText(CURLcode result) const;

  int ConnectTimeoutMs = 0;
  int ReadTimeoutMs = 0;
  std::string ProxyHost;
  int ProxyPort = 0;
  std::string ContentType;
  std::string AcceptEncoding;
  std::string Referer;
  TTransferHandlers Handlers;
  std::int64_t MaxBodySize = 0;
  TAbortFlag Abort;

  THttpResponse Response;
  std::optional<TTransfer> Current;

  // Declared before the handles: curl keeps pointers to them until the easy handle goes.
  std::array<char, CURL_ERROR_SIZE> ErrorBuffer{};
  TSlist RequestHeaders;
  std::shared_ptr<TCookieJar> Jar;
  TMultiHandle Multi;
  TEasyHandle Easy;
};

}  // namespace velkaro

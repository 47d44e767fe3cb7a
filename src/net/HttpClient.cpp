#include "HttpClient.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "HttpClientImpl.h"

namespace velkaro {

namespace {

TTransfer& TransferOf(void* userdata) { return *static_cast<TTransfer*>(userdata); }

size_t OnBody(char* data, size_t size, size_t count, void* userdata) {
  const size_t length = size * count;
  TTransfer& transfer = TransferOf(userdata);
  return transfer.Guarded([&] { transfer.BodyChunk({data, length}); }) ? length : CURL_WRITEFUNC_ERROR;
}

size_t OnHeader(char* data, size_t size, size_t count, void* userdata) {
  const size_t length = size * count;
  TTransfer& transfer = TransferOf(userdata);
  return transfer.Guarded([&] { transfer.HeaderLine({data, length}); }) ? length : CURL_WRITEFUNC_ERROR;
}

int OnProgress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  TTransfer& transfer = TransferOf(userdata);
  return transfer.Guarded([&] { transfer.Uploaded(uploaded); }) ? 0 : 1;
}

int OnRequestReady(void* userdata, char*, char*, int, int) {
  TTransfer& transfer = TransferOf(userdata);
  return transfer.Guarded([&] { transfer.RequestSent(); }) ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
}

}  // namespace

THttpClient::TImpl::TImpl() {
  EnsureCurlInitialised();
  Multi.reset(curl_multi_init());
  Easy.reset(curl_easy_init());
  if (!Multi || !Easy) throw THttpError("cannot create a libcurl handle");

  CURL* easy = Easy.get();
  SetOption(easy, CURLOPT_NOSIGNAL, 1L);
  SetOption(easy, CURLOPT_ERRORBUFFER, ErrorBuffer.data());
  SetOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  SetOption(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  // Redirects are handed to the caller as they stand.
  SetOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
  // Bodies arrive as the server sent them; callers inflate what they asked to be compressed.
  SetOption(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  // An empty file name switches on the in-memory cookie engine of this handle only.
  SetOption(easy, CURLOPT_COOKIEFILE, "");
  SetOption(easy, CURLOPT_USERAGENT, kUserAgent);
  // An abort during a slow name lookup must not wait for the resolver thread.
  SetOption(easy, CURLOPT_QUICK_EXIT, 1L);
  SetOption(easy, CURLOPT_WRITEFUNCTION, &OnBody);
  SetOption(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  SetOption(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  SetOption(easy, CURLOPT_PREREQFUNCTION, &OnRequestReady);
  SetOption(easy, CURLOPT_NOPROGRESS, 0L);
}

void THttpClient::TImpl::Perform(const std::string& url, std::optional<std::string_view> postBody,
                                 const TByteSink& sink) {
  Begin(url, postBody, sink);
  TLoopEnd loopEnd = TLoopEnd::MultiFailed;
  CURLcode result = CURLE_OK;
  try {
    const TMultiMembership membership(Multi.get(), Easy.get());
    loopEnd = RunLoop(*Current);
    if (loopEnd == TLoopEnd::Completed) result = TransferResult();
  } catch (...) {
    Current.reset();
    throw;
  }
  End(loopEnd, result);
}

void THttpClient::TImpl::Begin(const std::string& url, std::optional<std::string_view> postBody,
                               const TByteSink& sink) {
  Response.Clear();
  ErrorBuffer[0] = '\0';
  PrepareRequest(url, postBody);
  std::optional<std::int64_t> uploadSize;
  if (postBody) uploadSize = static_cast<std::int64_t>(postBody->size());
  BindCallbacks(Current.emplace(Response, Handlers, sink, uploadSize, MaxBodySize));
}

void THttpClient::TImpl::End(TLoopEnd loopEnd, CURLcode result) {
  Current->Finish();
  const std::exception_ptr failure = Current->Failure();
  Current.reset();
  if (failure) std::rethrow_exception(failure);

  switch (loopEnd) {
    case TLoopEnd::Aborted:
      throw THttpAborted();
    case TLoopEnd::ReadTimedOut:
      throw THttpError("read time-out: no data for " + std::to_string(ReadTimeoutMs) + " ms");
    case TLoopEnd::MultiFailed:
      throw THttpError("transfer failed in libcurl's multi interface");
    case TLoopEnd::Completed:
      break;
  }
  if (result != CURLE_OK) throw THttpError(ErrorText(result));
  if (Response.IsError()) throw THttpError(Response.ErrorMessage(), Response.Status());
}

void THttpClient::TImpl::PrepareRequest(const std::string& url, std::optional<std::string_view> postBody) {
  CURL* easy = Easy.get();
  SetOption(easy, CURLOPT_URL, url.c_str());
  // 0 leaves curl's own ceiling (300 s), longer than the system lets a connect attempt last.
  SetOption(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectTimeoutMs));
  SetMethod(postBody);
  SetProxyOptions();
  SetRequestHeaders();
}

void THttpClient::TImpl::SetMethod(std::optional<std::string_view> postBody) {
  CURL* easy = Easy.get();
  if (!postBody) {
    SetOption(easy, CURLOPT_HTTPGET, 1L);
    return;
  }
  // The size goes first so that COPYPOSTFIELDS copies exactly that many bytes, NULs included.
  SetOption(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  SetOption(easy, CURLOPT_COPYPOSTFIELDS, postBody->empty() ? "" : postBody->data());
}

void THttpClient::TImpl::SetProxyOptions() {
  CURL* easy = Easy.get();
  if (ProxyHost.empty()) {
    // An empty proxy also overrides http_proxy and friends from the environment.
    SetOption(easy, CURLOPT_PROXY, "");
    return;
  }
  SetOption(easy, CURLOPT_PROXY, ProxyHost.c_str());
  SetOption(easy, CURLOPT_PROXYPORT, static_cast<long>(ProxyPort));
  SetOption(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  SetOption(easy, CURLOPT_HTTPPROXYTUNNEL, 0L);
  // Keeps a no_proxy variable from bypassing the proxy the user chose.
  SetOption(easy, CURLOPT_NOPROXY, "");
}

void THttpClient::TImpl::SetRequestHeaders() {
  TSlist headers;
  AppendHeader(headers, std::string("Accept: ") + kAccept);
  // Without this curl would hold large POST bodies back waiting for "100 Continue".
  AppendHeader(headers, "Expect:");
  if (!ContentType.empty()) AppendHeader(headers, "Content-Type: " + ContentType);
  if (!AcceptEncoding.empty()) AppendHeader(headers, "Accept-Encoding: " + AcceptEncoding);
  if (!Referer.empty()) AppendHeader(headers, "Referer: " + Referer);
  SetOption(Easy.get(), CURLOPT_HTTPHEADER, headers.get());
  RequestHeaders = std::move(headers);
}

void THttpClient::TImpl::BindCallbacks(TTransfer& transfer) {
  CURL* easy = Easy.get();
  SetOption(easy, CURLOPT_WRITEDATA, &transfer);
  SetOption(easy, CURLOPT_HEADERDATA, &transfer);
  SetOption(easy, CURLOPT_XFERINFODATA, &transfer);
  SetOption(easy, CURLOPT_PREREQDATA, &transfer);
}

TLoopEnd THttpClient::TImpl::RunLoop(const TTransfer& transfer) {
  for (;;) {
    if (Abort.Raised()) return TLoopEnd::Aborted;
    int running = 0;
    if (curl_multi_perform(Multi.get(), &running) != CURLM_OK) return TLoopEnd::MultiFailed;
    if (running == 0) return TLoopEnd::Completed;
    if (ReadTimedOut(transfer)) return TLoopEnd::ReadTimedOut;
    if (curl_multi_poll(Multi.get(), nullptr, 0, PollWaitMs(transfer), nullptr) != CURLM_OK) {
      return TLoopEnd::MultiFailed;
    }
  }
}

bool THttpClient::TImpl::ReadTimedOut(const TTransfer& transfer) const {
  return ReadTimeoutMs > 0 && transfer.Silence() >= std::chrono::milliseconds(ReadTimeoutMs);
}

int THttpClient::TImpl::PollWaitMs(const TTransfer& transfer) const {
  if (ReadTimeoutMs <= 0 || !transfer.Listening()) return kIdlePollMs;
  const auto silence = std::chrono::duration_cast<std::chrono::milliseconds>(transfer.Silence()).count();
  const auto left = static_cast<long long>(ReadTimeoutMs) - silence;
  return static_cast<int>(std::clamp<long long>(left, 1, kIdlePollMs));
}

CURLcode THttpClient::TImpl::TransferResult() {
  int pending = 0;
  while (CURLMsg* message = curl_multi_info_read(Multi.get(), &pending)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == Easy.get()) return message->data.result;
  }
  return CURLE_OK;
}

std::string THttpClient::TImpl::ErrorText(CURLcode result) const {
  return ErrorBuffer[0] != '\0' ? std::string(ErrorBuffer.data()) : std::string(curl_easy_strerror(result));
}

// ---------------------------------------------------------------------------

void TClientSettings::ApplyTo(THttpClient& client) const {
  client.SetConnectTimeout(ConnectTimeoutMs);
  client.SetReadTimeout(ReadTimeoutMs);
  if (!ProxyHost.empty()) client.SetProxy(ProxyHost, ProxyPort);
  client.SetMaxBodySize(MaxBodySize);
  client.SetCancelToken(Cancel);
}

THttpClient::THttpClient() : Impl_(std::make_unique<TImpl>()) {}

THttpClient::~THttpClient() = default;

void THttpClient::SetConnectTimeout(int milliseconds) { Impl_->ConnectTimeoutMs = std::max(milliseconds, 0); }

void THttpClient::SetReadTimeout(int milliseconds) { Impl_->ReadTimeoutMs = std::max(milliseconds, 0); }

void THttpClient::SetProxy(const std::string& host, int port) {
  Impl_->ProxyHost = host;
  Impl_->ProxyPort = port;
}

void THttpClient::SetContentType(const std::string& contentType) { Impl_->ContentType = contentType; }

void THttpClient::SetAcceptEncoding(const std::string& encodings) { Impl_->AcceptEncoding = encodings; }

void THttpClient::SetReferer(const std::string& referer) { Impl_->Referer = referer; }

void THttpClient::SetTransferHandlers(TTransferHandlers handlers) { Impl_->Handlers = std::move(handlers); }

void THttpClient::SetCancelToken(std::shared_ptr<TCancelToken> token) { Impl_->Abort.Token = std::move(token); }

void THttpClient::SetMaxBodySize(std::int64_t bytes) { Impl_->MaxBodySize = std::max<std::int64_t>(bytes, 0); }

void THttpClient::ShareCookies(std::shared_ptr<TCookieJar> jar) {
  SetOption(Impl_->Easy.get(), CURLOPT_SHARE, jar ? jar->ShareHandle() : nullptr);
  Impl_->Jar = std::move(jar);
}

std::string THttpClient::Get(const std::string& url) {
  std::string body;
  Transfer(url, std::nullopt, [&body](std::string_view chunk) { body.append(chunk); });
  return body;
}

void THttpClient::Get(const std::string& url, const TByteSink& sink) { Transfer(url, std::nullopt, sink); }

std::string THttpClient::Post(const std::string& url, std::string_view body) {
  std::string answer;
  Transfer(url, body, [&answer](std::string_view chunk) { answer.append(chunk); });
  return answer;
}

void THttpClient::Post(const std::string& url, std::string_view body, const TByteSink& sink) {
  Transfer(url, body, sink);
}

std::string THttpClient::ResponseHeader(std::string_view name) const { return Impl_->Response.Find(name); }

int THttpClient::LastStatus() const { return Impl_->Response.Status(); }

void THttpClient::Abort() {
  Impl_->Abort.Raise();
  curl_multi_wakeup(Impl_->Multi.get());
}

void THttpClient::Transfer(const std::string& url, std::optional<std::string_view> postBody, const TByteSink& sink) {
  Impl_->Abort.ThrowIfRaised();
  const TTokenAttachment attached(Impl_->Abort.Token, this);
  // A Cancel() that ran just before Attach() did not see this client, but left its mark.
  Impl_->Abort.ThrowIfRaised();
  Impl_->Perform(url, postBody, sink);
}

// ---------------------------------------------------------------------------

}  // namespace velkaro

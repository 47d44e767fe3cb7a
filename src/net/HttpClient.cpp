#include "HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <exception>
#include <map>
#include <new>
#include <utility>

#include "TextHelpers.h"

namespace velkaro {

namespace {

using TClock = std::chrono::steady_clock;

// How long one poll may sleep when no read time-out is near; Abort() wakes it earlier.
constexpr int kIdlePollMs = 1000;

// Idle connections a transfer group keeps for its later requests.
constexpr long kGroupConnections = 16;

// Once per process, before the first handle. Never cleaned up: the process may end
// while detached workers still use curl.
void EnsureCurlInitialised() {
  static const CURLcode initResult = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initResult != CURLE_OK) {
    throw THttpError(std::string("libcurl initialisation failed: ") + curl_easy_strerror(initResult));
  }
}

struct TEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct TShareDeleter {
  void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct TSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TEasyHandle = std::unique_ptr<CURL, TEasyDeleter>;
using TMultiHandle = std::unique_ptr<CURLM, TMultiDeleter>;
using TSlist = std::unique_ptr<curl_slist, TSlistDeleter>;
using TShareHandle = std::unique_ptr<CURLSH, TShareDeleter>;

template <typename TValue>
void SetOption(CURL* easy, CURLoption option, TValue value) {
  const CURLcode result = curl_easy_setopt(easy, option, value);
  if (result != CURLE_OK) throw THttpError(curl_easy_strerror(result));
}

void AppendHeader(TSlist& list, const std::string& line) {
  curl_slist* head = curl_slist_append(list.get(), line.c_str());
  if (head == nullptr) throw std::bad_alloc();
  if (!list) list.reset(head);
}

// The easy handle belongs to the multi handle for one transfer only.
class TMultiMembership {
 public:
  TMultiMembership(CURLM* multi, CURL* easy) : Multi_(multi), Easy_(easy) {
    const CURLMcode result = curl_multi_add_handle(Multi_, Easy_);
    if (result != CURLM_OK) throw THttpError(curl_multi_strerror(result));
  }
  ~TMultiMembership() { curl_multi_remove_handle(Multi_, Easy_); }
  TMultiMembership(const TMultiMembership&) = delete;
  TMultiMembership& operator=(const TMultiMembership&) = delete;

 private:
  CURLM* Multi_;
  CURL* Easy_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return LowerAscii(a) == LowerAscii(b); }

template <typename TNumber>
std::optional<TNumber> ParseNumber(std::string_view text) {
  TNumber value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The header block of the last response: every status line (a 1xx answer, then the
// final one) starts it afresh, so only the final response remains.
class TResponse {
 public:
  void Clear() {
    Status_ = 0;
    StatusLine_.clear();
    Headers_.clear();
  }

  // Takes one raw header line; true when it is the blank line that ends a block.
  bool AddLine(std::string_view raw) {
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

  std::string Find(std::string_view name) const {
    const auto found = std::find_if(Headers_.begin(), Headers_.end(),
                                    [name](const auto& header) { return EqualsIgnoringCase(header.first, name); });
    return found == Headers_.end() ? std::string() : found->second;
  }

  std::int64_t ContentLength() const {
    return ParseNumber<std::int64_t>(Find("Content-Length")).value_or(-1);
  }

  int Status() const { return Status_; }
  bool IsError() const { return Status_ >= 400; }
  bool IsInterim() const { return Status_ >= 100 && Status_ < 200; }

  std::string ErrorMessage() const {
    return StatusLine_.empty() ? "HTTP error " + std::to_string(Status_) : StatusLine_;
  }

 private:
  void StartBlock(std::string_view statusLine) {
    Headers_.clear();
    StatusLine_ = statusLine;
    const auto space = statusLine.find(' ');
    if (space == std::string_view::npos) {
      Status_ = 0;
      return;
    }
    Status_ = ParseNumber<int>(statusLine.substr(space + 1, 3)).value_or(0);
  }

  int Status_ = 0;
  std::string StatusLine_;
  std::vector<std::pair<std::string, std::string>> Headers_;
};

void Notify(const std::function<void(TTransferDirection, std::int64_t)>& handler, TTransferDirection direction,
            std::int64_t bytes) {
  if (handler) handler(direction, bytes);
}

// The state of one running request, reached from curl's callbacks on the transferring thread.
class TTransfer {
 public:
  TTransfer(TResponse& response, const TTransferHandlers& handlers, const TByteSink& sink,
            std::optional<std::int64_t> uploadSize, std::int64_t maxBodySize)
      : Response_(response), Handlers_(handlers), Sink_(sink), UploadSize_(uploadSize), MaxBodySize_(maxBodySize) {}

  // Runs a step that may throw (the sink, a handler) inside a C callback: the exception
  // is kept for the caller and the callback reports failure, which ends the transfer.
  template <typename TStep>
  bool Guarded(TStep step) {
    try {
      step();
      return true;
    } catch (...) {
      if (!Failure_) Failure_ = std::current_exception();
      return false;
    }
  }

  void RequestSent() {
    Touch();
    if (UploadSize_ && !WritingBegun_) {
      WritingBegun_ = true;
      Notify(Handlers_.Begin, TTransferDirection::Writing, *UploadSize_);
    }
  }

  void Uploaded(std::int64_t bytesSoFar) {
    if (bytesSoFar <= Sent_) return;
    Sent_ = bytesSoFar;
    Touch();
    if (!WritingBegun_ || WritingEnded_) return;
    Notify(Handlers_.Progress, TTransferDirection::Writing, Sent_);
    if (Sent_ >= *UploadSize_) EndWriting();
  }

  void HeaderLine(std::string_view line) {
    Touch();
    EndWriting();  // the server is answering, so the body is out
    if (Response_.AddLine(line) && !Response_.IsInterim()) BeginReading();
  }

  void BodyChunk(std::string_view chunk) {
    Touch();
    // An error answer's body is no content of the caller's: it is read and dropped.
    if (Response_.IsError() || chunk.empty()) return;
    BeginReading();
    ThrowIfOverLimit(Received_ + static_cast<std::int64_t>(chunk.size()));
    if (Sink_) Sink_(chunk);
    Received_ += static_cast<std::int64_t>(chunk.size());
    Notify(Handlers_.Progress, TTransferDirection::Reading, Received_);
  }

  // Every Begin gets its End, whether the transfer completed or failed.
  void Finish() {
    EndWriting();
    if (ReadingBegun_ && !ReadingEnded_) {
      ReadingEnded_ = true;
      if (Handlers_.End) Handlers_.End(TTransferDirection::Reading);
    }
  }

  std::exception_ptr Failure() const { return Failure_; }

  // Time since the request went out or the last byte arrived; zero before the request is sent.
  TClock::duration Silence() const { return LastActivity_ ? TClock::now() - *LastActivity_ : TClock::duration::zero(); }
  bool Listening() const { return LastActivity_.has_value(); }

 private:
  void Touch() { LastActivity_ = TClock::now(); }

  void BeginReading() {
    if (ReadingBegun_ || Response_.IsError()) return;
    // A stated length over the limit fails before any byte reaches the sink.
    ThrowIfOverLimit(Response_.ContentLength());
    ReadingBegun_ = true;
    Notify(Handlers_.Begin, TTransferDirection::Reading, Response_.ContentLength());
  }

  void ThrowIfOverLimit(std::int64_t bodySize) const {
    if (MaxBodySize_ > 0 && bodySize > MaxBodySize_) {
      throw THttpError("response body larger than " + std::to_string(MaxBodySize_) + " bytes");
    }
  }

  void EndWriting() {
    if (!WritingBegun_ || WritingEnded_) return;
    WritingEnded_ = true;
    if (Handlers_.End) Handlers_.End(TTransferDirection::Writing);
  }

  TResponse& Response_;
  const TTransferHandlers& Handlers_;
  const TByteSink& Sink_;
  std::optional<std::int64_t> UploadSize_;
  std::int64_t MaxBodySize_;
  std::int64_t Received_ = 0;
  std::int64_t Sent_ = 0;
  bool ReadingBegun_ = false;
  bool ReadingEnded_ = false;
  bool WritingBegun_ = false;
  bool WritingEnded_ = false;
  std::optional<TClock::time_point> LastActivity_;
  std::exception_ptr Failure_;
};

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

// How a transfer's poll loop ended.
enum class TLoopEnd { Completed, Aborted, ReadTimedOut, MultiFailed };

// Attached to a cancel token for as long as it lives.
class TTokenAttachment {
 public:
  TTokenAttachment(std::shared_ptr<TCancelToken> token, IAbortable* running)
      : Token_(std::move(token)), Running_(running) {
    if (Token_) Token_->Attach(Running_);
  }
  ~TTokenAttachment() {
    if (Token_) Token_->Detach(Running_);
  }
  TTokenAttachment(const TTokenAttachment&) = delete;
  TTokenAttachment& operator=(const TTokenAttachment&) = delete;

 private:
  std::shared_ptr<TCancelToken> Token_;
  IAbortable* Running_;
};

}  // namespace

// ---------------------------------------------------------------------------

void TCancelToken::Cancel() {
  std::lock_guard lock(Mutex_);
  Cancelled_.store(true, std::memory_order_release);
  for (IAbortable* running : Running_) running->Abort();
}

void TCancelToken::Attach(IAbortable* running) {
  std::lock_guard lock(Mutex_);
  Running_.push_back(running);
}

void TCancelToken::Detach(IAbortable* running) {
  std::lock_guard lock(Mutex_);
  std::erase(Running_, running);
}

// ---------------------------------------------------------------------------

struct TCookieJar::TImpl {
  TImpl() {
    EnsureCurlInitialised();
    Share.reset(curl_share_init());
    if (!Share) throw THttpError("cannot create a libcurl share handle");
    // The jar's clients may be released on another thread than the one that used them.
    curl_share_setopt(Share.get(), CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(Share.get(), CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(Share.get(), CURLSHOPT_USERDATA, this);
    if (curl_share_setopt(Share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
      throw THttpError("libcurl cannot share cookies");
    }
  }

  static void Lock(CURL*, curl_lock_data, curl_lock_access, void* self) { static_cast<TImpl*>(self)->Mutex.lock(); }
  static void Unlock(CURL*, curl_lock_data, void* self) { static_cast<TImpl*>(self)->Mutex.unlock(); }

  std::mutex Mutex;
  TShareHandle Share;  // last: cleaned up before the mutex goes
};

TCookieJar::TCookieJar() : Impl_(std::make_unique<TImpl>()) {}
TCookieJar::~TCookieJar() = default;

// ---------------------------------------------------------------------------

struct THttpClient::TImpl {
  TImpl();

  bool AbortRequested() const {
    return Aborted.load(std::memory_order_acquire) || (Token && Token->Cancelled());
  }
  void ThrowIfAborted() const {
    if (AbortRequested()) throw THttpAborted();
  }

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
  std::shared_ptr<TCancelToken> Token;
  std::int64_t MaxBodySize = 0;
  std::atomic<bool> Aborted{false};

  TResponse Response;
  std::optional<TTransfer> Current;

  // Declared before the handles: curl keeps pointers to them until the easy handle goes.
  std::array<char, CURL_ERROR_SIZE> ErrorBuffer{};
  TSlist RequestHeaders;
  std::shared_ptr<TCookieJar> Jar;
  TMultiHandle Multi;
  TEasyHandle Easy;
};

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
    if (AbortRequested()) return TLoopEnd::Aborted;
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

void THttpClient::SetCancelToken(std::shared_ptr<TCancelToken> token) { Impl_->Token = std::move(token); }

void THttpClient::SetMaxBodySize(std::int64_t bytes) { Impl_->MaxBodySize = std::max<std::int64_t>(bytes, 0); }

void THttpClient::ShareCookies(std::shared_ptr<TCookieJar> jar) {
  SetOption(Impl_->Easy.get(), CURLOPT_SHARE, jar ? jar->Impl_->Share.get() : nullptr);
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
  Impl_->Aborted.store(true, std::memory_order_release);
  curl_multi_wakeup(Impl_->Multi.get());
}

void THttpClient::Transfer(const std::string& url, std::optional<std::string_view> postBody, const TByteSink& sink) {
  Impl_->ThrowIfAborted();
  const TTokenAttachment attached(Impl_->Token, this);
  // A Cancel() that ran just before Attach() did not see this client, but left its mark.
  Impl_->ThrowIfAborted();
  Impl_->Perform(url, postBody, sink);
}

// ---------------------------------------------------------------------------

struct TTransferGroup::TImpl {
  struct TRunning {
    THttpClient* Client;
    TByteSink Sink;  // the transfer keeps a reference to it
  };

  bool AbortRequested() const {
    return Aborted.load(std::memory_order_acquire) || (Token && Token->Cancelled());
  }
  void ThrowIfAborted() const {
    if (AbortRequested()) throw THttpAborted();
  }

  // Takes `easy` out of the multi handle and judges its request.
  std::pair<THttpClient*, std::exception_ptr> Finish(CURL* easy, TLoopEnd loopEnd, CURLcode result) {
    const auto found = Running.find(easy);
    THttpClient* client = found->second.Client;
    curl_multi_remove_handle(Multi.get(), easy);
    std::exception_ptr failure;
    try {
      client->Impl_->End(loopEnd, result);
    } catch (...) {
      failure = std::current_exception();
    }
    Running.erase(found);
    return {client, failure};
  }

  std::optional<std::pair<THttpClient*, std::exception_ptr>> EndedTransfer() {
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi.get(), &pending)) {
      if (message->msg == CURLMSG_DONE && Running.contains(message->easy_handle)) {
        return Finish(message->easy_handle, TLoopEnd::Completed, message->data.result);
      }
    }
    for (const auto& [easy, running] : Running) {
      const auto& impl = *running.Client->Impl_;
      if (impl.ReadTimedOut(*impl.Current)) return Finish(easy, TLoopEnd::ReadTimedOut, CURLE_OK);
    }
    return std::nullopt;
  }

  int PollWaitMs() const {
    int wait = kIdlePollMs;
    for (const auto& entry : Running) {
      const auto& impl = *entry.second.Client->Impl_;
      wait = std::min(wait, impl.PollWaitMs(*impl.Current));
    }
    return wait;
  }

  std::shared_ptr<TCancelToken> Token;
  std::atomic<bool> Aborted{false};
  std::map<CURL*, TRunning> Running;
  TMultiHandle Multi;
};

TTransferGroup::TTransferGroup(std::shared_ptr<TCancelToken> token) : Impl_(std::make_unique<TImpl>()) {
  EnsureCurlInitialised();
  Impl_->Multi.reset(curl_multi_init());
  if (!Impl_->Multi) throw THttpError("cannot create a libcurl handle");
  // Otherwise curl keeps a few per transfer running, and closes the rest while few run.
  curl_multi_setopt(Impl_->Multi.get(), CURLMOPT_MAXCONNECTS, kGroupConnections);
  Impl_->Token = std::move(token);
  if (Impl_->Token) Impl_->Token->Attach(this);
}

TTransferGroup::~TTransferGroup() {
  if (Impl_->Token) Impl_->Token->Detach(this);
  for (auto& [easy, running] : Impl_->Running) {
    curl_multi_remove_handle(Impl_->Multi.get(), easy);
    running.Client->Impl_->Current.reset();
  }
}

void TTransferGroup::StartGet(THttpClient& client, const std::string& url, TByteSink sink) {
  Impl_->ThrowIfAborted();
  CURL* easy = client.Impl_->Easy.get();
  const auto [entry, added] = Impl_->Running.emplace(easy, TImpl::TRunning{&client, std::move(sink)});
  if (!added) throw std::logic_error("a client runs one transfer at a time");
  try {
    client.Impl_->Begin(url, std::nullopt, entry->second.Sink);
    const CURLMcode result = curl_multi_add_handle(Impl_->Multi.get(), easy);
    if (result != CURLM_OK) throw THttpError(curl_multi_strerror(result));
  } catch (...) {
    client.Impl_->Current.reset();
    Impl_->Running.erase(entry);
    throw;
  }
}

std::pair<THttpClient*, std::exception_ptr> TTransferGroup::WaitForOne() {
  if (Impl_->Running.empty()) throw std::logic_error("no transfer to wait for");
  for (;;) {
    Impl_->ThrowIfAborted();
    int running = 0;
    const bool performed = curl_multi_perform(Impl_->Multi.get(), &running) == CURLM_OK;
    if (!performed) return Impl_->Finish(Impl_->Running.begin()->first, TLoopEnd::MultiFailed, CURLE_OK);
    if (auto ended = Impl_->EndedTransfer()) return *ended;
    if (curl_multi_poll(Impl_->Multi.get(), nullptr, 0, Impl_->PollWaitMs(), nullptr) != CURLM_OK) {
      return Impl_->Finish(Impl_->Running.begin()->first, TLoopEnd::MultiFailed, CURLE_OK);
    }
  }
}

std::size_t TTransferGroup::Running() const { return Impl_->Running.size(); }

void TTransferGroup::Abort() {
  Impl_->Aborted.store(true, std::memory_order_release);
  curl_multi_wakeup(Impl_->Multi.get());
}

}  // namespace velkaro

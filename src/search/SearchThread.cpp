#include "SearchThread.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "SiteSearch.h"
#include "adapters/SiteAdapters.h"

namespace velkaro {

namespace {
constexpr const char* kFormContentType = "application/x-www-form-urlencoded";
constexpr const char* kCompressedEncodings = "gzip, deflate";

using TClock = std::chrono::steady_clock;

std::string Milliseconds(TClock::duration took) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms";
}

// What a diagnostic line says of a failed request: the status when the server gave one.
std::string FailureOf(const THttpError& error) {
  return error.Status() != 0 ? "HTTP " + std::to_string(error.Status()) : std::string(error.what());
}

}  // namespace

std::shared_ptr<TSearchThread> TSearchThread::Create(std::shared_ptr<IUiDispatcher> ui, TSiteTable sites) {
  return std::shared_ptr<TSearchThread>(new TSearchThread(std::move(ui), std::move(sites)));
}

TSearchThread::TSearchThread(std::shared_ptr<IUiDispatcher> ui, TSiteTable sites)
    : TWorkerThread(std::move(ui)),
      Client(std::make_unique<THttpClient>()),
      Parser(std::make_unique<THTMLParser>()),
      Sites_(std::move(sites)),
      Cookies_(std::make_shared<TCookieJar>()) {}

void TSearchThread::Start() {
  ConfigureClient(*Client);
  Client->ShareCookies(Cookies_);
  StartWorker(shared_from_this(), &TSearchThread::Run);
}

void TSearchThread::ConfigureClient(THttpClient& client) const {
  TClientSettings{TimeoutMs, TimeoutMs, UseProxy ? ProxyHost : std::string(), ProxyPort, 0, Cancel_}.ApplyTo(client);
}

std::unique_ptr<THttpClient> TSearchThread::NewClient() const {
  auto client = std::make_unique<THttpClient>();
  ConfigureClient(*client);
  return client;
}

void TSearchThread::Run() { RunSiteSearch(SiteAdapterFor(SiteId), *this); }

std::optional<TLines> TSearchThread::TryFetchPage(const TPageRequest& request, std::string* failure) {
  ThrowIfAbandoned();
  const std::string url = Site().Base() + request.Path;
  const auto started = TClock::now();
  TFetchOutcome outcome;
  try {
    if (request.Compressed) Client->SetAcceptEncoding(kCompressedEncodings);
    if (request.Method == TPageRequest::TMethod::Post) {
      Client->SetContentType(kFormContentType);
      outcome.Body = Client->Post(url, request.Body);
    } else {
      outcome.Body = Client->Get(url);
    }
    outcome.Status = Client->LastStatus();
  } catch (const THttpError& error) {
    outcome.Error = error;
  }
  outcome.Took = TClock::now() - started;
  return ReadPage(request, std::move(outcome), failure);
}

std::size_t TSearchThread::QueuePage(const TPageRequest& request) {
  if (request.Method != TPageRequest::TMethod::Get) throw std::logic_error("only GET pages are fetched ahead");
  auto makeClient = [this, compressed = request.Compressed] {
    auto client = NewClient();
    client->ShareCookies(Cookies_);
    if (compressed) client->SetAcceptEncoding(kCompressedEncodings);
    return client;
  };
  return Ahead().Queue(std::move(makeClient), Site().Base() + request.Path);
}

std::optional<TLines> TSearchThread::TakePage(const TPageRequest& request, std::size_t ticket,
                                              std::string* failure) {
  ThrowIfAbandoned();
  return ReadPage(request, TakeAhead(ticket), failure);
}

std::optional<TLines> TSearchThread::ReadPage(const TPageRequest& request, TFetchOutcome outcome,
                                              std::string* failure) {
  const bool post = request.Method == TPageRequest::TMethod::Post;
  const std::string url = Site().Base() + request.Path;
  const auto fail = [&](std::string reason) -> std::optional<TLines> {
    Log(std::string(post ? "POST " : "GET ") + url + " -> failed after " + Milliseconds(outcome.Took) + ": " + reason);
    ErrorLabel = Site().ErrorLabel();
    AddErrorMarker();
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  if (outcome.Error) {
    ThrowIfAbandoned();
    return fail(FailureOf(*outcome.Error));
  }
  std::string& body = outcome.Body;
  Log(std::string(post ? "POST " : "GET ") + url + " -> " + std::to_string(outcome.Status) + ", " +
      std::to_string(body.size()) + " bytes, " + Milliseconds(outcome.Took));
  if (request.Compressed) {
    try {
      body = InflateGzipBody(body);
    } catch (const TInflateError& error) {
      return fail(std::string("answer did not inflate: ") + error.what());
    }
  }
  return SplitLines(body);
}

std::size_t TSearchThread::QueueDetailPage(const std::string& url) {
  return Ahead().Queue([this] { return NewClient(); }, url);
}

std::optional<std::string> TSearchThread::TakeDetailPage(const std::string& url, std::size_t ticket) {
  ThrowIfAbandoned();
  TFetchOutcome outcome = TakeAhead(ticket);
  if (outcome.Error) {
    // The record goes out without its details; a Stop, though, ends the search.
    ThrowIfAbandoned();
    Log("GET " + url + " -> failed after " + Milliseconds(outcome.Took) + ": " + FailureOf(*outcome.Error));
    return std::nullopt;
  }
  Log("GET " + url + " -> " + std::to_string(outcome.Status) + ", " + std::to_string(outcome.Body.size()) +
      " bytes, " + Milliseconds(outcome.Took));
  return std::move(outcome.Body);
}

TFetchOutcome TSearchThread::TakeAhead(std::size_t ticket) {
  try {
    return Ahead().Take(ticket);
  } catch (const THttpAborted&) {
    ThrowIfAbandoned();
    throw;
  }
}

TFetchAhead& TSearchThread::Ahead() {
  if (!Ahead_) Ahead_ = std::make_unique<TFetchAhead>(static_cast<std::size_t>(std::max(Connections, 1)), Cancel_);
  return *Ahead_;
}

void TSearchThread::Log(std::string_view line) const {
  if (Diagnostics) Diagnostics->Write("[" + Site().Name + "] " + std::string(line));
}

const THTMLParser& TSearchThread::Tokenize(TLines lines) {
  Parser = std::make_unique<THTMLParser>();
  Parser->SetLines(std::move(lines));
  Parser->Parse();
  return *Parser;
}

void TSearchThread::HandOverRecord(TSubtitleInfo& record) {
  ThrowIfAbandoned();
  CurrentRecord = &record;
  // The call holds the thread: a waiter released by Abandon() may be gone when
  // it runs, and then it does nothing. Abandonment is tested on the
  // user-interface thread, where Abandon() is called.
  Ui_->RunAndWait(
      [self = shared_from_this()] {
        if (!self->Abandoned() && self->OnRecord) self->OnRecord(*self->CurrentRecord);
      },
      [this] { return Abandoned(); });
  CurrentRecord = nullptr;
  ++HandedOver_;
}

void TSearchThread::AddErrorMarker() {
  ThrowIfAbandoned();
  Ui_->RunAndWait(
      [self = shared_from_this()] {
        if (!self->Abandoned() && self->Registry) self->Registry->Errors.push_back("[" + self->ErrorLabel + " - HATA]");
      },
      [this] { return Abandoned(); });
}

}  // namespace velkaro

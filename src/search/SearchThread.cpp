#include "SearchThread.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "SiteSearch.h"
#include "UserText.h"

#include "adapters/SiteAdapters.h"

namespace velkaro {

namespace {
constexpr const char* kFormContentType = "application/x-www-form-urlencoded";
constexpr const char* kCompressedEncodings = "gzip, deflate";

using TClock = std::chrono::steady_clock;

}  // namespace

std::shared_ptr<TSearchThread> TSearchThread::Create(std::shared_ptr<IUiDispatcher> ui, TSearchRequest request,
                                                     TSearchCallbacks callbacks, TSiteTable sites) {
  return std::shared_ptr<TSearchThread>(
      new TSearchThread(std::move(ui), std::move(request), std::move(callbacks), std::move(sites)));
}

TSearchThread::TSearchThread(std::shared_ptr<IUiDispatcher> ui, TSearchRequest request, TSearchCallbacks callbacks,
                             TSiteTable sites)
    : TWorkerThread(std::move(ui)),
      Request_(std::move(request)),
      OnRecord(std::move(callbacks.OnRecord)),
      OnErrorMarker(std::move(callbacks.OnErrorMarker)),
      OnTerminate(std::move(callbacks.OnTerminate)),
      Sites_(std::move(sites)),
      Client_(std::make_unique<THttpClient>()),
      Parser_(std::make_unique<THTMLParser>()),
      Cookies_(std::make_shared<TCookieJar>()),
      Log_(Request_.Diagnostics, Site().Name) {}

void TSearchThread::Start() {
  ConfigureClient(*Client_);
  Client_->ShareCookies(Cookies_);
  StartWorker(shared_from_this(), &TSearchThread::Run);
}

void TSearchThread::ConfigureClient(THttpClient& client) const {
  const TSearchProxy& proxy = Request_.Proxy;
  TClientSettings{Request_.TimeoutMs, Request_.TimeoutMs, proxy.Use ? proxy.Host : std::string(), proxy.Port, 0, Cancel_}
      .ApplyTo(client);
}

std::unique_ptr<THttpClient> TSearchThread::NewClient() const {
  auto client = std::make_unique<THttpClient>();
  ConfigureClient(*client);
  return client;
}

void TSearchThread::Run() { RunSiteSearch(SiteAdapterFor(Request_.Site), *this); }

std::optional<TLines> TSearchThread::TryFetchPage(const TPageRequest& request, std::string* failure) {
  ThrowIfAbandoned();
  const std::string url = Site().Base() + request.Path;
  const auto started = TClock::now();
  TFetchOutcome outcome;
  try {
    if (request.Compressed) Client_->SetAcceptEncoding(kCompressedEncodings);
    if (request.Method == TPageRequest::TMethod::Post) {
      Client_->SetContentType(kFormContentType);
      outcome.Body = Client_->Post(url, request.Body);
    } else {
      outcome.Body = Client_->Get(url);
    }
    outcome.Status = Client_->LastStatus();
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
    Log_.Failed(post ? "POST" : "GET", url, outcome.Took, reason);
    AddErrorMarker();
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  if (outcome.Error) {
    ThrowIfAbandoned();
    return fail(FailureOf(*outcome.Error));
  }
  std::string& body = outcome.Body;
  Log_.Answered(post ? "POST" : "GET", url, outcome.Status, body.size(), outcome.Took);
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
    Log_.Failed("GET", url, outcome.Took, FailureOf(*outcome.Error));
    return std::nullopt;
  }
  Log_.Answered("GET", url, outcome.Status, outcome.Body.size(), outcome.Took);
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
  if (!Ahead_) Ahead_ = std::make_unique<TFetchAhead>(static_cast<std::size_t>(std::max(Request_.Connections, 1)), Cancel_);
  return *Ahead_;
}

void TSearchThread::Log(std::string_view line) const { Log_.Write(line); }

const THTMLParser& TSearchThread::Tokenize(TLines lines) {
  Parser_ = std::make_unique<THTMLParser>();
  Parser_->SetLines(std::move(lines));
  Parser_->Parse();
  return *Parser_;
}

void TSearchThread::HandOverRecord(TSubtitleInfo& record) {
  ThrowIfAbandoned();
  // The call holds the thread and the record is the thread's own until it
  // returns: a waiter released by Abandon() may be gone when the call runs,
  // and then it does nothing. Abandonment is tested on the user-interface
  // thread, where Abandon() is called.
  Ui_->RunAndWait(
      [self = shared_from_this(), &record] {
        if (!self->Abandoned() && self->OnRecord) self->OnRecord(record);
      },
      [this] { return Abandoned(); });
  ++HandedOver_;
}

void TSearchThread::AddErrorMarker() {
  ThrowIfAbandoned();
  Ui_->RunAndWait(
      [self = shared_from_this(), marker = FillIn(Tr1254("[%1 - HATA]"), {Site().ErrorLabel()})] {
        if (!self->Abandoned() && self->OnErrorMarker) self->OnErrorMarker(marker);
      },
      [this] { return Abandoned(); });
}

}  // namespace velkaro

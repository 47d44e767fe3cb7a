#include "SearchThread.h"

#include <chrono>

#include "SiteSearch.h"
#include "adapters/SiteAdapters.h"

namespace velkaro {

namespace {
constexpr const char* kFormContentType = "application/x-www-form-urlencoded";
constexpr const char* kCompressedEncodings = "gzip, deflate";

using TClock = std::chrono::steady_clock;

std::string MillisecondsSince(TClock::time_point start) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count()) + " ms";
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
      Sites_(std::move(sites)) {}

void TSearchThread::Start() {
  ConfigureClient(*Client);
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
  const bool post = request.Method == TPageRequest::TMethod::Post;
  const std::string url = Site().Base() + request.Path;
  const auto started = TClock::now();
  std::string body;
  const auto fail = [&](std::string reason) -> std::optional<TLines> {
    Log(std::string(post ? "POST " : "GET ") + url + " -> failed after " + MillisecondsSince(started) + ": " + reason);
    ErrorLabel = Site().ErrorLabel();
    AddErrorMarker();
    if (failure) *failure = std::move(reason);
    return std::nullopt;
  };
  try {
    if (request.Compressed) Client->SetAcceptEncoding(kCompressedEncodings);
    if (post) {
      Client->SetContentType(kFormContentType);
      body = Client->Post(url, request.Body);
    } else {
      body = Client->Get(url);
    }
  } catch (const THttpError& error) {
    ThrowIfAbandoned();
    return fail(FailureOf(error));
  }
  Log(std::string(post ? "POST " : "GET ") + url + " -> " + std::to_string(Client->LastStatus()) + ", " +
      std::to_string(body.size()) + " bytes, " + MillisecondsSince(started));
  if (request.Compressed) {
    try {
      body = InflateGzipBody(body);
    } catch (const TInflateError& error) {
      return fail(std::string("answer did not inflate: ") + error.what());
    }
  }
  return SplitLines(body);
}

std::optional<std::string> TSearchThread::FetchDetailPage(const std::string& url) {
  ThrowIfAbandoned();
  const auto started = TClock::now();
  try {
    auto client = NewClient();
    std::string body = client->Get(url);
    Log("GET " + url + " -> " + std::to_string(client->LastStatus()) + ", " + std::to_string(body.size()) +
        " bytes, " + MillisecondsSince(started));
    return body;
  } catch (const THttpError& error) {
    // The record goes out without its details; a Stop, though, ends the search.
    ThrowIfAbandoned();
    Log("GET " + url + " -> failed after " + MillisecondsSince(started) + ": " + FailureOf(error));
    return std::nullopt;
  }
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

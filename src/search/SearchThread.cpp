#include "SearchThread.h"

#include "adapters/SiteAdapters.h"

namespace velkaro {

namespace {
constexpr const char* kFormContentType = "application/x-www-form-urlencoded";
constexpr const char* kCompressedEncodings = "gzip, deflate";
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

void TSearchThread::ThrowIfAbandoned() const {
  if (Abandoned()) throw TSearchAbandoned{};
}

void TSearchThread::ConfigureClient(THttpClient& client) const {
  client.SetConnectTimeout(TimeoutMs);
  client.SetReadTimeout(TimeoutMs);
  if (UseProxy) client.SetProxy(ProxyHost, ProxyPort);
  client.SetCancelToken(Cancel_);
}

std::unique_ptr<THttpClient> TSearchThread::NewClient() const {
  auto client = std::make_unique<THttpClient>();
  ConfigureClient(*client);
  return client;
}

void TSearchThread::Run() {
  try {
    SiteSearchFor(SiteId)(*this);
  } catch (...) {
    // Any failure ends this site's search quietly; the records handed over stay.
  }
}

TLines TSearchThread::FetchPage(const TPageRequest& request) { return TryFetchPage(request).value_or(TLines{}); }

std::optional<TLines> TSearchThread::TryFetchPage(const TPageRequest& request) {
  ThrowIfAbandoned();
  std::string body;
  try {
    const std::string url = Site().Base() + request.Path;
    if (request.Compressed) Client->SetAcceptEncoding(kCompressedEncodings);
    if (request.Method == TPageRequest::TMethod::Post) {
      Client->SetContentType(kFormContentType);
      body = Client->Post(url, request.Body);
    } else {
      body = Client->Get(url);
    }
    if (request.Compressed) body = InflateGzipBody(body);
  } catch (const THttpError&) {
    ThrowIfAbandoned();
    ErrorLabel = Site().ErrorLabel();
    AddErrorMarker();
    return std::nullopt;
  } catch (const TInflateError&) {
    ErrorLabel = Site().ErrorLabel();
    AddErrorMarker();
    return std::nullopt;
  }
  return SplitLines(body);
}

const THTMLParser& TSearchThread::Tokenize(TLines lines) {
  Parser = std::make_unique<THTMLParser>();
  Parser->SetLines(std::move(lines));
  Parser->Parse();
  return *Parser;
}

void TSearchThread::FollowNumberedPages(std::int64_t pageCount, TLines (*fetch)(TSearchThread&),
                                        void (*parse)(TSearchThread&)) {
  constexpr std::string_view kPageKey = "page=";
  for (std::int64_t page = 2; page <= pageCount; ++page) {
    ThrowIfAbandoned();
    const auto key = QueryText.find(kPageKey);
    if (key != std::string::npos) QueryText.resize(key + kPageKey.size());
    QueryText += std::to_string(page);
    Tokenize(fetch(*this));
    parse(*this);
  }
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

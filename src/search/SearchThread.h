#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Diagnostics.h"
#include "Dispatcher.h"
#include "FetchAhead.h"
#include "HtmlParser.h"
#include "HttpClient.h"
#include "RequestLog.h"
#include "Sites.h"
#include "SubtitleInfo.h"
#include "WorkerThread.h"
#include "adapters/SiteAdapter.h"

namespace velkaro {

class TSearchThread;

// The HTTP proxy a search goes through.
struct TSearchProxy {
  bool Use = false;
  std::string Host{};
  std::int32_t Port = 0;
};

// What one site's search is asked for, given when it is created. Every member
// has a default, so a caller names only what it sets.
struct TSearchRequest {
  static constexpr int kTimeoutMs = 60000;

  velkaro::SiteId Site = velkaro::SiteId::ExtraTitles;
  std::string Query{};  // the site's query text, from its query builder
  std::string Film{};   // as the user typed it
  TSearchProxy Proxy{};
  // Requests fetched ahead at once: detail pages, and numbered result pages
  // when above 1. One keeps the strict order of requests.
  int Connections = 1;
  // Connect and read time-out of every client of the search.
  int TimeoutMs = kTimeoutMs;
  // Where its requests and its end are told; none: nowhere.
  std::shared_ptr<TDiagnostics> Diagnostics{};
};

// What a search tells its caller, each on the user-interface thread and
// none once it is abandoned.
struct TSearchCallbacks {
  std::function<void(TSubtitleInfo& record)> OnRecord{};
  // A lost result page: "[Extratitles.net - HATA]".
  std::function<void(const std::string& marker)> OnErrorMarker{};
  // The end notification.
  std::function<void(TSearchThread& ended)> OnTerminate{};
};

// One search against one site on a worker thread of its own. Created with
// all it needs, then started; it keeps itself alive until its end
// notification has run on the user-interface thread.
class TSearchThread final : public TWorkerThread, public std::enable_shared_from_this<TSearchThread> {
 public:
  static std::shared_ptr<TSearchThread> Create(std::shared_ptr<IUiDispatcher> ui, TSearchRequest request,
                                               TSearchCallbacks callbacks, TSiteTable sites = ConfiguredSites());

  const TSearchRequest& Request() const { return Request_; }

  // Once abandoned (user-interface thread) it hands over nothing and adds no marker.
  void Start();

  // --- for the search driver, on the worker thread ---
  const TSiteInfo& Site() const { return Sites_[Request_.Site]; }
  // The tokens of the page read last.
  const THTMLParser& Page() const { return *Parser_; }
  // A result page through Client, as lines. On a failed request (or a body
  // that does not inflate) adds the site's marker, puts the reason in
  // `failure` and returns nothing.
  std::optional<TLines> TryFetchPage(const TPageRequest& request, std::string* failure = nullptr);
  // A result page (a GET) fetched ahead, sending what Client would send, its
  // cookies included; taken as TryFetchPage would have read it.
  std::size_t QueuePage(const TPageRequest& request);
  std::optional<TLines> TakePage(const TPageRequest& request, std::size_t ticket, std::string* failure = nullptr);
  // A record's detail page fetched ahead through a client of its own; taken
  // as its body, or nothing when the request failed. A Stop ends the search
  // here too.
  std::size_t QueueDetailPage(const std::string& url);
  std::optional<std::string> TakeDetailPage(const std::string& url, std::size_t ticket);
  // A fresh tokenizer over `lines`, tokenized: the page read last from now on.
  const THTMLParser& Tokenize(TLines lines);
  // Runs OnRecord with `record` on the user-interface thread and waits for it.
  void HandOverRecord(TSubtitleInfo& record);
  std::size_t RecordsHandedOver() const { return HandedOver_; }
  // Runs OnErrorMarker with the site's marker there and waits for it.
  void AddErrorMarker();
  // A diagnostic line about this search, labelled with its site.
  void Log(std::string_view line) const;

  // The thread body: the site's search under the catch-all.
  void Run();

 private:
  TSearchThread(std::shared_ptr<IUiDispatcher> ui, TSearchRequest request, TSearchCallbacks callbacks,
                TSiteTable sites);
  // The worker base runs the end notification, OnTerminate.
  friend class TWorkerThread;
  void ConfigureClient(THttpClient& client) const;
  // A client of its own for a detail page: same time-outs, proxy and abort as Client.
  std::unique_ptr<THttpClient> NewClient() const;
  // What Client's answer, or one fetched ahead, gives as the page's lines.
  std::optional<TLines> ReadPage(const TPageRequest& request, TFetchOutcome outcome, std::string* failure);
  TFetchOutcome TakeAhead(std::size_t ticket);
  TFetchAhead& Ahead();

  TSearchRequest Request_;
  std::function<void(TSubtitleInfo&)> OnRecord;
  std::function<void(const std::string&)> OnErrorMarker;
  std::function<void(TSearchThread&)> OnTerminate;
  TSiteTable Sites_;
  std::unique_ptr<THttpClient> Client_;
  std::unique_ptr<THTMLParser> Parser_;
  // The client's cookies, kept and sent also by the result pages fetched ahead.
  std::shared_ptr<TCookieJar> Cookies_;
  TRequestLog Log_;
  std::unique_ptr<TFetchAhead> Ahead_;
  std::size_t HandedOver_ = 0;
};

}  // namespace velkaro

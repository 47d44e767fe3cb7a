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
#include "Sites.h"
#include "SubtitleInfo.h"
#include "WorkerThread.h"
#include "adapters/SiteAdapter.h"
#include "ThreadManager.h"

namespace velkaro {

// One search against one site on a worker thread of its own. Created, filled
// in, then started; it keeps itself alive until its end notification has run
// on the user-interface thread.
class TSearchThread final : public TWorkerThread, public std::enable_shared_from_this<TSearchThread> {
 public:
  static constexpr int kTimeoutMs = 60000;

  static std::shared_ptr<TSearchThread> Create(std::shared_ptr<IUiDispatcher> ui,
                                               TSiteTable sites = ConfiguredSites());

  TThreadManager* Registry = nullptr;
  std::string ErrorLabel;
  TSubtitleInfo* CurrentRecord = nullptr;
  std::unique_ptr<THttpClient> Client;
  std::unique_ptr<THTMLParser> Parser;
  std::string FilmName;
  std::function<void(TSubtitleInfo&)> OnRecord;
  velkaro::SiteId SiteId = velkaro::SiteId::ExtraTitles;
  std::string QueryText;
  std::string ProxyHost;
  std::int32_t ProxyPort = 0;
  bool UseProxy = false;
  // The end notification; runs on the user-interface thread unless abandoned.
  std::function<void(TSearchThread&)> OnTerminate;
  // Connect and read time-out of every client of this search.
  int TimeoutMs = kTimeoutMs;
  // Requests of this search fetched ahead at once: detail pages, and numbered
  // result pages when above 1. One unless the launch passes the setting on,
  // so that a thread used on its own keeps the strict order of requests.
  int Connections = 1;

  // Diagnostics of this search; none unless set before the start.
  std::shared_ptr<TDiagnostics> Diagnostics;

  // Once abandoned (user-interface thread) it hands over nothing and adds no marker.
  void Start();

  // --- for the search driver, on the worker thread ---
  const TSiteInfo& Site() const { return Sites_[SiteId]; }
  const TSiteInfo& SiteOf(velkaro::SiteId id) const { return Sites_[id]; }
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
  // Replaces Parser by a fresh tokenizer over `lines` and tokenizes them.
  const THTMLParser& Tokenize(TLines lines);
  // Runs OnRecord with `record` on the user-interface thread and waits for it.
  void HandOverRecord(TSubtitleInfo& record);
  std::size_t RecordsHandedOver() const { return HandedOver_; }
  void AddErrorMarker();
  // A diagnostic line about this search, labelled with its site.
  void Log(std::string_view line) const;

  // The thread body: the site's search under the catch-all.
  void Run();

 private:
  TSearchThread(std::shared_ptr<IUiDispatcher> ui, TSiteTable sites);
  void ConfigureClient(THttpClient& client) const;
  // A client of its own for a detail page: same time-outs, proxy and abort as Client.
  std::unique_ptr<THttpClient> NewClient() const;
  // What Client's answer, or one fetched ahead, gives as the page's lines.
  std::optional<TLines> ReadPage(const TPageRequest& request, TFetchOutcome outcome, std::string* failure);
  TFetchOutcome TakeAhead(std::size_t ticket);
  TFetchAhead& Ahead();

  TSiteTable Sites_;
  // Client's cookies, kept and sent also by the result pages fetched ahead.
  std::shared_ptr<TCookieJar> Cookies_;
  std::unique_ptr<TFetchAhead> Ahead_;
  std::size_t HandedOver_ = 0;
};

}  // namespace velkaro

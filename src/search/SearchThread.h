#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Dispatcher.h"
#include "HtmlParser.h"
#include "HttpClient.h"
#include "Sites.h"
#include "WorkerThread.h"
#include "SubtitleInfo.h"
#include "ThreadManager.h"

namespace velkaro {

// What a site's page fetch sends: a path below the site base, as GET or as a form POST.
struct TPageRequest {
  enum class TMethod { Get, Post };
  TMethod Method = TMethod::Get;
  std::string Path;
  std::string Body;          // the form body of a POST
  bool Compressed = false;   // asks for gzip and inflates the answer as a gzip member
};

// Thrown on the worker once the search was abandoned, to end it at once.
struct TSearchAbandoned {};

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

  // Once abandoned (user-interface thread) it hands over nothing and adds no marker.
  void Start();

  // --- for the site adapters, on the worker thread ---
  const TSiteInfo& Site() const { return Sites_[SiteId]; }
  const TSiteInfo& SiteOf(velkaro::SiteId id) const { return Sites_[id]; }
  // The body as lines; on a failed request (or body that does not inflate) adds
  // the site's error marker and returns nothing.
  std::optional<TLines> TryFetchPage(const TPageRequest& request);
  // TryFetchPage with a failure read as a page without lines.
  TLines FetchPage(const TPageRequest& request);
  // Replaces Parser by a fresh tokenizer over `lines` and tokenizes them.
  const THTMLParser& Tokenize(TLines lines);
  // Pages 2..`pageCount` of a site whose query ends in its page number: each
  // cuts QueryText after its first "page=", appends the number, then fetches,
  // tokenizes and parses. A page that fails has added its marker and the loop
  // goes on; Stop ends it at once.
  void FollowNumberedPages(std::int64_t pageCount, TLines (*fetch)(TSearchThread&), void (*parse)(TSearchThread&));
  // Runs OnRecord with `record` on the user-interface thread and waits for it.
  void HandOverRecord(TSubtitleInfo& record);
  void AddErrorMarker();
  // A client of its own for a detail page: same time-outs, proxy and abort as Client.
  std::unique_ptr<THttpClient> NewClient() const;
  void ThrowIfAbandoned() const;

  // The thread body: the site's search under the catch-all.
  void Run();

 private:
  TSearchThread(std::shared_ptr<IUiDispatcher> ui, TSiteTable sites);
  void ConfigureClient(THttpClient& client) const;

  TSiteTable Sites_;
};

}  // namespace velkaro

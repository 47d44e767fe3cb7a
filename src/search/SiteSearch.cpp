#include "SiteSearch.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {

namespace {

// One site's search and what its diagnostics say of it.
class TSiteSearch {
 public:
  TSiteSearch(const TSiteAdapter& site, TSearchThread& thread) : Site_(site), Thread_(thread) {}

  void Run() {
    try {
      Search();
      if (EndedBy_.empty()) {
        Thread_.Log("finished with " + Records() + LostPages());
      } else {
        Thread_.Log(EndedBy_ + " (" + Records() + ")" + LostPages());
      }
    } catch (const TWorkerAbandoned&) {
      Thread_.Log("stopped");
    } catch (const TMissingToken& error) {
      NotRecognised("token " + std::to_string(error.Index()) + " missing");
    } catch (const std::exception& error) {
      NotRecognised(error.what());
    } catch (...) {
      NotRecognised("unknown failure");
    }
  }

 private:
  void Search() {
    auto lines = Fetch(Site_.FirstRequest(Thread_.Request().Query));
    if (!lines) return EndOnLostPage();
    if (lines->empty()) return;
    const THTMLParser& firstPage = Thread_.Tokenize(std::move(*lines));
    const TPaging& paging = Site_.Paging;
    std::int64_t pageCount = 1;
    if (paging.PageCount && paging.CountBeforeWalk) pageCount = CountPages(firstPage);
    Walk();
    if (paging.PageCount && !paging.CountBeforeWalk) pageCount = CountPages(Thread_.Page());
    const bool ahead = paging.FetchAhead && Thread_.Request().Connections > 1;
    for (Page_ = 2; Page_ <= pageCount; ++Page_) {
      Thread_.ThrowIfAbandoned();
      const TPageRequest request = paging.PageRequest(Thread_.Request().Query, Page_);
      auto more = ahead ? TakeAhead(request, pageCount) : Fetch(request);
      if (!more) {
        if (paging.LostPageEndsSearch) return EndOnLostPage();
        continue;
      }
      Thread_.Tokenize(std::move(*more));
      Walk();
    }
  }

  // The loss that ended the search is told first, not among the others.
  void EndOnLostPage() {
    EndedBy_ = Lost_.back();
    Lost_.pop_back();
  }

  std::optional<TLines> Fetch(const TPageRequest& request) {
    std::string failure;
    auto lines = Thread_.TryFetchPage(request, &failure);
    return Lost(std::move(lines), failure);
  }

  // Page Page_, its followers queued behind it so that as many run at once
  // as the search may open; the queue never runs further ahead than that.
  std::optional<TLines> TakeAhead(const TPageRequest& request, std::int64_t pageCount) {
    const std::int64_t last = std::min(pageCount, Page_ + Thread_.Request().Connections - 1);
    for (; QueuedUpTo_ < last; ++QueuedUpTo_) {
      Tickets_.push_back(Thread_.QueuePage(Site_.Paging.PageRequest(Thread_.Request().Query, QueuedUpTo_ + 1)));
    }
    const std::size_t ticket = Tickets_.front();
    Tickets_.pop_front();
    std::string failure;
    auto lines = Thread_.TakePage(request, ticket, &failure);
    return Lost(std::move(lines), failure);
  }

  std::optional<TLines> Lost(std::optional<TLines> lines, const std::string& failure) {
    if (!lines) Lost_.push_back(failure + " on page " + std::to_string(Page_));
    return lines;
  }

  std::int64_t CountPages(const THTMLParser& firstPage) {
    Step_ = "the page count";
    const auto count = Site_.Paging.PageCount(firstPage);
    Step_.clear();
    return count;
  }

  void Walk() { WalkCurrentPage(Site_, Thread_); }

  void NotRecognised(const std::string& what) {
    const std::string where = Step_.empty() ? "the row walk" : Step_;
    Thread_.Log("page layout not recognised: " + what + " in " + where + " of page " + std::to_string(Page_) +
                " (" + Records() + " before it)" + LostPages());
  }

  std::string Records() const {
    const auto count = Thread_.RecordsHandedOver();
    return std::to_string(count) + (count == 1 ? " record" : " records");
  }

  std::string LostPages() const {
    std::string text;
    for (const auto& lost : Lost_) text += "; " + lost;
    return text;
  }

  const TSiteAdapter& Site_;
  TSearchThread& Thread_;
  std::int64_t Page_ = 1;
  std::int64_t QueuedUpTo_ = 1;      // the last page fetched ahead
  std::deque<std::size_t> Tickets_;  // of pages QueuedUpTo_ and before, in page order
  std::vector<std::string> Lost_;
  std::string EndedBy_;
  std::string Step_;  // what was being read when not the row walk
};

void ReadDetailPage(const TSiteAdapter& site, TSearchThread& thread, TSubtitleInfo& record,
                    std::optional<std::size_t> ticket) {
  thread.ThrowIfAbandoned();
  if (!ticket) return;
  const auto body = thread.TakeDetailPage(record.Url, *ticket);
  if (!body) return;
  THTMLParser page;
  page.SetText(*body);
  page.Parse();
  site.ReadDetail(page, thread.Site().Base(), record);
}

// The page's records as the walk gives them; a walk that fails midway gives
// those before the failure, and the failure.
std::pair<std::vector<TSubtitleInfo>, std::exception_ptr> WalkPage(const TSiteAdapter& site, TSearchThread& thread) {
  std::vector<TSubtitleInfo> records;
  try {
    site.Walk(thread.Page(), TWalkContext{thread.Site().Base(), thread.Request().Film},
              [&records](TSubtitleInfo& record) { records.push_back(record); });
    return {std::move(records), nullptr};
  } catch (...) {
    return {std::move(records), std::current_exception()};
  }
}

}  // namespace

void RunSiteSearch(const TSiteAdapter& site, TSearchThread& thread) { TSiteSearch(site, thread).Run(); }

void WalkCurrentPage(const TSiteAdapter& site, TSearchThread& thread) {
  if (!site.ReadDetail) {
    site.Walk(thread.Page(), TWalkContext{thread.Site().Base(), thread.Request().Film},
              [&thread](TSubtitleInfo& record) { thread.HandOverRecord(record); });
    return;
  }
  // The whole page is read first so that its detail pages go out together,
  // in page order; the records still go out one by one in that order.
  auto [records, failure] = WalkPage(site, thread);
  std::vector<std::optional<std::size_t>> tickets;
  for (const auto& record : records) {
    tickets.push_back(record.Url.empty() ? std::nullopt : std::optional(thread.QueueDetailPage(record.Url)));
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    ReadDetailPage(site, thread, records[i], tickets[i]);
    thread.HandOverRecord(records[i]);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace velkaro

#include "SiteSearch.h"

#include <optional>
#include <string>
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
    auto lines = Fetch(Site_.FirstRequest(Thread_.QueryText));
    if (!lines) return EndOnLostPage();
    if (lines->empty()) return;
    const THTMLParser& firstPage = Thread_.Tokenize(std::move(*lines));
    const TPaging& paging = Site_.Paging;
    std::int64_t pageCount = 1;
    if (paging.PageCount && paging.CountBeforeWalk) pageCount = CountPages(firstPage);
    Walk();
    if (paging.PageCount && !paging.CountBeforeWalk) pageCount = CountPages(*Thread_.Parser);
    for (Page_ = 2; Page_ <= pageCount; ++Page_) {
      Thread_.ThrowIfAbandoned();
      auto more = Fetch(paging.PageRequest(Thread_.QueryText, Page_));
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
  std::vector<std::string> Lost_;
  std::string EndedBy_;
  std::string Step_;  // what was being read when not the row walk
};

void ReadDetailPage(const TSiteAdapter& site, TSearchThread& thread, TSubtitleInfo& record) {
  thread.ThrowIfAbandoned();
  if (record.Url.empty()) return;
  const auto body = thread.FetchDetailPage(record.Url);
  if (!body) return;
  THTMLParser page;
  page.SetText(*body);
  page.Parse();
  site.ReadDetail(page, thread.Site().Base(), record);
}

}  // namespace

void RunSiteSearch(const TSiteAdapter& site, TSearchThread& thread) { TSiteSearch(site, thread).Run(); }

void WalkCurrentPage(const TSiteAdapter& site, TSearchThread& thread) {
  const TWalkContext context{thread.Site().Base(), thread.FilmName};
  site.Walk(*thread.Parser, context, [&](TSubtitleInfo& record) {
    if (site.ReadDetail) ReadDetailPage(site, thread, record);
    thread.HandOverRecord(record);
  });
}

}  // namespace velkaro

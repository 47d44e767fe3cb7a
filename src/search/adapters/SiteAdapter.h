#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../HtmlParser.h"
#include "../SubtitleInfo.h"
#include "Sites.h"

// What one subtitle site is: its own rules and nothing of the thread that runs
// them. The search driver fetches, inflates, tokenizes, walks, follows pages,
// hands records over and adds markers for every site alike.
//
// A new site needs more than its adapter: its SiteId and row of facts
// (Sites.h), its check box's place and a stand-in site. The README's
// "Adding a site" lists the files in order.

namespace velkaro {

// One request below the site base, as GET or as a form POST.
struct TPageRequest {
  enum class TMethod { Get, Post };
  TMethod Method = TMethod::Get;
  std::string Path;
  std::string Body;          // the form body of a POST
  bool Compressed = false;   // asks for gzip and inflates the answer as a gzip member
};

// What a page walk may read besides the page.
struct TWalkContext {
  std::string SiteBase;
  std::string FilmName;  // as the user typed it
};

// The result pages after the first, for a site that has them.
struct TPaging {
  // The number of result pages the first page states; null for a site of one page.
  std::int64_t (*PageCount)(const THTMLParser& firstPage) = nullptr;
  // Read before the first page is walked: a count that cannot be read then
  // yields no records at all. Otherwise the first page's records come first.
  bool CountBeforeWalk = false;
  // The request for page `page` (2 and up) of the search for `query`.
  TPageRequest (*PageRequest)(std::string_view query, std::int64_t page) = nullptr;
  // A page that cannot be fetched ends the search; otherwise the next page follows.
  bool LostPageEndsSearch = false;
  // The pages' requests depend on nothing but the query, so several may be
  // fetched ahead; otherwise each goes out on the search's own client in turn.
  bool FetchAhead = false;
};

struct TSiteAdapter {
  SiteId Id;
  // The site's query for the film and the dialog's language item; `maximum`
  // is the result limit of the sites that take one.
  std::string (*BuildQuery)(std::string_view film, std::string_view languageItem, std::int32_t maximum);
  TPageRequest (*FirstRequest)(std::string_view query);
  // One result page's records in page order, before their detail pages.
  void (*Walk)(const THTMLParser& page, const TWalkContext& context, const TRecordSink& onRecord);
  // Completes a record from the page at its address; null for a site without
  // detail pages. A detail request that fails leaves the record as it is.
  void (*ReadDetail)(const THTMLParser& page, const std::string& siteBase, TSubtitleInfo& record) = nullptr;
  TPaging Paging{};
};

// A form POST of `query` to `path`, and a GET of `path`.
inline TPageRequest PostForm(std::string_view path, std::string_view query, bool compressed) {
  return TPageRequest{TPageRequest::TMethod::Post, std::string(path), std::string(query), compressed};
}
inline TPageRequest GetPath(std::string path, bool compressed) {
  return TPageRequest{TPageRequest::TMethod::Get, std::move(path), {}, compressed};
}

// The walk of a site whose rows need only the site base.
template <void (*WalkResults)(const THTMLParser&, const std::string&, const TRecordSink&)>
void WalkFromBase(const THTMLParser& page, const TWalkContext& context, const TRecordSink& onRecord) {
  WalkResults(page, context.SiteBase, onRecord);
}

// The query of result page `page`: `query` cut after its first "page=" and
// the page number put there (appended to a query without one).
std::string NumberedPageQuery(std::string_view query, std::int64_t page);

}  // namespace velkaro

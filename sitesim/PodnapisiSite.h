#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "SimSite.h"

// Podnapisi: a search by GET on /index.php/ppodnapisi/search with the film in
// "sK", the language in "sJ" and the page in "page"; result pages as gzip
// members, ten rows a page, a pager that states the page count above and
// below the rows.

namespace velkaro::sim {

struct TPodnapisiQuery {
  std::string Film;      // sK, decoded
  int LanguageCode = 0;  // sJ; 0, or a code the site does not know, for all
  int Page = 1;          // page; 1 when missing or not a positive number
};

TPodnapisiQuery ParsePodnapisiQuery(std::string_view query);

// The site's own number for a language; -1 for one it does not list.
int PodnapisiSiteLanguageCode(std::string_view language);

class TPodnapisiSite final : public TSimSite {
 public:
  static constexpr std::size_t kRowsPerPage = 10;
  static constexpr std::string_view kSearchPath = "/index.php/ppodnapisi/search";

  explicit TPodnapisiSite(const TCatalogue& catalogue) : Catalogue_(catalogue) {}

  TResponse Answer(const TRequest& request) const override;

  // Every match of the query over all pages, in page order.
  std::vector<const TSimSubtitle*> Matches(const TPodnapisiQuery& query) const;
  static int PageCount(std::size_t matches);
  // The uncompressed result page the query asks for.
  std::string ResultPage(const TPodnapisiQuery& query) const;

  // A result page holding exactly `rows`, its pager stating `pageCount`.
  static std::string ResultPage(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                                const TPodnapisiQuery& query, int pageCount);
  // The record link as a row writes it: "/index.php/ppodnapisi/podnapis?i=1001".
  static std::string RecordLink(const TSimSubtitle& subtitle);
  // "12.05.2004 @ 21:30"; the time of day follows from the id.
  static std::string ReleaseText(const TSimSubtitle& subtitle);

 private:
  TResponse Search(const TRequest& request) const;
  TResponse Details(const TRequest& request) const;

  const TCatalogue& Catalogue_;
};

}  // namespace velkaro::sim

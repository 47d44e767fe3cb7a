#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "SimSite.h"

// ExtraTitles: a search form posted to /index.php, one result page (newest
// first, at most the requested count), a detail page per subtitle and a
// download script.

namespace velkaro::sim {

struct TExtraTitlesQuery {
  static constexpr int kDefaultMaxResults = 20;

  std::string Film;       // z3, decoded
  int LanguageCode = 0;   // jaz; 0 for all languages
  int MaxResults = kDefaultMaxResults;  // bp
};

// Reads the search form body; missing or malformed numbers take their defaults.
TExtraTitlesQuery ParseExtraTitlesQuery(std::string_view formBody);

// The site's own language number; -1 for a language it does not list.
int ExtraTitlesSiteLanguageCode(std::string_view language);

class TExtraTitlesSite final : public TSimSite {
 public:
  explicit TExtraTitlesSite(const TCatalogue& catalogue) : Catalogue_(catalogue) {}

  TResponse Answer(const TRequest& request) const override;

  std::vector<const TSimSubtitle*> Matches(const TExtraTitlesQuery& query) const;
  std::string ResultPage(const TExtraTitlesQuery& query) const;
  std::string DetailPage(const TSimSubtitle& subtitle) const;
  // The download link as the detail page writes it, relative to the site root.
  static std::string DownloadLink(const TSimSubtitle& subtitle);
  // "Jan, 05 2004".
  static std::string DateText(const TSimDate& date);

 private:
  TResponse Search(const TRequest& request) const;
  TResponse Details(const TRequest& request) const;
  TResponse Download(const TRequest& request) const;

  const TCatalogue& Catalogue_;
};

}  // namespace velkaro::sim

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "SimSite.h"

// SubDb: a portal module answering searches by GET, 20 results a page, every
// result page sent as a gzip member whatever the client asked for; downloads
// by file id from the same module.

namespace velkaro::sim {

struct TSubDbQuery {
  std::string Film;      // edsearch, decoded
  std::string Language;  // combo_language, decoded: "" or "[all languages]" for all
  std::int64_t Page = 1; // page; 1 when missing, malformed or below 1
};

TSubDbQuery ParseSubDbQuery(std::string_view query);

class TSubDbSite final : public TSimSite {
 public:
  static constexpr std::size_t kPageSize = 20;
  static constexpr std::string_view kModulePath = "/subdb/html/modules.php";
  static constexpr std::string_view kAllLanguages = "[all languages]";

  explicit TSubDbSite(const TCatalogue& catalogue) : Catalogue_(catalogue) {}

  TResponse Answer(const TRequest& request) const override;

  // Every match of the query, on all pages, in catalogue order.
  std::vector<const TSimSubtitle*> Matches(const TSubDbQuery& query) const;
  // The query's page as HTML, before compression.
  std::string ResultPage(const TSubDbQuery& query) const;

  // A result page holding exactly `rows`, with `totalText` where the site
  // states its total: builds pages of any size, or with any total, at will.
  static std::string PageOf(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                            std::string_view film, std::string_view totalText);
  // "Total items found = 45 of 3 pages".
  static std::string TotalText(std::uint64_t total);
  // Relative to the module's folder "subdb/html/".
  static std::string DownloadLink(const TSimSubtitle& subtitle);
  // "2004-01-05 14:23:07": the time varies with the id.
  static std::string DateText(const TSimSubtitle& subtitle);
  // "turkish - tr".
  static std::string LanguageText(std::string_view language);
  // "SubRip - srt"; a format the site has no note for stands alone.
  static std::string FormatText(std::string_view format);

 private:
  TResponse Search(const TRequest& request) const;
  TResponse Download(const TRequest& request) const;

  const TCatalogue& Catalogue_;
};

}  // namespace velkaro::sim

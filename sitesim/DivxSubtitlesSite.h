#pragma once

#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"
#include "SimSite.h"

// DivxSubtitles: a search form posted to /page_searchedsubtitles.php that
// opens a session (a cookie), further result pages fetched by GET within that
// session, and a detail page per subtitle that states its frame rate.

namespace velkaro::sim {

struct TDivxSubtitlesQuery {
  static constexpr int kDefaultRows = 40;

  std::string Film;       // _free, decoded
  int LanguageCode = -1;  // _language; -1 for all languages
  int Start = 0;          // index of the first row shown
  int Rows = kDefaultRows;
};

// The search form as posted: recPerPage rows of page pageNo.
TDivxSubtitlesQuery ParseDivxSubtitlesSearch(std::string_view formBody);
// A further page's query: maxres rows from row starts.
TDivxSubtitlesQuery ParseDivxSubtitlesPage(std::string_view query);

// The site's number for a catalogue language; -1 for one it does not list.
int DivxSubtitlesSiteLanguageCode(std::string_view language);

class TDivxSubtitlesSite final : public TSimSite {
 public:
  static constexpr std::string_view kSessionCookie = "PHPSESSID";

  explicit TDivxSubtitlesSite(const TCatalogue& catalogue) : Catalogue_(catalogue) {}

  TResponse Answer(const TRequest& request) const override;

  // Every match of a search, in the site's order (film name, then id).
  std::vector<const TSimSubtitle*> Matches(std::string_view film, int languageCode) const;
  // The rows a query shows, a window of Matches().
  std::vector<const TSimSubtitle*> PageRows(const TDivxSubtitlesQuery& query) const;
  // A result page showing `rows` and stating `total` matches.
  std::string ResultPage(const std::vector<const TSimSubtitle*>& rows, std::size_t total, std::string_view film) const;
  std::string DetailPage(const TSimSubtitle& subtitle) const;

  // The result link's target, relative to the site root, without its quotes.
  static std::string DetailPath(const TSimSubtitle& subtitle);
  // "12/05/2004".
  static std::string DateText(const TSimDate& date);
  // As the detail page writes it: "23.976 FPS", sometimes the bare number, "N/A" when unknown.
  static std::string FpsText(const TSimSubtitle& subtitle);
  // Registered uploaders have an icon before their name, which moves the
  // uploader and the date one token further from the result link.
  static bool HasUploaderIcon(const TSimSubtitle& subtitle) { return subtitle.Id % 3 != 0; }

 private:
  static std::vector<const TSimSubtitle*> Window(const std::vector<const TSimSubtitle*>& found,
                                                 const TDivxSubtitlesQuery& query);
  std::string QueryPage(const TDivxSubtitlesQuery& query) const;
  TResponse Search(const TRequest& request) const;
  TResponse FurtherPage(const TRequest& request) const;
  TResponse Details(const TRequest& request) const;
  std::string OpenSession() const;
  bool KnownSession(const TRequest& request) const;

  const TCatalogue& Catalogue_;
  mutable std::mutex SessionsMutex_;
  mutable std::set<std::string, std::less<>> Sessions_;
  mutable unsigned NextSession_ = 0;
};

}  // namespace velkaro::sim

#include "PodnapisiSite.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "Html.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

// The site's numbers, "sJ" in the search and "jezik" in its category links.
// It lists a few languages the program's own map does not know.
constexpr TSiteLanguage kLanguages[] = {
    {"English", 2},    {"Turkish", 30},   {"German", 5},    {"French", 8},     {"Italian", 9},
    {"Spanish", 28},   {"Czech", 7},      {"Hungarian", 15}, {"Albanian", 29}, {"Bulgarian", 33},
    {"Chinese", 17},   {"Croatian", 38},  {"Estonian", 20}, {"Finnish", 31},   {"Japanese", 11},
    {"Korean", 4},     {"Portuguese", 32}, {"Romanian", 13}, {"Russian", 27},  {"Serbian", 36},
    {"Swedish", 25},   {"Slovenian", 1},  {"Dutch", 23},    {"Polish", 26},
};

// Category of the subtitles in a language the site does not list.
constexpr int kOtherLanguageCode = 99;
// Pager links shown around the current page.
constexpr int kPagerLinks = 5;

constexpr std::string_view kRecordPath = "/index.php/ppodnapisi/podnapis";

// Logo, menu and the language categories: links and images before any row
// that the row walks must pass over or, for a row without links, run into.
const char* const kMenu =
    "<link rel=\"stylesheet\" href=\"/css/podnapisi.css\" type=\"text/css\">\n"
    "</head>\n"
    "<body bgcolor=\"#F4F4F4\" leftmargin=\"0\" topmargin=\"0\">\n"
    "<a name=\"top\"></a>\n"
    "<table class=\"header\" width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>\n"
    "<td><a href=\"/index.php/ppodnapisi/\"><img src=\"/images/default/logo.gif\" alt=\"Podnapisi.net\" "
    "border=\"0\"></a></td>\n"
    "<td class=\"menu\"><a href=\"/index.php/ppodnapisi/\">Home</a> | "
    "<a href=\"/index.php/ppodnapisi/search\">Search</a> | <a href=\"/index.php/ppodnapisi/upload\">Upload</a> | "
    "<a href=\"/index.php/forum/\">Forum</a></td>\n"
    "</tr></table>\n";

const char* const kPageBottom =
    "<p class=\"footer\">&copy; 2005 Podnapisi.net &middot; <a href=\"/index.php/ppodnapisi/kontakt\">Contact</a> "
    "&middot; <a href=\"#top\">Top</a></p>\n"
    "<img src=\"/images/default/spacer.gif\" width=\"1\" height=\"1\" alt=\"\">\n"
    "</body>\n"
    "</html>\n";

std::string LanguageLink(int code) {
  return "<a href=\"/index.php/ppodnapisi/kategorija?jezik=" + std::to_string(code) + "\">";
}

int RowLanguageCode(const TSimSubtitle& subtitle) {
  const int code = PodnapisiSiteLanguageCode(subtitle.Language);
  return code < 0 ? kOtherLanguageCode : code;
}

std::string PageStart(std::string_view title) {
  std::string page = Html401Head(title) + kMenu;
  page += "<div class=\"languages\">Languages:";
  for (const auto& entry : kLanguages) {
    page += " " + LanguageLink(entry.Code) + std::string(entry.Language) + "</a>";
  }
  return page + "</div>\n";
}

std::string SearchForm(const TPodnapisiQuery& query) {
  std::string form =
      "<form action=\"/index.php/ppodnapisi/search\" method=\"get\">\n"
      "<input type=\"hidden\" name=\"tbsl\" value=\"1\">\n"
      "Film: <input type=\"text\" name=\"sK\" value=\"" + HtmlEscape(query.Film) + "\" size=\"30\">\n"
      "<select name=\"sJ\"><option value=\"0\">All</option>";
  form += LanguageOptions(kLanguages, query.LanguageCode);
  return form + "</select>\n<input type=\"submit\" name=\"submit\" value=\"Search\">\n</form>\n";
}

std::string PageLink(const TPodnapisiQuery& query, long long page) {
  return "<a href=\"" +
         HtmlEscape(std::string(TPodnapisiSite::kSearchPath) + "?tbsl=1&sK=" + UrlEncode(query.Film) +
                    "&sJ=" + std::to_string(query.LanguageCode) + "&submit=Search&page=" + std::to_string(page)) +
         "\">" + std::to_string(page) + "</a>";
}

// The icon, then the count as the text right after it: "3 Pages".
std::string Pager(const TPodnapisiQuery& query, int pageCount) {
  std::string pager =
      "<table class=\"pager\" width=\"100%\"><tr><td><img src=\"/images/default/forum/pages_icon.gif\" alt=\"\" "
      "border=\"0\">" + std::to_string(pageCount) + (pageCount == 1 ? " Page" : " Pages") +
      "</td>\n<td align=\"right\">";
  const long long current = query.Page;
  const long long first = std::max(1LL, current - kPagerLinks);
  const long long last = std::min<long long>(pageCount, current + kPagerLinks);
  for (long long page = first; page <= last; ++page) {
    pager += page == current ? "[<b>" + std::to_string(page) + "</b>] " : PageLink(query, page) + " ";
  }
  return pager + "</td></tr></table>\n";
}

// One result as the program reads it: back from the download icon to the
// record link (the film name is the text after it) and the category link;
// forward to the "Details:" text (frame rate two tokens on), the
// "Uploader:" text (uploader two tokens on) and "Release:" (date four on).
std::string ResultRow(const TCatalogue& catalogue, const TSimSubtitle& subtitle, std::size_t index) {
  const TSimFilm& film = catalogue.FilmOf(subtitle);
  const int code = RowLanguageCode(subtitle);
  const std::string id = std::to_string(subtitle.Id);
  return "<tr class=\"row" + std::to_string(index % 2 + 1) + "\">\n" + "<td>" + LanguageLink(code) +
         "<img src=\"/images/flags/" + std::to_string(code) + ".gif\" alt=\"" + HtmlEscape(subtitle.Language) +
         "\" width=\"18\" height=\"12\" border=\"0\"></a></td>\n" + "<td><a href=\"" +
         TPodnapisiSite::RecordLink(subtitle) + "\">" + HtmlEscape(film.Name) + "</a> (" + std::to_string(film.Year) +
         ")</td>\n" + "<td><a href=\"/index.php/ppodnapisi/download?i=" + id +
         "\"><img src=\"/images/default/download.gif\" alt=\"download\" width=\"16\" height=\"16\" "
         "border=\"0\"></a></td>\n" +
         "<td>Details: " + std::to_string(subtitle.CdCount) + " CD, FPS: <b>" + HtmlEscape(subtitle.Fps) + "</b>, " +
         HtmlEscape(subtitle.Format) +
         ", Uploader: <a href=\"/index.php/ppodnapisi/uporabnik?u=" + UrlEncode(subtitle.Uploader) + "\">" +
         HtmlEscape(subtitle.Uploader) + "</a></td>\n" + "<td><b>Release:</b></td><td>" +
         TPodnapisiSite::ReleaseText(subtitle) + "</td>\n" + "</tr>\n";
}

int PositiveOr(const std::optional<std::string>& text, int fallback) {
  if (!text) return fallback;
  const auto value = ParseInt(TrimView(*text));
  return value && *value > 0 ? *value : fallback;
}

// "//index.php/..." reaches the same script as "/index.php/...".
std::string_view WithOneLeadingSlash(std::string_view path) {
  while (path.starts_with("//")) path.remove_prefix(1);
  return path;
}

}  // namespace

int PodnapisiSiteLanguageCode(std::string_view language) { return SiteLanguageCode(kLanguages, language); }

TPodnapisiQuery ParsePodnapisiQuery(std::string_view query) {
  const TFormFields fields = ParseForm(query);
  TPodnapisiQuery parsed;
  parsed.Film = FormValue(fields, "sK").value_or("");
  parsed.LanguageCode = ParseInt(TrimView(FormValue(fields, "sJ").value_or(""))).value_or(0);
  parsed.Page = PositiveOr(FormValue(fields, "page"), 1);
  return parsed;
}

std::string TPodnapisiSite::RecordLink(const TSimSubtitle& subtitle) {
  return std::string(kRecordPath) + "?i=" + std::to_string(subtitle.Id);
}

std::string TPodnapisiSite::ReleaseText(const TSimSubtitle& subtitle) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d @ %02d:%02d", subtitle.Date.Day, subtitle.Date.Month,
                subtitle.Date.Year, subtitle.Id % 24, subtitle.Id * 7 % 60);
  return text;
}

int TPodnapisiSite::PageCount(std::size_t matches) {
  return std::max(1, static_cast<int>((matches + kRowsPerPage - 1) / kRowsPerPage));
}

std::vector<const TSimSubtitle*> TPodnapisiSite::Matches(const TPodnapisiQuery& query) const {
  auto found = Catalogue_.FindByFilmText(query.Film);
  const bool known = std::any_of(std::begin(kLanguages), std::end(kLanguages),
                                 [&](const TSiteLanguage& entry) { return entry.Code == query.LanguageCode; });
  // 0 is all languages; so is a code the site does not list (the program
  // sends 100 when no language was chosen).
  if (known) {
    std::erase_if(found,
                  [&](const TSimSubtitle* subtitle) { return RowLanguageCode(*subtitle) != query.LanguageCode; });
  }
  return found;
}

std::string TPodnapisiSite::ResultPage(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                                       const TPodnapisiQuery& query, int pageCount) {
  std::string page = PageStart("Podnapisi.net - " + query.Film);
  page += SearchForm(query);
  page += Pager(query, pageCount);
  if (rows.empty()) {
    page += "<p class=\"notice\">No subtitles found for <b>" + HtmlEscape(query.Film) + "</b>.</p>\n";
  } else {
    page +=
        "<table class=\"results\" width=\"100%\" cellspacing=\"1\" cellpadding=\"3\">\n"
        "<tr class=\"head\"><th>Language</th><th>Title</th><th>&nbsp;</th><th>Details</th><th "
        "colspan=\"2\">Release</th>"
        "</tr>\n";
    for (std::size_t i = 0; i < rows.size(); ++i) page += ResultRow(catalogue, *rows[i], i);
    page += "</table>\n";
  }
  page += Pager(query, pageCount);
  return page + kPageBottom;
}

std::string TPodnapisiSite::ResultPage(const TPodnapisiQuery& query) const {
  const auto found = Matches(query);
  const auto first = std::min(found.size(), static_cast<std::size_t>(query.Page - 1) * kRowsPerPage);
  const auto count = std::min(kRowsPerPage, found.size() - first);
  return ResultPage(Catalogue_, std::span(found).subspan(first, count), query, PageCount(found.size()));
}

TResponse TPodnapisiSite::Answer(const TRequest& request) const {
  if (request.Method != "GET") return NotFoundPage(request);
  const std::string_view path = WithOneLeadingSlash(request.Path);
  if (path == kSearchPath) return Search(request);
  if (path == kRecordPath) return Details(request);
  return NotFoundPage(request);
}

TResponse TPodnapisiSite::Search(const TRequest& request) const {
  return GzipResponse(ResultPage(ParsePodnapisiQuery(request.Query)));
}

TResponse TPodnapisiSite::Details(const TRequest& request) const {
  const auto* subtitle = Catalogue_.FindSubtitle(PositiveOr(FormValue(ParseForm(request.Query), "i"), 0));
  if (!subtitle) return NotFoundPage(request);
  const TSimFilm& film = Catalogue_.FilmOf(*subtitle);
  std::string page = PageStart("Podnapisi.net - " + film.Name);
  page += "<h1>" + HtmlEscape(film.Name) + " (" + std::to_string(film.Year) + ")</h1>\n<table class=\"subtitle\">\n";
  page += "<tr><td>Language:</td><td>" + HtmlEscape(subtitle->Language) + "</td></tr>\n";
  page += "<tr><td>FPS:</td><td>" + HtmlEscape(subtitle->Fps) + "</td></tr>\n";
  page += "<tr><td>CDs:</td><td>" + std::to_string(subtitle->CdCount) + "</td></tr>\n";
  page += "<tr><td>Format:</td><td>" + HtmlEscape(subtitle->Format) + "</td></tr>\n";
  page += "<tr><td>Uploader:</td><td>" + HtmlEscape(subtitle->Uploader) + "</td></tr>\n";
  page += "<tr><td>Release:</td><td>" + ReleaseText(*subtitle) + "</td></tr>\n";
  page += "<tr><td colspan=\"2\"><a href=\"/index.php/ppodnapisi/download?i=" + std::to_string(subtitle->Id) + "\">" +
          HtmlEscape(subtitle->FileName) + "</a></td></tr>\n</table>\n";
  return GzipResponse(page + kPageBottom);
}

}  // namespace velkaro::sim

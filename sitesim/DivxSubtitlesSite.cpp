#include "DivxSubtitlesSite.h"

#include <algorithm>
#include <cstdio>

#include "Html.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

// The numbers the site's language list posts as "_language".
constexpr TSiteLanguage kLanguages[] = {
    {"English", 2},     {"German", 4},   {"Swedish", 7},   {"Czech", 8},      {"Spanish", 9},
    {"Portuguese", 10}, {"French", 12},  {"Italian", 13},  {"Bulgarian", 15}, {"Hungarian", 16},
    {"Turkish", 22},    {"Korean", 23},  {"Croatian", 25}, {"Russian", 27},   {"Romanian", 30},
    {"Japanese", 31},   {"Serbian", 59}, {"Estonian", 60}, {"Albanian", 62},  {"Finnish", 100},
};

constexpr std::string_view kSearchPath = "/page_searchedsubtitles.php";
constexpr std::string_view kDetailPath = "/page_subtitleinformation.php";
constexpr int kMaxRowsPerPage = 1000;

// Logo, menu and a banner: links and images the result reader must pass over.
const char* const kMenu =
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\">\n"
    "<script language=\"JavaScript\">function hl(r, on) { r.className = on ? 'hl' : ''; }</script>\n"
    "</head>\n"
    "<body bgcolor=\"#F4F4F4\" leftmargin=\"0\" topmargin=\"0\">\n"
    "<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\">\n"
    "  <tr>\n"
    "    <td><a href=\"index.php\"><img src=\"images/logo.gif\" alt=\"DivxSubtitles\" width=\"240\" height=\"60\" "
    "border=\"0\"></a></td>\n"
    "    <td class=\"menu\" align=\"right\"><a href=\"index.php\">Home</a> | "
    "<a href=\"page_search.php\">Search</a> | <a href=\"page_upload.php\">Upload</a> | "
    "<a href=\"page_top.php?ID=10\">Top 10</a>&nbsp;</td>\n"
    "  </tr>\n"
    "</table>\n"
    "<center><a href=\"banner.php?ID=7\"><img src=\"images/banner_468x60.gif\" width=\"468\" height=\"60\" "
    "border=\"0\"></a></center>\n";

const char* const kPageBottom =
    "<hr size=\"1\" noshade>\n"
    "<p class=\"small\" align=\"center\">&copy; DivxSubtitles.net &middot; "
    "<a href=\"page_contact.php\">contact</a></p>\n"
    "</body>\n"
    "</html>\n";

std::string PageStart(std::string_view title) { return Html401Head(title) + kMenu; }

// A cell's text; an empty value still gives a text token, so later cells keep their distance.
std::string CellText(std::string_view value) { return value.empty() ? "&nbsp;" : HtmlEscape(value); }

// Tokens counted from the result link (p) are noted at the end of each line;
// the program reads the cells by those distances.
std::string ResultRow(const TCatalogue& catalogue, const TSimSubtitle& subtitle, std::size_t index) {
  const std::string id = std::to_string(subtitle.Id);
  std::string row = "<tr class=\"row" + std::to_string(index % 2 + 1) +
                    "\" onmouseover=\"hl(this, 1)\" onmouseout=\"hl(this, 0)\">\n";
  // p: the link, p+1: film name
  row += "<td class=\"title\"><a href='" + TDivxSubtitlesSite::DetailPath(subtitle) + "'>" +
         CellText(catalogue.FilmOf(subtitle).Name) + "</a></td>\n";
  row += "<td><img src=\"images/flags/" + std::string(LanguageTag(subtitle.Language)) +
         ".gif\" width=\"18\" height=\"12\" alt=\"\"></td>\n";
  // p+8: language
  row += "<td>" + CellText(subtitle.Language) + "</td>\n";
  // p+12: format, " N/A " when unknown
  row += "<td><span class=\"format\">" +
         (subtitle.Format.empty() ? std::string(" N/A ") : HtmlEscape(subtitle.Format)) + "</span></td>\n";
  // p+16: CDs
  row += "<td align=\"center\">" + std::to_string(subtitle.CdCount) + "</td>\n";
  row += "<td align=\"right\">" + std::to_string(subtitle.Id * 37 % 1000) + "</td>\n";
  row += "<td><img src=\"images/rating" + std::to_string(subtitle.Id % 5 + 1) + ".gif\" alt=\"\"></td>\n";
  // p+26 (p+25 without the icon): uploader
  row += std::string("<td>") +
         (TDivxSubtitlesSite::HasUploaderIcon(subtitle) ? "<img src=\"images/user.gif\" alt=\"\">" : "") +
         CellText(subtitle.Uploader) + "</td>\n";
  // p+30 (p+29 without the icon): date
  row += "<td><nobr>" + TDivxSubtitlesSite::DateText(subtitle.Date) + "</nobr></td>\n";
  row += "</tr>\n";
  return row;
}

// "<b>N</b> subtitles found ...": the count stands two tokens before the sentence.
std::string TotalLine(std::size_t total) {
  return "<p class=\"found\"><b>" + std::to_string(total) +
         "</b> subtitles found in database that match your search</p>\n";
}

// "label <value>" rows; the frame rate's value is six tokens after its label.
std::string DetailLine(std::string_view label, std::string_view value) {
  return "<tr><td class=\"label\"><b>" + std::string(label) + "</b></td><td class=\"value\">" + CellText(value) +
         "</td></tr>\n";
}

std::string HomePage() {
  std::string page = PageStart("DivxSubtitles.net - search subtitles");
  page +=
      "<form method=\"post\" action=\"page_searchedsubtitles.php\">\n"
      "film: <input type=\"text\" name=\"_free\" size=\"30\">\n"
      "<select name=\"_language\"><option value=\"-1\">All</option>";
  page += LanguageOptions(kLanguages);
  page +=
      "</select>\n"
      "<input type=\"hidden\" name=\"firstSearch\" value=\"true\">\n"
      "<input type=\"hidden\" name=\"recPerPage\" value=\"40\">\n"
      "<input type=\"submit\" value=\"Search\">\n</form>\n";
  return page + kPageBottom;
}

std::string ExpiredPage() {
  return PageStart("DivxSubtitles.net - search") +
         "<p class=\"found\">Your search has expired. Please <a href=\"page_search.php\">search again</a>.</p>\n" +
         kPageBottom;
}

// The film and language both the search form and the paging links carry.
TDivxSubtitlesQuery FilmAndLanguage(const TFormFields& fields) {
  TDivxSubtitlesQuery query;
  query.Film = FormValue(fields, "_free").value_or("");
  query.LanguageCode = FormInt(fields, "_language", -1);
  return query;
}

int Rows(const TFormFields& fields, std::string_view name) {
  return std::clamp(FormInt(fields, name, TDivxSubtitlesQuery::kDefaultRows), 0, kMaxRowsPerPage);
}

// The value of cookie `name` in a Cookie header; empty when absent.
std::string_view CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const auto end = std::min(header.find(';'), header.size());
    const std::string_view pair = TrimView(header.substr(0, end));
    if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=') {
      return pair.substr(name.size() + 1);
    }
    header.remove_prefix(std::min(end + 1, header.size()));
  }
  return {};
}

}  // namespace

int DivxSubtitlesSiteLanguageCode(std::string_view language) { return SiteLanguageCode(kLanguages, language); }

TDivxSubtitlesQuery ParseDivxSubtitlesSearch(std::string_view formBody) {
  const TFormFields fields = ParseForm(formBody);
  TDivxSubtitlesQuery query = FilmAndLanguage(fields);
  query.Rows = Rows(fields, "recPerPage");
  const int pageNo = std::clamp(FormInt(fields, "pageNo", 1), 1, 1 << 20);
  query.Start = (pageNo - 1) * query.Rows;
  return query;
}

TDivxSubtitlesQuery ParseDivxSubtitlesPage(std::string_view queryText) {
  const TFormFields fields = ParseForm(queryText);
  TDivxSubtitlesQuery query = FilmAndLanguage(fields);
  query.Rows = Rows(fields, "maxres");
  query.Start = std::max(0, FormInt(fields, "starts", 0));
  return query;
}

std::string TDivxSubtitlesSite::DetailPath(const TSimSubtitle& subtitle) {
  return "page_subtitleinformation.php?ID=" + std::to_string(subtitle.Id);
}

std::string TDivxSubtitlesSite::DateText(const TSimDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.Day % 100, date.Month % 100, date.Year % 10000);
  return text;
}

std::string TDivxSubtitlesSite::FpsText(const TSimSubtitle& subtitle) {
  if (subtitle.Fps.empty()) return "N/A";
  // Older entries state the bare number.
  if (subtitle.Id % 4 == 3) return subtitle.Fps;
  return subtitle.Fps + " FPS";
}

std::vector<const TSimSubtitle*> TDivxSubtitlesSite::Matches(std::string_view film, int languageCode) const {
  auto found = Catalogue_.FindByFilmText(film);
  if (languageCode != -1) {
    std::erase_if(found, [&](const TSimSubtitle* subtitle) {
      return DivxSubtitlesSiteLanguageCode(subtitle->Language) != languageCode;
    });
  }
  // Every page lists by subtitle name, so the windows of one search line up.
  std::stable_sort(found.begin(), found.end(), [this](const TSimSubtitle* a, const TSimSubtitle* b) {
    return Catalogue_.FilmOf(*a).Name < Catalogue_.FilmOf(*b).Name;
  });
  return found;
}

std::vector<const TSimSubtitle*> TDivxSubtitlesSite::PageRows(const TDivxSubtitlesQuery& query) const {
  return Window(Matches(query.Film, query.LanguageCode), query);
}

std::vector<const TSimSubtitle*> TDivxSubtitlesSite::Window(const std::vector<const TSimSubtitle*>& found,
                                                            const TDivxSubtitlesQuery& query) {
  const auto start = std::min(found.size(), static_cast<std::size_t>(std::max(query.Start, 0)));
  const auto end = std::min(found.size(), start + static_cast<std::size_t>(std::max(query.Rows, 0)));
  return {found.begin() + static_cast<std::ptrdiff_t>(start), found.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::string TDivxSubtitlesSite::QueryPage(const TDivxSubtitlesQuery& query) const {
  const auto found = Matches(query.Film, query.LanguageCode);
  return ResultPage(Window(found, query), found.size(), query.Film);
}

std::string TDivxSubtitlesSite::ResultPage(const std::vector<const TSimSubtitle*>& rows, std::size_t total,
                                           std::string_view film) const {
  std::string page = PageStart("DivxSubtitles.net - search results: " + std::string(film));
  page += TotalLine(total);
  if (rows.empty()) return page + kPageBottom;
  page +=
      "<table class=\"results\" width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"2\">\n"
      "<tr class=\"head\"><td>Title</td><td>&nbsp;</td><td>Language</td><td>Format</td><td>CDs</td>"
      "<td>Downloads</td><td>Rating</td><td>Uploader</td><td>Added</td></tr>\n";
  page.reserve(page.size() + rows.size() * 700);
  for (std::size_t i = 0; i < rows.size(); ++i) page += ResultRow(Catalogue_, *rows[i], i);
  page += "</table>\n";
  return page + kPageBottom;
}

std::string TDivxSubtitlesSite::DetailPage(const TSimSubtitle& subtitle) const {
  const TSimFilm& film = Catalogue_.FilmOf(subtitle);
  std::string page = PageStart("DivxSubtitles.net - " + film.Name);
  page += "<h1>" + HtmlEscape(film.Name) + " (" + std::to_string(film.Year) + ")</h1>\n";
  page += "<table class=\"details\" border=\"0\" cellspacing=\"0\" cellpadding=\"3\">\n";
  page += DetailLine("Language:", subtitle.Language);
  page += DetailLine("Format:", subtitle.Format.empty() ? "N/A" : subtitle.Format);
  // label, /B, /TD, TD, IMG, SPAN, value
  page +=
      "<tr><td class=\"label\"><b>Framerate:</b></td><td class=\"value\"><img src=\"images/fps.gif\" alt=\"\">"
      "<span class=\"fps\">" +
      HtmlEscape(FpsText(subtitle)) + "</span></td></tr>\n";
  page += DetailLine("CDs:", std::to_string(subtitle.CdCount));
  page += DetailLine("Uploader:", subtitle.Uploader);
  page += DetailLine("Added:", DateText(subtitle.Date));
  page += DetailLine("Downloads:", std::to_string(subtitle.Id * 37 % 1000));
  page += "</table>\n";
  page += "<a href=\"download.php?ID=" + std::to_string(subtitle.Id) +
          "\"><img src=\"images/download.gif\" alt=\"download\" border=\"0\"></a>\n";
  return page + kPageBottom;
}

TResponse TDivxSubtitlesSite::Answer(const TRequest& request) const {
  if (request.Path == kSearchPath) {
    if (request.Method == "POST") return Search(request);
    if (request.Method == "GET" && !request.Query.empty()) return FurtherPage(request);
    if (request.Method == "GET") return HtmlResponse(HomePage());
  }
  if (request.Path == kDetailPath && request.Method == "GET") return Details(request);
  if ((request.Path == "/" || request.Path == "/index.php") && request.Method == "GET") return HtmlResponse(HomePage());
  return NotFoundPage(request);
}

std::string TDivxSubtitlesSite::OpenSession() const {
  std::lock_guard lock(SessionsMutex_);
  char id[32];
  std::snprintf(id, sizeof id, "ds%08x%04u", 0x5eed0000u + NextSession_ * 7919u, NextSession_ % 10000u);
  ++NextSession_;
  Sessions_.emplace(id);
  return id;
}

bool TDivxSubtitlesSite::KnownSession(const TRequest& request) const {
  const std::string cookies = request.Header("cookie");
  const std::string_view session = CookieValue(cookies, kSessionCookie);
  std::lock_guard lock(SessionsMutex_);
  return !session.empty() && Sessions_.find(session) != Sessions_.end();
}

TResponse TDivxSubtitlesSite::Search(const TRequest& request) const {
  const TDivxSubtitlesQuery query = ParseDivxSubtitlesSearch(request.Body);
  TResponse response = HtmlResponse(QueryPage(query));
  response.Headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + OpenSession() + "; path=/");
  return response;
}

TResponse TDivxSubtitlesSite::FurtherPage(const TRequest& request) const {
  // Paging belongs to a search session: without its cookie the site has nothing to page through.
  if (!KnownSession(request)) return HtmlResponse(ExpiredPage());
  const TDivxSubtitlesQuery query = ParseDivxSubtitlesPage(request.Query);
  return HtmlResponse(QueryPage(query));
}

TResponse TDivxSubtitlesSite::Details(const TRequest& request) const {
  const auto* subtitle = Catalogue_.FindSubtitle(FormInt(ParseForm(request.Query), "ID", 0));
  if (!subtitle) return NotFoundPage(request);
  return HtmlResponse(DetailPage(*subtitle));
}

}  // namespace velkaro::sim

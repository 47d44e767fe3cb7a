#include "ExtraTitlesSite.h"

#include <algorithm>
#include <cstdio>

#include "Html.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

// The numbers the site's language list posts as "jaz".
constexpr TSiteLanguage kLanguages[] = {
    {"English", 1},  {"Czech", 2},    {"Italian", 3},  {"French", 6},    {"German", 7},
    {"Hungarian", 8}, {"Spanish", 9}, {"Swedish", 11}, {"Portuguese", 24}, {"Russian", 25},
    {"Turkish", 26},
};

struct TContentType {
  std::string_view Extension;
  std::string_view Type;
};

constexpr TContentType kDownloadTypes[] = {
    {".zip", "application/zip"},
    {".rar", "application/x-rar-compressed"},
    {".ace", "application/x-ace-compressed"},
    {".srt", "text/plain; charset=windows-1254"},
};

constexpr std::string_view kSearchPath = "/index.php";
constexpr std::string_view kDownloadPath = "/xsubt.subt.link.php";

// Logo and menu: links and images before any result, which the result
// reader must pass over.
const char* const kMenu =
    "</head>\n"
    "<body bgcolor=\"#FFFFFF\" topmargin=0 leftmargin=0>\n"
    "<table width=\"100%\" cellspacing=0 cellpadding=0 border=0>\n"
    "<tr>\n"
    "  <td><a href=\"index.php\"><img src=\"pics/logo.gif\" alt=\"ExtraTitles\" width=200 height=60 border=0></a></td>\n"
    "  <td align=right class='mf1'><a href=\"index.php?pid=subt1\">search</a> | "
    "<a href=\"index.php?pid=upload\">upload</a> | <a href=\"index.php?pid=top\">top 100</a>&nbsp;</td>\n"
    "</tr>\n"
    "</table>\n";

const char* const kPageBottom =
    "<hr size=1 noshade>\n"
    "<p class='mf1' align=center>&copy; ExtraTitles.net &middot; <a href=\"index.php?pid=contact\">contact</a></p>\n"
    "<img src=\"pics/spacer.gif\" alt=\"\" width=1 height=1>\n"
    "</body>\n"
    "</html>\n";

std::string PageStart(std::string_view title) {
  return Html401Head(title) + "<link rel=\"stylesheet\" type=\"text/css\" href=\"css/main.css\">\n" + kMenu;
}

std::string FlagImage(const TSimSubtitle& subtitle) {
  return "<img src=\"pics/flags/" + std::to_string(ExtraTitlesSiteLanguageCode(subtitle.Language)) + ".gif\" alt=\"" +
         HtmlEscape(subtitle.Language) + "\" width=18 height=12>";
}

std::string UserLink(const TSimSubtitle& subtitle) {
  return "<a href=\"index.php?pid=user&u=" + UrlEncode(subtitle.Uploader) + "\">";
}

std::string FilmTitle(const TSimFilm& film) {
  return "<span class='mf2'>" + HtmlEscape(film.Name) + "</span> <span class='mf3'>(" + std::to_string(film.Year) +
         ")</span>";
}

std::string ResultRow(const TCatalogue& catalogue, const TSimSubtitle& subtitle, std::size_t index) {
  const std::string id = std::to_string(subtitle.Id);
  return "<tr class=\"r" + std::to_string(index % 2) + "\">\n" +
         "  <td width=20>" + FlagImage(subtitle) + "</td>\n" +
         "  <td>" + FilmTitle(catalogue.FilmOf(subtitle)) + "</td>\n" +
         "  <td><a href=\"index.php?pid=subt2&p=i&rid=" + id +
         "\"><img src=\"pics/details.gif\" alt=\"details\" border=0></a></td>\n" +
         "  <td align=center>" + std::to_string(subtitle.CdCount) + "</td>\n" +
         "  <td>" + HtmlEscape(subtitle.Format) + "</td>\n" +
         "  <td>" + UserLink(subtitle) + HtmlEscape(subtitle.Uploader) + "</a></td>\n" +
         "</tr>\n";
}

// Labels and values as "label: <b>value</b>", the layout the program reads
// by counting tokens from the label.
std::string DetailLine(std::string_view label, std::string_view value) {
  return "<tr><td>" + std::string(label) + " <b>" + HtmlEscape(value) + "</b></td></tr>\n";
}

std::string HomePage() {
  std::string page = PageStart("ExtraTitles.net - subtitles database");
  page +=
      "<form method=\"post\" action=\"index.php\">\n"
      "<input type=\"hidden\" name=\"pid\" value=\"subt2\">\n"
      "film: <input type=\"text\" name=\"z3\" size=30>\n"
      "<select name=\"jaz\"><option value=\"0\">All</option>";
  page += LanguageOptions(kLanguages);
  page += "</select>\n<input type=\"submit\" value=\"search\">\n</form>\n";
  return page + kPageBottom;
}

}  // namespace

int ExtraTitlesSiteLanguageCode(std::string_view language) { return SiteLanguageCode(kLanguages, language); }

TExtraTitlesQuery ParseExtraTitlesQuery(std::string_view formBody) {
  const TFormFields fields = ParseForm(formBody);
  TExtraTitlesQuery query;
  query.Film = FormValue(fields, "z3").value_or("");
  query.LanguageCode = FormInt(fields, "jaz", 0);
  query.MaxResults = std::max(0, FormInt(fields, "bp", TExtraTitlesQuery::kDefaultMaxResults));
  return query;
}

std::string TExtraTitlesSite::DateText(const TSimDate& date) {
  char day[8];
  std::snprintf(day, sizeof day, "%02d", date.Day);
  return std::string(EnglishMonthAbbreviation(date.Month)) + ", " + day + " " + std::to_string(date.Year);
}

std::string TExtraTitlesSite::DownloadLink(const TSimSubtitle& subtitle) {
  // Ends in the file name, so the address carries the file's extension.
  return "xsubt.subt.link.php?id=" + std::to_string(subtitle.Id) + "&file=" + UrlEncode(subtitle.FileName);
}

std::vector<const TSimSubtitle*> TExtraTitlesSite::Matches(const TExtraTitlesQuery& query) const {
  auto found = Catalogue_.FindByFilmText(query.Film);
  // 0 is "all languages"; a code the site does not know (-1, sent when no
  // language is chosen) filters nothing either.
  if (query.LanguageCode > 0) {
    std::erase_if(found, [&](const TSimSubtitle* subtitle) {
      return ExtraTitlesSiteLanguageCode(subtitle->Language) != query.LanguageCode;
    });
  }
  // The form always asks for "datum desc": newest first.
  std::stable_sort(found.begin(), found.end(),
                   [](const TSimSubtitle* a, const TSimSubtitle* b) { return a->Date > b->Date; });
  if (found.size() > static_cast<std::size_t>(query.MaxResults)) found.resize(static_cast<std::size_t>(query.MaxResults));
  return found;
}

std::string TExtraTitlesSite::ResultPage(const TExtraTitlesQuery& query) const {
  const auto found = Matches(query);
  std::string page = PageStart("ExtraTitles.net - search: " + query.Film);
  if (found.empty()) {
    page += "<p class='mf1'>No subtitles found for <b>" + HtmlEscape(query.Film) + "</b>.</p>\n";
    return page + kPageBottom;
  }
  page +=
      "<!-- results -->\n"
      "<table class=\"results\" width=\"100%\" cellspacing=1 cellpadding=2>\n"
      "<tr class=\"head\"><td>&nbsp;</td><td>title</td><td>&nbsp;</td><td>CDs</td><td>format</td>"
      "<td>uploaded by</td></tr>\n";
  for (std::size_t i = 0; i < found.size(); ++i) page += ResultRow(Catalogue_, *found[i], i);
  page += "</table>\n<p class='mf1'>" + std::to_string(found.size()) + " subtitles found</p>\n";
  return page + kPageBottom;
}

std::string TExtraTitlesSite::DetailPage(const TSimSubtitle& subtitle) const {
  const TSimFilm& film = Catalogue_.FilmOf(subtitle);
  std::string page = PageStart("ExtraTitles.net - " + film.Name);
  page += "<table class=\"details\" cellspacing=0 cellpadding=3>\n";
  page += "<tr><td>" + FilmTitle(film) + "</td></tr>\n";
  page += "<tr><td>" + FlagImage(subtitle) + " " + HtmlEscape(subtitle.Language) + "</td></tr>\n";
  page += DetailLine("framerate:", subtitle.Fps + " fps");
  page += DetailLine("number of CDs:", std::to_string(subtitle.CdCount));
  page += DetailLine("format:", subtitle.Format);
  page += DetailLine("date:", DateText(subtitle.Date));
  page += "<tr><td>contributor: " + UserLink(subtitle) + "<b>" + HtmlEscape(subtitle.Uploader) + "</b></a></td></tr>\n";
  page += DetailLine("downloads:", std::to_string(subtitle.Id * 37 % 1000));
  page += "<tr><td align=center><a href=\"" + DownloadLink(subtitle) +
          "\"><img src=\"pics/download.gif\" alt=\"download\" border=0></a></td></tr>\n";
  page += "</table>\n";
  return page + kPageBottom;
}

TResponse TExtraTitlesSite::Answer(const TRequest& request) const {
  if (request.Path == kSearchPath || request.Path == "/") {
    if (request.Method == "POST") return Search(request);
    if (request.Method == "GET" && FormValue(ParseForm(request.Query), "rid")) return Details(request);
    if (request.Method == "GET") return HtmlResponse(HomePage());
  }
  if (request.Path == kDownloadPath && request.Method == "GET") return Download(request);
  return NotFoundPage(request);
}

TResponse TExtraTitlesSite::Search(const TRequest& request) const {
  return HtmlResponse(ResultPage(ParseExtraTitlesQuery(request.Body)));
}

TResponse TExtraTitlesSite::Details(const TRequest& request) const {
  const auto* subtitle = Catalogue_.FindSubtitle(FormInt(ParseForm(request.Query), "rid", 0));
  if (!subtitle) return NotFoundPage(request);
  return HtmlResponse(DetailPage(*subtitle));
}

TResponse TExtraTitlesSite::Download(const TRequest& request) const {
  const auto* subtitle = Catalogue_.FindSubtitle(FormInt(ParseForm(request.Query), "id", 0));
  if (!subtitle) return NotFoundPage(request);
  TResponse response;
  response.ContentType = "application/octet-stream";
  const std::string extension = LowerAscii(AddressExtension(subtitle->FileName));
  for (const auto& type : kDownloadTypes) {
    if (type.Extension == extension) response.ContentType = type.Type;
  }
  response.Headers.emplace_back("Content-Disposition", "attachment; filename=\"" + subtitle->FileName + "\"");
  response.Body = SubtitleFileBytes(Catalogue_, *subtitle);
  return response;
}

}  // namespace velkaro::sim

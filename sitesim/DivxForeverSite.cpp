#include "DivxForeverSite.h"

#include <cstdio>

#include "Html.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

struct TSiteLanguage {
  std::string_view Language;
  std::string_view Code;
};

// The codes the site's language list posts and its rows show. Czech and
// Hungarian have codes the program does not know.
constexpr TSiteLanguage kLanguages[] = {
    {"Turkish", "TR"}, {"English", "EN"}, {"German", "DE"}, {"Italian", "IT"}, {"Spanish", "SP"},
    {"Dutch", "NL"},   {"French", "FR"},  {"Czech", "CZ"},  {"Hungarian", "HU"},
};

struct TFileType {
  std::string_view Format;
  std::string_view Extension;
};

constexpr TFileType kFileTypes[] = {
    {"SubRip", "srt"}, {"MicroDVD", "sub"}, {"SSA", "ssa"}, {"SubStation Alpha", "ssa"}, {"SAMI", "smi"},
};
constexpr std::string_view kOtherFileType = "txt";

constexpr std::string_view kSearchCode = "06";
constexpr std::string_view kSubtitleCode = "03";

// Forum chrome before the results: a script, the logo, and "row2" cells with
// links, none of which may be taken for a result.
const char* const kPageTop =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
    "<html xml:lang=\"tr\" lang=\"tr\" xmlns=\"http://www.w3.org/1999/xhtml\">\n"
    "<head>\n"
    "<meta http-equiv=\"content-type\" content=\"text/html; charset=windows-1254\" />\n"
    "<link rel=\"shortcut icon\" href=\"favicon.ico\" />\n"
    "<script type=\"text/javascript\">\n"
    "  var forum_var_st = \"0\";\n"
    "  function pick(a) { if (a > 0 && a < 5) { return a; } return 0; }\n"
    "</script>\n";

const char* const kMenu =
    "</head>\n"
    "<body>\n"
    "<div id=\"wrapper\">\n"
    "<table width=\"100%\" cellspacing=\"0\" id=\"logostrip\">\n"
    "<tr><td><a href=\"index.php\"><img src=\"style_images/logo.gif\" alt=\"DivxForever.net\" border=\"0\" /></a></td></tr>\n"
    "</table>\n"
    "<table width=\"100%\" cellspacing=\"1\" id=\"userlinks\">\n"
    "<tr>\n"
    "  <td class=\"row2\"><a href=\"index.php?act=subz\">Altyaz\xFDlar</a> &middot; "
    "<a href=\"index.php?act=Members\">\xDCyeler</a></td>\n"
    "  <td class=\"row2\" align=\"right\"><a href=\"index.php?act=Login&amp;CODE=00\">Giri\xFE</a></td>\n"
    "</tr>\n"
    "</table>\n";

const char* const kPageBottom =
    "<table width=\"100%\" cellspacing=\"1\">\n"
    "<tr><td class=\"row2\"><a href=\"index.php?act=Stats\">\xDDstatistikler</a> | "
    "<a href=\"index.php?act=Help\">Yard\xFDm</a></td></tr>\n"
    "</table>\n"
    "<div class=\"copyright\">Powered by Forum Software &copy; 2004 DivxForever.net</div>\n"
    "</div>\n"
    "</body>\n"
    "</html>\n";

std::string PageStart(std::string_view title) {
  return std::string(kPageTop) + "<title>DivxForever.net -&gt; " + HtmlEscape(title) + "</title>\n" + kMenu;
}

std::string Two(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return text;
}

// A stable profile number per uploader name.
unsigned UserNumber(std::string_view name) {
  unsigned number = 7;
  for (const char c : name) number = number * 31 + static_cast<unsigned char>(c);
  return number % 9000 + 100;
}

std::string RowLink(const TSimSubtitle& subtitle) {
  return "index.php?act=subz&amp;CODE=" + std::string(kSubtitleCode) + "&amp;id=" + std::to_string(subtitle.Id);
}

std::string UploaderCell(const TSimSubtitle& subtitle) {
  return "<td class=\"row2\" width=\"32%\"><a href=\"index.php?showuser=" +
         std::to_string(UserNumber(subtitle.Uploader)) + "\">" + HtmlEscape(subtitle.Uploader) + "</a><br>\n" +
         "    <span class=\"desc\">" + HtmlEscape(TDivxForeverSite::DateLabel(subtitle)) + "</span></td>\n";
}

std::string ResultRow(const TCatalogue& catalogue, const TSimSubtitle& subtitle) {
  const TSimFilm& film = catalogue.FilmOf(subtitle);
  const std::string code(DivxForeverSiteLanguageCode(subtitle.Language));
  return "<tr>\n"
         "  <td class=\"row1\" width=\"4%\" align=\"center\"><img src=\"style_images/flags/" + code +
         ".gif\" border=\"0\" alt=\"" + code + "\" width=\"18\" height=\"12\"></td>\n" +
         "  <td class=\"row1\" width=\"56%\"><a href=\"" + RowLink(subtitle) +
         "\" title=\"Altyaz&#253; bilgileri\"><img src=\"style_images/subz.gif\" border=\"0\" alt=\"&gt;\"></a> <b>" +
         HtmlEscape(film.Name) + "</b> <span class=\"desc\">(" + std::to_string(film.Year) + ")</span><br>\n" +
         "    <span class=\"desc\">" + HtmlEscape(TDivxForeverSite::DetailLine(subtitle)) + "</span></td>\n" +
         "  <td class=\"row2\" width=\"8%\" align=\"center\">" + std::to_string(subtitle.Id * 37 % 1000) + "</td>\n" +
         "  " + UploaderCell(subtitle) + "</tr>\n";
}

std::string HomePage() {
  std::string page = PageStart("Altyaz\xFDlar");
  page +=
      "<form action=\"index.php?act=subz&amp;CODE=06\" method=\"post\" name=\"subsearch\">\n"
      "<table width=\"100%\" cellspacing=\"1\" class=\"forumtable\">\n"
      "<tr><td class=\"row1\">Film ad\xFD</td><td class=\"row2\"><input type=\"text\" name=\"mname\" size=\"40\" /></td></tr>\n"
      "<tr><td class=\"row1\">Dil</td><td class=\"row2\"><select name=\"subtitle_lang\"><option value=\"all\">Hepsi</option>";
  for (const auto& entry : kLanguages) {
    page += "<option value=\"" + std::string(entry.Code) + "\">" + std::string(entry.Language) + "</option>";
  }
  page +=
      "</select></td></tr>\n"
      "<tr><td class=\"formbuttonrow\" colspan=\"2\"><input type=\"submit\" name=\"submit\" value=\"Altyaz\xFD Ara\" /></td></tr>\n"
      "</table>\n</form>\n";
  return page + kPageBottom;
}

// Compressed when the client says it takes gzip, as the forum's server does.
TResponse Html(const TRequest& request, std::string body) {
  if (Contains(LowerAscii(request.Header("accept-encoding")), "gzip")) return GzipResponse(body);
  return HtmlResponse(std::move(body));
}

}  // namespace

TDivxForeverQuery ParseDivxForeverQuery(std::string_view formBody) {
  const TFormFields fields = ParseForm(formBody);
  TDivxForeverQuery query;
  query.Film = FormValue(fields, "mname").value_or("");
  query.Language = FormValue(fields, "subtitle_lang").value_or("");
  return query;
}

std::string_view DivxForeverSiteLanguageCode(std::string_view language) {
  for (const auto& entry : kLanguages) {
    if (entry.Language == language) return entry.Code;
  }
  return "XX";
}

std::string_view TDivxForeverSite::Extension(std::string_view format) {
  for (const auto& type : kFileTypes) {
    if (type.Format == format) return type.Extension;
  }
  return kOtherFileType;
}

std::string TDivxForeverSite::DetailLine(const TSimSubtitle& subtitle) {
  const std::string gap = SpacedUnits(subtitle) ? " " : "";
  const std::string extension =
      UpperCaseExtension(subtitle) ? UpperAscii(Extension(subtitle.Format)) : std::string(Extension(subtitle.Format));
  return subtitle.Fps + gap + "fps - " + std::to_string(subtitle.CdCount) + gap + "CD - " + extension + " - " +
         std::string(DivxForeverSiteLanguageCode(subtitle.Language));
}

std::string TDivxForeverSite::DateLabel(const TSimSubtitle& subtitle) {
  return "G\xF6nderilme Tarihi: " + Two(subtitle.Date.Day) + "-" + Two(subtitle.Date.Month) + "-" +
         std::to_string(subtitle.Date.Year) + ", " + Two(subtitle.Id * 7 % 24) + ":" + Two(subtitle.Id * 13 % 60);
}

std::vector<const TSimSubtitle*> TDivxForeverSite::Matches(const TDivxForeverQuery& query) const {
  auto found = Catalogue_.FindByFilmText(query.Film);
  const std::string wanted = UpperAscii(query.Language);
  if (!wanted.empty() && wanted != "ALL") {
    std::erase_if(found, [&](const TSimSubtitle* subtitle) {
      return DivxForeverSiteLanguageCode(subtitle->Language) != wanted;
    });
  }
  return found;
}

std::string TDivxForeverSite::ResultPage(const TDivxForeverQuery& query) const {
  const auto found = Matches(query);
  return ResultPage(Catalogue_, found, query.Film);
}

std::string TDivxForeverSite::ResultPage(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                                         std::string_view searched) {
  std::string page = PageStart("Altyaz\xFD Arama");
  page += "<div class=\"maintitle\">Altyaz\xFD Arama Sonu\xE7lar\xFD: <b>" + HtmlEscape(searched) + "</b></div>\n";
  if (rows.empty()) {
    page += "<div class=\"errorwrap\"><p>Arad\xFD\xF0\xFDn\xFDz kriterlere uygun altyaz\xFD bulunamad\xFD.</p></div>\n";
    return page + kPageBottom;
  }
  page +=
      "<table width=\"100%\" cellspacing=\"1\" class=\"forumtable\">\n"
      "<tr>\n"
      "  <th width=\"4%\">Dil</th><th width=\"56%\">Film / Ayr\xFDnt\xFDlar</th><th width=\"8%\">\xDDndirme</th>"
      "<th width=\"32%\">G\xF6nderen</th>\n"
      "</tr>\n";
  page.reserve(page.size() + rows.size() * 900);
  for (const auto* subtitle : rows) page += ResultRow(catalogue, *subtitle);
  page += "</table>\n<div class=\"pagelinks\">" + std::to_string(rows.size()) + " altyaz\xFD bulundu</div>\n";
  return page + kPageBottom;
}

std::string TDivxForeverSite::SubtitlePage(const TSimSubtitle& subtitle) const {
  const TSimFilm& film = Catalogue_.FilmOf(subtitle);
  std::string page = PageStart(film.Name);
  page += "<div class=\"maintitle\">" + HtmlEscape(film.Name) + " (" + std::to_string(film.Year) + ")</div>\n";
  page += "<table width=\"100%\" cellspacing=\"1\" class=\"forumtable\">\n";
  page += "<tr><td class=\"row1\">Dil</td><td class=\"row2\">" + HtmlEscape(subtitle.Language) + "</td></tr>\n";
  page += "<tr><td class=\"row1\">Ayr\xFDnt\xFDlar</td><td class=\"row2\">" + HtmlEscape(DetailLine(subtitle)) +
          "</td></tr>\n";
  page += "<tr><td class=\"row1\">Dosya</td><td class=\"row2\">" + HtmlEscape(subtitle.FileName) + "</td></tr>\n";
  page += "<tr><td class=\"row1\">G\xF6nderen</td>" + UploaderCell(subtitle) + "</tr>\n";
  page += "</table>\n";
  return page + kPageBottom;
}

TResponse TDivxForeverSite::Answer(const TRequest& request) const {
  if (request.Path != "/index.php" && request.Path != "/") return NotFoundPage(request);
  const TFormFields target = ParseForm(request.Query);
  const bool subtitles = FormValue(target, "act") == "subz";
  const auto code = FormValue(target, "CODE");
  if (request.Method == "POST" && subtitles && code == kSearchCode) return Search(request);
  if (request.Method == "GET" && subtitles && code == kSubtitleCode) {
    const auto id = ParseInt(FormValue(target, "id").value_or(""));
    const auto* subtitle = id ? Catalogue_.FindSubtitle(*id) : nullptr;
    if (!subtitle) return NotFoundPage(request);
    return Html(request, SubtitlePage(*subtitle));
  }
  if (request.Method == "GET") return Html(request, HomePage());
  return NotFoundPage(request);
}

TResponse TDivxForeverSite::Search(const TRequest& request) const {
  return Html(request, ResultPage(ParseDivxForeverQuery(request.Body)));
}

}  // namespace velkaro::sim

#include "SubDbSite.h"

#include <algorithm>
#include <cstdio>

#include "Html.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

constexpr std::string_view kModuleName = "Download_Subtitles";

struct TFormatNote {
  std::string_view Format;
  std::string_view Note;
};

// The site writes "format - file type"; SSA has no note and stands alone.
constexpr TFormatNote kFormatNotes[] = {
    {"SubRip", "srt"}, {"MicroDVD", "sub"}, {"SubViewer", "sub"}, {"SAMI", "smi"},
};

// The languages the search form offers, as it posts them.
constexpr std::string_view kFormLanguages[] = {"turkish", "english", "french", "german", "spanish",
                                               "italian", "czech",   "hungarian", "chinese gb code"};

const char* const kPageTop =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
    "<html>\n"
    "<head>\n"
    "<title>SubDb.net - Download Subtitles</title>\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1254\">\n"
    "<link rel=\"StyleSheet\" href=\"themes/SubDb/style/style.css\" type=\"text/css\">\n"
    "<script type=\"text/javascript\" src=\"includes/javascript/overlib.js\"></script>\n"
    "</head>\n"
    "<body bgcolor=\"#FFFFFF\" text=\"#000000\" leftmargin=\"0\" topmargin=\"0\" marginwidth=\"0\" marginheight=\"0\">\n"
    "<table width=\"100%\" cellpadding=\"0\" cellspacing=\"0\" border=\"0\" class=\"header\">\n"
    "<tr>\n"
    "  <td width=\"210\"><a href=\"index.php\"><img src=\"themes/SubDb/images/logo.gif\" alt=\"SubDb.net\" "
    "width=\"200\" height=\"64\" border=\"0\"></a></td>\n"
    "  <td align=\"right\" class=\"menu\"><a href=\"modules.php?name=Your_Account\">Your Account</a> &middot; "
    "<a href=\"modules.php?name=Download_Subtitles&amp;op=upload\">Upload</a> &middot; "
    "<a href=\"modules.php?name=Forums\">Forums</a> &nbsp;</td>\n"
    "</tr>\n"
    "</table>\n";

const char* const kPageBottom =
    "<br>\n"
    "<table width=\"100%\" cellpadding=\"2\" cellspacing=\"0\" border=\"0\" class=\"footer\">\n"
    "<tr><td align=\"center\" class=\"tiny\">All logos and trademarks in this site are property of their "
    "respective owner. &copy; 2004 SubDb.net<br>\n"
    "<img src=\"images/powered/php.gif\" alt=\"PHP\" border=\"0\"> "
    "<img src=\"images/powered/mysql.gif\" alt=\"MySQL\" border=\"0\"></td></tr>\n"
    "</table>\n"
    "</body>\n"
    "</html>\n";

std::string SearchForm(std::string_view film) {
  std::string form =
      "<form action=\"modules.php\" method=\"get\">\n"
      "<input type=\"hidden\" name=\"name\" value=\"Download_Subtitles\">\n"
      "<table cellpadding=\"2\" cellspacing=\"0\" border=\"0\" class=\"search\"><tr>\n"
      "  <td>Film name: <input type=\"text\" name=\"edsearch\" size=\"30\" value=\"" +
      HtmlEscape(film) +
      "\"></td>\n"
      "  <td>Language: <select name=\"combo_language\"><option value=\"[all languages]\">[all languages]</option>";
  for (const auto language : kFormLanguages) form += "<option>" + std::string(language) + "</option>";
  form +=
      "</select></td>\n"
      "  <td><input type=\"hidden\" name=\"fast_search\" value=\"1\"><input type=\"submit\" value=\"Search\"></td>\n"
      "</tr></table>\n"
      "</form>\n";
  return form;
}

// One result: labels in bold, each value in the text after the label's
// closing tag, which is where the program reads it (two tokens on).
std::string ResultRow(const TCatalogue& catalogue, const TSimSubtitle& subtitle, std::size_t index) {
  const std::string id = std::to_string(subtitle.Id);
  const std::string rowClass = index % 2 == 0 ? "row1" : "row2";
  return "<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"3\" class=\"subtitle\">\n"
         "<tr class=\"" + rowClass + "\">\n"
         "  <td width=\"75%\"><b>Title:</b> " + HtmlEscape(catalogue.FilmOf(subtitle).Name) + "</td>\n"
         "  <td align=\"right\"><a class=\"info\" href=\"modules.php?name=Download_Subtitles&op=details&id=" + id +
         "\"><img src=\"images/info.gif\" alt=\"Details\" border=\"0\"></a>\n"
         "  <a class=\"download\" href=\"" + TSubDbSite::DownloadLink(subtitle) +
         "\"><img src=\"images/download.gif\" alt=\"Download\" border=\"0\"></a></td>\n"
         "</tr>\n"
         "<tr class=\"" + rowClass + "\"><td><b>Language:</b> " + HtmlEscape(TSubDbSite::LanguageText(subtitle.Language)) +
         "</td><td><b>CDS:</b> " + std::to_string(subtitle.CdCount) + "</td></tr>\n"
         "<tr class=\"" + rowClass + "\"><td><b>Format:</b> " + HtmlEscape(TSubDbSite::FormatText(subtitle.Format)) +
         "</td><td><b>FPS:</b> " + HtmlEscape(subtitle.Fps) + "</td></tr>\n"
         "<tr class=\"" + rowClass + "\"><td><b>Added on:</b> " + TSubDbSite::DateText(subtitle) +
         "</td><td><b>Downloads:</b> " + std::to_string(subtitle.Id * 37 % 1000) + "</td></tr>\n"
         "<tr class=\"" + rowClass + "\"><td colspan=\"2\"><b>Thanks to:</b> " + HtmlEscape(subtitle.Uploader) +
         " - <a href=\"modules.php?name=Your_Account&op=userinfo&username=" + UrlEncode(subtitle.Uploader) +
         "\">profile</a></td></tr>\n"
         "</table>\n"
         "<img src=\"images/spacer.gif\" alt=\"\" width=\"1\" height=\"4\"><br>\n";
}

std::int64_t PageCount(std::uint64_t total) {
  return static_cast<std::int64_t>((total + TSubDbSite::kPageSize - 1) / TSubDbSite::kPageSize);
}

std::string Pager(const TSubDbQuery& query, std::int64_t pages) {
  if (pages <= 1) return {};
  std::string pager = "<p align=\"center\" class=\"pager\">Pages: ";
  for (std::int64_t page = 1; page <= pages; ++page) {
    if (page == query.Page) {
      pager += "<b>" + std::to_string(page) + "</b> ";
    } else {
      pager += "<a href=\"modules.php?name=Download_Subtitles&edsearch=" + UrlEncode(query.Film) +
               "&combo_language=" + UrlEncode(query.Language) + "&fast_search=1&page=" + std::to_string(page) + "\">" +
               std::to_string(page) + "</a> ";
    }
  }
  return pager + "</p>\n";
}

std::string HomePage() {
  return std::string(kPageTop) + "<h2>Download Subtitles</h2>\n" + SearchForm("") + kPageBottom;
}

}  // namespace

TSubDbQuery ParseSubDbQuery(std::string_view query) {
  const TFormFields fields = ParseForm(query);
  TSubDbQuery parsed;
  parsed.Film = FormValue(fields, "edsearch").value_or("");
  parsed.Language = FormValue(fields, "combo_language").value_or("");
  parsed.Page = std::max(1, FormInt(fields, "page", 1));
  return parsed;
}

std::string TSubDbSite::TotalText(std::uint64_t total) {
  return "Total items found = " + std::to_string(total) + " of " + std::to_string(PageCount(total)) + " pages";
}

std::string TSubDbSite::DownloadLink(const TSimSubtitle& subtitle) {
  return "modules.php?name=Download_Subtitles&download_file_id=" + std::to_string(subtitle.Id);
}

std::string TSubDbSite::DateText(const TSimSubtitle& subtitle) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", subtitle.Date.Year, subtitle.Date.Month,
                subtitle.Date.Day, subtitle.Id % 24, subtitle.Id * 7 % 60, subtitle.Id * 13 % 60);
  return text;
}

std::string TSubDbSite::LanguageText(std::string_view language) {
  return LowerAscii(language) + " - " + std::string(LanguageTag(language));
}

std::string TSubDbSite::FormatText(std::string_view format) {
  for (const auto& note : kFormatNotes) {
    if (note.Format == format) return std::string(format) + " - " + std::string(note.Note);
  }
  return std::string(format);
}

std::vector<const TSimSubtitle*> TSubDbSite::Matches(const TSubDbQuery& query) const {
  auto found = Catalogue_.FindByFilmText(query.Film);
  if (!query.Language.empty() && query.Language != kAllLanguages) {
    std::erase_if(found, [&](const TSimSubtitle* subtitle) { return LowerAscii(subtitle->Language) != query.Language; });
  }
  return found;
}

std::string TSubDbSite::PageOf(const TCatalogue& catalogue, std::span<const TSimSubtitle* const> rows,
                               std::string_view film, std::string_view totalText) {
  std::string page = kPageTop;
  page += SearchForm(film);
  page += "<table width=\"100%\" cellpadding=\"3\" cellspacing=\"0\" border=\"0\"><tr>"
          "<td class=\"pn-normal\"><img src=\"images/arrow.gif\" alt=\"\" border=\"0\"> ";
  page += totalText;
  page += "</td></tr></table>\n";
  if (rows.empty()) page += "<p class=\"content\">No subtitles found on this page.</p>\n";
  for (std::size_t i = 0; i < rows.size(); ++i) page += ResultRow(catalogue, *rows[i], i);
  return page;
}

std::string TSubDbSite::ResultPage(const TSubDbQuery& query) const {
  const auto found = Matches(query);
  const auto first = static_cast<std::uint64_t>(query.Page - 1) * kPageSize;
  std::span<const TSimSubtitle* const> rows;
  if (first < found.size()) rows = std::span(found).subspan(first, std::min<std::size_t>(kPageSize, found.size() - first));
  return PageOf(Catalogue_, rows, query.Film, TotalText(found.size())) + Pager(query, PageCount(found.size())) +
         kPageBottom;
}

TResponse TSubDbSite::Answer(const TRequest& request) const {
  if (request.Method != "GET") return NotFoundPage(request);
  if (request.Path == "/" || request.Path == "/subdb/html/" || request.Path == "/subdb/html/index.php") {
    return HtmlResponse(HomePage());
  }
  if (request.Path != kModulePath) return NotFoundPage(request);
  const TFormFields fields = ParseForm(request.Query);
  if (FormValue(fields, "name") != kModuleName) return NotFoundPage(request);
  if (FormValue(fields, "download_file_id")) return Download(request);
  return Search(request);
}

TResponse TSubDbSite::Search(const TRequest& request) const {
  // This site's server names the member and comments it, as some compressing servers do.
  static const TGzipFields kFields{"modules.html", "compressed page", "", false};
  return GzipResponse(ResultPage(ParseSubDbQuery(request.Query)), kFields);
}

TResponse TSubDbSite::Download(const TRequest& request) const {
  const auto* subtitle = Catalogue_.FindSubtitle(FormInt(ParseForm(request.Query), "download_file_id", 0));
  if (!subtitle) return NotFoundPage(request);
  TResponse response;
  response.ContentType = "application/octet-stream";
  response.Headers.emplace_back("Content-Disposition", "attachment; filename=\"" + subtitle->FileName + "\"");
  response.Body = SubtitleFileBytes(Catalogue_, *subtitle);
  return response;
}

}  // namespace velkaro::sim

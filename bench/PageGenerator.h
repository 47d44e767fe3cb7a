#pragma once

#include <string>

// Pages for the benchmarks: a result page of the shape the sites serve, and
// text built to hit the tokenizer's slow paths.
namespace velkaro::bench {

inline std::string RealisticResultPage(std::size_t bytes) {
  std::string page =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1254\">\r\n"
      "<title>Altyaz&#305; arama sonu&ccedil;lar&#305;</title>\r\n"
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\">\r\n"
      "<script language=\"JavaScript\">function hl(r){ if (a < b && c > d) r.className='hl'; }</script>\r\n"
      "</head><body bgcolor=\"#FFFFFF\" leftmargin=\"0\" topmargin=\"0\">\r\n"
      "<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"2\" class=\"results\">\r\n";
  for (int row = 0; page.size() < bytes; ++row) {
    const std::string id = std::to_string(100000 + row);
    page += "  <tr class=\"row" + std::to_string(row % 2 + 1) + "\" onmouseover=\"hl(this)\">\r\n"
            "    <td width=\"20\" align=\"center\"><img src=\"pics/flags/tr.gif\" alt=\"Turkish\" width=\"18\" "
            "height=\"12\" border=\"0\"></td>\r\n"
            "    <td><span class='mf2'>The Matrix Reloaded (2003) A\xF0\xFDr Roman " + id +
            "</span><br>\r\n      <span class=\"small\">DVDRip XviD-&quot;GROUP&quot; &amp; more</span></td>\r\n"
            "    <td align=\"right\">23.976&nbsp;fps</td><td>2&nbsp;CD</td><td>Jan, 05 2004</td>\r\n"
            "    <td><a href=\"index.php?pid=subt2&amp;p=i&amp;rid=" + id + "\" title=\"Ay&#351;e\">detay</a></td>\r\n"
            "  </tr>\r\n";
  }
  page += "</table></body></html>\r\n";
  return page;
}

inline std::string HostileText(std::size_t bytes) {
  static const std::string kSpaces = std::string(5000, ' ') + "x\n" + std::string(3000, ' ') + "\r\n";
  static const std::string kReferences = "&amp;&#65;&#x41;&lt;&nbsp;&bogus;&#1000;&#;&amp &&&;&#9;&uuml;";
  static const std::string kEmptyTags = "<><><><> <>\n<><>";
  std::string text;
  text.reserve(bytes + kSpaces.size());
  for (int part = 0; text.size() < bytes; ++part) {
    const std::string& piece = part % 3 == 0 ? kSpaces : part % 3 == 1 ? kReferences : kEmptyTags;
    const int repeat = part % 3 == 0 ? 1 : 2000;
    for (int i = 0; i < repeat && text.size() < bytes; ++i) text += piece;
  }
  return text;
}

}  // namespace velkaro::bench

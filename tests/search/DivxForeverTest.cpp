#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/DivxForever.h"
#include "sitesim/DivxForeverSite.h"

namespace velkaro {
namespace {

const std::string kBase = "http://www.divxforever.net/";
const std::string kRecordBase = kBase + "index.php?act=subz&CODE=03&id=";

TEST(DivxForeverRequest, LanguageCodes) {
  const std::pair<std::string, std::string> cases[] = {
      {"All", "all"},    {"English  ", "EN"}, {" Germany", "DE"}, {"Italy", "IT"},    {"Spanish", "SP"},
      {"Dutch", "NL"},   {"French", "FR"},    {"Turkish", "TR"},  {"Japanese", ""},   {"", ""},
      {"turkish", ""},   {"all", ""},
  };
  for (const auto& [item, code] : cases) EXPECT_EQ(DivxForeverLanguageCode(item), code) << "'" << item << "'";
}

TEST(DivxForeverRequest, FormBody) {
  EXPECT_EQ(BuildDivxForeverQuery("The Matrix", "EN"),
            "mname=The%20Matrix&subtitle_releaser=&subtitle_lang=EN&subtitle_fps=all&submitter_name="
            "&subtitle_format=all&subtitle_cds=all&subtitle_status=all&submit=Altyaz%FD+Ara");
  // No language: nothing after the key, and the fixed tail stays as it is.
  EXPECT_NE(BuildDivxForeverQuery("x", "").find("&subtitle_lang=&subtitle_fps=all&"), std::string::npos);
  EXPECT_EQ(BuildDivxForeverQuery("A\xF0\xFDr", "all").substr(0, 19), "mname=A%F0%FDr&subt");
}

struct TDetailCase {
  std::string Line;
  TDivxForeverDetails Expected;  // Fps, CdCount, Format, Language
};

TEST(DivxForeverDetailLine, FourPartsGiveTheFields) {
  const TDetailCase cases[] = {
      {"25fps - 1CD - srt - TR", {"25", "1", "SubRip", "Turkish"}},
      // Only the cut is made: the space before the unit stays.
      {"23.976 fps - 2 CD - sub - EN", {"23.976 ", "2 ", "MicroDVD", "English"}},
      {"25fps - 1CD - SRT -  DE ", {"25", "1", "SubRip", "Germany"}},
      {"25fps - 1CD - ssa - de", {"25", "1", "SubStation Alpha", ""}},
      {"25fps - 1CD - smi - NL", {"25", "1", "SAMi", "Dutch"}},
      {"25fps - 1CD - Sub - SP", {"25", "1", "MicroDVD", "Spanish"}},
      {"29.97fps - 3CD - txt - IT", {"29.97", "3", "", "Italy"}},
      {"25fps - 1CD - srt - FR", {"25", "1", "SubRip", "French"}},
      {"25fps - 1CD - srt - all", {"25", "1", "SubRip", ""}},
      // Units are matched with their case; without one the part is used whole.
      {"25FPS - 1cd - srt - TR", {"25FPS", "1cd", "SubRip", "Turkish"}},
      {"25 - 1 - srt - TR", {"25", "1", "SubRip", "Turkish"}},
      // An empty piece between two dashes is a part; a trailing dash adds none.
      {"25fps -- srt - TR", {"25", "", "SubRip", "Turkish"}},
      {"25fps - 1CD - srt - TR-", {"25", "1", "SubRip", "Turkish"}},
      {"- 1CD - srt - TR", {"", "1", "SubRip", "Turkish"}},
      // Any other number of parts leaves all four empty.
      {"23.976 fps - 2 CD - srt - TR - extra", {}},
      {"Spider-Man 25fps - 1CD - srt - TR", {}},
      {"25fps - 1CD - srt", {}},
      {"", {}},
      {std::string(1 << 20, '-'), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadDivxForeverDetailLine(c.Line), c.Expected) << c.Line.substr(0, 80);
}

TEST(DivxForeverDate, Normalised) {
  const std::pair<std::string, std::string> cases[] = {
      {"G\xF6nderilme Tarihi: 17-05-2004, 21:30", "17.05.04"},
      {"G\xF6nderilme Tarihi: 01-12-1999", "01.12.99"},
      {" G\xF6nderilme Tarihi: 17-05-2004, 21:30 ", "17.05.04"},
      // Too few parts: nothing is read beyond the text.
      {"G\xF6nderilme Tarihi: 17-05, 21:30", "17.05"},
      {"G\xF6nderilme Tarihi: 17-05-2, 21:30", "17.05."},
      {"G\xF6nderilme Tarihi: 17-05-20", "17.05."},
      {"G\xF6nderilme Tarihi: -", "."},
      // No "-" at all: no year to shorten, the text stays.
      {"G\xF6nderilme Tarihi: bilinmiyor", "bilinmiyor"},
      {"G\xF6nderilme Tarihi:", ""},
      {"G\xF6nderilme Tarihi:x", ""},
      {"", ""},
  };
  for (const auto& [label, date] : cases) EXPECT_EQ(NormaliseDivxForeverDate(label), date) << label;
}

THTMLParser Tokenized(const std::string& html) {
  THTMLParser parser;
  parser.SetText(html);
  parser.Parse();
  return parser;
}

struct TWalk {
  std::vector<TSubtitleInfo> Records;
  bool RanPastTheEnd = false;
};

TWalk Walk(const THTMLParser& page, const std::string& film) {
  TWalk walk;
  try {
    WalkDivxForeverResults(page, film, kBase, [&](TSubtitleInfo& record) { walk.Records.push_back(record); });
  } catch (const TMissingToken&) {
    walk.RanPastTheEnd = true;
  }
  return walk;
}

TWalk Walk(const std::string& html, const std::string& film) { return Walk(Tokenized(html), film); }

std::string Link(const std::string& id) { return "<a href=\"index.php?act=subz&amp;CODE=03&amp;id=" + id + "\">"; }

std::string Row(const std::string& id, const std::string& title, const std::string& line, const std::string& user,
                const std::string& date) {
  return "<tr><td class=\"row1\">" + Link(id) + "<img src=\"s.gif\"></a> <b>" + title + "</b><br><span>" + line +
         "</span></td><td class=\"row2\" align=center>12</td><td class=\"row2\"><a href=\"index.php?showuser=3\">" +
         user + "</a><br><span>G\xF6nderilme Tarihi: " + date + "</span></td></tr>\n";
}

TEST(DivxForeverResultPage, RowsInPageOrder) {
  const auto walk = Walk("<html><a href=\"index.php?act=subz\">Altyaz\xFDlar</a><table>\n" +
                             Row("1001", "The Matrix Reloaded", "23.976 fps - 2 CD - srt - TR", "kemal",
                                 "17-05-2004, 21:30") +
                             Row("1002", "Matrix &amp; Co", "25fps - 1CD - sub - EN", "ay\xFE" "e", "01-12-1999") +
                             "</table></html>",
                         "MATRIX");
  EXPECT_FALSE(walk.RanPastTheEnd);
  ASSERT_EQ(walk.Records.size(), 2u);
  TSubtitleInfo first;
  first.FilmName = "The Matrix Reloaded";
  first.Url = kRecordBase + "1001";
  first.Language = "Turkish";
  first.CdCount = "2 ";
  first.Fps = "23.976 ";
  first.Format = "SubRip";
  first.DateAdded = "17.05.04";
  first.Uploader = "kemal";
  EXPECT_EQ(walk.Records[0], first);
  EXPECT_EQ(walk.Records[1].FilmName, "Matrix & Co");
  EXPECT_EQ(walk.Records[1].Url, kRecordBase + "1002");
  EXPECT_EQ(walk.Records[1].Fps, "25");
  EXPECT_EQ(walk.Records[1].Format, "MicroDVD");
  EXPECT_EQ(walk.Records[1].Uploader, "ay\xFE" "e");
  EXPECT_EQ(walk.Records[1].DateAdded, "01.12.99");
}

TEST(DivxForeverResultPage, TitleFallsBackToTheTokenAfterTheLink) {
  const std::string page = Link("1") + "Link text</a> <b>The Matrix</b> . . 25fps - 1CD - srt - TR";
  // Not found, and an empty film name matches nothing.
  EXPECT_EQ(Walk(page, "Ring").Records.at(0).FilmName, "Link text");
  EXPECT_EQ(Walk(page, "").Records.at(0).FilmName, "Link text");
  EXPECT_EQ(Walk(page, "tHe MaTrIx").Records.at(0).FilmName, "The Matrix");
  // A tag right after the link gives its name.
  EXPECT_EQ(Walk(Link("1") + "<img src=x></a><b>.</b><b>.</b>25fps - 1CD - srt - TR", "").Records.at(0).FilmName, "IMG");
  // A name whose start repeats inside it is still found after a false start.
  EXPECT_EQ(Walk(Link("1") + "x</a><b>the AAAB</b>", "aab").Records.at(0).FilmName, "the AAAB");
  // Turkish letters are compared as they are: only ASCII letters fold.
  EXPECT_EQ(Walk(Link("1") + "x</a><b>A\xF0\xFDr Roman</b>", "a\xF0\xFDr").Records.at(0).FilmName, "A\xF0\xFDr Roman");
  EXPECT_EQ(Walk(Link("1") + "x</a><b>A\xF0\xFDr Roman</b>", "A\xD0\xDDR").Records.at(0).FilmName, "x");
}

TEST(DivxForeverResultPage, DetailLineFallsBackToTheFifthToken) {
  // No text holds "-", "fps" and "CD": the token five after the link is read as the line.
  const auto walk = Walk(Link("1") + "Film</a><br><br>25 - 1 - srt - TR<br>23.976 fps - 2 - srt - EN", "film");
  ASSERT_EQ(walk.Records.size(), 1u);
  EXPECT_EQ(walk.Records[0].Fps, "25");
  EXPECT_EQ(walk.Records[0].CdCount, "1");
  EXPECT_EQ(walk.Records[0].Language, "Turkish");
  // A detail line before p + 5 is not seen.
  const auto early = Walk(Link("1") + "25fps - 1CD - srt - TR</a><br><br><br><br>", "");
  ASSERT_EQ(early.Records.size(), 1u);
  EXPECT_EQ(early.Records[0].Fps, "");
}

TEST(DivxForeverResultPage, OnlyWrittenOutSubtitleLinksStartRows) {
  const auto walk = Walk(
      "<a>x</a> <a class=\"r\" href=\"index.php?act=subz&amp;CODE=03&amp;id=1\">x</a>"
      "<a href=\"index.php?act=subz&CODE=03&id=2\">x</a> <a href=\"index.php?act=subz&amp;code=03&amp;id=3\">x</a>"
      "<A HREF=index.php?act=subz&amp;CODE=04&amp;id=4>x</a><b>1</b><b>2</b><b>3</b><b>4</b><b>5</b>",
      "x");
  EXPECT_TRUE(walk.Records.empty());
  EXPECT_FALSE(walk.RanPastTheEnd);
}

TEST(DivxForeverResultPage, AddressTakesEverythingAfterTheFirstId) {
  const std::string tail = "x</a>1 2 3 4 5 6";
  const auto walk = Walk("<a href=\"index.php?act=subz&amp;CODE=03&amp;id=77&amp;s=ab\">" + tail +
                             "<a href=\"index.php?sid=9&amp;act=subz&amp;CODE=03&amp;id=5\">" + tail + "<b><b><b><b>",
                         "");
  ASSERT_EQ(walk.Records.size(), 2u);
  EXPECT_EQ(walk.Records[0].Url, kRecordBase + "77&amp;s=ab");
  EXPECT_EQ(walk.Records[1].Url, kRecordBase + "9&amp;act=subz&amp;CODE=03&amp;id=5");
}

TEST(DivxForeverResultPage, UploaderAndDateScan) {
  const std::string row = Link("1") + "Film</a><b>.</b><b>.</b>25fps - 1CD - srt - TR";
  const std::string date = "<span>G\xF6nderilme Tarihi: 02-03-2004, 10:00</span>";
  struct TCase {
    const char* What;
    std::string Html;
    std::string Uploader;
    std::string Date;
  };
  const TCase cases[] = {
      {"a row2 cell without a link and a row1 cell with one are passed over",
       row + "<td class=row2>9</td><td class=row1><a href=u>no</a>" + date +
           "<td class=\" row2 \"><a href=u>ali</a>" + date + "<p>end",
       "ali", "02.03.04"},
      {"the link must come right after the cell",
       row + "<td class=row2> <a href=u>no</a>" + date + "<td class=row2><a href=u><b>veli</b>" + date + "<p>end",
       "veli", "02.03.04"},
      {"no qualifying cell", row + "<td class=row2>x</td><td class='row2'><a href=u>x</a>" + date, "", ""},
      {"the uploader may itself be the label",
       row + "<td class=row2><a href=u>" + date + "<i>G\xF6nderilme Tarihi: 09-08-2001</i>",
       "G\xF6nderilme Tarihi: 02-03-2004, 10:00", "09.08.01"},
      {"without a label the last text of the page wins",
       row + "<td class=row2><a href=u>ali</a><td class=row2><a href=v>veli</a> last words</table>", " last words",
       ""},
  };
  for (const auto& c : cases) {
    const auto walk = Walk(c.Html, "film");
    ASSERT_EQ(walk.Records.size(), 1u) << c.What;
    EXPECT_FALSE(walk.RanPastTheEnd) << c.What;
    EXPECT_EQ(walk.Records[0].Uploader, c.Uploader) << c.What;
    EXPECT_EQ(walk.Records[0].DateAdded, c.Date) << c.What;
  }
}

TEST(DivxForeverResultPage, ReadingPastTheEndKeepsEarlierRows) {
  const std::string good = Row("1", "Film", "25fps - 1CD - srt - TR", "ali", "01-01-2001");
  const std::string cases[] = {
      good + Link("2"),                                   // the title fall-back is missing
      good + Link("2") + "Film</a><br>",                  // the detail-line fall-back is missing
      good + Link("2") + "Film</a>1<br>2<td class=row2>",  // a "row2" cell stands last
  };
  for (const auto& html : cases) {
    const auto walk = Walk(html, "film");
    EXPECT_TRUE(walk.RanPastTheEnd) << html;
    ASSERT_EQ(walk.Records.size(), 1u) << html;
    EXPECT_EQ(walk.Records[0].Uploader, "ali");
  }
}

// A stand-in result page cut off at every byte: the walk finishes or runs
// past the end, never reads beyond the tokens, and hands over the whole
// page's rows up to the cut (the row cut through keeps at least its address).
TEST(DivxForeverResultPage, PageCutAtEveryByte) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm("A\xF0\xFDr Matrix", 1997, 2).AddGeneratedFilm("Matrix & Friends", 2003, 1);
  std::vector<const sim::TSimSubtitle*> rows;
  for (const auto& subtitle : catalogue.Subtitles()) rows.push_back(&subtitle);
  const std::string html = sim::TDivxForeverSite::ResultPage(catalogue, rows, "matrix");
  const auto whole = Walk(html, "matrix");
  ASSERT_EQ(whole.Records.size(), rows.size());
  ASSERT_FALSE(whole.RanPastTheEnd);
  // Cuts before the first row hand over nothing; every byte from there on.
  const auto firstRow = html.find("<a href=\"index.php?act=subz&amp;CODE=03");
  ASSERT_NE(firstRow, std::string::npos);
  for (std::size_t cut = firstRow; cut <= html.size(); ++cut) {
    const auto walk = Walk(html.substr(0, cut), "matrix");
    ASSERT_LE(walk.Records.size(), whole.Records.size()) << cut;
    for (std::size_t i = 0; i < walk.Records.size(); ++i) {
      if (i + 1 < walk.Records.size()) {
        ASSERT_EQ(walk.Records[i], whole.Records[i]) << cut;
      }
      ASSERT_EQ(walk.Records[i].Url, whole.Records[i].Url) << cut;
    }
  }
}

// The page rules read literally: one forward scan per row for the title, the
// detail line, and the uploader cell with its texts and labels.
TWalk ReferenceWalk(const THTMLParser& page, const std::string& film) {
  const auto count = static_cast<std::ptrdiff_t>(page.Count());
  const std::string needle = LowerAscii(film);
  const auto text = [&](std::ptrdiff_t i) { return page.Item(i).AsText(); };
  TWalk walk;
  try {
    for (std::ptrdiff_t p = 0; p < count; ++p) {
      const auto* a = page.Item(p).TagNamed("A");
      if (!a || a->Params.empty() || a->Params[0].Name != "HREF" ||
          !Contains(a->Params[0].Value, "act=subz&amp;CODE=03&amp;id=")) {
        continue;
      }
      TSubtitleInfo record;
      record.Url = kRecordBase + std::string(After(a->Params[0].Value, "id="));
      std::ptrdiff_t title = p + 1;
      for (std::ptrdiff_t i = p + 1; i < count; ++i) {
        if (text(i) && !needle.empty() && Contains(LowerAscii(text(i)->Text), needle)) {
          title = i;
          break;
        }
      }
      record.FilmName = page.TextOrName(title);
      std::ptrdiff_t line = p + 5;
      for (std::ptrdiff_t i = p + 5; i < count; ++i) {
        const auto* t = text(i);
        if (t && Contains(t->Text, "-") && Contains(t->Text, "fps") && Contains(t->Text, "CD")) {
          line = i;
          break;
        }
      }
      const auto details = ReadDivxForeverDetailLine(page.TextOrName(line));
      record.Fps = details.Fps;
      record.CdCount = details.CdCount;
      record.Format = details.Format;
      record.Language = details.Language;
      bool done = false;
      for (std::ptrdiff_t k = p; k < count && !done; ++k) {
        const auto* td = page.Item(k).TagNamed("TD");
        if (!td || td->Params.empty() || td->Params[0].Name != "CLASS" || TrimView(td->Params[0].Value) != "row2") {
          continue;
        }
        const auto* link = page.Item(k + 1).TagNamed("A");
        if (!link || link->Params.empty() || link->Params[0].Name != "HREF") continue;
        for (std::ptrdiff_t j = k + 2; j < count && !done; ++j) {
          if (!text(j)) continue;
          record.Uploader = text(j)->Text;
          for (std::ptrdiff_t d = j + 1; d < count; ++d) {
            if (text(d) && Contains(text(d)->Text, "G\xF6nderilme Tarihi:")) {
              record.DateAdded = NormaliseDivxForeverDate(text(d)->Text);
              done = true;
              break;
            }
          }
        }
      }
      walk.Records.push_back(record);
    }
  } catch (const TMissingToken&) {
    walk.RanPastTheEnd = true;
  }
  return walk;
}

// Random soups of the pieces rows are made of: the precomputed scans must
// give exactly what the literal scans give, including where they give up.
TEST(DivxForeverResultPage, SameAsTheLiteralScans) {
  const std::string pieces[] = {
      Link("1"),
      Link("22&amp;x=1"),
      "<a href=\"index.php?showuser=3\">",
      "<a>",
      "</a>",
      "<td class=\"row2\">",
      "<td class=\" row2 \" nowrap>",
      "<td class=\"row1\">",
      "<td>",
      "</td>",
      "<b>",
      "<br>",
      "The Matrix",
      " matrix RELOADED ",
      "x",
      "25fps - 1CD - srt - TR",
      "23.976 fps - 2 CD - sub - EN - x",
      "kemal",
      "G\xF6nderilme Tarihi: 17-05-2004, 21:30",
      "G\xF6nderilme Tarihi: 1-2",
      "\n",
  };
  const std::string films[] = {"matrix", "", "x", "The Matrix Reloaded"};
  std::mt19937 random(20040517);
  int ranPastTheEnd = 0;
  int withRecords = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string html;
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) html += pieces[random() % std::size(pieces)];
    const auto page = Tokenized(html);
    const std::string& film = films[random() % std::size(films)];
    const auto expected = ReferenceWalk(page, film);
    const auto actual = Walk(page, film);
    ASSERT_EQ(actual.RanPastTheEnd, expected.RanPastTheEnd) << html;
    ASSERT_EQ(actual.Records, expected.Records) << html;
    ranPastTheEnd += expected.RanPastTheEnd;
    withRecords += !expected.Records.empty();
  }
  // The soups reach both outcomes.
  EXPECT_GT(ranPastTheEnd, 300);
  EXPECT_GT(withRecords, 600);
}

}  // namespace
}  // namespace velkaro

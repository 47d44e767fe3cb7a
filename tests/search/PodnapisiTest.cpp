#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/Podnapisi.h"
#include "adapters/TokenWalks.h"
#include "sitesim/PodnapisiSite.h"

namespace velkaro {
namespace {

constexpr const char* kBase = "http://www.podnapisi.net/";

THTMLParser Tokenized(std::string_view html) {
  THTMLParser parser;
  parser.SetText(html);
  parser.Parse();
  return parser;
}

TEST(PodnapisiRequest, LanguageMapsBothWays) {
  const struct {
    const char* Item;
    int Code;
  } cases[] = {
      {"All", 0},        {"Turkish   ", 30}, {" Chinese GB Code", 17}, {"Germany", 5},  {"Swedish", 25},
      {"Portugese", 32}, {"English_German", 100}, {"Bulgarian_English", 100}, {"", 100}, {"turkish", 100},
      {"German", 100},
  };
  for (const auto& c : cases) EXPECT_EQ(PodnapisiLanguageCode(c.Item), c.Code) << "'" << c.Item << "'";
  EXPECT_EQ(PodnapisiLanguageName(0), "All");
  EXPECT_EQ(PodnapisiLanguageName(30), "Turkish");
  EXPECT_EQ(PodnapisiLanguageName(17), "Chinese GB Code");
  for (const int unknown : {100, -1, 1, 99, 2147483647}) EXPECT_EQ(PodnapisiLanguageName(unknown), "") << unknown;
}

TEST(PodnapisiRequest, QueryText) {
  EXPECT_EQ(BuildPodnapisiQuery("The Ring", 2),
            "/index.php/ppodnapisi/search?tbsl=1&sK=The%20Ring&sJ=2&submit=Search");
  EXPECT_EQ(BuildPodnapisiQuery("A\xF0\xFDr Roman", 100),
            "/index.php/ppodnapisi/search?tbsl=1&sK=A%F0%FDr%20Roman&sJ=100&submit=Search");
  EXPECT_EQ(BuildPodnapisiQuery("", 0), "/index.php/ppodnapisi/search?tbsl=1&sK=&sJ=0&submit=Search");
}

// ---- token walks ----

// Tokens: 0 P, 1 A href, 2 [Seven], 3 /A, 4 A name, 5 A href, 6 Eight, 7 /A, 8 bare A, 9 tail.
constexpr const char* kWalkPage =
    "<p><a href=\" /Doc?ID=7 \">[Seven]</a><a name=x><a href=\"/doc?id=8\">Eight</a><a>tail";

TEST(TokenWalks, FindTagSkipsItsStartAndMatchesValuesWithoutCase) {
  const auto page = Tokenized(kWalkPage);
  ASSERT_EQ(page.Count(), 10u);
  TTokenWalker walker(page);
  // From the first link itself: its own value is never tested.
  const auto next = walker.FindTag(1, "A", 0, "HREF", "DOC?id=", TWalkDirection::Forward);
  EXPECT_EQ(next.Position(), 5);
  EXPECT_EQ(next.Text(), "/doc?id=8");
  const auto back = walker.FindTag(5, "A", 0, "HREF", " /doc?id=", TWalkDirection::Backward);
  EXPECT_EQ(back.Position(), 1);
  EXPECT_EQ(back.Text(), "/Doc?ID=7");  // trimmed, case kept
  // An A whose first attribute is another one is passed over; a bare A ends the walk empty.
  const auto bare = walker.FindTag(5, "A", 0, "HREF", "doc", TWalkDirection::Forward);
  EXPECT_TRUE(bare.Empty());
  EXPECT_EQ(bare.Text(), "");
  EXPECT_THROW(bare.Position(), TConvertError);
  // A walk for a second attribute stops empty at the first A with only one.
  EXPECT_TRUE(walker.FindTag(0, "A", 1, "HREF", "doc", TWalkDirection::Forward).Empty());
}

TEST(TokenWalks, StepsPastEitherEndThrow) {
  const auto page = Tokenized(kWalkPage);
  TTokenWalker walker(page);
  const auto last = static_cast<std::ptrdiff_t>(page.Count()) - 1;
  EXPECT_THROW(walker.FindTag(1, "A", 0, "HREF", "doc", TWalkDirection::Backward), TMissingToken);
  EXPECT_THROW(walker.FindTag(8, "A", 0, "HREF", "doc", TWalkDirection::Forward), TMissingToken);
  EXPECT_THROW(walker.FindTag(0, "IMG", 0, "SRC", "x", TWalkDirection::Forward), TMissingToken);
  EXPECT_THROW(walker.FindText(last, "tail", TWalkDirection::Forward), TMissingToken);
  EXPECT_THROW(walker.FindText(0, "tail", TWalkDirection::Backward), TMissingToken);
  EXPECT_THROW(walker.FindText(last + 5, "tail", TWalkDirection::Backward), TMissingToken);
  EXPECT_THROW(walker.FindText(-3, "tail", TWalkDirection::Forward), TMissingToken);
  // The same query again, answered from what the first walk learned.
  EXPECT_THROW(walker.FindTag(8, "A", 0, "HREF", "doc", TWalkDirection::Forward), TMissingToken);
}

TEST(TokenWalks, FindTextSeesTextTokensOnly) {
  const auto page = Tokenized("<td>  Uploader:  </td><UPLOADER:><td>x</td><b>UPLOADER: kemal</b>");
  TTokenWalker walker(page);
  const auto first = walker.FindText(0, "uploader:", TWalkDirection::Forward);
  EXPECT_EQ(first.Position(), 1);
  EXPECT_EQ(first.Text(), "Uploader:");
  const auto second = walker.FindText(1, " Uploader: ", TWalkDirection::Forward);
  EXPECT_EQ(second.Text(), "UPLOADER: kemal");
  EXPECT_EQ(walker.FindText(second.Position(), "uploader", TWalkDirection::Backward).Position(), 1);
  EXPECT_THROW(walker.FindText(0, "", TWalkDirection::Forward), TMissingToken);
}

// One step at a time, as the walks are defined: what the walker's memory of
// earlier walks must never change. -2 stands for "stepped past an end",
// -1 for an empty result.
std::ptrdiff_t SteppedTagWalk(const THTMLParser& page, std::ptrdiff_t start, bool forward) {
  for (std::ptrdiff_t i = forward ? start + 1 : start - 1; page.Has(i); i += forward ? 1 : -1) {
    const THTMLTag* a = page.Item(i).TagNamed("A");
    if (!a) continue;
    if (a->Params.empty()) return -1;
    if (a->Params[0].Name == "HREF" && LowerAscii(a->Params[0].Value).find("podnapis?i=") != std::string::npos)
      return i;
  }
  return -2;
}

TEST(TokenWalks, RememberedStretchesNeverChangeAnAnswer) {
  const auto page = Tokenized(
      "<a href=\"/x/podnapis?i=1\">one</a><p><a>bare<b><a href=\"/x/PODNAPIS?I=2\"><a name=n><i>text"
      "<a href=\"/other\"></a><a href=\"/x/podnapis?i=3\"><br><br><a><a href=\"/x/podnapis?i=4\">end");
  const auto count = static_cast<std::ptrdiff_t>(page.Count());
  // Starts in page order, in reverse, and scattered, walked by one walker each.
  std::vector<std::vector<std::ptrdiff_t>> orders(3);
  for (std::ptrdiff_t i = -1; i <= count; ++i) {
    orders[0].push_back(i);
    orders[1].insert(orders[1].begin(), i);
    orders[2].push_back(((i + 1) * 7 + 3) % (count + 2) - 1);
  }
  for (const auto& order : orders) {
    TTokenWalker walker(page);
    for (const auto start : order) {
      for (const bool forward : {true, false}) {
        const auto expected = SteppedTagWalk(page, start, forward);
        std::ptrdiff_t got = -2;
        try {
          const auto found = walker.FindTag(start, "A", 0, "HREF", "Podnapis?i=",
                                            forward ? TWalkDirection::Forward : TWalkDirection::Backward);
          got = found.Empty() ? -1 : found.Position();
        } catch (const TMissingToken&) {
        }
        ASSERT_EQ(got, expected) << "from " << start << (forward ? " forward" : " backward");
      }
    }
  }
}

TEST(TokenWalks, TextBetween) {
  const struct {
    const char* Text;
    const char* Start;
    const char* End;
    const char* Expected;
  } cases[] = {
      {"Details: 2 CD, SubRip, Uploader:", "Details:", "CD", "2"},
      {"Details: 2 CD, SubRip, Uploader:", ",", ", Uploader:", "SubRip"},
      {"DETAILS: 3 cd", "details:", "CD", "3"},
      {"Details: 2 CD", "Details:", "missing", ""},
      {"Details: 2 CD", "missing", "CD", ""},
      {"CD before Details:", "Details:", "CD", ""},  // the end comes first
      {"Details:CD", "Details:", "CD", ""},
      {", Uploader:", ",", ", Uploader:", ""},
      // Positions found on the trimmed text cut the text as passed in.
      {"  Details: 2 CD", "Details:", "CD", "s:"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.Text, c.Start, c.End), c.Expected) << c.Text << " / " << c.Start << " / " << c.End;
  }
}

TEST(TokenWalks, TextBefore) {
  const struct {
    const char* Text;
    int Start;
    const char* Expected;
  } cases[] = {
      {"3 Pages", 1, "3"},   {"12 PAGES: [1] 2", 1, "12"}, {" 3 Pages", 1, "3"}, {"x 3 Pages", 3, "3"},
      {"3 Pages", 0, ""},    {"3 Sayfa", 1, ""},            {"Pages", 1, ""},     {"3 Pages", 9, ""},
      // Two leading blanks shift the cut left past the number.
      {"\t 3 Pages", 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TextBefore(c.Text, c.Start, "page"), c.Expected) << c.Text;
}

// ---- field rules ----

TEST(PodnapisiFields, LanguageFromCategoryLink) {
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/kategorija?jezik=30"), "Turkish");
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/KATEGORIJA?JEZIK= 5 "), "Germany");
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/kategorija?jezik=0"), "All");
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/kategorija?jezik=100"), "");
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/kategorija?jezik=30&x=1"), "");
  EXPECT_EQ(PodnapisiLinkLanguage("/index.php/ppodnapisi/kategorija?jezik="), "");
  EXPECT_EQ(PodnapisiLinkLanguage(""), "");
}

TEST(PodnapisiFields, FrameRateAndDate) {
  EXPECT_EQ(PodnapisiFrameRate("25"), "25");
  EXPECT_EQ(PodnapisiFrameRate(" 23.976 "), "23.976");
  for (const char* none : {"Timecode", "N/A", "n\\a", "TIMECODE (drop frame)", "25 n/a"}) {
    EXPECT_EQ(PodnapisiFrameRate(none), "") << none;
  }
  EXPECT_EQ(PodnapisiDate("12.05.2004 @ 21:30"), "12.05.2004");
  EXPECT_EQ(PodnapisiDate(" 1.2.2005 "), "1.2.2005");
  EXPECT_EQ(PodnapisiDate("@ 21:30"), "");
  EXPECT_EQ(PodnapisiDate("3.4.2005@@1"), "3.4.2005");
}

// ---- result pages ----

std::vector<TSubtitleInfo> Walk(std::string_view html) {
  std::vector<TSubtitleInfo> records;
  const auto page = Tokenized(html);
  WalkPodnapisiResults(page, kBase, [&](TSubtitleInfo& record) { records.push_back(record); });
  return records;
}

std::string Row(std::string_view id, std::string_view film, std::string_view language, std::string_view fps) {
  return "<tr><td><a href=\"/index.php/ppodnapisi/kategorija?jezik=" + std::string(language) +
         "\"><img src=\"/images/flags/x.gif\"></a></td>\n<td><a href=\"/index.php/ppodnapisi/podnapis?i=" +
         std::string(id) + "\">" + std::string(film) + "</a> (1999)</td>\n" +
         "<td><a href=\"/index.php/ppodnapisi/download?i=" + std::string(id) +
         "\"><img src=\"/images/default/download.gif\" border=0></a></td>\n"
         "<td>Details: 2 CD, FPS: <b>" +
         std::string(fps) +
         "</b>, SubRip, Uploader: <a href=\"/u\">ay\xFE"
         "e</a></td>\n"
         "<td><b>Release:</b></td><td>12.05.2004 @ 21:30</td></tr>\n";
}

const std::string kPreamble =
    "<html><body><a name=top></a><a href=\"/index.php/ppodnapisi/\">Home</a>\n"
    "Languages: <a href=\"/index.php/ppodnapisi/kategorija?jezik=2\">English</a>\n"
    "<img src=\"/images/default/forum/pages_icon.gif\">1 Page\n<table>\n";

TEST(PodnapisiResultPage, EveryFieldOfEveryRow) {
  const auto records = Walk(kPreamble + Row("1001", "A\xF0\xFDr Roman", "30", "23.976") +
                            Row("1002", "Fast &amp; Loud", "5", "Timecode") + "</table></body></html>");
  ASSERT_EQ(records.size(), 2u);
  TSubtitleInfo first;
  first.Url = "http://www.podnapisi.net/index.php/ppodnapisi/podnapis?i=1001";
  first.Language = "Turkish";
  first.FilmName = "A\xF0\xFDr Roman";
  first.CdCount = "2";
  first.Format = "SubRip";
  first.Fps = "23.976";
  first.Uploader = "ay\xFE" "e";
  first.DateAdded = "12.05.2004";
  EXPECT_EQ(records[0], first);
  EXPECT_EQ(records[1].Url, "http://www.podnapisi.net/index.php/ppodnapisi/podnapis?i=1002");
  EXPECT_EQ(records[1].FilmName, "Fast & Loud");
  EXPECT_EQ(records[1].Language, "Germany");
  EXPECT_EQ(records[1].Fps, "");
}

TEST(PodnapisiResultPage, OnlyTheExactDownloadIconMarksARow) {
  for (const char* icon :
       {"<img src=\"/Images/Default/Download.gif\">", "<img src=\" /images/default/download.gif\">",
        "<img src='/images/default/download.gif'>", "<img border=0 src=\"/images/default/download.gif\">", "<img>",
        "<imgsrc=\"/images/default/download.gif\">"}) {
    std::string row = Row("1", "Film", "2", "25");
    row.replace(row.find("<img src=\"/images/default/download.gif\" border=0>"),
                std::string_view("<img src=\"/images/default/download.gif\" border=0>").size(), icon);
    EXPECT_TRUE(Walk(kPreamble + row).empty()) << icon;
  }
}

TEST(PodnapisiResultPage, LanguageLinkThatIsNoNumberLeavesLanguageEmpty) {
  const auto records = Walk(kPreamble + Row("7", "Film", "tr", "25"));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Language, "");
  EXPECT_EQ(records[0].FilmName, "Film");
}

TEST(PodnapisiResultPage, RowThatCannotBeReadEndsTheWalkKeepingEarlierRows) {
  const std::string good = Row("1", "One", "2", "25");
  std::string noRelease = Row("2", "Two", "2", "25");
  noRelease.resize(noRelease.find("<td><b>Release:"));
  std::vector<TSubtitleInfo> records;
  const auto page = Tokenized(kPreamble + good + noRelease);
  EXPECT_THROW(WalkPodnapisiResults(page, kBase, [&](TSubtitleInfo& r) { records.push_back(r); }), TMissingToken);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].FilmName, "One");

  // A bare A between a row's links and its icon: the link walk stops empty,
  // the address is the bare site, and the film name's position cannot be read.
  std::string bare = Row("3", "Three", "2", "25");
  bare.insert(bare.find("<td><a href=\"/index.php/ppodnapisi/download"), "<a>");
  records.clear();
  const auto barePage = Tokenized(kPreamble + good + bare);
  EXPECT_THROW(WalkPodnapisiResults(barePage, kBase, [&](TSubtitleInfo& r) { records.push_back(r); }), TConvertError);
  EXPECT_EQ(records.size(), 1u);

  // The first row has nothing before it to walk back to.
  EXPECT_THROW(Walk("<img src=\"/images/default/download.gif\"><td>Details: 1 CD"), TMissingToken);
}

TEST(PodnapisiResultPage, FieldsAtDistancesReadTagsAsNames) {
  // The frame rate position holds a tag; the uploader position is past a tag pair.
  const auto records = Walk(
      "<a href=\"/index.php/ppodnapisi/kategorija?jezik=2\"><a href=\"/index.php/ppodnapisi/podnapis?i=5\"><br>"
      "<img src=\"/images/default/download.gif\">Details: 1 CD<i><b>x</b>, MicroDVD, Uploader:<b></b>"
      "Release:<p><p><p><p>");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].FilmName, "BR");
  EXPECT_EQ(records[0].Fps, "B");
  EXPECT_EQ(records[0].CdCount, "1");
  EXPECT_EQ(records[0].Format, "MicroDVD");
  EXPECT_EQ(records[0].Uploader, "/B");
  EXPECT_EQ(records[0].DateAdded, "P");
}

// ---- page count ----

std::int32_t PageCount(const std::string& html) { return ReadPodnapisiPageCount(Tokenized(html)); }

TEST(PodnapisiPager, CountFromTheTextAfterTheIcon) {
  const std::string icon = "<p><img src=\"/images/default/forum/pages_icon.gif\" border=0>";
  EXPECT_EQ(PageCount(icon + "3 Pages"), 3);
  EXPECT_EQ(PageCount(icon + " 12 pages: <b>1</b> <a href=\"x&page=2\">2</a>"), 12);
  EXPECT_EQ(PageCount(icon + "1 Page"), 1);
  EXPECT_EQ(PageCount(icon + "2000000000 Pages"), 2000000000);
  EXPECT_EQ(PageCount("<p><img src=\" HTTP://www.Podnapisi.net/IMAGES/Default/Forum/PAGES_ICON.GIF \">4 Pages"), 4);
  // Only the first icon counts.
  EXPECT_EQ(PageCount(icon + "2 Pages" + icon + "9 Pages"), 2);
}

TEST(PodnapisiPager, UnreadableCounts) {
  const std::string icon = "<p><img src=\"/images/default/forum/pages_icon.gif\">";
  EXPECT_THROW(PageCount("<html><body>no pager</body></html>"), TMissingToken);
  EXPECT_THROW(PageCount(icon), TMissingToken);  // the icon is the last token
  // The first token is never tested.
  EXPECT_THROW(PageCount("<img src=\"/images/default/forum/pages_icon.gif\">3 Pages"), TMissingToken);
  for (const std::string& bad : {icon + "Pages", icon + "many pages", icon + "3 Sayfa", icon + "<b>3</b> Pages",
                                 icon + "99999999999 Pages", icon + "\t 3 Pages",
                                 // An IMG without attributes ends the walk before the icon.
                                 "<p><img>" + icon + "3 Pages"}) {
    EXPECT_THROW(PageCount(bad), TConvertError) << bad;
  }
}

// ---- a real page cut short ----

// Cut the stand-in site's page before every tag: each cut page either reads
// to its end or stops with a missing token or an unreadable number, and the
// rows it hands over are always the uncut page's first rows.
TEST(PodnapisiResultPage, PageCutBeforeEveryTag) {
  sim::TCatalogue catalogue = sim::TCatalogue::Standard();
  catalogue.AddGeneratedFilm("Kay\xFDp Giden Y\xFDllar", 2006, 4);
  const sim::TPodnapisiSite site(catalogue);
  sim::TPodnapisiQuery query;
  query.Film = "y\xFDllar";
  const std::string html = site.ResultPage(query);
  const auto full = Walk(html);
  ASSERT_EQ(full.size(), 4u);
  EXPECT_EQ(PageCount(html), 1);

  std::size_t cuts = 0;
  std::size_t previous = 0;
  for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1), ++cuts) {
    const auto page = Tokenized(std::string_view(html).substr(0, at));
    std::vector<TSubtitleInfo> records;
    try {
      ReadPodnapisiPageCount(page);
    } catch (const TMissingToken&) {
    }
    try {
      WalkPodnapisiResults(page, kBase, [&](TSubtitleInfo& record) { records.push_back(record); });
    } catch (const TMissingToken&) {
    } catch (const TConvertError&) {
    }
    ASSERT_LE(records.size(), full.size());
    ASSERT_GE(records.size(), previous) << "cut at " << at;
    for (std::size_t i = 0; i < records.size(); ++i) ASSERT_EQ(records[i], full[i]) << "cut at " << at;
    previous = records.size();
  }
  EXPECT_GT(cuts, 100u);
  EXPECT_EQ(previous, full.size());
}

}  // namespace
}  // namespace velkaro

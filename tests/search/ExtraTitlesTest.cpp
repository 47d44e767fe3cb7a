#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Dispatcher.h"
#include "SearchThread.h"
#include "SiteSearch.h"
#include "adapters/ExtraTitles.h"
#include "adapters/SiteAdapters.h"

namespace velkaro {
namespace {

TEST(ExtraTitlesRequest, LanguageCodes) {
  EXPECT_EQ(ExtraTitlesLanguageCode("Turkish  "), 26);
  EXPECT_EQ(ExtraTitlesLanguageCode(" Chinese GB Code"), 32);
  EXPECT_EQ(ExtraTitlesLanguageCode("All"), 0);
  EXPECT_EQ(ExtraTitlesLanguageCode("Finnish"), 6);
  EXPECT_EQ(ExtraTitlesLanguageCode("turkish"), -1);
  EXPECT_EQ(ExtraTitlesLanguageCode(""), -1);
  EXPECT_EQ(ExtraTitlesLanguageCode("Dutch"), -1);
}

TEST(ExtraTitlesRequest, FormBody) {
  EXPECT_EQ(BuildExtraTitlesQuery("The Ring", 1, 50),
            "rad1=an&aka=&alt=&jaz=1&days=0&z=datum+desc&eq=&cu=&ra=&p=as&pas=&usr_id=&bp=50&z2=&z3=The%20Ring"
            "&trt=&bn=0&xi=&n_trt=&pid=subt2&dels=&delss=&appr=&appra=");
  EXPECT_NE(BuildExtraTitlesQuery("A\xF0\xFDr", -1, 20).find("jaz=-1&"), std::string::npos);
  EXPECT_NE(BuildExtraTitlesQuery("A\xF0\xFDr", -1, 20).find("&z3=A%F0%FDr&"), std::string::npos);
}

TEST(ExtraTitlesDetailValues, FrameRateAndDate) {
  EXPECT_EQ(ExtraTitlesFrameRate("23.976 fps"), "23.976");
  EXPECT_EQ(ExtraTitlesFrameRate("25"), "");
  EXPECT_EQ(ExtraTitlesFrameRate(" 25 fps"), "");
  EXPECT_EQ(ExtraTitlesFrameRate("25 "), "25");

  EXPECT_EQ(ConvertExtraTitlesDate("Jan, 05 2004"), "05.01.04");
  EXPECT_EQ(ConvertExtraTitlesDate("DEC, 31 1999"), "31.12.99");
  EXPECT_EQ(ConvertExtraTitlesDate("January, 05 2004"), "05..04");
  EXPECT_EQ(ConvertExtraTitlesDate("Jan, 05"), "05.01.");
  EXPECT_EQ(ConvertExtraTitlesDate(""), "..");
  EXPECT_EQ(ConvertExtraTitlesDate(","), "..");
}

THTMLParser Tokenized(const std::string& html) {
  THTMLParser parser;
  parser.SetText(html);
  parser.Parse();
  return parser;
}

TEST(ExtraTitlesDetailPage, LabelsAtTheirDistances) {
  const auto page = Tokenized(
      "<table><tr><td>framerate:<td>23.976 fps</tr>\n"
      "<tr><td>contributor:</td><td>Ay\xFE" "e</td></tr>\n"
      "<tr><td> format: <td>SubRip</tr>\n"
      "<tr><td>date:<td>Feb, 07 2005</tr>\n"
      "<tr><td>number of CDs:<td>2</tr>\n"
      "<a href=\"xsubt.subt.link.php?id=1/first.zip\">x</a>\n"
      "<a href=\"xsubt.subt.link.php?id=1/Film.cd2.rar\">download</a></table>");
  TSubtitleInfo record;
  record.Url = "detail";
  ReadExtraTitlesDetails(page, "http://www.extratitles.net/", record);
  EXPECT_EQ(record.Fps, "23.976");
  EXPECT_EQ(record.Uploader, "Ay\xFE" "e");
  EXPECT_EQ(record.Format, "SubRip");
  EXPECT_EQ(record.DateAdded, "07.02.05");
  EXPECT_EQ(record.CdCount, "2");
  EXPECT_EQ(record.Url, "http://www.extratitles.net/xsubt.subt.link.php?id=1/Film.cd2.rar");
}

TEST(ExtraTitlesDetailPage, MissingOrMisplacedValuesLeaveFieldsEmpty) {
  TSubtitleInfo record;
  record.Url = "kept";
  const TSubtitleInfo untouched = record;
  // A tag at the distance, a label at the very end, a label with different case.
  ReadExtraTitlesDetails(Tokenized("<td>format:<td><b>x</b> <td>Framerate:<td>25 fps <td>number of CDs:"),
                         "http://h/", record);
  EXPECT_EQ(record, untouched);
  ReadExtraTitlesDetails(Tokenized("<html><body>nothing here</body></html>"), "http://h/", record);
  EXPECT_EQ(record, untouched);
}

// Parses a result page on the test's own thread, which owns the dispatcher, so
// hand-overs run inline. Detail requests go to a closed port and fail at once.
class ExtraTitlesResultPage : public testing::Test {
 protected:
  std::vector<TSubtitleInfo> Parse(const std::string& html) {
    TSiteTable sites = TSiteTable::Defaults();
    sites[SiteId::ExtraTitles].Host = "127.0.0.1:1";
    std::vector<TSubtitleInfo> records;
    auto thread = TSearchThread::Create(std::make_shared<TQueueDispatcher>(), {},
                                        {.OnRecord = [&](TSubtitleInfo& record) { records.push_back(record); }}, sites);
    thread->Tokenize(SplitLines(html));
    WalkCurrentPage(kExtraTitlesAdapter, *thread);
    return records;
  }
};

TEST_F(ExtraTitlesResultPage, RecordsInFlagOrder) {
  const auto records = Parse(
      "<img src=\"logo.gif\" alt=\"logo\">\n"
      "<tr><td><img src=\"pics/flags/tr.gif\" alt=\"Turkish\"></td>\n"
      "<td><span class='mf2'>Film One</span> <a href=\"index.php?pid=subt2&rid=11\">x</a></td></tr>\n"
      "<tr><td><img border=0 src=\"/pics/flags/en.gif\" alt=\"English\"></td>\n"
      "<td><span class='mf2'>Film Two</span> <a href=\"view?id=12\">x</a></td></tr>\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Language, "Turkish");
  EXPECT_EQ(records[0].FilmName, "Film One");
  EXPECT_EQ(records[0].Url, "http://127.0.0.1:1/index.php?pid=subt2&p=i&rid=11");
  EXPECT_EQ(records[1].Language, "English");
  EXPECT_EQ(records[1].FilmName, "Film Two");
  EXPECT_EQ(records[1].Url, "");
}

TEST_F(ExtraTitlesResultPage, FlagsThatAreNotResults) {
  EXPECT_TRUE(Parse("<html><body><img src=\"x.gif\" alt=\"a\"></body></html>").empty());
  // The next attribute after SRC must be ALT.
  EXPECT_TRUE(Parse("<img src=\"pics/flags/tr.gif\" width=1 alt=\"Turkish\">").empty());
  EXPECT_TRUE(Parse("<img alt=\"Turkish\" src=\"pics/flags/tr.gif\">").empty());
}

TEST_F(ExtraTitlesResultPage, SearchesRunPastTheNextFlag) {
  const auto records = Parse(
      "<img src=\"pics/flags/tr.gif\" alt=\"Turkish\">"
      "<span>plain</span><span class=\"mf2\">double quoted</span>"
      "<img src=\"pics/flags/en.gif\" alt=\"English\"><a>no href</a>"
      "<span class='mf2'>Shared</span><a href=\"?rid=5&x\">");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].FilmName, "Shared");
  EXPECT_EQ(records[0].Url, records[1].Url);
  EXPECT_EQ(records[1].Url, "http://127.0.0.1:1/index.php?pid=subt2&p=i&rid=5&x");
}

TEST_F(ExtraTitlesResultPage, TitleSpanAsLastTokenLeavesNameEmpty) {
  const auto records = Parse("<img src=\"pics/flags/tr.gif\" alt=\"Turkish\"><span class='mf2'>");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].FilmName, "");
  EXPECT_EQ(records[0].Language, "Turkish");
}

}  // namespace
}  // namespace velkaro

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "adapters/SubDb.h"
#include "adapters/TokenScan.h"
#include "sitesim/Catalogue.h"
#include "sitesim/SubDbSite.h"
#include "SubDbReferenceWalk.h"

namespace velkaro {
namespace {

// The number of result pages a first page states, from a fresh tokenizer over its lines.
std::int64_t SubDbPageCount(const TLines& lines) { return ReadTokenized(lines, ReadSubDbPageCount); }

constexpr const char* kBase = "http://www.subdb.net/";

TEST(SubDbRequest, LanguageText) {
  const struct {
    const char* Item;
    const char* Text;
  } cases[] = {
      {"All", "[all%20languages]"},
      {" All ", "[all%20languages]"},
      {"all", "all"},
      {"Turkish   ", "turkish"},
      {"Chinese GB Code", "chinese gb code"},
      {"Bulgarian_English", "bulgarian_english"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SubDbLanguage(c.Item), c.Text) << c.Item;
}

TEST(SubDbRequest, QueryText) {
  EXPECT_EQ(BuildSubDbQuery("The Matrix", SubDbLanguage("All")),
            "subdb/html/modules.php?name=Download_Subtitles&edsearch=The%20Matrix"
            "&combo_language=[all%20languages]&fast_search=1&page=1");
  EXPECT_EQ(BuildSubDbQuery("A\xF0\xFDr", ""),
            "subdb/html/modules.php?name=Download_Subtitles&edsearch=A%F0%FDr&combo_language=&fast_search=1&page=1");
  // The language is not encoded.
  EXPECT_NE(BuildSubDbQuery("x", SubDbLanguage("Chinese GB Code")).find("&combo_language=chinese gb code&"),
            std::string::npos);
}

TEST(SubDbValues, CutAtDash) {
  const struct {
    const char* Value;
    const char* Field;
  } cases[] = {
      {"english - something", "english"},
      {"  SubRip - 1 ", "SubRip"},
      {"-1", "-1"},
      {" -1", "-1"},
      {"23.976", "23.976"},
      {"a - b - c", "a"},
      // The character before the dash goes with it, blank or not.
      {"SubRip-1", "SubRi"},
      {"x-y", ""},
      {"english  - x", "english "},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SubDbFieldValue(c.Value), c.Field) << c.Value;
}

TEST(SubDbValues, Date) {
  EXPECT_EQ(ConvertSubDbDate("2004-05-17 12:34:56"), "17.05.04");
  EXPECT_EQ(ConvertSubDbDate(" 1999-12-31 "), "31.12.99");
  EXPECT_EQ(ConvertSubDbDate("2004-05-17-x 1"), "17.05.04");
  EXPECT_EQ(ConvertSubDbDate("04-5-7"), "7.5.");
  EXPECT_EQ(ConvertSubDbDate("2004--17"), "17..04");
  EXPECT_EQ(ConvertSubDbDate(" -05-17"), "17.05.");
  for (const char* bad : {"2004-05", "2004-05- 17", "2004/05/17 10:00", "", "   ", "2004-"}) {
    EXPECT_THROW(ConvertSubDbDate(bad), TConvertError) << bad;
  }
}

TEST(SubDbPaging, PagesForResults) {
  const struct {
    std::int32_t Results;
    std::int64_t Pages;
  } cases[] = {
      {20, 1}, {40, 2}, {45, 3}, {21, 2}, {1, 1}, {0, 0}, {-45, -2},
      {2000000000, 100000000}, {std::numeric_limits<std::int32_t>::max(), 107374183},
  };
  for (const auto& c : cases) EXPECT_EQ(SubDbPagesFor(c.Results), c.Pages) << c.Results;
}

THTMLParser Tokenized(const std::string& html) {
  THTMLParser parser;
  parser.SetText(html);
  parser.Parse();
  return parser;
}

TEST(SubDbPaging, PageCountFromTotalTexts) {
  const struct {
    const char* Page;
    std::int64_t Count;
  } cases[] = {
      {"<td>Total items found = 45 of 3 pages</td>", 3},
      {"<td>Total items found = 40 of 2 pages</td>", 2},
      {"<td>Total items found = 20 of 1 pages</td>", 1},
      {"<td>Total items found = 0 of 0 pages</td>", 0},
      {"<td>nothing about totals</td>", 0},
      // "of" before "=": 0 at once, whatever came before or comes after.
      {"<td>Number of items found = 45</td>", 0},
      {"<td>Total items found = 45 of 3</td><td>Number of items found = 45</td>"
       "<td>Total items found = 99 of 5</td>",
       0},
      // "=" without "of" is "of" at 0, so also 0 at once.
      {"<td>Total items found = 45 of 3</td><td>items found = 45</td>", 0},
      // "of" without "=" is passed over; the last total wins.
      {"<td>Total items found = 45 of 3</td><td>some items found of many</td>", 3},
      {"<td>Total items found = 45 of 3</td><td>Total items found = 61 of 4</td>", 4},
      // Case counts; tags never count.
      {"<td>Total Items Found = 45 of 3</td><items found = 45 of 3>", 0},
      // The number starts two characters after "=": without the blank its first digit is lost.
      {"<td>items found =45 of 3</td>", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadSubDbPageCount(Tokenized(c.Page)), c.Count) << c.Page;
  EXPECT_EQ(ReadSubDbPageCount(Tokenized("Total items found = 2000000000 of 100000000 pages")), 100000000);
  EXPECT_EQ(SubDbPageCount(SplitLines("<p>\nTotal items found = 45 of 3 pages\n</p>")), 3);
}

TEST(SubDbPaging, TotalThatIsNotANumberThrows) {
  for (const char* page : {"Total items found = many of 3 pages", "Total items found = of 3", "items found =of",
                           "Total items found = 2147483648 of 107374183 pages", "Total items found = 4 5 of 3"}) {
    EXPECT_THROW(ReadSubDbPageCount(Tokenized(page)), TConvertError) << page;
  }
}

std::vector<TSubtitleInfo> Walk(const std::string& html) {
  std::vector<TSubtitleInfo> records;
  WalkSubDbResults(Tokenized(html), kBase, [&](TSubtitleInfo& record) { records.push_back(record); });
  return records;
}

std::string Row(const std::string& film, const std::string& id, const std::string& uploader = "kemal") {
  return "<table><tr><td><b>Title:</b> " + film + " </td><td><a class=\"d\" href=\"modules.php?name=Download_Subtitles"
         "&download_file_id=" + id + "\"><img src=\"d.gif\"></a></td></tr>\n"
         "<tr><td><b>Language:</b> english - en</td><td><b>CDS:</b> 2</td></tr>\n"
         "<tr><td><b>Format:</b> SubRip - srt</td><td><b>FPS:</b> 23.976</td></tr>\n"
         "<tr><td><b>Added on:</b> 2004-05-17 12:34:56</td></tr>\n"
         "<tr><td><b>Thanks to:</b> " + uploader + " - <a href=\"u.php\">profile</a></td></tr></table>\n";
}

TEST(SubDbResultPage, RowsInPageOrderWithEveryField) {
  const auto records = Walk("<html><a href=\"index.php\">home</a>" + Row("The Matrix", "7") +
                            Row("Fast &amp; Loud", "8", "ay\xFE" "e"));
  ASSERT_EQ(records.size(), 2u);
  TSubtitleInfo first;
  first.FilmName = "The Matrix";
  first.Url = "http://www.subdb.net/subdb/html/modules.php?name=Download_Subtitles&download_file_id=7";
  first.Language = "English";
  first.CdCount = "2";
  first.Format = "SubRip";
  first.Fps = "23.976";
  first.DateAdded = "17.05.04";
  first.Uploader = "kemal";
  EXPECT_EQ(records[0], first);
  EXPECT_EQ(records[1].FilmName, "Fast & Loud");
  EXPECT_EQ(records[1].Uploader, "ay\xFE" "e");
  EXPECT_EQ(records[1].Url, "http://www.subdb.net/subdb/html/modules.php?name=Download_Subtitles&download_file_id=8");
}

TEST(SubDbResultPage, RowLabelAndFilmName) {
  // Trimmed and compared without case; the name is two tokens on, a tag giving its name.
  auto records = Walk("<td>  TITLE: \n</td><td><b>x</b></td> <p>Title</p> <p>title: x</p>");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].FilmName, "TD");
  EXPECT_EQ(records[0].Url, "");
  EXPECT_EQ(records[0].DateAdded, "");
}

TEST(SubDbResultPage, FirstMatchingLabelDecidesAndLaterOnesOverwrite) {
  const auto records = Walk(
      "<b>Title:</b> A<b>Language: FPS:</b> turkish<b>language:</b> x<b>FPS:</b> 25"
      "<b>Format:</b> SubRip<b>Format:</b> MicroDVD - sub<b>CDS: Thanks to:</b> 1<b>Thanks to:</b> zeynep"
      "<b>FPS:</b> 30");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Language, "Turkish");
  EXPECT_EQ(records[0].Fps, "25");
  EXPECT_EQ(records[0].Format, "MicroDVD");
  EXPECT_EQ(records[0].CdCount, "1");
  EXPECT_EQ(records[0].Uploader, "zeynep");
}

TEST(SubDbResultPage, ScansRunIntoTheFollowingRows) {
  // The first row lacks its "Thanks to:", download link and date: it takes
  // them from the second row, whose labels also overwrite its own.
  const auto records = Walk(
      "<b>Title:</b> One<b>Language:</b> turkish<b>FPS:</b> 25<b>CDS:</b> 1\n"
      "<b>Title:</b> Two<b>FPS:</b> 30<a class=\"d\" href=\"modules.php?name=Download_Subtitles&download_file_id=2\">"
      "<b>Added on:</b> 2005-01-02<b>Thanks to:</b> mike\n"
      "<b>Title:</b> Three<b>Language:</b> -de<b>Thanks to:</b> klaus");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Language, "Turkish");
  EXPECT_EQ(records[0].CdCount, "1");
  EXPECT_EQ(records[0].Fps, "30");
  EXPECT_EQ(records[0].Uploader, "mike");
  EXPECT_EQ(records[0].Url, records[1].Url);
  EXPECT_EQ(records[0].DateAdded, "02.01.05");
  EXPECT_EQ(records[1].Language, "");
  EXPECT_EQ(records[1].Fps, "30");
  EXPECT_EQ(records[2].Language, "-de");
  EXPECT_EQ(records[2].Fps, "");
  EXPECT_EQ(records[2].Url, "");
  EXPECT_EQ(records[2].DateAdded, "");
  EXPECT_EQ(records[2].Uploader, "klaus");
}

TEST(SubDbResultPage, DownloadLinkShape) {
  const std::string mark = "modules.php?name=Download_Subtitles&download_file_id=";
  const auto records = Walk("<b>Title:</b> A"
                            "<a href=\"" + mark + "1\">"                  // one attribute
                            "<a href=\"" + mark + "2\" class=\"x\">"      // HREF first
                            "<a class=x title=\"" + mark + "3\">"         // second is not HREF
                            "<a class=x href=\"modules.php?name=Download_Subtitles&op=details&id=4\">"
                            "<area class=x href=\"" + mark + "5\">"
                            "<a class=x href=" + mark + "6 target=_blank>");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Url, std::string(kBase) + "subdb/html/" + mark + "6");
}

TEST(SubDbResultPage, BadDateEndsTheWalkAfterEarlierRows) {
  std::vector<TSubtitleInfo> records;
  const auto page = Tokenized(Row("One", "1") + "<b>Title:</b> Two<b>Added on:</b> 17.05.2004<b>Thanks to:</b> x");
  EXPECT_THROW(WalkSubDbResults(page, kBase, [&](TSubtitleInfo& r) { records.push_back(r); }), TConvertError);
  EXPECT_EQ(records.size(), 1u);
}

TEST(SubDbResultPage, ValuesPastThePageEndThrow) {
  for (const char* page : {"<b>Title:</b>", "<b>Title:</b> A<b>Language:</b>", "<b>Title:</b> A<b>Added on:</b>",
                           "<b>Title:</b> A<b>FPS:</b> 1<i>x</i>CDS:"}) {
    EXPECT_THROW(Walk(page), TMissingToken) << page;
  }
  // A label past the row's "Thanks to:" is not read.
  EXPECT_EQ(Walk("<b>Title:</b> A<b>Thanks to:</b> x<b>FPS:").size(), 1u);
  EXPECT_TRUE(Walk("").empty());
}

// The stand-in site's own page, cut off before every tag and after every tag:
// the walk must end cleanly or with TMissingToken, and every row it hands over
// except the last one must be whole.
TEST(SubDbResultPage, PageCutOffAtEveryToken) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm("K\xFD" "r\xFDk A\xF0" "a\xE7", 2004, 3);
  std::vector<const sim::TSimSubtitle*> rows;
  for (const auto& subtitle : catalogue.Subtitles()) rows.push_back(&subtitle);
  const std::string html = sim::TSubDbSite::PageOf(catalogue, rows, "k", sim::TSubDbSite::TotalText(rows.size()));
  const auto full = Walk(html);
  ASSERT_EQ(full.size(), rows.size());

  std::size_t cuts = 0;
  for (std::size_t at = 0; at <= html.size(); ++at) {
    if (at < html.size() && html[at] != '<' && (at == 0 || html[at - 1] != '>')) continue;
    ++cuts;
    const auto page = Tokenized(html.substr(0, at));
    std::vector<TSubtitleInfo> records;
    try {
      WalkSubDbResults(page, kBase, [&](TSubtitleInfo& r) { records.push_back(r); });
    } catch (const TMissingToken&) {
    }
    ASSERT_LE(records.size(), full.size()) << at;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) EXPECT_EQ(records[i], full[i]) << "cut at " << at;
    EXPECT_NO_THROW(ReadSubDbPageCount(page));
  }
  EXPECT_GT(cuts, 100u);
}

// The outcome of one walk: the records handed over and how it ended.
struct TWalkOutcome {
  std::vector<TSubtitleInfo> Records;
  std::string End = "finished";
};

template <typename Walker>
TWalkOutcome Outcome(Walker walk, const THTMLParser& page) {
  TWalkOutcome outcome;
  try {
    walk(page, kBase, [&](TSubtitleInfo& r) { outcome.Records.push_back(r); });
  } catch (const TMissingToken&) {
    outcome.End = "missing token";
  } catch (const TConvertError&) {
    outcome.End = "bad date";
  }
  return outcome;
}

// Pages stitched from row pieces in random order, with pieces missing,
// repeated and misplaced: the linear walk and the scan-by-scan reading agree.
TEST(SubDbResultPage, SameRecordsAsScanningForwardFromEachRow) {
  const std::vector<std::string> pieces = {
      "<b>Title:</b>", " Film A", "<td> title: </td>", "<b>Language:</b>", " english - en", "<b>CDS:</b>", " 2",
      "<b>Format:</b>", " SubRip - srt", "<b>FPS:</b>", " 25", "<b>Thanks to:</b>", " kemal - ",
      "<b>Added on:</b>", " 2004-05-17 10:00:00", " 2004-05", "<i>Language: FPS: Thanks to:</i>",
      "<a class=d href=\"modules.php?name=Download_Subtitles&download_file_id=1\">",
      "<a href=\"modules.php?name=Download_Subtitles&download_file_id=2\" class=d>", "<a class=d href=\"x.php\">",
      "</a>", "<br>", " ", "Thanks to: Language:",
  };
  std::mt19937 random(20240517);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 60);
  std::size_t withRecords = 0;
  std::map<std::string, int> ends;
  for (int round = 0; round < 800; ++round) {
    std::string html;
    for (int i = length(random); i > 0; --i) html += pieces[pick(random)];
    const auto page = Tokenized(html);
    const auto linear = Outcome(WalkSubDbResults, page);
    const auto reference = Outcome(testing_support::ReferenceWalkSubDb, page);
    ASSERT_EQ(linear.End, reference.End) << html;
    ASSERT_EQ(linear.Records, reference.Records) << html;
    if (!linear.Records.empty()) ++withRecords;
    ++ends[linear.End];
  }
  EXPECT_GT(withRecords, 150u);
  EXPECT_GT(ends["finished"], 50);
  EXPECT_GT(ends["missing token"], 50);
  EXPECT_GT(ends["bad date"], 50);
}

}  // namespace
}  // namespace velkaro

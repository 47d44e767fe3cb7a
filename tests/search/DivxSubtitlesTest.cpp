#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "adapters/DivxSubtitles.h"
#include "adapters/TokenScan.h"
#include "sitesim/Catalogue.h"
#include "sitesim/DivxSubtitlesSite.h"

namespace velkaro {
namespace {

// The total a first page states, from a fresh tokenizer over its lines.
std::int32_t DivxSubtitlesTotal(const TLines& lines) { return ReadTokenized(lines, ReadDivxSubtitlesTotal); }

constexpr const char* kBase = "http://www.divxsubtitles.net/";

THTMLParser Tokenized(std::string_view html) {
  THTMLParser parser;
  parser.SetText(html);
  parser.Parse();
  return parser;
}

std::vector<TSubtitleInfo> Walk(std::string_view html) {
  const THTMLParser page = Tokenized(html);
  std::vector<TSubtitleInfo> records;
  WalkDivxSubtitlesResults(page, kBase, [&](TSubtitleInfo& record) { records.push_back(record); });
  return records;
}

// What the walk makes of a row the stand-in site wrote (the frame rate comes later).
TSubtitleInfo RowRecord(const sim::TCatalogue& catalogue, const sim::TSimSubtitle& subtitle) {
  TSubtitleInfo record;
  record.FilmName = catalogue.FilmOf(subtitle).Name;
  record.Url = kBase + sim::TDivxSubtitlesSite::DetailPath(subtitle);
  record.Language = subtitle.Language;
  record.Format = subtitle.Format;
  record.CdCount = std::to_string(subtitle.CdCount);
  record.Uploader = subtitle.Uploader;
  record.DateAdded = sim::TDivxSubtitlesSite::DateText(subtitle.Date);
  std::replace(record.DateAdded.begin(), record.DateAdded.end(), '/', '.');
  return record;
}

TEST(DivxSubtitlesRequest, LanguageCodes) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"Turkish   ", 22},
      {"Bulgarian_English", 20},
      {" Chinese GB Code", 24},
      {"Germany", 4},
      {"Finnish", 100},
      {"Swedish", 7},
      {"All", -1},
      {"", -1},
      {"turkish", -1},
      {"Dutch", -1},
  };
  for (const auto& [item, code] : cases) EXPECT_EQ(DivxSubtitlesLanguageCode(item), code) << item;
}

TEST(DivxSubtitlesRequest, FormBodyEncodesOnlyTheFilm) {
  EXPECT_EQ(BuildDivxSubtitlesQuery("The Ring", 2),
            "_language=2&_format=-1&_date=-1&_grade=-2&_character=-1&_free=The%20Ring"
            "&firstSearch=true&pageNo=1&recPerPage=40");
  EXPECT_EQ(BuildDivxSubtitlesQuery("A\xF0\xFDr 100%", -1),
            "_language=-1&_format=-1&_date=-1&_grade=-2&_character=-1&_free=A%F0%FDr%20100%25"
            "&firstSearch=true&pageNo=1&recPerPage=40");
}

TEST(DivxSubtitlesPaging, PageCounts) {
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {0, 0}, {1, 1}, {50, 1}, {51, 2}, {100, 2}, {120, 3}, {-7, 1}, {2000000000, 40000000}, {INT32_MAX, 42949673},
  };
  for (const auto& [total, pages] : cases) EXPECT_EQ(DivxSubtitlesPageCount(total), pages) << total;
}

TEST(DivxSubtitlesPaging, FurtherPageAddressTakesFilmAndLanguageAsSent) {
  const std::string query = BuildDivxSubtitlesQuery("The Ring", 2);
  EXPECT_EQ(DivxSubtitlesPagePath(query, 2),
            "page_searchedsubtitles.php?orderby=SubName&direction=&maxres=50&_free=The%20Ring&_character=-1"
            "&_language=2&_date=-1&_format=-1&_grade=&nbcd=-1&starts=50");
  EXPECT_TRUE(DivxSubtitlesPagePath(query, 3).ends_with("&starts=100"));
  EXPECT_TRUE(DivxSubtitlesPagePath(query, 40000000).ends_with("&starts=1999999950"));
  // "&" and "=" in the film are encoded, so the whole film value is carried over.
  EXPECT_NE(DivxSubtitlesPagePath(BuildDivxSubtitlesQuery("Fast & Loud=2", 22), 2)
                .find("&_free=Fast%20%26%20Loud%3D2&_character=-1&_language=22&"),
            std::string::npos);
  // "=" inside the value stays; a missing key gives an empty value.
  EXPECT_NE(DivxSubtitlesPagePath("_free=a=b", 2).find("&_free=a=b&_character=-1&_language=&_date"), std::string::npos);
}

TEST(DivxSubtitlesPaging, TotalFromTheMarkerTwoTokensEarlier) {
  const std::string marker = " subtitles found in database that match your search";
  const std::pair<std::string, std::int32_t> cases[] = {
      {"<b>120</b>" + marker, 120},
      {"<b> 7 </b>" + marker, 7},
      {"<p>nothing found</p>", 0},
      {"<b>3</b>" + marker + "<i>9</i>" + marker, 9},
      // A tag two tokens earlier: no total from that pair.
      {"<b>5</b>" + marker + "<p><br>" + marker, 5},
      // Case counts.
      {"<b>5</b> Subtitles Found In Database That Match Your Search", 0},
      {"<b>2000000000</b>" + marker, 2000000000},
  };
  for (const auto& [html, total] : cases) {
    EXPECT_EQ(ReadDivxSubtitlesTotal(Tokenized(html)), total) << html;
    EXPECT_EQ(DivxSubtitlesTotal(SplitLines(html)), total) << html;
  }
  for (const std::string bad : {"many", "1,234", "12O", " ", "99999999999"}) {
    EXPECT_THROW(ReadDivxSubtitlesTotal(Tokenized("<b>" + bad + "</b>" + marker)), TConvertError) << bad;
  }
  // The first bad pair ends the read even when a good one follows.
  EXPECT_THROW(ReadDivxSubtitlesTotal(Tokenized("<b>x</b>" + marker + "<b>5</b>" + marker)), TConvertError);
  EXPECT_THROW(ReadDivxSubtitlesTotal(Tokenized("<b>" + marker)), TMissingToken);
}

TEST(DivxSubtitlesDetailPage, FrameRateCleaning) {
  const std::pair<const char*, const char*> cases[] = {
      {"23.976 FPS", "23.976"},   {"25", "25"},         {"N/A", ""},    {" N/A ", ""},
      {" 25 FPS", " 25"},         {"25FPS", "25"},      {"FPS", "FPS"}, {"xFPS", "x"},
      {"29.97 fps", "29.97 fps"}, {"25 FPS FPS", "25"},
  };
  for (const auto& [text, fps] : cases) EXPECT_EQ(CleanDivxSubtitlesFps(text), fps) << text;
}

TEST(DivxSubtitlesDetailPage, LabelAndValueSixTokensLater) {
  const std::string row = "<td><b>Framerate:</b></td><td><img><span>23.976 FPS</span></td>";
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized(row)), "23.976");
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized("<td><b> FRAMERATE: </b></td><td><img><span>25</span></td>")), "25");
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized("<p>no frame rate here</p>")), "");
  // A tag at the distance gives nothing; a later label with a value wins.
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized("<td><b>framerate:</b></td><td><img><span><i>25</i></span></td>")), "");
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized(row + "<td><b>framerate:</b></td><td><img><span>25 FPS</span></td>")), "25");
  EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized(row + "<td><b>framerate:</b></td><td><img><span><i>x</i>")), "23.976");
  EXPECT_THROW(ReadDivxSubtitlesFps(Tokenized("<td><b>framerate:</b></td><td><img>")), TMissingToken);
}

// A row written by hand, with every cell at its distance from the link.
std::string HandRow(std::string_view href, std::string_view uploaderCell, std::string_view format = "SubRip") {
  return std::string("<tr><td><a href=") + std::string(href) + ">  Film\tName  </a></td>\n" +
         "<td><img src=flag.gif></td><td> Turkish </td><td><span>" + std::string(format) + "</span></td>" +
         "<td>2</td><td>17</td><td><img src=r.gif></td>" + std::string(uploaderCell) +
         "<nobr>12/05/2004</nobr></td></tr>\n";
}

TEST(DivxSubtitlesResultPage, FieldsAtTheirDistances) {
  const auto records = Walk(HandRow("'page_subtitleinformation.php?ID=7'",
                                    "<td><img>ay\xFE"
                                    "e</td><td>") +
                            HandRow("\"page_subtitleinformation.php?ID=8&x='y'\"", "<td>mike</td><td>", " N/A "));
  ASSERT_EQ(records.size(), 2u);
  TSubtitleInfo first;
  first.Url = std::string(kBase) + "page_subtitleinformation.php?ID=7";
  first.FilmName = "Film\tName";
  first.Language = "Turkish";
  first.Format = "SubRip";
  first.CdCount = "2";
  first.Uploader =
      "ay\xFE"
      "e";
  first.DateAdded = "12.05.2004";
  EXPECT_EQ(records[0], first);
  // Without the icon the uploader and the date stand one token earlier.
  TSubtitleInfo second = first;
  second.Url = std::string(kBase) + "page_subtitleinformation.php?ID=8&x=y";
  second.Format = "";
  second.Uploader = "mike";
  EXPECT_EQ(records[1], second);
}

TEST(DivxSubtitlesResultPage, TagsAtFieldPositionsLeaveFieldsEmpty) {
  std::string row = "<a href=page_subtitleinformation.php?ID=1>";
  for (int i = 0; i < 30; ++i) row += "<i>";
  const auto records = Walk(row);
  ASSERT_EQ(records.size(), 1u);
  TSubtitleInfo only;
  only.Url = std::string(kBase) + "page_subtitleinformation.php?ID=1";
  EXPECT_EQ(records[0], only);
}

TEST(DivxSubtitlesResultPage, LinksThatAreNotResults) {
  // Nothing follows the link: one taken for a result would throw.
  const std::string tail = "x";
  for (const std::string link :
       {"<a>", "<a title=x href=page_subtitleinformation.php?ID=1>", "<a href=page_subtitleinformation.php?id=1>",
        "<img href=page_subtitleinformation.php?ID=1>", "<a href=index.php>"}) {
    EXPECT_TRUE(Walk(link + tail).empty()) << link;
  }
}

TEST(DivxSubtitlesResultPage, ARowCutShortEndsTheWalkAfterTheRowsBefore) {
  const std::string page = HandRow("page_subtitleinformation.php?ID=1", "<td>a</td><td>") +
                           HandRow("page_subtitleinformation.php?ID=2", "<td>b</td><td>");
  const THTMLParser tokens = Tokenized(page.substr(0, page.rfind("<nobr>")));
  std::vector<TSubtitleInfo> records;
  EXPECT_THROW(WalkDivxSubtitlesResults(tokens, kBase, [&](TSubtitleInfo& r) { records.push_back(r); }), TMissingToken);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Uploader, "a");
}

class DivxSubtitlesSitePage : public testing::Test {
 protected:
  DivxSubtitlesSitePage() {
    // Rows with and without the uploader icon, N/A cells, escaped and Turkish letters.
    Catalogue.AddGeneratedFilm(
        "K\xFC\xE7\xFCk A\xF0"
        "a & Co",
        1983, 2);
    Catalogue.AddFilm({"\xDE\xFCkr\xFC Bey'in <D\xFC\xF0\xFCn\xFC>", 1999});
    Catalogue.AddSubtitle({0, 0, "Turkish", "", 1, "", {2000, 2, 29}, "", "x.srt"});
    for (const auto& subtitle : Catalogue.Subtitles()) Rows.push_back(&subtitle);
  }

  std::string Page() const { return sim::TDivxSubtitlesSite(Catalogue).ResultPage(Rows, Rows.size(), "x"); }

  sim::TCatalogue Catalogue;
  std::vector<const sim::TSimSubtitle*> Rows;
};

TEST_F(DivxSubtitlesSitePage, EveryRowReadBack) {
  const auto records = Walk(Page());
  ASSERT_EQ(records.size(), Rows.size());
  for (std::size_t i = 0; i < Rows.size(); ++i) EXPECT_EQ(records[i], RowRecord(Catalogue, *Rows[i])) << i;
  EXPECT_EQ(DivxSubtitlesTotal(SplitLines(Page())), static_cast<std::int32_t>(Rows.size()));
  for (const auto* subtitle : Rows) {
    EXPECT_EQ(ReadDivxSubtitlesFps(Tokenized(sim::TDivxSubtitlesSite(Catalogue).DetailPage(*subtitle))), subtitle->Fps);
  }
}

// Cut points at every token boundary and inside tags and texts.
bool IsCutPoint(std::string_view page, std::size_t cut) {
  return cut == 0 || cut == page.size() || std::string_view("<> \n/=").find(page[cut - 1]) != std::string_view::npos;
}

// The page cut off at every token: each reader either finishes or meets the
// end of its tokens, and rows read before the cut are read in full.
TEST_F(DivxSubtitlesSitePage, CutAtEveryTokenNeverReadsPastTheEnd) {
  const std::string page = Page();
  const auto full = Walk(page);
  for (std::size_t cut = 0; cut <= page.size(); ++cut) {
    if (!IsCutPoint(page, cut)) continue;
    const THTMLParser tokens = Tokenized(std::string_view(page).substr(0, cut));
    std::vector<TSubtitleInfo> records;
    try {
      WalkDivxSubtitlesResults(tokens, kBase, [&](TSubtitleInfo& r) { records.push_back(r); });
    } catch (const TMissingToken&) {
    }
    ASSERT_LE(records.size(), full.size());
    for (std::size_t i = 0; i + 1 < records.size(); ++i) ASSERT_EQ(records[i], full[i]) << cut;
    try {
      ReadDivxSubtitlesTotal(tokens);
    } catch (const TMissingToken&) {
    } catch (const TConvertError&) {
    }
  }
  const std::string detail = sim::TDivxSubtitlesSite(Catalogue).DetailPage(*Rows[0]);
  for (std::size_t cut = 0; cut <= detail.size(); ++cut) {
    if (!IsCutPoint(detail, cut)) continue;
    try {
      ReadDivxSubtitlesFps(Tokenized(std::string_view(detail).substr(0, cut)));
    } catch (const TMissingToken&) {
    }
  }
}

}  // namespace
}  // namespace velkaro

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Dispatcher.h"
#include "ResultIntake.h"
#include "SearchSession.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

TSubtitleInfo Record(std::string cd, std::string fps, std::string format) {
  TSubtitleInfo record;
  record.FilmName = "Film";
  record.CdCount = std::move(cd);
  record.Fps = std::move(fps);
  record.Format = std::move(format);
  return record;
}

TEST(ResultIntake, FrameRateNormalisation) {
  for (const auto& [before, after] : std::vector<std::pair<std::string, std::string>>{
           {"23.976", "23,976"}, {"29.97.1", "29,97.1"}, {"25", "25"}, {"", ""}}) {
    TSubtitleInfo record = Record("1", before, "");
    NormaliseFps(record);
    EXPECT_EQ(record.Fps, after);
  }
}

struct TFilterCase {
  std::int32_t Cd;
  const char* Fps;
  const char* Format;
  TSubtitleInfo Record;
  bool Passes;
};

class IntakeFilters : public testing::TestWithParam<TFilterCase> {};

TEST_P(IntakeFilters, Decide) {
  const auto& c = GetParam();
  const TAdvancedSearchOptions options{c.Cd, c.Fps, c.Format};
  EXPECT_EQ(PassesFilters(options, c.Record), c.Passes);
}

INSTANTIATE_TEST_SUITE_P(
    ResultIntake, IntakeFilters,
    testing::Values(TFilterCase{-1, "", "All", Record("", "", ""), true},
                    TFilterCase{-1, "", "All", Record("x", "weird", "\x01odd"), true},
                    TFilterCase{2, "", "All", Record("2", "", ""), true},
                    // Sites pad the count: it is read as a number, blanks and leading zeros aside.
                    TFilterCase{2, "", "All", Record(" 2", "", ""), true},
                    TFilterCase{2, "", "All", Record("02", "", ""), true},
                    TFilterCase{2, "", "All", Record("2 ", "", ""), true},
                    TFilterCase{2, "", "All", Record("\t002\r", "", ""), true},
                    TFilterCase{2, "", "All", Record("12", "", ""), false},
                    // A count that is no number passes no set filter.
                    TFilterCase{2, "", "All", Record("2 CD", "", ""), false},
                    TFilterCase{2, "", "All", Record("2,0", "", ""), false},
                    TFilterCase{2, "", "All", Record("99999999999999999992", "", ""), false},
                    TFilterCase{-1, "", "All", Record("2 CD", "", ""), true},
                    TFilterCase{-3, "", "All", Record("-3", "", ""), true},
                    // 0 is a count like any other, not "any".
                    TFilterCase{0, "", "All", Record("0", "", ""), true},
                    TFilterCase{0, "", "All", Record("1", "", ""), false},
                    TFilterCase{0, "", "All", Record("", "", ""), false},
                    TFilterCase{-1, "23,976", "All", Record("", "23,976", ""), true},
                    TFilterCase{-1, "23.976", "All", Record("", "23,976", ""), false},
                    // Both frame rates trimmed, nothing else.
                    TFilterCase{-1, "23,976", "All", Record("", "23,976 ", ""), true},
                    TFilterCase{-1, " 25", "All", Record("", "\t25", ""), true},
                    TFilterCase{-1, "25", "All", Record("", "25,0", ""), false},
                    TFilterCase{-1, "25", "All", Record("", "2 5", ""), false},
                    TFilterCase{-1, "", "SubRip", Record("", "", "  subrip \t"), true},
                    TFilterCase{-1, "", " SUBRIP ", Record("", "", "SubRip"), true},
                    TFilterCase{-1, "", "SubRip", Record("", "", "MicroDVD"), false},
                    TFilterCase{-1, "", "", Record("", "", " "), true},
                    TFilterCase{-1, "", "", Record("", "", "SubRip"), false},
                    // Only the exact text "All" switches the format filter off.
                    TFilterCase{-1, "", "all", Record("", "", "SubRip"), false}));

TEST(ResultIntake, IconByAddress) {
  const TSiteTable sites = TSiteTable::Defaults();
  struct TIconCase {
    const char* Url;
    TRowIcon Icon;
  };
  const TIconCase cases[] = {
      {"http://www.divxforever.net/index.php?act=subz&CODE=03&id=5", TRowIcon::WebPage},
      {"http://www.divxsubtitles.net/page_subtitleinformation.php?ID=5", TRowIcon::WebPage},
      {"http://www.extratitles.net/xsubt.subt.link.php?id=1&file=a.rar", TRowIcon::RarArchive},
      {"http://www.extratitles.net/xsubt.subt.link.php?id=1&file=a.zip", TRowIcon::ZipArchive},
      {"http://www.extratitles.net/xsubt.subt.link.php?id=1&file=a.ZIP", TRowIcon::Document},
      {"http://www.extratitles.net/xsubt.subt.link.php?id=1&file=a.ace", TRowIcon::RarArchive},
      {"http://www.extratitles.net/index.php?pid=subt2&p=i&rid=1", TRowIcon::Document},
      {"http://www.subdb.net/subdb/html/modules.php?name=Download_Subtitles&download_file_id=1", TRowIcon::Download},
      {"http://www.podnapisi.net/index.php/ppodnapisi/podnapis?i=1", TRowIcon::WebPage},
      {"http://elsewhere.example/x.zip", TRowIcon::FilmReel},
      {"", TRowIcon::FilmReel},
      // The first site named in the address decides.
      {"http://www.extratitles.net/?ref=divxforever.net&f=a.zip", TRowIcon::WebPage},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseRowIcon(c.Url, sites), c.Icon) << c.Url;
}

class SessionRows : public testing::Test {
 protected:
  void Add(std::string url) {
    TSubtitleInfo record = Record("1", "23.976", "SubRip");
    record.Url = std::move(url);
    Session.AddResult(record);
  }

  test::TRecordingPrompt Prompt;
  test::TTempDir Dir;
  TSearchSession Session{std::make_shared<TQueueDispatcher>(), Prompt, TSiteTable::Defaults(), TProgramFiles::InFolder(Dir.Path())};
};

TEST_F(SessionRows, RowsAndCountPanel) {
  Session.SearchOptions.Format = "All";
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "0");
  Add("http://www.subdb.net/a");
  Add("http://www.extratitles.net/a.zip");
  Add("http://nowhere/");
  ASSERT_EQ(Session.Rows().Count(), 3u);
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "3");
  EXPECT_EQ(Session.Rows()[0].Icon, TRowIcon::Download);
  EXPECT_EQ(Session.Rows()[1].Icon, TRowIcon::ZipArchive);
  EXPECT_EQ(Session.Rows()[0].Column(3), "23,976");
  EXPECT_EQ(Session.Rows()[0].Column(1), "http://www.subdb.net/a");

  // Deleting leaves the count as it was until the next row arrives.
  Session.DeleteRow(1);
  Session.DeleteRow(99);
  EXPECT_EQ(Session.Rows().Count(), 2u);
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "3");
  Add("http://www.podnapisi.net/x");
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "3");

  Session.SetPanel(TSearchSession::kStatusPanel, "done");
  Session.ClearResults();
  EXPECT_EQ(Session.Rows().Count(), 0u);
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "0");
  EXPECT_EQ(Session.Panel(TSearchSession::kStatusPanel), "");
}

TEST_F(SessionRows, FilteredRecordsChangeNothing) {
  Session.SearchOptions = {2, "", "All"};
  int changes = 0;
  Session.OnPanelChanged = [&](std::size_t) { ++changes; };
  Add("http://www.subdb.net/a");
  EXPECT_EQ(Session.Rows().Count(), 0u);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Session.Panel(TSearchSession::kCountPanel), "0");
}

// A padded count passes its filter and the row shows it as the site gave it.
TEST_F(SessionRows, PaddedCountsPassAndShowAsGiven) {
  Session.SearchOptions = {2, "23,976", "All"};
  for (const char* cd : {"2 ", " 2", "02", "2 CD"}) {
    TSubtitleInfo record = Record(cd, "23.976 ", "SubRip");
    Session.AddResult(record);
  }
  ASSERT_EQ(Session.Rows().Count(), 3u);
  EXPECT_EQ(Session.Rows()[0].Column(4), "2 ");
  EXPECT_EQ(Session.Rows()[1].Column(4), " 2");
  EXPECT_EQ(Session.Rows()[2].Column(4), "02");
  EXPECT_EQ(Session.Rows()[0].Column(3), "23,976 ");
}

TEST_F(SessionRows, ListenerSeesEveryChange) {
  Session.SearchOptions.Format = "All";
  std::vector<std::string> events;
  Session.Rows().SetListener({
      [&](std::size_t row) { events.push_back("+" + std::to_string(row)); },
      [&](std::size_t row) { events.push_back("+" + std::to_string(row) + "!"); },
      [&](std::size_t row) { events.push_back("-" + std::to_string(row)); },
      [&](std::size_t row) { events.push_back("-" + std::to_string(row) + "!"); },
      [&] { events.push_back("reset"); },
      [&] { events.push_back("reset!"); },
  });
  Add("a");
  Add("b");
  Session.DeleteRow(0);
  Session.ClearResults();
  EXPECT_EQ(events, (std::vector<std::string>{"+0", "+0!", "+1", "+1!", "-0", "-0!", "reset", "reset!"}));
}

}  // namespace
}  // namespace velkaro

// velkaro-cli's video command, and a search started from video files against
// the stand-in sites, run as a user runs them.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

std::vector<std::string> Lines(const std::string& text) { return SplitText(text, "\n"); }

class VideoCliTest : public testing::Test {
 protected:
  test::TCliRun Run(const std::vector<std::string>& args) const { return Cli.Run(args); }

  test::TCliFolder Cli;
};

TEST_F(VideoCliTest, VideoPrintsEachPathAsJson) {
  const auto first = test::MakeVideo(Cli.Path() / "Heat.1995.CD1.avi", {"25"});
  const auto second = test::MakeVideo(Cli.Path() / "Heat.1995.CD2.avi", {"25"});
  const auto missing = Cli.Path() / "Se7en.1995.DVDRip.mkv";
  const auto run = Run({"video", "--json", first.string(), second.string(), missing.string()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(Lines(run.Out),
            (std::vector<std::string>{
                R"({"path":")" + first.string() +
                    R"(","title":"Heat","year":1995,"cd":1,"cdCount":2,"fps":"25","duration":"0:00:01.000"})",
                R"({"path":")" + second.string() +
                    R"(","title":"Heat","year":1995,"cd":2,"cdCount":2,"fps":"25","duration":"0:00:01.000"})",
                R"({"path":")" + missing.string() +
                    R"(","title":"Se7en","year":1995,"cd":null,"cdCount":1,"fps":"","duration":""})",
            }));
}

TEST_F(VideoCliTest, VideoPrintsTabSeparatedFieldsAndEscapesNames) {
  const auto odd = test::MakeVideo(Cli.Path() / "Ocean's \"Eleven\" 2001.avi", {"24000/1001"});
  auto run = Run({"video", odd.string()});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, odd.string() + "\tOcean's \"Eleven\"\t2001\t\t1\t23,976\t0:00:01.001\n");
  run = Run({"video", "--json", odd.string()});
  EXPECT_NE(run.Out.find(R"("title":"Ocean's \"Eleven\"")"), std::string::npos) << run.Out;
}

TEST_F(VideoCliTest, VideoWithoutPathsOrWithAnUnknownOptionIsBadUsage) {
  EXPECT_EQ(Run({"video"}).Status, 2);
  EXPECT_EQ(Run({"video", "--json"}).Status, 2);
  EXPECT_EQ(Run({"video", "--fast", "a.avi"}).Status, 2);
}

// Two parts at 25 frames a second: only two-CD 25 fps subtitles of "Film" come back.
class VideoCliSearchTest : public VideoCliTest {
 protected:
  void SetUp() override {
    VideoCliTest::SetUp();
    Sim.Start();
    Cli.UseProxy(Sim.Port());
    Parts = {"--video", test::MakeVideo(Cli.Path() / "Film.CD1.avi", {"25"}).string(),
             "--video", test::MakeVideo(Cli.Path() / "Film.CD2.avi", {"25"}).string()};
  }

  // Tab-separated rows: icon, film, URL, language, FPS, CD, ...
  static std::vector<std::vector<std::string>> Rows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : Lines(out)) rows.push_back(SplitText(line, "\t"));
    return rows;
  }

  sim::TSimServer Sim{sim::TCatalogue().AddGeneratedFilm("Film", 2004, 40)};
  std::vector<std::string> Parts;

  test::TCliRun Search(std::vector<std::string> args) const {
    args.insert(args.begin(), "search");
    args.insert(args.end(), Parts.begin(), Parts.end());
    return Run(args);
  }
};

TEST_F(VideoCliSearchTest, SearchFillsFilmCdAndFpsFromTheVideos) {
  const auto run = Search({"--sites", "ExtraTitles,SubDb"});
  EXPECT_EQ(run.Status, 0);
  const auto rows = Rows(run.Out);
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[4], "25");
    EXPECT_EQ(row[5], "2");
  }
  bool askedForFilm = false;
  for (const auto& request : Sim.RequestsTo(SiteId::SubDb)) askedForFilm |= Contains(request.Target, "Film");
  EXPECT_TRUE(askedForFilm);
}

TEST_F(VideoCliSearchTest, OptionsGivenExplicitlyWin) {
  const auto run = Search({"--sites", "SubDb", "--fps", "23,976", "--cd", "all"});
  EXPECT_EQ(run.Status, 0);
  const auto rows = Rows(run.Out);
  ASSERT_FALSE(rows.empty());
  std::set<std::string> cds;
  for (const auto& row : rows) {
    EXPECT_EQ(row[4], "23,976");
    cds.insert(row[5]);
  }
  EXPECT_GT(cds.size(), 1u);
  // A film named on the command line is searched instead of the guessed one.
  EXPECT_EQ(Search({"--sites", "SubDb", "Nothing"}).Out, "");
}

}  // namespace
}  // namespace velkaro

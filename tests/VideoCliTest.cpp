// velkaro-cli's video command, and a search started from video files against
// the stand-in sites, run as a user runs them.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

struct TRun {
  std::string Out;
  int Status = -1;
};

struct TPipeClose {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

// Runs `program` with `arguments` (already quoted); stderr is dropped.
TRun RunCli(const std::filesystem::path& program, const std::string& arguments) {
  const std::string command = test::ShellQuoted(program.string()) + " " + arguments + " 2>/dev/null";
  TRun run;
  FILE* raw = popen(command.c_str(), "r");
  if (raw == nullptr) return run;
  std::unique_ptr<FILE, TPipeClose> pipe(raw);
  std::array<char, 4096> buffer{};
  while (const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) run.Out.append(buffer.data(), count);
  const int status = pclose(pipe.release());
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<std::string> Lines(const std::string& text) { return SplitText(text, "\n"); }

class VideoCliTest : public testing::Test {
 protected:
  void SetUp() override {
    // The program reads proxy.txt beside itself: it gets a folder of its own.
    std::filesystem::copy_file(VELKARO_CLI, Cli());
  }

  std::filesystem::path Cli() const { return Dir.Path() / "velkaro-cli"; }
  std::string Quoted(const std::filesystem::path& file) const { return test::ShellQuoted(file.string()); }

  test::TTempDir Dir;
};

TEST_F(VideoCliTest, VideoPrintsEachPathAsJson) {
  const auto first = test::MakeVideo(Dir.Path() / "Heat.1995.CD1.avi", {"25"});
  const auto second = test::MakeVideo(Dir.Path() / "Heat.1995.CD2.avi", {"25"});
  const auto missing = Dir.Path() / "Se7en.1995.DVDRip.mkv";
  const TRun run = RunCli(Cli(), "video --json " + Quoted(first) + " " + Quoted(second) + " " + Quoted(missing));
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
  const auto odd = test::MakeVideo(Dir.Path() / "Ocean's \"Eleven\" 2001.avi", {"24000/1001"});
  TRun run = RunCli(Cli(), "video " + Quoted(odd));
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, odd.string() + "\tOcean's \"Eleven\"\t2001\t\t1\t23,976\t0:00:01.001\n");
  run = RunCli(Cli(), "video --json " + Quoted(odd));
  EXPECT_NE(run.Out.find(R"("title":"Ocean's \"Eleven\"")"), std::string::npos) << run.Out;
}

TEST_F(VideoCliTest, VideoWithoutPathsOrWithAnUnknownOptionIsBadUsage) {
  EXPECT_EQ(RunCli(Cli(), "video").Status, 2);
  EXPECT_EQ(RunCli(Cli(), "video --json").Status, 2);
  EXPECT_EQ(RunCli(Cli(), "video --fast a.avi").Status, 2);
}

// Two parts at 25 frames a second: only two-CD 25 fps subtitles of "Film" come back.
class VideoCliSearchTest : public VideoCliTest {
 protected:
  void SetUp() override {
    VideoCliTest::SetUp();
    Sim.Start();
    test::WriteBytes(Dir.Path() / "proxy.txt", "1\r\n127.0.0.1:" + std::to_string(Sim.Port()) + "\r\n");
    Parts = Quoted(test::MakeVideo(Dir.Path() / "Film.CD1.avi", {"25"})) + " --video " +
            Quoted(test::MakeVideo(Dir.Path() / "Film.CD2.avi", {"25"}));
  }

  // Tab-separated rows: icon, film, URL, language, FPS, CD, ...
  static std::vector<std::vector<std::string>> Rows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : Lines(out)) rows.push_back(SplitText(line, "\t"));
    return rows;
  }

  sim::TSimServer Sim{sim::TCatalogue().AddGeneratedFilm("Film", 2004, 40)};
  std::string Parts;
};

TEST_F(VideoCliSearchTest, SearchFillsFilmCdAndFpsFromTheVideos) {
  const TRun run = RunCli(Cli(), "search --sites ExtraTitles,SubDb --video " + Parts);
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
  const TRun run = RunCli(Cli(), "search --sites SubDb --fps 23,976 --cd all --video " + Parts);
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
  EXPECT_EQ(RunCli(Cli(), "search --sites SubDb --video " + Parts + " Nothing").Out, "");
}

}  // namespace
}  // namespace velkaro

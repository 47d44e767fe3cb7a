// velkaro-cli get against the stand-in sites: a folder of trap films, made
// of videos of the catalogue's lengths, gets the right subtitle beside every
// video; a second run leaves them, --force replaces, a dry run writes nothing.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CliRunner.h"
#include "CodePage.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/Router.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using test::ReadBytes;

constexpr std::size_t kFilms = 10;

std::vector<std::string> Lines(const std::string& text) { return SplitText(text, "\n"); }

std::string FfmpegRate(const std::string& fps) { return fps == "23.976" ? "24000/1001" : fps; }

// The first ten trap films' videos, made once for every test here; each test copies them.
class GetCli : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Made = new test::TTempDir;
    for (const auto& trap : Catalogue().TrapFilms()) {
      if (FilmsMade.size() == kFilms) break;
      const auto folder = Made->Path() / ("film" + std::to_string(FilmsMade.size()));
      std::filesystem::create_directories(folder);
      for (const auto& name : trap.VideoNames()) {
        test::MakeVideo(folder / name, {FfmpegRate(trap.Fps), "mpeg4", static_cast<double>(trap.PartMs) / 1000});
      }
      FilmsMade.push_back(trap);
    }
  }
  static void TearDownTestSuite() {
    delete Made;
    Made = nullptr;
  }
  static const sim::TCatalogue& Catalogue() {
    static const sim::TCatalogue catalogue = sim::TCatalogue::Standard();
    return catalogue;
  }

  void SetUp() override {
    Sim.Start();
    Cli.UseProxy(Sim.Port());
    std::filesystem::copy(Made->Path(), Films(), std::filesystem::copy_options::recursive);
  }

  std::filesystem::path Films() const { return Cli.Path() / "films"; }
  std::filesystem::path FolderOf(std::size_t film) const { return Films() / ("film" + std::to_string(film)); }

  test::TCliRun Get(std::vector<std::string> extra) const {
    std::vector<std::string> args{"get"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli.Run(args);
  }

  // Every subtitle file in the film folders.
  std::vector<std::filesystem::path> Subtitles() const {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Films())) {
      if (entry.is_regular_file() && entry.path().extension() != ".avi") found.push_back(entry.path());
    }
    return found;
  }

  static inline test::TTempDir* Made = nullptr;
  static inline std::vector<sim::TTrapFilm> FilmsMade;
  test::TCliFolder Cli;
  sim::TSimServer Sim;
};

// The last cue of one CD of the trap film's own subtitle, as made ready.
std::string OwnCue(const sim::TCatalogue& catalogue, const sim::TTrapFilm& film, int cd) {
  const auto& name = catalogue.FilmOf(*catalogue.FindSubtitle(film.RightId)).Name;
  return Cp1254ToUtf8(name) + " - CD " + std::to_string(cd) + ", 12/12";
}

TEST_F(GetCli, EveryFilmGetsItsOwnSubtitlePassingOverTheRowOfAnotherFilm) {
  Sim.SetLatency(150ms);
  const test::TCliRun run = Get({"--json", "--connections", "3", Films().string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto lines = Lines(run.Out);
  std::size_t videos = 0;
  for (const auto& film : FilmsMade) videos += film.VideoNames().size();
  ASSERT_EQ(lines.size(), videos) << run.Out;

  std::size_t passedOver = 0;
  std::size_t trapped = 0;
  for (std::size_t film = 0; film < kFilms; ++film) {
    const auto names = FilmsMade[film].VideoNames();
    for (std::size_t part = 0; part < names.size(); ++part) {
      const auto video = FolderOf(film) / names[part];
      const auto subtitle = std::filesystem::path(video).replace_extension(".srt");
      ASSERT_TRUE(std::filesystem::exists(subtitle)) << subtitle << "\n" << run.Err;
      const std::string cue = OwnCue(Catalogue(), FilmsMade[film], static_cast<int>(part + 1));
      EXPECT_TRUE(Contains(ReadBytes(subtitle), cue)) << subtitle;
      const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.starts_with("{\"path\":\"" + video.string() + "\"");
      });
      ASSERT_NE(line, lines.end()) << video;
      EXPECT_TRUE(Contains(*line, "\"subtitle\":\"" + subtitle.string() + "\"")) << *line;
      EXPECT_TRUE(Contains(*line, "\"refused\":null}],\"skipped\":null}")) << *line;
      // The row listed under the videos' own release name holds the sequel's text: tried first, refused.
      if (FilmsMade[film].ContentTrapId == 0) continue;
      ++trapped;
      if (Contains(*line, "\"tried\":[{") && Contains(*line, "\"score\":100,\"refused\":\"") &&
          Contains(*line, "videodan uzun")) {
        ++passedOver;
      } else {
        ADD_FAILURE() << *line;
      }
    }
  }
  EXPECT_GE(trapped, 5u);
  EXPECT_EQ(passedOver, trapped) << run.Out;
  EXPECT_EQ(Subtitles().size(), videos);
  for (const SiteId site : {SiteId::ExtraTitles, SiteId::SubDb, SiteId::Podnapisi}) {
    EXPECT_LE(Sim.MostAtOnce(site), 3u) << sim::RouteKey(site);
  }
  // Films were searched at once.
  EXPECT_GE(Sim.MostAtOnce(SiteId::Podnapisi), 2u);

  // Again: every film already has its subtitle.
  const auto written = std::filesystem::last_write_time(FolderOf(0) / "Copper.Valley.2004.DVDRip.XviD-VLK.srt");
  Sim.ClearRequests();
  const test::TCliRun again = Get({Films().string()});
  EXPECT_EQ(again.Status, 0) << again.Err;
  EXPECT_EQ(Lines(again.Out).size(), videos);
  for (const auto& line : Lines(again.Out)) EXPECT_TRUE(line.ends_with(".avi\t\t\t")) << line;
  EXPECT_TRUE(Sim.Requests().empty());
  EXPECT_EQ(std::filesystem::last_write_time(FolderOf(0) / "Copper.Valley.2004.DVDRip.XviD-VLK.srt"), written);
  EXPECT_TRUE(Contains(again.Err, "yanında altyazı var; atlandı.")) << again.Err;
}

TEST_F(GetCli, ForceReplacesAnExistingSubtitle) {
  const auto video = FolderOf(0) / FilmsMade[0].VideoNames()[0];
  const auto mine = std::filesystem::path(video).replace_extension(".srt");
  std::ofstream(mine, std::ios::binary) << "mine";
  const auto tagged = std::filesystem::path(video).replace_extension(".tr.sub");
  std::ofstream(tagged, std::ios::binary) << "mine too";

  const test::TCliRun kept = Get({video.string()});
  EXPECT_EQ(kept.Status, 0) << kept.Err;
  EXPECT_EQ(ReadBytes(mine), "mine");

  const test::TCliRun forced = Get({"--force", video.string()});
  ASSERT_EQ(forced.Status, 0) << forced.Err;
  EXPECT_TRUE(Contains(ReadBytes(mine), OwnCue(Catalogue(), FilmsMade[0], 1)));
  const auto fields = SplitText(forced.Out, "\t");
  ASSERT_EQ(fields.size(), 4u) << forced.Out;
  EXPECT_EQ(fields[0], video.string());
  EXPECT_EQ(fields[1], mine.string());
  EXPECT_TRUE(fields[2] == "SubDb" || fields[2] == "ExtraTitles") << fields[2];
  EXPECT_EQ(fields[3], "84\n");
}

TEST_F(GetCli, DryRunListsTheBestRowsAndWritesNothing) {
  const test::TCliRun run = Get({"--dry-run", "--top", "3", FolderOf(1).string(), FolderOf(2).string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 6u) << run.Out;
  const auto fields = SplitText(lines[0], "\t");
  ASSERT_GE(fields.size(), 8u) << lines[0];
  // The film's own row: no row here is listed under the videos' release name.
  EXPECT_EQ(fields[1], "1");
  EXPECT_EQ(fields[2], "84");
  EXPECT_TRUE(Contains(fields[7], "Film adı aynı +40")) << lines[0];
  EXPECT_TRUE(Subtitles().empty());
  for (const auto& entry : std::filesystem::directory_iterator(Cli.Path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("velkaro-fetch")) << entry.path();
  }

  const test::TCliRun json = Get({"--dry-run", "--json", "--top", "2", FolderOf(1).string()});
  ASSERT_EQ(Lines(json.Out).size(), 1u) << json.Out;
  EXPECT_TRUE(json.Out.starts_with("{\"videos\":[\"" + (FolderOf(1) / FilmsMade[1].VideoNames()[0]).string()));
  EXPECT_TRUE(Contains(json.Out, "\"rank\":2")) << json.Out;
  EXPECT_FALSE(Contains(json.Out, "\"rank\":3")) << json.Out;
}

TEST_F(GetCli, LanguagesInTheOrderGiven) {
  const auto video = FolderOf(0) / FilmsMade[0].VideoNames()[0];
  const test::TCliRun run = Get({"--json", "--lang", "English", "--lang", "Turkish", video.string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(Contains(run.Out, "\"language\":\"English\"")) << run.Out;
}

TEST_F(GetCli, AFilmWithoutASubtitleThatFitsMakesTheStatusOne) {
  const auto folder = Cli.Path() / "other";
  std::filesystem::create_directories(folder);
  // No site lists it.
  test::MakeVideo(folder / "Unheard.Of.Film.2011.avi", {"25", "mpeg4", 1});
  const test::TCliRun run = Get({folder.string(), FolderOf(0).string(), (Cli.Path() / "missing.avi").string()});
  EXPECT_EQ(run.Status, 1) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "Unheard Of Film: hiç altyazı bulunamadı.")) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "missing.avi: bulunamadı.")) << run.Err;
  EXPECT_TRUE(std::filesystem::exists(FolderOf(0) / "Copper.Valley.2004.DVDRip.XviD-VLK.srt"));
}

TEST_F(GetCli, WrongCallsAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--top", "0", "x"}, {"--connections", "17", "x"}, {"--sites", "Nowhere", "x"}, {"--bogus", "x"}}) {
    EXPECT_EQ(Get(args).Status, 2);
  }
}

TEST_F(GetCli, CtrlCEndsWithNothingHalfWritten) {
  Sim.SetLatency(300ms);
  const pid_t child = Cli.Spawn({"get", Films().string()});
  // Interrupted once the searches are under way.
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (Sim.Requests().empty() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  ASSERT_FALSE(Sim.Requests().empty());
  kill(child, SIGINT);
  const test::TCliRun run = Cli.Wait(child);
  EXPECT_EQ(run.Status, 130) << run.Err;
  for (const auto& file : Subtitles()) ADD_FAILURE() << "left behind: " << file;
  for (const auto& entry : std::filesystem::directory_iterator(Cli.Path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("velkaro-fetch")) << entry.path();
  }
}

}  // namespace
}  // namespace velkaro

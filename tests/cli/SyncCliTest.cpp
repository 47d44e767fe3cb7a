// velkaro-cli sync, and a download made ready in time with its films' speech,
// run as a user runs them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "CodePage.h"
#include "Sites.h"
#include "SyncFilms.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::vector<std::string> Fields(const std::string& line) {
  std::string text = line;
  if (text.ends_with('\n')) text.pop_back();
  return SplitText(text, "\t");
}

class SyncCli : public testing::Test {
 protected:
  std::filesystem::path Subtitle(const std::string& text, const std::string& name = "Film.srt") const {
    WriteBytes(Cli.Path() / name, text);
    return Cli.Path() / name;
  }

  test::TSpeechFilm Film = test::SharedFilm(test::MkvFilm());
  test::TCliFolder Cli;
};

TEST_F(SyncCli, PrintsTheOffsetRatioConfidenceAndTheFileWritten) {
  const auto subtitle = Subtitle(test::SubRipOf(Film.Cues, {1, 2500}));
  const test::TCliRun run = Cli.Run({"sync", Film.File.string(), subtitle.string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto fields = Fields(run.Out);
  ASSERT_EQ(fields.size(), 4u) << run.Out;
  EXPECT_NEAR(std::stod(fields[0]), -2500, 50);
  EXPECT_EQ(fields[1], "1");
  EXPECT_GE(std::stod(fields[2]), 6.0);
  EXPECT_EQ(fields[3], (Cli.Path() / "Film.synced.srt").string());
  EXPECT_TRUE(Contains(run.Err, " sn geri, oran 1, güven ")) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "Eşitlenen altyazı kaydedildi: " + fields[3])) << run.Err;

  const test::TCliRun replaced = Cli.Run({"sync", "--json", "--replace", Film.File.string(), subtitle.string()});
  ASSERT_EQ(replaced.Status, 0) << replaced.Err;
  EXPECT_TRUE(Contains(replaced.Out, R"("ratio":"1","confidence":)")) << replaced.Out;
  EXPECT_TRUE(Contains(replaced.Out, R"("applied":true,"written":")" + subtitle.string() + R"(","original":")" +
                                         (Cli.Path() / "Film.orig.srt").string() + R"(","cut":0,"dropped":0})"))
      << replaced.Out;
  EXPECT_EQ(ReadBytes(subtitle), ReadBytes(Cli.Path() / "Film.synced.srt"));
}

TEST_F(SyncCli, ExitStatusTellsRefusedBadUsageAndUnreadableInput) {
  const auto other = Subtitle(test::RandomSubRip(40, 200'000, 4), "Other.srt");
  const test::TCliRun refused = Cli.Run({"sync", "--json", Film.File.string(), other.string()});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_TRUE(Contains(refused.Out, R"("applied":false,"written":null,"original":null)")) << refused.Out;
  EXPECT_TRUE(Contains(refused.Err, "başka bir filmin altyazısı ya da filmde çok az "
                                    "konuşma var"))
      << refused.Err;
  EXPECT_FALSE(std::filesystem::exists(Cli.Path() / "Other.synced.srt"));

  const auto subtitle = Subtitle(test::SubRipOf(Film.Cues));
  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"sync"}, {"sync", Film.File.string()}, {"sync", "--frames", Film.File.string(), subtitle.string()},
        {"sync", "--replace", "-o", "x.srt", Film.File.string(), subtitle.string()}, {"sync", "-o"}}) {
    const test::TCliRun usage = Cli.Run(wrong);
    EXPECT_EQ(usage.Status, 2);
    EXPECT_TRUE(Contains(usage.Err, "velkaro-cli sync [--json] [--replace] [-o OUT] VIDEO SUBTITLE")) << usage.Err;
  }

  const auto silent = test::MakeVideo(Cli.Path() / "Silent.avi", {"25"});
  const auto corrupt = Cli.Path() / "Corrupt.mkv";
  WriteBytes(corrupt, std::string(65'536, '\0') + ReadBytes(Film.File).substr(65'536));
  for (const auto& [video, message] : {std::pair{silent, std::string("Videoda ses yok: Silent.avi")},
                                       std::pair{corrupt, std::string("Video okunamadı: Corrupt.mkv")}}) {
    const test::TCliRun unreadable = Cli.Run({"sync", video.string(), subtitle.string()});
    EXPECT_EQ(unreadable.Status, 3);
    EXPECT_EQ(unreadable.Out, "");
    EXPECT_EQ(unreadable.Err, message + "\n");
  }
  EXPECT_EQ(Cli.Run({"sync", Film.File.string(), (Cli.Path() / "Gone.srt").string()}).Status, 3);
  EXPECT_FALSE(std::filesystem::exists(Cli.Path() / "Film.synced.srt"));
}

// A download for a film's parts against the stand-in sites: the catalogue's
// subtitle is no match for the generated speech, so it is told and placed as
// it came.
TEST_F(SyncCli, ADownloadWithSyncTellsWhatBecameOfEachPart) {
  sim::TSimServer sim;
  sim.Start();
  Cli.UseProxy(sim.Port());
  const auto filmDir = Cli.Path() / "film";
  std::filesystem::create_directories(filmDir);
  const auto video = filmDir / "Film.mkv";
  std::filesystem::copy_file(Film.File, video);
  const auto& row = sim.Catalogue().Subtitles().at(5);  // istanbul.hatirasi.en.srt
  const std::string url =
      TSiteTable::Defaults()[SiteId::ExtraTitles].Base() + sim::TExtraTitlesSite::DownloadLink(row);
  const std::vector<std::string> download{"download", "--url", url, "--film", "Film", "--out", Cli.Path().string(),
                                          "--video", video.string()};

  auto withSync = download;
  withSync.push_back("--sync");
  const test::TCliRun run = Cli.Run(withSync);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "filmin sesine oturmadı")) << run.Err;
  EXPECT_EQ(ReadBytes(filmDir / "Film.srt"), Cp1254ToUtf8(sim::SubtitleFileBytes(sim.Catalogue(), row)));

  // The setting does the same; without either nothing is said of the speech.
  std::filesystem::remove(filmDir / "Film.srt");
  const test::TCliRun plain = Cli.Run(download);
  EXPECT_EQ(plain.Status, 0) << plain.Err;
  EXPECT_FALSE(Contains(plain.Err, "sesine")) << plain.Err;
  std::filesystem::remove(filmDir / "Film.srt");
  std::ofstream(Cli.Path() / "velkaro.ini") << "[velkaro]\nsyncToAudio=on\n";
  EXPECT_TRUE(Contains(Cli.Run(download).Err, "filmin sesine oturmadı"));
}

// get's per-film way: the trap film's video has no sound, so the sync says
// so and the fetched subtitle is placed as it came; the setting does the same.
TEST_F(SyncCli, GetWithSyncTellsWhatTheSpeechMadeOfEachFilm) {
  sim::TSimServer sim;
  sim.Start();
  Cli.UseProxy(sim.Port());
  const sim::TTrapFilm& trap = sim.Catalogue().TrapFilms().front();
  ASSERT_EQ(trap.Parts, 1);
  const auto folder = Cli.Path() / "film";
  std::filesystem::create_directories(folder);
  const auto video = test::MakeVideo(folder / trap.VideoNames()[0],
                                     {trap.Fps == "23.976" ? "24000/1001" : trap.Fps, "mpeg4",
                                      static_cast<double>(trap.PartMs) / 1000});
  auto placed = video;
  placed.replace_extension(".srt");

  const test::TCliRun run = Cli.Run({"get", "--sync", folder.string()});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "Videoda ses yok: " + video.filename().string())) << run.Err;
  EXPECT_TRUE(std::filesystem::exists(placed));

  const test::TCliRun plain = Cli.Run({"get", "--force", folder.string()});
  EXPECT_EQ(plain.Status, 0) << plain.Err;
  EXPECT_FALSE(Contains(plain.Err, "ses")) << plain.Err;
  std::ofstream(Cli.Path() / "velkaro.ini") << "[velkaro]\nsyncToAudio=yes\n";
  EXPECT_TRUE(Contains(Cli.Run({"get", "--force", folder.string()}).Err, "Videoda ses yok"));
}

}  // namespace
}  // namespace velkaro

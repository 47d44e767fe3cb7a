// velkaro-cli download with the film's videos, against the stand-in sites:
// the subtitle is unpacked and converted beside each part.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "CodePage.h"
#include "DownloadRequest.h"
#include "Sites.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/SimServer.h"
#include "sitesim/SubDbSite.h"

namespace velkaro {
namespace {

using test::ReadBytes;

// Catalogue rows: a Turkish SubRip zip and a Turkish MicroDVD zip of two CDs
// each at 23,976 and 25 FPS, and a single English .srt.
constexpr std::size_t kTwoCdSubRip = 0;     // Agir.Roman.1997.CD1-2.TR.zip
constexpr std::size_t kTwoCdMicroDvd = 29;  // fast.furious.tr.zip
constexpr std::size_t kSingleSrt = 5;       // istanbul.hatirasi.en.srt

std::vector<std::string> Lines(const std::string& text) { return SplitText(text, "\n"); }

class ReadyCli : public testing::Test {
 protected:
  void SetUp() override {
    Sim.Start();
    Cli.UseProxy(Sim.Port());
    std::filesystem::create_directories(Out());
    std::filesystem::create_directories(FilmDir());
  }

  const sim::TSimSubtitle& Row(std::size_t index) const { return Sim.Catalogue().Subtitles().at(index); }
  std::filesystem::path Out() const { return Cli.Path() / "out"; }
  std::filesystem::path FilmDir() const { return Cli.Path() / "film"; }

  std::vector<std::filesystem::path> Videos(const char* rate, int parts) const {
    std::vector<std::filesystem::path> videos;
    for (int part = 1; part <= parts; ++part) {
      videos.push_back(test::MakeVideo(FilmDir() / ("Film.CD" + std::to_string(part) + ".avi"), {rate}));
    }
    return videos;
  }

  test::TCliRun Download(const std::string& url, const std::vector<std::filesystem::path>& videos,
                         std::vector<std::string> extra = {}) const {
    std::vector<std::string> args{"download", "--url", url, "--film", "Film", "--cd", "2", "--fps", "25",
                                  "--out", Out().string()};
    for (const auto& video : videos) args.insert(args.end(), {"--video", video.string()});
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli.Run(args);
  }

  std::string ExtraTitlesLink(std::size_t index) const {
    return TSiteTable::Defaults()[SiteId::ExtraTitles].Base() + sim::TExtraTitlesSite::DownloadLink(Row(index));
  }
  std::string SubDbLink(std::size_t index) const {
    return SubDbAddressPrefix(TSiteTable::Defaults()) + sim::TSubDbSite::DownloadLink(Row(index));
  }

  test::TCliFolder Cli;
  sim::TSimServer Sim;
};

TEST_F(ReadyCli, TwoCdZipGoesBesideEachPartAsUtf8AndIsNotOverwrittenWithoutForce) {
  const auto videos = Videos("25", 2);
  const test::TCliRun run = Download(ExtraTitlesLink(kTwoCdSubRip), videos);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto first = FilmDir() / "Film.CD1.srt";
  const auto second = FilmDir() / "Film.CD2.srt";
  const auto lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  EXPECT_EQ(std::filesystem::path(lines[0]).parent_path(), Out());
  EXPECT_EQ(lines[1], first.string());
  EXPECT_EQ(lines[2], second.string());
  // "Ağır Roman" and "Güle güle, çocuklar!" as UTF-8; each CD its own file.
  for (const auto& [file, cd] : {std::pair{first, "CD 1"}, std::pair{second, "CD 2"}}) {
    const std::string text = ReadBytes(file);
    EXPECT_TRUE(Contains(text, "A\xC4\x9F\xC4\xB1r Roman")) << text;
    EXPECT_TRUE(Contains(text, "G\xC3\xBCle g\xC3\xBCle, \xC3\xA7ocuklar!")) << text;
    EXPECT_TRUE(text.ends_with(std::string(cd) + "\r\n")) << text;
  }
  EXPECT_TRUE(Contains(run.Err, "Altyaz\xC4\xB1 kaydedildi: " + first.string())) << run.Err;

  // Again: refused before anything is touched, even the part that is missing.
  std::filesystem::remove(first);
  const test::TCliRun again = Download(ExtraTitlesLink(kTwoCdSubRip), videos);
  EXPECT_EQ(again.Status, 1);
  EXPECT_TRUE(Contains(again.Err, "Film.CD2.srt zaten var; \xC3\xBCzerine yaz\xC4\xB1lmad\xC4\xB1.")) << again.Err;
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_EQ(Lines(again.Out).size(), 1u) << again.Out;

  std::ofstream(second, std::ios::binary) << "mine";
  const test::TCliRun forced = Download(ExtraTitlesLink(kTwoCdSubRip), videos, {"--force"});
  EXPECT_EQ(forced.Status, 0) << forced.Err;
  EXPECT_TRUE(ReadBytes(second).ends_with("CD 2\r\n"));
  EXPECT_TRUE(std::filesystem::exists(first));
  EXPECT_EQ(test::FileNames(FilmDir()),
            (std::vector<std::string>{"Film.CD1.avi", "Film.CD1.srt", "Film.CD2.avi", "Film.CD2.srt"}));
}

TEST_F(ReadyCli, MicroDvdFramesFollowTheVideosRate) {
  const auto videos = Videos("24000/1001", 2);
  const test::TCliRun run = Download(ExtraTitlesLink(kTwoCdMicroDvd), videos);
  ASSERT_EQ(run.Status, 0) << run.Err;
  // 25 fps frames at 23.976: 25 -> 23.976 -> 24, 100 -> 95.904 -> 96, ...
  EXPECT_EQ(ReadBytes(FilmDir() / "Film.CD2.sub"),
            "{1}{1}23.976\r\n{24}{96}Fast & Furious\r\n{120}{192}Turkish #" + std::to_string(Row(kTwoCdMicroDvd).Id) +
                "|CD 2\r\n{216}{288}{y:i}G\xC3\xBCle g\xC3\xBCle, \xC3\xA7ocuklar!\r\n");

  std::ofstream(Cli.Path() / "velkaro.ini") << "[velkaro]\nmicroDvdToSubRip=1\nlanguageSuffix=yes\n";
  const test::TCliRun subRip = Download(ExtraTitlesLink(kTwoCdMicroDvd), videos, {"--language", "Turkish"});
  ASSERT_EQ(subRip.Status, 0) << subRip.Err;
  EXPECT_TRUE(ReadBytes(FilmDir() / "Film.CD1.tr.srt").starts_with("1\r\n00:00:01,000 --> 00:00:04,000\r\nFast & Furious\r\n"));
}

TEST_F(ReadyCli, SubDbSingleFileIsTheSubtitle) {
  const auto videos = Videos("25", 1);
  const test::TCliRun run = Download(SubDbLink(kSingleSrt), videos);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto target = FilmDir() / "Film.CD1.srt";
  EXPECT_EQ(Lines(run.Out).back(), target.string());
  EXPECT_EQ(ReadBytes(target), Cp1254ToUtf8(sim::SubtitleFileBytes(Sim.Catalogue(), Row(kSingleSrt))));
}

TEST_F(ReadyCli, AnArchiveThatCannotBeOpenedIsKeptWithAMessage) {
  const auto videos = Videos("25", 1);
  const test::TCliRun run = Download(ExtraTitlesLink(3), videos);  // agir.roman.de.ace
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "Ar\xC5\x9Fiv a\xC3\xA7\xC4\xB1lamad\xC4\xB1")) << run.Err;
  EXPECT_EQ(Lines(run.Out).size(), 1u);
  EXPECT_EQ(test::FileNames(FilmDir()), std::vector<std::string>{"Film.CD1.avi"});
}

}  // namespace
}  // namespace velkaro

// velkaro-cli download with the film's videos, against the stand-in sites:
// the subtitle is unpacked and converted beside each part.

#include <gtest/gtest.h>
#include <zlib.h>

#include <clocale>
#include <cstdint>
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
#include "LoopbackServer.h"
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
  EXPECT_TRUE(Contains(run.Err, "Altyazı kaydedildi: " + first.string())) << run.Err;

  // Again: refused before anything is touched, even the part that is missing.
  std::filesystem::remove(first);
  const test::TCliRun again = Download(ExtraTitlesLink(kTwoCdSubRip), videos);
  EXPECT_EQ(again.Status, 1);
  EXPECT_TRUE(Contains(again.Err, "Film.CD2.srt zaten var; üzerine yazılmadı.")) << again.Err;
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

// Nothing beside the video is no success: exit status 1, with why.
TEST_F(ReadyCli, AnArchiveThatCannotBeOpenedIsKeptWithAMessage) {
  const auto videos = Videos("25", 1);
  const test::TCliRun run = Download(ExtraTitlesLink(3), videos);  // agir.roman.de.ace
  EXPECT_EQ(run.Status, 1) << run.Err;
  EXPECT_TRUE(Contains(run.Err, "Arşiv açılamadı")) << run.Err;
  EXPECT_EQ(Lines(run.Out).size(), 1u);
  EXPECT_EQ(test::FileNames(FilmDir()), std::vector<std::string>{"Film.CD1.avi"});
}

// Without --film, --cd and --fps the saved file is named from the videos, as
// `search --video` fills them in; a part left without a subtitle fails.
TEST_F(ReadyCli, TheNameComesFromTheVideosWhenTheRowsTextsAreNotGiven) {
  const auto videos = Videos("25", 2);
  std::vector<std::string> args{"download", "--url", ExtraTitlesLink(kSingleSrt), "--out", Out().string()};
  for (const auto& video : videos) args.insert(args.end(), {"--video", video.string()});
  const test::TCliRun run = Cli.Run(args);
  EXPECT_EQ(run.Status, 1) << run.Err;
  const auto lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 2u) << run.Out;
  EXPECT_EQ(lines[0], (Out() / "Film_2_CD_25_FPS_VK.srt").string());
  EXPECT_EQ(lines[1], (FilmDir() / "Film.CD1.srt").string());
  EXPECT_TRUE(Contains(run.Err, "CD 2 için altyazı dosyası yok.")) << run.Err;
}

// A zip of stored files as archivers write it, names as given: with the
// UTF-8 flag, or without it as Turkish Windows writes its OEM code page.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& files, bool utf8Flag) {
  auto put = [](std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  const std::uint32_t flags = utf8Flag ? 0x0800 : 0;
  std::string zip;
  std::string directory;
  for (const auto& [name, data] : files) {
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto offset = static_cast<std::uint32_t>(zip.size());
    std::string common;  // version needed, flags, method "stored", time, date, CRC, sizes, name length, no extra
    put(common, 20, 2), put(common, flags, 2), put(common, 0, 2), put(common, 0, 2), put(common, 0x5021, 2);
    put(common, crc, 4), put(common, static_cast<std::uint32_t>(data.size()), 4);
    put(common, static_cast<std::uint32_t>(data.size()), 4), put(common, static_cast<std::uint32_t>(name.size()), 2);
    put(common, 0, 2);
    put(zip, 0x04034b50, 4);
    zip += common + name + data;
    put(directory, 0x02014b50, 4);
    put(directory, 20, 2);  // made by MS-DOS
    directory += common;
    put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 4), put(directory, offset, 4);
    directory += name;
  }
  const auto directoryAt = static_cast<std::uint32_t>(zip.size());
  zip += directory;
  put(zip, 0x06054b50, 4), put(zip, 0, 2), put(zip, 0, 2);
  put(zip, static_cast<std::uint32_t>(files.size()), 2), put(zip, static_cast<std::uint32_t>(files.size()), 2);
  put(zip, static_cast<std::uint32_t>(directory.size()), 4), put(zip, directoryAt, 4), put(zip, 0, 2);
  return zip;
}

struct TNamesCase {
  const char* Name;
  const char* Locale;
  bool Utf8Flag;
};

// Entry names with Turkish letters, read right whatever the locale the
// command line runs in: the subtitle is placed, and a refused entry is named
// readably. The zip comes from a stand-in of the site's host, as its proxy.
class EntryNames : public testing::TestWithParam<TNamesCase> {};

TEST_P(EntryNames, AreReadWhateverTheLocale) {
  if (std::string_view(GetParam().Locale) != "C" && !std::setlocale(LC_CTYPE, GetParam().Locale)) {
    GTEST_SKIP() << GetParam().Locale << " is not installed";
  }
  std::setlocale(LC_CTYPE, "C");
  // "Yüzüklerin Efendisi.srt" and "../Gölgeler Şehri.srt", as UTF-8 or in code page 857.
  const bool utf8 = GetParam().Utf8Flag;
  const std::string title = utf8 ? "Y\xC3\xBCz\xC3\xBCklerin Efendisi.srt" : "Y\x81z\x81klerin Efendisi.srt";
  const std::string climbing = utf8 ? "../G\xC3\xB6lgeler \xC5\x9E" "ehri.srt" : "../G\x94lgeler \x9E" "ehri.srt";
  const std::string subtitle = "1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n";
  const std::string zip = StoredZip({{title, subtitle}, {climbing, subtitle}}, utf8);

  test::TLoopbackServer host;
  host.Routes().Get(".*", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(zip, "application/zip");
  });
  host.Start();
  test::TCliFolder cli;
  cli.UseProxy(host.Port());
  cli.Environment = {std::string("LANG=") + GetParam().Locale, std::string("LC_ALL=") + GetParam().Locale,
                     "PATH=/usr/bin:/bin"};
  std::filesystem::create_directories(cli.Path() / "film");
  const std::string link = TSiteTable::Defaults()[SiteId::ExtraTitles].Base() + "xsubt.subt.link.php?id=1&file=film.zip";
  const test::TCliRun run = cli.Run({"download", "--url", link, "--film", "Film", "--out", cli.Path().string(),
                                     "--video", (cli.Path() / "film" / "Film.avi").string()});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(ReadBytes(cli.Path() / "film" / "Film.srt"), subtitle);
  EXPECT_TRUE(Contains(run.Err, "Arşivdeki ../Gölgeler Şehri.srt alınmadı")) << run.Err;
}

INSTANTIATE_TEST_SUITE_P(Zips, EntryNames,
                         testing::Values(TNamesCase{"Utf8FlagC", "C", true}, TNamesCase{"OemC", "C", false},
                                         TNamesCase{"Utf8FlagTurkish", "tr_TR.UTF-8", true},
                                         TNamesCase{"OemTurkish", "tr_TR.UTF-8", false}),
                         [](const testing::TestParamInfo<TNamesCase>& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace velkaro

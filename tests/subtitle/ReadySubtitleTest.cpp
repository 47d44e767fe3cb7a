#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CodePage.h"
#include "HostileArchives.h"
#include "ReadySubtitle.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "sitesim/ArchiveWriter.h"

namespace velkaro {
namespace {

using sim::TArchiveFormat;
using sim::TEntryKind;
using sim::WriteArchive;
using test::ReadBytes;
using test::WriteBytes;

const std::string kSrt1254 = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xDE\xFCkr\xFC \xE7ok g\xFCzel\r\n";
const std::string kSrtUtf8 = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC5\x9E\xC3\xBCkr\xC3\xBC \xC3\xA7ok g\xC3\xBCzel\r\n";

const std::string kArchiveUnreadable = Utf8ToCp1254("Arşiv açılamadı; dosya indirildiği gibi bırakıldı.");
const std::string kNoSubtitle = Utf8ToCp1254("Arşivde altyazı dosyası yok; dosya indirildiği gibi bırakıldı.");

class ReadySubtitles : public testing::Test {
 protected:
  std::filesystem::path Film() const { return Dir.Path() / "film"; }

  TReadyRequest Request(const std::string& downloaded, const std::string& name = "Film_2_CD_25_FPS_VK.zip",
                        std::size_t parts = 2) {
    std::filesystem::create_directories(Film());
    TReadyRequest request;
    request.Downloaded = Dir.Path() / name;
    WriteBytes(request.Downloaded, downloaded);
    for (std::size_t part = 1; part <= parts; ++part) {
      request.Videos.push_back(Film() / ("Film.CD" + std::to_string(part) + ".avi"));
    }
    request.RowFps = "25";
    request.RowLanguage = "Turkish";
    return request;
  }

  std::vector<std::string> Targets(const TReadyPlan& plan) const {
    std::vector<std::string> names;
    for (const auto& file : plan.Files) {
      EXPECT_EQ(file.Target.parent_path(), Film());
      names.push_back(file.Target.filename().string());
    }
    return names;
  }

  test::TTempDir Dir;
};

TEST_F(ReadySubtitles, TwoCdsGoBesideTheirPartsAsUtf8) {
  const auto request = Request(WriteArchive(TArchiveFormat::Zip, {{"x/Film.cd2.srt", "two " + kSrt1254},
                                                                  {"x/Film.cd1.srt", kSrt1254},
                                                                  {"info.txt", "uploaded by"}}));
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_TRUE(plan.Messages.empty());
  EXPECT_EQ(Targets(plan), (std::vector<std::string>{"Film.CD1.srt", "Film.CD2.srt"}));
  ASSERT_EQ(plan.Files.size(), 2u);
  EXPECT_EQ(plan.Files[0].Content, kSrtUtf8);
  EXPECT_EQ(plan.Files[1].Content, "two " + kSrtUtf8);
}

TEST_F(ReadySubtitles, OptionsNameAndKeepTheText) {
  auto request = Request(kSrt1254, "Film_1_CD_25_FPS_VK.srt", 1);
  request.Options.LanguageSuffix = true;
  request.Options.ToUtf8 = false;
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_EQ(Targets(plan), std::vector<std::string>{"Film.CD1.tr.srt"});
  ASSERT_EQ(plan.Files.size(), 1u);
  EXPECT_EQ(plan.Files[0].Content, kSrt1254);
  request.RowLanguage = "English_German";  // no code: no suffix
  EXPECT_EQ(Targets(PlanReadySubtitles(request)), std::vector<std::string>{"Film.CD1.srt"});
}

TEST_F(ReadySubtitles, APlainSubtitleUnderAnArchiveNameIsStillTheSubtitle) {
  EXPECT_EQ(Targets(PlanReadySubtitles(Request(kSrt1254, "Film.zip", 1))), std::vector<std::string>{"Film.CD1.srt"});
  EXPECT_EQ(Targets(PlanReadySubtitles(Request("{1}{25}a\r\n", "Film.bin", 1))),
            std::vector<std::string>{"Film.CD1.sub"});
  EXPECT_EQ(Targets(PlanReadySubtitles(Request("[INFORMATION]\r\n00:00:01.00,00:00:02.00\r\na\r\n", "Film.rar", 1))),
            std::vector<std::string>{"Film.CD1.sub"});
}

struct TFormatCase {
  const char* Name;
  std::string Text;  // code page 1254, as most Turkish subtitles come
  const char* Extension;
};

// Every format, downloaded under a name that says nothing: recognised, and
// placed under its own extension.
class FormatsBesideTheVideo : public ReadySubtitles, public testing::WithParamInterface<TFormatCase> {};

TEST_P(FormatsBesideTheVideo, AreRecognisedAndNamedForTheirFormat) {
  auto request = Request(GetParam().Text, "Film_1_CD_25_FPS_VK", 1);
  request.Options.ConvertFrames = false;
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_TRUE(plan.Messages.empty()) << plan.Messages.front();
  EXPECT_EQ(Targets(plan), std::vector<std::string>{std::string("Film.CD1.") + GetParam().Extension});
  ASSERT_EQ(plan.Files.size(), 1u);
  EXPECT_NE(plan.Files[0].Content.find("G\xC3\xBCle"), std::string::npos) << plan.Files[0].Content;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, FormatsBesideTheVideo,
    testing::Values(
        TFormatCase{"SubRip", "1\r\n00:00:01,000 --> 00:00:02,000\r\nG\xFCle g\xFCle\r\n", "srt"},
        TFormatCase{"MicroDvd", "{1}{1}25\r\n{25}{50}G\xFCle|g\xFCle\r\n", "sub"},
        TFormatCase{"SubViewer1", "[TITLE]\r\nFilm\r\n[00:00:01]\r\nG\xFCle g\xFCle\r\n[00:00:02]\r\n", "sub"},
        TFormatCase{"SubViewer2",
                    "[INFORMATION]\r\n[END INFORMATION]\r\n[SUBTITLE]\r\n00:00:01.00,00:00:02.00\r\nG\xFCle[br]g\xFCle\r\n",
                    "sub"},
        TFormatCase{"Ssa",
                    "[Script Info]\r\nScriptType: v4.00\r\n\r\n[Events]\r\nFormat: Marked, Start, End, Style, Name, "
                    "MarginL, MarginR, MarginV, Effect, Text\r\nDialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0000,"
                    "0000,0000,,G\xFCle g\xFCle\r\n",
                    "ssa"},
        TFormatCase{"Ass",
                    "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\n\r\n[Events]\r\nFormat: Layer, Start, End, "
                    "Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,"
                    "0,,G\xFCle g\xFCle\r\n",
                    "ass"},
        TFormatCase{"Sami", "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000><P>G\xFCle g\xFCle\r\n</BODY>\r\n</SAMI>\r\n", "smi"},
        TFormatCase{"TmPlayer", "00:00:01:G\xFCle|g\xFCle\r\n00:00:03:\r\n", "txt"},
        TFormatCase{"Mpl2", "[10][20]G\xFCle g\xFCle\r\n", "txt"},
        TFormatCase{"WebVtt", "WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.000\r\nG\xFCle g\xFCle\r\n", "vtt"}),
    [](const testing::TestParamInfo<TFormatCase>& param) { return std::string(param.param.Name); });

// An entry's extension is kept when it is right for its format, and comes
// from the format when it is wrong or lost (a name that ends in its dot part).
TEST_F(ReadySubtitles, TheTargetsExtensionFollowsTheFormat) {
  const std::string microDvd = "{25}{50}G\xFCle\r\n";
  const std::pair<const char*, std::string> cases[] = {
      {"Film.sub", kSrt1254}, {"Film.txt", kSrt1254}, {"dir\\.srt", microDvd}, {"Film.txt", microDvd}};
  const char* expected[] = {"Film.CD1.srt", "Film.CD1.srt", "Film.CD1.sub", "Film.CD1.txt"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    auto request = Request(WriteArchive(TArchiveFormat::Zip, {{cases[i].first, cases[i].second}}), "Film.zip", 1);
    request.Options.ConvertFrames = false;
    EXPECT_EQ(Targets(PlanReadySubtitles(request)), std::vector<std::string>{expected[i]}) << i;
  }
}

// Wide texts without a mark are subtitles like any other, not unreadable archives.
TEST_F(ReadySubtitles, AUtf16TextWithoutAMarkIsPlacedAsUtf8) {
  std::string utf16;
  for (const char c : std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n")) utf16 += {c, '\0'};
  const TReadyPlan plan = PlanReadySubtitles(Request(utf16, "Film.srt", 1));
  EXPECT_TRUE(plan.Messages.empty());
  ASSERT_EQ(plan.Files.size(), 1u);
  EXPECT_EQ(plan.Files[0].Content, "1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n");
}

std::string AceFile() { return std::string("\0\0\0\0\0\0\0**ACE**", 14) + "1\r\n"; }

std::string TruncatedZip() {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += std::to_string(i * 7919 % 1000);
  const std::string zip = WriteArchive(TArchiveFormat::Zip, {{"a.srt", text}});
  return zip.substr(0, zip.size() / 2);
}

std::string NoSubtitleInside() { return WriteArchive(TArchiveFormat::SevenZip, {{"a.nfo", "x"}}); }

std::string ZerosBomb() {
  return WriteArchive(TArchiveFormat::Zip, {{"b.srt", std::string(std::size_t{65} << 20, '\0')}});
}

std::string WebPage() { return "\r\n<!DOCTYPE HTML PUBLIC>\r\n<title>Hata</title>\r\n00:00:01,000 --> x\r\n"; }

std::string OneSubtitleZip() { return WriteArchive(TArchiveFormat::Zip, {{"a.srt", kSrt1254}}); }

std::string Png() { return std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29); }

std::string BinaryEntry() { return WriteArchive(TArchiveFormat::Zip, {{"Film.srt", Png()}}); }

std::string OnlyAnEmptyText() { return WriteArchive(TArchiveFormat::Zip, {{"Film.txt", ""}}); }

std::string NoSubtitleText() { return "Bu dosya bir altyaz\xFD de\xF0il.\r\n"; }

const std::string kNotSubtitle = Utf8ToCp1254("İndirilen dosya altyazı değil; indirildiği gibi bırakıldı.");

struct TKeptCase {
  const char* Name;
  std::string (*Downloaded)();  // made when the case runs, not when the suite is listed
  std::vector<std::string> Messages;
  bool Unpack = true;
  const char* File = "Film_2_CD_25_FPS_VK.zip";
};

class KeptAsDownloaded : public ReadySubtitles, public testing::WithParamInterface<TKeptCase> {};

TEST_P(KeptAsDownloaded, SaysWhyAndPlansNothing) {
  const std::string downloaded = GetParam().Downloaded();
  auto request = Request(downloaded, GetParam().File);
  request.Options.Unpack = GetParam().Unpack;
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_TRUE(plan.Files.empty());
  EXPECT_EQ(plan.Messages, GetParam().Messages);
  EXPECT_EQ(ReadBytes(request.Downloaded), downloaded);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, KeptAsDownloaded,
    testing::Values(
        TKeptCase{"Ace", AceFile, {kArchiveUnreadable}},
        TKeptCase{"Truncated", TruncatedZip, {kArchiveUnreadable}},
        TKeptCase{"NoSubtitle", NoSubtitleInside, {kNoSubtitle}},
        TKeptCase{"WebPage", WebPage, {kNotSubtitle}},
        TKeptCase{"Bomb", ZerosBomb,
                  {Utf8ToCp1254("Arşivin sıkıştırma oranı çok yüksek; açma durduruldu, dosya indirildiği "
                                "gibi bırakıldı.")}},
        TKeptCase{"UnpackOff", OneSubtitleZip, {Utf8ToCp1254("Arşiv açma kapalı; dosya indirildiği gibi bırakıldı.")},
                  false},
        TKeptCase{"PngNamedSrt", Png, {kNotSubtitle}, true, "Film.srt"},
        TKeptCase{"EmptyText", [] { return std::string(); }, {kNotSubtitle}, true, "Film.txt"},
        TKeptCase{"TextThatIsNoSubtitle", NoSubtitleText, {kNotSubtitle}, true, "Film.srt"},
        TKeptCase{"BrokenUtf16", [] { return std::string("\xFF\xFE" "1\0\r\0\n", 7); },
                  {Utf8ToCp1254("Film.srt metninin kodlaması okunamadı; olduğu gibi bırakıldı.")}, true, "Film.srt"},
        TKeptCase{"SubtitleWithoutACue", [] { return std::string("WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.000\r\n\r\n"); },
                  {kNotSubtitle}, true, "Film.vtt"},
        TKeptCase{"BinaryEntry", BinaryEntry,
                  {Utf8ToCp1254("Arşivdeki Film.srt altyazı değil; alınmadı."), kNoSubtitle}},
        TKeptCase{"EmptyEntry", OnlyAnEmptyText,
                  {Utf8ToCp1254("Arşivdeki Film.txt altyazı değil; alınmadı."), kNoSubtitle}},
        TKeptCase{"MemoryBomb", [] { return test::XzWithDictionary(kSrtUtf8, 35); },
                  {Utf8ToCp1254("Arşiv açılırken sınır aşıldı; altyazı indirildiği gibi bırakıldı.")},
                  true, "Film.srt.xz"}),
    [](const testing::TestParamInfo<TKeptCase>& param) { return std::string(param.param.Name); });

TEST_F(ReadySubtitles, UnsafeEntriesAreNamedAndNothingLandsOutsideTheFilmsFolder) {
  const auto request = Request(WriteArchive(TArchiveFormat::TarGz, {{"../../evil.srt", "climb"},
                                                                    {"/abs/evil.srt", "absolute"},
                                                                    {"Film.cd1.srt", kSrt1254},
                                                                    {"cd2.srt", "", TEntryKind::Symlink, "/etc/passwd"}}),
                               "Film.tgz");
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_EQ(Targets(plan), std::vector<std::string>{"Film.CD1.srt"});
  EXPECT_EQ(plan.Messages,
            (std::vector<std::string>{Utf8ToCp1254("Arşivdeki ../../evil.srt alınmadı: güvensiz yol ya da bağlantı."),
                                      Utf8ToCp1254("Arşivdeki /abs/evil.srt alınmadı: güvensiz yol ya da bağlantı."),
                                      Utf8ToCp1254("Arşivdeki cd2.srt alınmadı: güvensiz yol ya da bağlantı."),
                                      Utf8ToCp1254("CD 2 için altyazı dosyası yok.")}));
  WriteReadySubtitles(plan, [](const std::filesystem::path&) { return true; });
  EXPECT_EQ(test::FileNames(Dir.Path()), (std::vector<std::string>{"Film.tgz", "film"}));
  EXPECT_EQ(test::FileNames(Film()), std::vector<std::string>{"Film.CD1.srt"});
}

TEST_F(ReadySubtitles, MicroDvdFitsTheProbedVideo) {
  auto request = Request(WriteArchive(TArchiveFormat::Zip, {{"Film.sub", "{1}{1}23.976\r\n{23976}{24000}a\r\n"}}),
                         "Film.zip", 1);
  test::MakeVideo(request.Videos[0], {"25"});
  EXPECT_EQ(PlanReadySubtitles(request).Files.at(0).Content, "{1}{1}25\r\n{25000}{25025}a\r\n");
}

// SubRip times come from the subtitle's own frames, never from frames already
// rounded to the video's rate, and whether frames are scaled or not.
TEST_F(ReadySubtitles, MicroDvdToSubRipTimesAreTheSubtitlesOwn) {
  auto request = Request("{25}{50}a\r\n{24000}{24025}b\r\n", "Film.sub", 1);
  test::MakeVideo(request.Videos[0], {"24000/1001"});
  request.Options.MicroDvdToSubRip = true;
  const std::string exact = "1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\n\r\n2\r\n00:16:00,000 --> 00:16:01,000\r\nb\r\n\r\n";
  for (const bool convertFrames : {true, false}) {
    request.Options.ConvertFrames = convertFrames;
    const TReadyPlan plan = PlanReadySubtitles(request);
    EXPECT_EQ(Targets(plan), std::vector<std::string>{"Film.CD1.srt"});
    EXPECT_EQ(plan.Files.at(0).Content, exact) << convertFrames;
  }
  // A rate the subtitle declares wins over the row's; the video's is not needed.
  std::filesystem::remove(request.Videos[0]);
  WriteBytes(request.Downloaded, "{1}{1}23.976\r\n{24000}{24024}a\r\n");
  EXPECT_EQ(PlanReadySubtitles(request).Files.at(0).Content, "1\r\n00:16:41,001 --> 00:16:42,002\r\na\r\n\r\n");
}

TEST_F(ReadySubtitles, MicroDvdStaysWhenTheVideoHasNoRate) {
  const auto request = Request("{100}{200}a\r\n", "Film.sub", 1);  // the video file is not there
  const TReadyPlan plan = PlanReadySubtitles(request);
  EXPECT_EQ(plan.Files.at(0).Content, "{100}{200}a\r\n");
  EXPECT_EQ(plan.Messages,
            std::vector<std::string>{Utf8ToCp1254("Videonun kare hızı okunamadı; kareler dönüştürülmedi.")});
}

TEST_F(ReadySubtitles, ExistingFilesAreAskedAboutAndNothingPartialStays) {
  const TReadyPlan plan = PlanReadySubtitles(
      Request(WriteArchive(TArchiveFormat::Zip, {{"a1.srt", kSrt1254}, {"a2.srt", "two " + kSrt1254}})));
  WriteBytes(Film() / "Film.CD2.srt", "mine");
  std::vector<std::filesystem::path> asked;
  const TReadyWritten written = WriteReadySubtitles(plan, [&](const std::filesystem::path& target) {
    asked.push_back(target);
    return false;
  });
  EXPECT_EQ(asked, std::vector<std::filesystem::path>{Film() / "Film.CD2.srt"});
  EXPECT_EQ(ExistingTargets(plan), (std::vector<std::filesystem::path>{Film() / "Film.CD1.srt", Film() / "Film.CD2.srt"}));
  EXPECT_EQ(written.Written, std::vector<std::filesystem::path>{Film() / "Film.CD1.srt"});
  EXPECT_EQ(written.Refused, std::vector<std::filesystem::path>{Film() / "Film.CD2.srt"});
  EXPECT_EQ(ReadBytes(Film() / "Film.CD2.srt"), "mine");
  EXPECT_EQ(RefusedFilesText(written), Utf8ToCp1254("Film.CD2.srt zaten var; üzerine yazılmadı."));
  EXPECT_EQ(WrittenFilesText(written), Utf8ToCp1254("Altyazı kaydedildi: ") + (Film() / "Film.CD1.srt").string());

  WriteReadySubtitles(plan, [](const std::filesystem::path&) { return true; });
  EXPECT_EQ(ReadBytes(Film() / "Film.CD2.srt"), "two " + kSrtUtf8);
  EXPECT_EQ(test::FileNames(Film()), (std::vector<std::string>{"Film.CD1.srt", "Film.CD2.srt"}));
}

TEST_F(ReadySubtitles, AFileThatCannotBeWrittenThrowsAfterTheOnesBefore) {
  TReadyPlan plan;
  std::filesystem::create_directories(Film());
  plan.Files = {{Film() / "a.srt", "a"}, {Film() / "gone" / "b.srt", "b"}, {Film() / "c.srt", "c"}};
  EXPECT_THROW(WriteReadySubtitles(plan, [](const std::filesystem::path&) { return true; }), TDownloadFileError);
  EXPECT_EQ(test::FileNames(Film()), std::vector<std::string>{"a.srt"});
}

TEST(LanguageCodes, FromTheSitesNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"Turkish", "tr"}, {"English", "en"}, {"Germany", "de"}, {"Italy", "it"}, {"Hungary", "hu"},
      {"Portugese", "pt"}, {"turkish", "tr"}, {"Bulgarian_English", ""}, {"", ""}, {"Klingon", ""},
  };
  for (const auto& [language, code] : cases) EXPECT_EQ(LanguageCode(language), code) << language;
}

}  // namespace
}  // namespace velkaro

// Frame rate and duration read from videos that ffmpeg makes for the test,
// and what a search takes from them.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "CodePage.h"
#include "TestSupport.h"
#include "VideoChoices.h"
#include "VideoFacts.h"
#include "VideoFixtures.h"
#include "VideoProbe.h"

namespace velkaro {
namespace {

struct TRateItem {
  const char* Rate;  // ffmpeg's
  const char* Name;  // in test names
  const char* Fps;   // the text the probe must give
};

constexpr TRateItem kRates[] = {
    {"24000/1001", "23976", "23,976"}, {"25", "25", "25"}, {"30000/1001", "2997", "29,97"}, {"24", "24", "24"}};
constexpr const char* kContainers[] = {"avi", "mkv", "mp4"};

class VideoProbeTest : public testing::TestWithParam<std::tuple<TRateItem, const char*>> {
 protected:
  static void SetUpTestSuite() { Dir = std::make_unique<test::TTempDir>(); }
  static void TearDownTestSuite() { Dir.reset(); }

  static std::filesystem::path Made(const TRateItem& rate, const char* container) {
    const auto file = Dir->Path() / (std::string("film_") + rate.Name + "." + container);
    if (!std::filesystem::exists(file)) test::MakeVideo(file, {rate.Rate});
    return file;
  }

  static inline std::unique_ptr<test::TTempDir> Dir;
};

TEST_P(VideoProbeTest, GivesTheExactFpsTextAndTheDuration) {
  const auto& [rate, container] = GetParam();
  const TVideoProbe probe = ProbeVideoFile(Made(rate, container));
  EXPECT_EQ(probe.Fps, rate.Fps);
  ASSERT_TRUE(probe.DurationMs.has_value());
  EXPECT_NEAR(static_cast<double>(*probe.DurationMs), 1000, 50);
}

TEST_P(VideoProbeTest, ReadsTheSameFromMemory) {
  const auto& [rate, container] = GetParam();
  const auto file = Made(rate, container);
  EXPECT_EQ(ProbeVideoBytes(test::ReadBytes(file)), ProbeVideoFile(file));
}

INSTANTIATE_TEST_SUITE_P(Generated, VideoProbeTest, testing::Combine(testing::ValuesIn(kRates), testing::ValuesIn(kContainers)),
                         [](const auto& param) {
                           return std::string(std::get<1>(param.param)) + "_" + std::get<0>(param.param).Name;
                         });

// Files that are no video, whatever their name says: no FPS, no duration, no crash.
class VideoProbeBadInput : public testing::Test {
 protected:
  test::TTempDir Dir;
};

TEST_F(VideoProbeBadInput, NoVideoStream) {
  const auto file = test::MakeAudioOnly(Dir.Path() / "soundtrack.mka");
  EXPECT_EQ(ProbeVideoFile(file), TVideoProbe{});
  EXPECT_EQ(ProbeVideoBytes(test::ReadBytes(file)), TVideoProbe{});
}

TEST_F(VideoProbeBadInput, EmptyMissingAndFolder) {
  test::WriteBytes(Dir.Path() / "empty.avi", "");
  EXPECT_EQ(ProbeVideoFile(Dir.Path() / "empty.avi"), TVideoProbe{});
  EXPECT_EQ(ProbeVideoFile(Dir.Path() / "missing.avi"), TVideoProbe{});
  EXPECT_EQ(ProbeVideoFile(Dir.Path()), TVideoProbe{});
  EXPECT_EQ(ProbeVideoBytes(""), TVideoProbe{});
}

TEST_F(VideoProbeBadInput, RandomBytesWithAVideoExtension) {
  std::string bytes;
  std::uint32_t state = 12345;
  for (int i = 0; i < 64 * 1024; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes += static_cast<char>(state >> 24);
  }
  for (const char* name : {"random.avi", "random.mkv", "random.mp4"}) {
    test::WriteBytes(Dir.Path() / name, bytes);
    EXPECT_EQ(ProbeVideoFile(Dir.Path() / name).Fps, "") << name;
  }
}

TEST_F(VideoProbeBadInput, TruncatedFilesGiveNoFps) {
  for (const char* container : {"avi", "mkv", "mp4"}) {
    const auto whole = test::MakeVideo(Dir.Path() / (std::string("whole.") + container), {"25"});
    const auto cut = Dir.Path() / (std::string("cut.") + container);
    // The headers end before the stream's description is complete.
    test::WriteBytes(cut, test::ReadBytes(whole).substr(0, 200));
    EXPECT_EQ(ProbeVideoFile(cut).Fps, "") << container;
  }
}

TEST_F(VideoProbeBadInput, ANameThatLooksLikeAnAddressIsAFileName) {
  const auto file = test::MakeVideo(Dir.Path() / "25.avi", {"25"});
  const auto odd = Dir.Path() / "concat:x|y.avi";
  std::filesystem::copy_file(file, odd);
  EXPECT_EQ(ProbeVideoFile(odd).Fps, "25");
}

TEST(VideoProbeText, DurationText) {
  EXPECT_EQ(DurationText(std::nullopt), "");
  EXPECT_EQ(DurationText(0), "0:00:00.000");
  EXPECT_EQ(DurationText(1001), "0:00:01.001");
  EXPECT_EQ(DurationText(2 * 3600000 + 5 * 60000 + 7 * 1000 + 45), "2:05:07.045");
}

// ---------------------------------------------------------------- several parts

TVideoFile Part(const char* path, std::optional<int> cd, std::optional<int> count, std::string fps) {
  TVideoFile file;
  file.Path = path;
  file.Name = GuessFilmName(path);
  file.Name.CdNumber = cd;
  file.Name.CdCount = count;
  file.Probe.Fps = std::move(fps);
  return file;
}

TEST(VideoFactsTest, PartsGivenTogetherMakeOneFilmInPartOrder) {
  const TVideoFacts facts =
      CombineVideoFiles({Part("Heat.1995.CD2.avi", 2, {}, ""), Part("Heat.1995.CD1.avi", 1, {}, "25")});
  EXPECT_EQ(facts.Title, "Heat");
  EXPECT_EQ(facts.Year, 1995);
  EXPECT_EQ(facts.PartCount, 2);
  EXPECT_EQ(facts.Fps, "25");
  EXPECT_EQ(facts.Videos, (std::vector<std::filesystem::path>{"Heat.1995.CD1.avi", "Heat.1995.CD2.avi"}));
}

TEST(VideoFactsTest, PartCountIsTheLargestOfFilesPartNumbersAndOfN) {
  EXPECT_EQ(CombineVideoFiles({Part("a.avi", {}, {}, "")}).PartCount, 1);
  EXPECT_EQ(CombineVideoFiles({Part("a.avi", 2, {}, "")}).PartCount, 2);
  EXPECT_EQ(CombineVideoFiles({Part("a.avi", 1, 3, "")}).PartCount, 3);
  EXPECT_EQ(CombineVideoFiles({Part("a.avi", {}, {}, ""), Part("b.avi", {}, {}, ""), Part("c.avi", {}, {}, "")})
                .PartCount,
            3);
  EXPECT_EQ(CombineVideoFiles({}).PartCount, 0);
}

// Files opened together hold one film or several: those whose titles agree
// in any letter case are one film's parts, in the order of their first file.
TEST(VideoFactsTest, FilesAreGroupedByFilmTitle) {
  EXPECT_EQ(GroupByFilm({Part("Heat.CD1.avi", 1, {}, ""), Part("Se7en.mkv", {}, {}, ""), Part("heat.cd2.avi", 2, {}, ""),
                         Part("Ronin.avi", {}, {}, "")}),
            (std::vector<std::size_t>{0, 1, 0, 2}));
  EXPECT_TRUE(GroupByFilm({}).empty());

  test::TTempDir dir;
  const TFirstFilm first =
      ReadFirstFilm({dir.Path() / "HEAT.1995.CD2.avi", dir.Path() / "Se7en.mkv", dir.Path() / "Heat.1995.CD1.avi"});
  EXPECT_EQ(first.Facts.Title, "Heat");
  EXPECT_EQ(first.Facts.PartCount, 2);
  EXPECT_EQ(first.Facts.Videos,
            (std::vector<std::filesystem::path>{dir.Path() / "Heat.1995.CD1.avi", dir.Path() / "HEAT.1995.CD2.avi"}));
  EXPECT_EQ(first.LeftOut, std::vector<std::filesystem::path>{dir.Path() / "Se7en.mkv"});
  EXPECT_EQ(ReadFirstFilm({}).Facts.PartCount, 0);
}

struct TChoiceCase {
  int Parts;
  std::string Fps;
  TVideoFilters Filters;
  TCdChoice Cd;
  std::string CustomCd;
  TFpsChoice FpsChoice;
  std::string CustomFps;
};

class VideoChoicesTest : public testing::TestWithParam<TChoiceCase> {};

TEST_P(VideoChoicesTest, FillCdAndFps) {
  const TChoiceCase& c = GetParam();
  TVideoFacts facts;
  facts.Title = "\xC3\x87" "ak\xC4\xB1r";  // UTF-8 "Çakır"
  facts.PartCount = c.Parts;
  facts.Fps = c.Fps;
  facts.Videos = {"a.avi"};
  TSearchChoices choices;
  choices.LanguageItem = "Turkish";
  FillFromVideo(facts, c.Filters, choices);
  EXPECT_EQ(choices.Film, "\xC7" "ak\xFDr");  // code page 1254
  EXPECT_EQ(choices.Cd, c.Cd);
  EXPECT_EQ(choices.CustomCd, c.CustomCd);
  EXPECT_EQ(choices.Fps, c.FpsChoice);
  EXPECT_EQ(choices.CustomFps, c.CustomFps);
  EXPECT_EQ(choices.Videos, facts.Videos);
  EXPECT_EQ(choices.LanguageItem, "Turkish");
}

INSTANTIATE_TEST_SUITE_P(
    Facts, VideoChoicesTest,
    testing::Values(TChoiceCase{1, "23,976", TVideoFilters::CdAndFps, TCdChoice::One, "", TFpsChoice::Fps23976, ""},
                    TChoiceCase{2, "25", TVideoFilters::CdAndFps, TCdChoice::Two, "", TFpsChoice::Fps25, ""},
                    TChoiceCase{3, "29,97", TVideoFilters::CdAndFps, TCdChoice::Three, "", TFpsChoice::Fps2997, ""},
                    TChoiceCase{4, "24", TVideoFilters::CdAndFps, TCdChoice::Custom, "4", TFpsChoice::Custom, "24"},
                    TChoiceCase{1, "24", TVideoFilters::CdAndFps, TCdChoice::One, "", TFpsChoice::Custom, "24"},
                    TChoiceCase{0, "", TVideoFilters::CdAndFps, TCdChoice::All, "", TFpsChoice::All, ""},
                    // The window's filters stay as they were: the videos go into the score.
                    TChoiceCase{2, "25", TVideoFilters::None, TCdChoice::All, "", TFpsChoice::All, ""},
                    TChoiceCase{4, "24", TVideoFilters::None, TCdChoice::All, "", TFpsChoice::All, ""}));

}  // namespace
}  // namespace velkaro

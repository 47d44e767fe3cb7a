// A subtitle checked against the video it is for: the right length passes,
// one too long, too short or of another film is refused with its reason.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CodePage.h"
#include "ReadySubtitle.h"
#include "SubtitleFit.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "sitesim/ArchiveWriter.h"
#include "sitesim/Catalogue.h"

namespace velkaro {
namespace {

// `cues` cues, the last ending at `lastEndMs`.
std::string Srt(int cues, std::int64_t lastEndMs) {
  std::string text;
  for (int cue = 1; cue <= cues; ++cue) {
    const std::int64_t end = lastEndMs * cue / cues;
    text += std::to_string(cue) + "\r\n" + sim::SubRipTime(end - 500) + " --> " + sim::SubRipTime(end) +
            "\r\nSat\xC4\xB1r " + std::to_string(cue) + "\r\n\r\n";
  }
  return text;
}

// Twelve cues in frames; the last ends at frame `lastEndFrame`. The first line declares `declared` FPS.
std::string MicroDvd(std::int64_t lastEndFrame, const std::string& declared) {
  std::string text = "{1}{1}" + declared + "\r\n";
  for (int cue = 1; cue <= 12; ++cue) {
    const std::int64_t end = lastEndFrame * cue / 12;
    text += "{" + std::to_string(end - 10) + "}{" + std::to_string(end) + "}Sat\xC4\xB1r|" + std::to_string(cue) + "\r\n";
  }
  return text;
}

constexpr std::int64_t kMinute = 60000;

struct TFitCase {
  const char* Name;
  std::string Text;
  std::optional<std::int64_t> VideoMs;
  std::optional<double> VideoFps;
  std::optional<std::string> Problem;  // code page 1254
};

const TFitCase kCases[] = {
    {"RightLength", Srt(40, 58 * kMinute), 60 * kMinute, 25, std::nullopt},
    {"JustUnderTheLimit", Srt(40, 63 * kMinute), 60 * kMinute, 25, std::nullopt},
    {"EndsAtSixtyPercent", Srt(40, 36 * kMinute), 60 * kMinute, 25, std::nullopt},
    {"TooLong", Srt(40, 64 * kMinute), 60 * kMinute, 25,
     Utf8ToCp1254("Altyazı videodan uzun (son replik 1:04:00, video 1:00:00); videonun yanına konmadı.")},
    {"TooShort", Srt(40, 35 * kMinute), 60 * kMinute, 25,
     Utf8ToCp1254("Altyazı videodan kısa (son replik 0:35:00, video 1:00:00); videonun yanına konmadı.")},
    {"AnotherFilm", Srt(900, 112 * kMinute), 60 * kMinute, 25,
     Utf8ToCp1254("Altyazı videodan uzun (son replik 1:52:00, video 1:00:00); videonun yanına konmadı.")},
    {"TooFewCues", Srt(9, 58 * kMinute), 60 * kMinute, 25,
     Utf8ToCp1254("Altyazıda yalnız 9 replik var (en az 10); videonun yanına konmadı.")},
    {"NoSubtitle", "Bu bir altyaz\xC4\xB1 de\xC4\x9Fil.\r\n", 60 * kMinute, 25,

     Utf8ToCp1254("Altyazı okunamadı; videonun yanına konmadı.")},
    {"LengthUnknown", Srt(3, 5 * kMinute), std::nullopt, 25, std::nullopt},
    // Frames at the video's rate, whatever the first line declares: 1500
    // frames are 60 s at the declared 25 FPS but 75 s at the video's 20.
    {"MicroDvdAtTheVideosRate", MicroDvd(1500, "25"), kMinute, 20,
     Utf8ToCp1254("Altyazı videodan uzun (son replik 0:01:15, video 0:01:00); videonun yanına konmadı.")},
    {"MicroDvdAtTheSameRate", MicroDvd(1500, "25"), kMinute, 25, std::nullopt},
};

class SubtitleFitCases : public testing::TestWithParam<TFitCase> {};

TEST_P(SubtitleFitCases, RefusedWithItsReasonOrPassed) {
  EXPECT_EQ(FitProblem(GetParam().Text, GetParam().VideoMs, GetParam().VideoFps), GetParam().Problem);
}

INSTANTIATE_TEST_SUITE_P(Texts, SubtitleFitCases, testing::ValuesIn(kCases),
                         [](const auto& fit) { return std::string(fit.param.Name); });

// The check inside the plan that makes a download ready beside real videos.
class FitBesideVideos : public testing::Test {
 protected:
  TReadyRequest Request(const std::vector<std::pair<std::string, std::string>>& entries, int parts) {
    std::vector<sim::TArchiveEntry> archive;
    for (const auto& [name, text] : entries) archive.push_back({name, text});
    TReadyRequest request;
    request.Downloaded = Dir.Path() / "download.zip";
    test::WriteBytes(request.Downloaded, sim::WriteArchive(sim::TArchiveFormat::Zip, archive));
    for (int part = 1; part <= parts; ++part) {
      request.Videos.push_back(test::MakeVideo(Dir.Path() / ("Film.CD" + std::to_string(part) + ".avi"),
                                               {"25", "mpeg4", 12}));
    }
    request.RowFps = "25";
    request.CheckFit = true;
    return request;
  }

  test::TTempDir Dir;
};

TEST_F(FitBesideVideos, EveryPartFitsOrNothingIsMadeReady) {
  const auto fits = PlanReadySubtitles(Request({{"a.cd1.srt", Srt(12, 11500)}, {"a.cd2.srt", Srt(12, 11800)}}, 2));
  EXPECT_EQ(fits.Files.size(), 2u);
  EXPECT_TRUE(fits.Messages.empty());

  const auto secondTooLong =
      PlanReadySubtitles(Request({{"a.cd1.srt", Srt(12, 11500)}, {"a.cd2.srt", Srt(12, 19000)}}, 2));
  EXPECT_TRUE(secondTooLong.Files.empty());
  ASSERT_EQ(secondTooLong.Messages.size(), 1u);
  EXPECT_EQ(secondTooLong.Messages[0],
            Utf8ToCp1254("CD 2: Altyazı videodan uzun (son replik 0:00:19, video 0:00:12); videonun yanına konmadı."));

  // One CD's text for a film in two parts: the second part has none.
  const auto oneCd = PlanReadySubtitles(Request({{"a.srt", Srt(12, 23000)}}, 2));
  EXPECT_TRUE(oneCd.Files.empty());
  EXPECT_FALSE(oneCd.Messages.empty());
}

TEST_F(FitBesideVideos, WithoutTheCheckTheTextGoesBesideAsBefore) {
  TReadyRequest request = Request({{"a.srt", Srt(3, 50000)}}, 1);
  request.CheckFit = false;
  EXPECT_EQ(PlanReadySubtitles(request).Files.size(), 1u);
}

}  // namespace
}  // namespace velkaro

// Subtitles brought in time with films whose speech is known: generated
// with espeak-ng and muxed by ffmpeg, shared by every test of a build.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "CodePage.h"
#include "ReadySubtitle.h"
#include "SpeechTrack.h"
#include "SubtitleSync.h"
#include "SyncFilms.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"

namespace velkaro {
namespace {

using test::ReadBytes;
using test::WriteBytes;

struct TFilmKind {
  const char* Name;
  test::TFilmRecipe (*Recipe)();
};
const TFilmKind kFilms[] = {{"MkvAac", test::MkvFilm}, {"AviAc3", test::AviFilm}};

struct TSubtitleCase {
  const char* Name;
  test::TCueChange Change;
  bool MicroDvd = false;
};
const TSubtitleCase kCases[] = {
    {"Unchanged", {}},
    {"TwoAndAHalfSecondsLate", {1, 2500}},
    {"SevenPointThreeSecondsEarly", {1, -7300}},
    {"SixtyOneSecondsLate", {1, 61'000}},
    {"StretchedBy25Over23976", {25 / 23.976, 0}},
    {"MicroDvdShrunkAndEarly", {23.976 / 25, -3000}, true},
};

class SpeechSync : public testing::TestWithParam<std::tuple<TFilmKind, TSubtitleCase>> {
 protected:
  test::TTempDir Dir;
};

TEST_P(SpeechSync, BringsTheRightSubtitleBackToItsSpeech) {
  const auto& [kind, subtitleCase] = GetParam();
  const test::TSpeechFilm film = test::SharedFilm(kind.Recipe());
  const auto subtitle = Dir.Path() / (subtitleCase.MicroDvd ? "Film.sub" : "Film.srt");
  WriteBytes(subtitle, subtitleCase.MicroDvd ? test::MicroDvdOf(film.Cues, 25, subtitleCase.Change)
                                             : test::SubRipOf(film.Cues, subtitleCase.Change));

  const TSyncResult result = SyncSubtitleFile({film.File, subtitle}, {});
  ASSERT_TRUE(result.Synced.Retimed) << "confidence " << result.Synced.Alignment.Confidence;
  EXPECT_EQ(result.Written, Dir.Path() / (subtitleCase.MicroDvd ? "Film.synced.sub" : "Film.synced.srt"));
  const test::TStartErrors errors = test::StartErrors(ReadBytes(result.Written), film.Cues, subtitleCase.Change);
  RecordProperty("medianStartErrorMs", static_cast<int>(errors.MedianMs));
  RecordProperty("worstStartErrorMs", static_cast<int>(errors.WorstMs));
  RecordProperty("confidence", std::to_string(result.Synced.Alignment.Confidence));
  EXPECT_LE(errors.MedianMs, 50);
  EXPECT_LE(errors.WorstMs, 150);
  EXPECT_GT(errors.Count, 30u);
  if (subtitleCase.Change.Scale == 1 && subtitleCase.Change.ShiftMs == 0) {
    EXPECT_LT(std::abs(result.Synced.Alignment.Retiming.OffsetMs), 50);
    EXPECT_EQ(result.Synced.Alignment.Ratio.Name, "1");
  }
  // The user's file is as it was.
  EXPECT_EQ(test::FileNames(Dir.Path()).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(GeneratedFilms, SpeechSync, testing::Combine(testing::ValuesIn(kFilms), testing::ValuesIn(kCases)),
                         [](const auto& param) {
                           return std::string(std::get<0>(param.param).Name) + "_" + std::get<1>(param.param).Name;
                         });

class SpeechSyncFiles : public testing::Test {
 protected:
  std::filesystem::path Subtitle(const std::string& name, const std::string& text) const {
    WriteBytes(Dir.Path() / name, text);
    return Dir.Path() / name;
  }

  test::TSpeechFilm Film = test::SharedFilm(test::MkvFilm());
  test::TTempDir Dir;
};

TEST_F(SpeechSyncFiles, AnotherFilmsSubtitleIsRefusedAndNothingIsWritten) {
  for (unsigned seed : {1u, 2u, 3u}) {
    const auto subtitle = Subtitle("Other.srt", test::RandomSubRip(Film.Cues.size(), 210'000, seed));
    const TSyncResult result = SyncSubtitleFile({Film.File, subtitle}, {});
    EXPECT_FALSE(result.Synced.Retimed);
    EXPECT_LT(result.Synced.Alignment.Confidence, kConfidenceThreshold);
    EXPECT_TRUE(result.Written.empty());
    EXPECT_TRUE(Contains(SyncResultText(result),
                         Utf8ToCp1254("başka bir filmin altyazısı ya da filmde çok az konuşma var")));
  }
  EXPECT_EQ(test::FileNames(Dir.Path()), std::vector<std::string>{"Other.srt"});
}

TEST_F(SpeechSyncFiles, ReplacingKeepsTheOriginalAndNoNameIsEverOverwritten) {
  const std::string late = test::SubRipOf(Film.Cues, {1, 2500});
  const auto subtitle = Subtitle("Film.srt", late);
  Subtitle("Film.orig.srt", "older original");
  Subtitle("Film.synced.srt", "older sync");

  const TSyncResult beside = SyncSubtitleFile({Film.File, subtitle}, {});
  EXPECT_EQ(beside.Written, Dir.Path() / "Film.synced.2.srt");

  const TSyncResult replaced = SyncSubtitleFile({Film.File, subtitle, true}, {});
  EXPECT_EQ(replaced.Written, subtitle);
  EXPECT_EQ(replaced.KeptOriginal, Dir.Path() / "Film.orig.2.srt");
  EXPECT_EQ(ReadBytes(Dir.Path() / "Film.orig.2.srt"), late);
  EXPECT_EQ(ReadBytes(Dir.Path() / "Film.orig.srt"), "older original");
  EXPECT_EQ(ReadBytes(Dir.Path() / "Film.synced.srt"), "older sync");
  EXPECT_EQ(ReadBytes(subtitle), ReadBytes(beside.Written));
  // About 2.5 s back: the AAC encoder's priming delays the sound a little.
  EXPECT_NEAR(static_cast<double>(replaced.Synced.Alignment.Retiming.OffsetMs), -2500, 50);
  const std::string text = SyncResultText(replaced);
  EXPECT_TRUE(Contains(text, Utf8ToCp1254(" sn geri, oran 1, güven "))) << text;
  EXPECT_TRUE(Contains(text, Utf8ToCp1254("Özgün altyazı saklandı: ") + (Dir.Path() / "Film.orig.2.srt").string())) << text;

  // A chosen name is written as asked, but never over the film.
  const auto chosen = Dir.Path() / "chosen.srt";
  EXPECT_EQ(SyncSubtitleFile({Film.File, subtitle, false, chosen}, {}).Written, chosen);
  try {
    SyncSubtitleFile({Film.File, subtitle, false, Film.File}, {});
    ADD_FAILURE() << "wrote over the film";
  } catch (const TSyncError& error) {
    EXPECT_EQ(error.Failure, TSyncFailure::WriteFailed);
  }
}

TEST_F(SpeechSyncFiles, CuesBeforeTheFilmAreCountedInTheMessage) {
  // Three seconds early: the first cue (said at one second) would start before the film.
  const auto subtitle = Subtitle("Film.srt", test::SubRipOf(Film.Cues, {1, 3000}));
  const auto early = Subtitle("Early.srt", "1\r\n00:00:00,100 --> 00:00:00,900\r\nOnce\r\n\r\n" + ReadBytes(subtitle));
  const TSyncResult result = SyncSubtitleFile({Film.File, early}, {});
  ASSERT_TRUE(result.Synced.Retimed);
  EXPECT_EQ(result.Synced.Retimed->Dropped, 1);
  EXPECT_TRUE(Contains(SyncResultText(result), Utf8ToCp1254("Filmden önce biten 1 satır atıldı.")));
}

TEST_F(SpeechSyncFiles, UnreadableInputsAreToldAndNothingIsWritten) {
  const auto subtitle = Subtitle("Film.srt", test::SubRipOf(Film.Cues));
  const auto silent = test::MakeVideo(Dir.Path() / "Silent.mkv", {"25"});
  const auto corrupt = Dir.Path() / "Corrupt.mkv";
  // The film with its container's header wiped.
  WriteBytes(corrupt, std::string(65'536, '\0') + ReadBytes(Film.File).substr(65'536));
  const auto notFilm = Subtitle("Notes.avi", "not a film at all");
  const auto missing = Dir.Path() / "Missing.mkv";
  const auto styled = Subtitle("Film.ass", "[Script Info]\nScriptType: v4.00+\n[Events]\nFormat: Layer, Start, End, Style, Text\n"
                                           "Dialogue: 0,0:00:01.00,0:00:02.00,Default,Merhaba\n");
  const auto noCues = Subtitle("Empty.srt", "1\n00:00:01,000 --> 00:00:02,000\n\n");
  const auto binary = Subtitle("Film.bin.srt", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));

  struct TCase {
    std::filesystem::path Video, Subtitle;
    TSyncFailure Failure;
    std::string Message;
  };
  const TCase cases[] = {
      {silent, subtitle, TSyncFailure::NoAudio, "Videoda ses yok: Silent.mkv"},
      {corrupt, subtitle, TSyncFailure::VideoUnreadable, Utf8ToCp1254("Video okunamadı: Corrupt.mkv")},
      {notFilm, subtitle, TSyncFailure::VideoUnreadable, Utf8ToCp1254("Video okunamadı: Notes.avi")},
      {missing, subtitle, TSyncFailure::VideoUnreadable, Utf8ToCp1254("Video okunamadı: Missing.mkv")},
      // The subtitle is judged before the audio is read: the film here is missing.
      {missing, styled, TSyncFailure::FormatNotWritable, Utf8ToCp1254("Advanced SubStation Alpha altyazıları sese eşitlenemez")},
      {missing, noCues, TSyncFailure::NoCues, Utf8ToCp1254("Altyazıda zamanlı satır yok: Empty.srt")},
      {missing, binary, TSyncFailure::SubtitleUnreadable, Utf8ToCp1254("Altyazı okunamadı: Film.bin.srt")},
      {Film.File, Dir.Path() / "Gone.srt", TSyncFailure::SubtitleUnreadable, Utf8ToCp1254("Altyazı okunamadı: Gone.srt")},
  };
  const auto before = test::FileNames(Dir.Path());
  for (const TCase& bad : cases) {
    SCOPED_TRACE(bad.Message);
    try {
      SyncSubtitleFile({bad.Video, bad.Subtitle}, {});
      ADD_FAILURE() << "no failure";
    } catch (const TSyncError& error) {
      EXPECT_EQ(error.Failure, bad.Failure);
      EXPECT_TRUE(std::string(error.what()).starts_with(bad.Message)) << Cp1254ToUtf8(error.what());
    }
  }
  EXPECT_EQ(test::FileNames(Dir.Path()), before);
}

TEST_F(SpeechSyncFiles, AStopWhileTheAudioIsReadLeavesNothingWritten) {
  const auto subtitle = Subtitle("Film.srt", test::SubRipOf(Film.Cues, {1, 2500}));
  std::atomic<bool> stop = false;
  int lastPercent = -1;
  TSpeechListener listener;
  listener.Stopped = [&] { return stop.load(); };
  listener.Progress = [&](int percent) {
    EXPECT_GT(percent, lastPercent);
    lastPercent = percent;
    if (percent >= 30) stop = true;
  };
  EXPECT_THROW(SyncSubtitleFile({Film.File, subtitle}, listener), TSpeechStopped);
  EXPECT_GE(lastPercent, 30);
  EXPECT_LT(lastPercent, 100);
  EXPECT_EQ(test::FileNames(Dir.Path()), std::vector<std::string>{"Film.srt"});
}

TEST_F(SpeechSyncFiles, EachPartOfAFilmIsAlignedWithItsOwnVideo) {
  const test::TSpeechFilm second = test::SharedFilm(test::AviFilm());
  const std::string first = test::SubRipOf(Film.Cues, {1, 2500});
  TReadyPlan plan;
  plan.Files = {{Dir.Path() / "Film.CD1.srt", first, Film.File},
                {Dir.Path() / "Film.CD2.srt", test::SubRipOf(second.Cues, {1, -4000}), second.File},
                {Dir.Path() / "Film.CD3.srt", test::RandomSubRip(40, 200'000, 7), second.File}};
  const std::string unfit = plan.Files[2].Content;
  SyncReadyPlan(plan, {});
  EXPECT_LE(test::StartErrors(plan.Files[0].Content, Film.Cues, {1, 2500}).WorstMs, 150);
  EXPECT_LE(test::StartErrors(plan.Files[1].Content, second.Cues, {1, -4000}).WorstMs, 150);
  EXPECT_EQ(plan.Files[2].Content, unfit);
  ASSERT_EQ(plan.Messages.size(), 3u);
  const std::string firstName = Film.File.filename().string() + ": ";
  EXPECT_TRUE(plan.Messages[0].starts_with(firstName + Utf8ToCp1254("Altyazı filmin sesine eşitlendi: 2,"))) << plan.Messages[0];
  EXPECT_TRUE(Contains(plan.Messages[0], " sn geri")) << plan.Messages[0];
  EXPECT_TRUE(Contains(plan.Messages[1], " sn ileri")) << plan.Messages[1];
  EXPECT_TRUE(Contains(plan.Messages[2], Utf8ToCp1254("oturmadı"))) << plan.Messages[2];
}

// The speech itself, as the detector hears it.
TEST(SpeechTrack, HearsTheSpokenLinesAndNotTheQuietBetween) {
  const test::TSpeechFilm film = test::SharedFilm(test::MkvFilm());
  const TSpeechTrack track = ReadSpeech(film.File, {});
  ASSERT_NEAR(static_cast<double>(track.Frames.size()), 21'000, 10);
  std::vector<bool> said(track.Frames.size(), false);
  for (const auto& cue : film.Cues) {
    for (auto frame = cue.StartMs / 10; frame < cue.EndMs / 10; ++frame) said[static_cast<std::size_t>(frame)] = true;
  }
  std::size_t heard = 0, spoken = 0, quietHeard = 0, quiet = 0;
  for (std::size_t frame = 0; frame < said.size(); ++frame) {
    const bool inMusic = frame >= 9'950 && frame < 12'550;
    // A voice fades out over a few frames after its last loud sample.
    const bool justAfter = frame >= 15 && said[frame - 15];
    if (said[frame]) {
      ++spoken;
      heard += track.Frames[frame];
    } else if (!inMusic && !justAfter) {
      ++quiet;
      quietHeard += track.Frames[frame];
    }
  }
  EXPECT_GT(static_cast<double>(heard) / static_cast<double>(spoken), 0.9);
  EXPECT_LT(static_cast<double>(quietHeard) / static_cast<double>(quiet), 0.02);
  EXPECT_EQ(ReadSpeechBytes(ReadBytes(film.File), {}).Frames, track.Frames);
}

TEST(SpeechTrack, SoundThatStartsLateKeepsItsPlaceInTheFilm) {
  const test::TSpeechFilm film = test::SharedFilm(test::MkvFilm());
  test::TTempDir dir;
  const auto late = dir.Path() / "late.mkv";
  // A picture from 0 s, the film's sound from 2 s: the container leaves the gap.
  test::RunFfmpeg("-f lavfi -i color=c=gray:size=64x48:rate=25 -itsoffset 2 -i " + test::ShellQuoted(film.File.string()) +
                      " -map 0:v -map 1:a -shortest -c:v mpeg4 -c:a copy",
                  late);
  const TSpeechTrack early = ReadSpeech(film.File, {});
  const TSpeechTrack track = ReadSpeech(late, {});
  // Two seconds of nothing first, then the same speech: it agrees best 200 frames on.
  ASSERT_GT(track.Frames.size(), early.Frames.size() + 190);
  EXPECT_EQ(std::count(track.Frames.begin(), track.Frames.begin() + 190, 1), 0);
  std::size_t bestShift = 0, bestSame = 0;
  for (std::size_t shift = 180; shift <= 220; ++shift) {
    std::size_t same = 0;
    for (std::size_t frame = 0; frame + shift < track.Frames.size() && frame < early.Frames.size(); ++frame) {
      same += early.Frames[frame] == track.Frames[frame + shift];
    }
    if (same > bestSame) std::tie(bestShift, bestSame) = std::pair{shift, same};
  }
  EXPECT_NEAR(static_cast<double>(bestShift), 200, 2);
  EXPECT_GT(static_cast<double>(bestSame) / static_cast<double>(early.Frames.size()), 0.95);
}

}  // namespace
}  // namespace velkaro

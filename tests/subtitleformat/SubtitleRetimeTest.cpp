// Subtitles moved and stretched in time: the times exact, every other byte
// as written.

#include <gtest/gtest.h>

#include <string>

#include "SubtitleFormat.h"
#include "SubtitleRetime.h"

namespace velkaro {
namespace {

constexpr TRetiming kBackTwoAndAHalf{1, 1, -2500};
constexpr TRetiming kPalToFilm{25000, 23976, 0};  // a 25 fps release's times on a 23.976 fps film

TEST(SubtitleRetime, StretchesExactlyAndRoundsToTheNearestMillisecond) {
  EXPECT_EQ(kPalToFilm.Apply(std::int64_t{23976}), 25000);
  EXPECT_EQ(kPalToFilm.Apply(std::int64_t{7'200'000}), 7'507'508);  // two hours drift by 307.5 s
  EXPECT_EQ((TRetiming{1, 2, 0}.Apply(std::int64_t{3})), 2);         // 1.5 rounds away from zero
  EXPECT_EQ((TRetiming{1, 2, 0}.Apply(std::int64_t{-3})), -2);
  EXPECT_EQ(kBackTwoAndAHalf.Apply(std::int64_t{1000}), -1500);
  // Times no film has are held, not overflowed.
  EXPECT_GT((TRetiming{29970, 23976, 0}.Apply(std::int64_t{999'999'999'999'999})), 0);
}

TEST(SubtitleRetime, SubRipKeepsEverythingButItsTimes) {
  const std::string text =
      "\xEF\xBB\xBF" "1\r\n00:00:03,000 --> 00:00:04,500 X1:10 X2:20 \r\n<i>Bir</i>\r\n\r\n"
      "2\r\n00:01:02,250 --> 00:01:04,000\r\nİki\r\nsatır\r\n";
  const auto moved = RetimeSubtitle(text, kBackTwoAndAHalf, 25);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->Text,
            "\xEF\xBB\xBF" "1\r\n00:00:00,500 --> 00:00:02,000 X1:10 X2:20 \r\n<i>Bir</i>\r\n\r\n"
            "2\r\n00:00:59,750 --> 00:01:01,500\r\nİki\r\nsatır\r\n");
  EXPECT_EQ(moved->Cut + moved->Dropped, 0);

  const auto stretched = RetimeSubtitle("1\n00:00:23,976 --> 01:59:59,999\nBir\n", kPalToFilm, 25);
  EXPECT_EQ(stretched->Text, "1\n00:00:25,000 --> 02:05:07,506\nBir\n");
}

TEST(SubtitleRetime, SubRipCuesBeforeTheFilmAreCutOrDroppedAndCounted) {
  const std::string text =
      "1\n00:00:00,500 --> 00:00:02,000\nGider\n\n"
      "2\n00:00:02,000 --> 00:00:04,000\nKırpılır\n\n"
      "3\n00:00:05,000 --> 00:00:06,000\nKalır\n";
  const auto moved = RetimeSubtitle(text, kBackTwoAndAHalf, 25);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->Dropped, 1);
  EXPECT_EQ(moved->Cut, 1);
  // Numbered from 1 again, and read back as two cues in order.
  EXPECT_EQ(moved->Text,
            "1\n00:00:00,000 --> 00:00:01,500\nKırpılır\n\n"
            "2\n00:00:02,500 --> 00:00:03,500\nKalır\n");
  const auto parsed = ParseSubtitle(moved->Text);
  ASSERT_EQ(parsed->Cues.size(), 2u);
  EXPECT_EQ(parsed->Cues[0].Text, "Kırpılır");

  // An end written before its start is the start, as the reader takes it: the cue stays.
  const auto backwards = RetimeSubtitle("1\n00:00:03,000 --> 00:00:00,000\nGeri\n", kBackTwoAndAHalf, 25);
  EXPECT_EQ(backwards->Text, "1\n00:00:00,500 --> 00:00:00,500\nGeri\n");
  EXPECT_EQ(backwards->Dropped, 0);

  // A cue at the film's very start is kept where it stands; moved to end there, it goes.
  const std::string atStart = "1\n00:00:00,000 --> 00:00:00,000\nBaşta\n";
  EXPECT_EQ(RetimeSubtitle(atStart, {}, 25)->Text, atStart);
  const auto endsAtStart = RetimeSubtitle("1\n00:00:02,000 --> 00:00:02,500\nBiter\n", kBackTwoAndAHalf, 25);
  EXPECT_EQ(endsAtStart->Text, "");
  EXPECT_EQ(endsAtStart->Dropped, 1);
}

TEST(SubtitleRetime, MicroDvdFramesAreReadAtTheirRateAndWrittenAtTheVideos) {
  // Declared 25 fps, written for a 23.976 fps video, one second later.
  const auto moved = RetimeSubtitle("{1}{1}25\r\n{25}{50}Bir|İki\r\n{100}{}{y:i}Üç\r\n", {1, 1, 1000}, 23.976);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->Text, "{1}{1}23.976\r\n{48}{72}Bir|İki\r\n{120}{}{y:i}Üç\r\n");

  // Without a declaration the frames are the video's own.
  const auto plain = RetimeSubtitle("{10}{20}Gider\n{30}{}Gider\n{40}{90}Kırpılır\n{100}{150}Kalır\n", {1, 1, -2000}, 25);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->Text, "{0}{40}Kırpılır\n{50}{100}Kalır\n");
  EXPECT_EQ(plain->Dropped, 2);
  EXPECT_EQ(plain->Cut, 1);
}

TEST(SubtitleRetime, OnlySubRipAndMicroDvdAreWritten) {
  EXPECT_FALSE(RetimeSubtitle("WEBVTT\n\n00:01.000 --> 00:02.000\nBir\n", kBackTwoAndAHalf, 25));
  EXPECT_FALSE(RetimeSubtitle("[10][20]Bir\n", kBackTwoAndAHalf, 25));
  EXPECT_FALSE(RetimeSubtitle("Altyazı değil.\n", kBackTwoAndAHalf, 25));
  EXPECT_TRUE(CanRetime(TSubtitleFormat::SubRip));
  EXPECT_FALSE(CanRetime(TSubtitleFormat::Ass));
}

}  // namespace
}  // namespace velkaro

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "SubtitleFormat.h"

namespace velkaro {
namespace {

struct TSample {
  const char* Name;
  TSubtitleFormat Format;
  std::string Text;
  std::size_t Cues;
  std::int64_t FirstStart, FirstEnd;
  std::string FirstText;
  std::int64_t LastEnd;
};

// One sample per format, written as the programs that make them write them.
const std::vector<TSample>& Samples() {
  static const std::vector<TSample> samples{
      {"SubRip", TSubtitleFormat::SubRip,
       "1\r\n00:00:01,500 --> 00:00:03,000\r\nMerhaba.\r\n\r\n2\r\n00:01:02,250 --> 00:01:04,000\r\n"
       "<i>İki</i>\r\nsatır\r\n",
       2, 1500, 3000, "Merhaba.", 64000},
      {"MicroDVD", TSubtitleFormat::MicroDvd, "{1}{1}25\n{25}{75}Merhaba.|Nasılsın?\n{100}{150}{y:i}Güle güle\n", 2, 1000,
       3000, "Merhaba.\nNasılsın?", 6000},
      {"SubViewer 1", TSubtitleFormat::SubViewer1,
       "[TITLE]\nFilm\n[AUTHOR]\n\n[00:00:02]\nMerhaba.|İkinci\n[00:00:04]\n\n[00:00:06]\nSon\n[00:00:08]\n", 2, 2000, 4000,
       "Merhaba.\nİkinci", 8000},
      {"SubViewer 2", TSubtitleFormat::SubViewer2,
       "[INFORMATION]\n[TITLE]Film\n[END INFORMATION]\n[SUBTITLE]\n[COLF]&HFFFFFF,[STYLE]bd,[SIZE]18\n"
       "00:00:01.50,00:00:03.00\nMerhaba.[br]İkinci\n\n00:00:05.00,00:00:07.25\nSon\n",
       2, 1500, 3000, "Merhaba.\nİkinci", 7250},
      {"SSA", TSubtitleFormat::Ssa,
       "[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name, Fontname\n\n[Events]\n"
       "Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
       "Dialogue: Marked=0,0:00:01.00,0:00:02.50,Default,,0000,0000,0000,,Merhaba, dünya\\Nİkinci\n",
       1, 1000, 2500, "Merhaba, dünya\nİkinci", 2500},
      {"ASS", TSubtitleFormat::Ass,
       "\xEF\xBB\xBF[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n\n[Events]\n"
       "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
       "Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,not shown\n"
       "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\i1}Merhaba{\\i0}\n"
       "Dialogue: 0,1:00:00.10,1:00:01.00,Default,,0,0,0,,Son\n",
       2, 1000, 2000, "{\\i1}Merhaba{\\i0}", 3601000},
      {"SAMI", TSubtitleFormat::Sami,
       "<SAMI>\n<BODY>\n<SYNC Start=1000><P Class=TRCC>Merhaba.<br>İkinci\n<SYNC Start=3000><P Class=TRCC>&nbsp;\n"
       "<SYNC Start=\"5000\"><P Class=TRCC>Son\n</BODY>\n</SAMI>\n",
       2, 1000, 3000, "<P Class=TRCC>Merhaba.<br>İkinci", 8000},
      {"TMPlayer", TSubtitleFormat::TmPlayer, "00:00:01:Merhaba.|İkinci\n00:00:03:\n0:00:05:Son\n", 2, 1000, 3000,
       "Merhaba.\nİkinci", 8000},
      {"MPL2", TSubtitleFormat::Mpl2, "[10][30]Merhaba.|/İkinci\n[50][]Son\n", 2, 1000, 3000, "Merhaba.\n/İkinci", 8000},
      {"WebVTT", TSubtitleFormat::WebVtt,
       "WEBVTT\n\nNOTE made by hand\n\nbir\n00:01.000 --> 00:02.500 line:0\nMerhaba.\n\n00:00:04.000 --> 00:00:05.000\nSon\n",
       2, 1000, 2500, "Merhaba.", 5000},
  };
  return samples;
}

TEST(SubtitleFormat, EveryFormatIsToldAndReadFromASample) {
  for (const auto& sample : Samples()) {
    SCOPED_TRACE(sample.Name);
    EXPECT_EQ(DetectSubtitleFormat(sample.Text), sample.Format);
    const auto parsed = ParseSubtitle(sample.Text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Format, sample.Format);
    ASSERT_EQ(parsed->Cues.size(), sample.Cues);
    EXPECT_EQ(parsed->Cues.front().StartMs, sample.FirstStart);
    EXPECT_EQ(parsed->Cues.front().EndMs, sample.FirstEnd);
    EXPECT_EQ(parsed->Cues.front().Text, sample.FirstText);
    EXPECT_EQ(parsed->Cues.back().EndMs, sample.LastEnd);
    EXPECT_FALSE(FormatExtension(sample.Format).empty());
  }
}

// The window runs in the desktop's locale; a Turkish one lowers "I" to
// itself, which must not hide "DIALOGUE:" or "<SAMI>".
TEST(SubtitleFormat, TextsReadTheSameInATurkishLocale) {
  std::vector<std::string> texts{
      "[SCRIPT INFO]\n[EVENTS]\nFORMAT: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
      "DIALOGUE: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Merhaba\n",
      "<SAMI>\n<BODY>\n<SYNC START=1000><P>Merhaba\n</BODY>\n</SAMI>\n"};
  for (const auto& sample : Samples()) texts.push_back(sample.Text);
  std::vector<std::size_t> cues;
  for (const auto& text : texts) cues.push_back(ParseSubtitle(text).value_or(TSubtitleText{}).Cues.size());
  EXPECT_EQ(cues[0], 1u);
  EXPECT_EQ(cues[1], 1u);

  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, "tr_TR.UTF-8")) GTEST_SKIP() << "the tr_TR.UTF-8 locale is not installed";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(ParseSubtitle(texts[i]).value_or(TSubtitleText{}).Cues.size(), cues[i]) << texts[i];
  }
  std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(SubtitleFormat, TextsThatAreNoSubtitleAreNotRecognised) {
  for (const std::string& text : {std::string(), std::string("\n\n  \n"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                 std::string("Bu bir altyazı değil.\nSadece bir not.\n"),
                                 std::string("Release: Film.2001.DVDRip\nSource: DVD\nRuntime: 01:32:00\n")}) {
    EXPECT_FALSE(ParseSubtitle(text)) << text;
  }
  // Recognised, but with nothing to show.
  const auto empty = ParseSubtitle("WEBVTT\n\n00:01.000 --> 00:02.000\n\n");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->Cues.empty());
  EXPECT_TRUE(ParseSubtitle("{10}{20}\n{30}{40}{y:i}\n")->Cues.empty());
}

TEST(SubtitleFormat, SubRipAsFilesReallyComeWritten) {
  // No blank lines between cues, a blank line inside one, '.' for the comma,
  // coordinates after the times, a lone CR as line end, a cue number-like last line.
  const auto parsed = ParseSubtitle(
      "1\n00:00:01.000 --> 00:00:02.000 X1:10 X2:20\nBir\n2\n00:00:03,000 --> 00:00:04,000\nİki\n\nüç\n\n\n"
      "3\r00:00:05,000 --> 00:00:06,000\r1984\r");
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->Cues.size(), 3u);
  EXPECT_EQ(parsed->Cues[0].Text, "Bir");
  EXPECT_EQ(parsed->Cues[1].Text, "İki\n\nüç");
  EXPECT_EQ(parsed->Cues[2].Text, "1984");
  EXPECT_EQ(parsed->Cues[2].StartMs, 5000);
}

TEST(SubtitleFormat, MicroDvdTimesFollowTheDeclaredRateElseTheGivenOne) {
  const std::string declared = "{1}{1}23.976\n{24}{48}Bir\n{1000}{}İki\n";
  const auto parsed = ParseSubtitle(declared, 25);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->DeclaredFps, 23.976);
  EXPECT_EQ(parsed->Cues[0].StartMs, 1001);  // 24 / 23.976
  EXPECT_EQ(parsed->Cues[0].StartFrame, 24);
  EXPECT_EQ(parsed->Cues[0].EndFrame, 48);
  EXPECT_EQ(parsed->Cues[1].EndFrame, 1000 + 72);  // no end: three seconds at its rate
  EXPECT_EQ(parsed->Cues[1].EndMs, 44711);

  const auto plain = ParseSubtitle("{25}{}Bir\n{50}{75}İki\n", 25);
  EXPECT_FALSE(plain->DeclaredFps);
  EXPECT_EQ(plain->Cues[0].EndMs, 2000);  // to the next cue
  EXPECT_EQ(ParseSubtitle("{25}{50}Bir\n", 0)->Cues[0].StartMs, 1000);  // no usable rate: 25
  // A first line of text at frame 1 is a cue, not a rate.
  EXPECT_EQ(ParseSubtitle("{1}{1}Merhaba\n")->Cues.size(), 1u);
}

TEST(SubtitleFormat, CuesLastUntilTheirEndMarksWhereTheFormatHasThem) {
  // TMPlayer: lines of one time are one cue; an empty line ends the cue before it.
  const auto tm = ParseSubtitle("00:00:01,1=Bir\n00:00:01,2=İki\n00:00:02,1=\n00:00:10:Üç\n");
  ASSERT_TRUE(tm);
  ASSERT_EQ(tm->Cues.size(), 2u);
  EXPECT_EQ(tm->Cues[0].Text, "Bir\nİki");
  EXPECT_EQ(tm->Cues[0].EndMs, 2000);
  // An end before its start is no negative length.
  const auto srt = ParseSubtitle("1\n00:00:05,000 --> 00:00:04,000\nGeri\n");
  EXPECT_EQ(srt->Cues[0].EndMs, 5000);
  const auto mpl = ParseSubtitle("[50][40]Geri\n");
  EXPECT_EQ(mpl->Cues[0].EndMs, 5000);
}

TEST(SubtitleFormat, SubStationReadsItsOwnFieldOrder) {
  const auto parsed = ParseSubtitle(
      "[Script Info]\n[Events]\nFormat: Layer, Style, End, Start, Text\n"
      "Dialogue: 0,Default,0:00:09.00,0:00:08.00,Metin, virgüllü\n");
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->Cues.size(), 1u);
  EXPECT_EQ(parsed->Cues[0].StartMs, 8000);
  EXPECT_EQ(parsed->Cues[0].EndMs, 9000);
  EXPECT_EQ(parsed->Cues[0].Text, "Metin, virgüllü");
}

}  // namespace
}  // namespace velkaro

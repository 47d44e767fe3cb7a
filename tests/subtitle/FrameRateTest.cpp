#include <gtest/gtest.h>

#include <string>

#include "FrameRate.h"

namespace velkaro {
namespace {

TEST(FrameRateText, ReadsCommaAndPoint) {
  EXPECT_EQ(ParseFrameRate("23,976"), 23.976);
  EXPECT_EQ(ParseFrameRate(" 25 "), 25.0);
  EXPECT_EQ(ParseFrameRate("29.97"), 29.97);
  for (const char* bad : {"", "abc", "25fps", "0", "0.5", "5000", "nan", "inf"}) EXPECT_FALSE(ParseFrameRate(bad)) << bad;
}

TEST(MicroDvdFrames, ScaledToTheVideoRateAndRounded) {
  EXPECT_EQ(ConvertFrames("{1}{1}23.976\r\n{23976}{24000}Merhaba\r\n", 25, std::nullopt),
            "{1}{1}25\r\n{25000}{25025}Merhaba\r\n");
  // 100 * 23.976 / 25 = 95.904; 149 * 23.976 / 25 = 142.8966
  EXPECT_EQ(ConvertFrames("{100}{149}a|b\n{150}{}c", 23.976, 25.0), "{96}{143}a|b\n{144}{}c");
}

TEST(MicroDvdFrames, DeclaredRateWinsOverTheRowsAndBomAndOddLinesStay) {
  const std::string text = "\xEF\xBB\xBF{1}{1}25\n\n{50}{75}x\nnot a cue\n";
  EXPECT_EQ(DeclaredFrameRate(text), 25.0);
  EXPECT_EQ(ConvertFrames(text, 50, 23.976), "\xEF\xBB\xBF{1}{1}50\n\n{100}{150}x\nnot a cue\n");
}

TEST(MicroDvdFrames, LeftAsTheyAreWithoutAKnownOtherRate) {
  const std::string noRate = "{100}{200}x\r\n";
  EXPECT_EQ(ConvertFrames(noRate, 25, std::nullopt), noRate);
  EXPECT_EQ(ConvertFrames(noRate, 25, 25.0), noRate);
  EXPECT_EQ(ConvertFrames("{1}{1}25.000\r\n{100}{200}x\r\n", 25, 23.976), "{1}{1}25.000\r\n{100}{200}x\r\n");
  const std::string subRip = "1\r\n00:00:01,000 --> 00:00:02,000\r\n{100}\r\n";
  EXPECT_FALSE(IsMicroDvd(subRip));
  EXPECT_EQ(ConvertFrames(subRip, 25, 23.976), subRip);
}

TEST(MicroDvdToSubRip, TimesExactToTheMillisecond) {
  const std::string text =
      "{1}{1}23.976\r\n"
      "{24}{48}{y:i}Bir|\xC4\xB0ki\r\n"
      "{23976}{24000}Son\r\n"
      "{86400000}{}Sonsuz\r\n";
  // 24 / 23.976 = 1.001001 s; 23976 / 23.976 = 1000 s; 24000 / 23.976 = 1001.001 s
  EXPECT_EQ(MicroDvdToSubRip(text, 23.976),
            "1\r\n00:00:01,001 --> 00:00:02,002\r\n<i>Bir</i>\r\n\xC4\xB0ki\r\n\r\n"
            "2\r\n00:16:40,000 --> 00:16:41,001\r\nSon\r\n\r\n"
            "3\r\n1001:00:03,604 --> 1001:00:06,604\r\nSonsuz\r\n\r\n");
}

// A line's "/" and "{y:...}" style that line, "{Y:...}" the whole cue; other codes go, a "/" inside a line stays.
TEST(MicroDvdToSubRip, StylesBecomeTags) {
  const std::pair<const char*, const char*> cases[] = {
      {"/Bir|iki", "<i>Bir</i>\niki"},
      {"Bir|/iki", "Bir\n<i>iki</i>"},
      {"{y:i}Bir|iki", "<i>Bir</i>\niki"},
      {"{Y:i}Bir|/iki", "<i>Bir\niki</i>"},
      {"{y:b,i}Bir|{y:u}iki", "<i><b>Bir</b></i>\n<u>iki</u>"},
      {"{c:$0000FF}1/2 {f:Arial}oran|", "1/2 oran\n"},
      {"{y:s}Bir", "Bir"},
  };
  for (const auto& [cue, expected] : cases) {
    EXPECT_EQ(MicroDvdToSubRip(std::string("{25}{50}") + cue + "\n", 25),
              std::string("1\n00:00:01,000 --> 00:00:02,000\n") + expected + "\n\n")
        << cue;
  }
}

TEST(MicroDvdToSubRip, ACueWithoutEndLastsUntilTheNext) {
  EXPECT_EQ(MicroDvdToSubRip("{25}{}a\n{50}{75}b\n", 25),
            "1\n00:00:01,000 --> 00:00:02,000\na\n\n2\n00:00:02,000 --> 00:00:03,000\nb\n\n");
}

}  // namespace
}  // namespace velkaro

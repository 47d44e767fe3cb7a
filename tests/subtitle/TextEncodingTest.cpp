#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TextEncoding.h"

namespace velkaro {
namespace {

// Every Turkish letter, lower then upper case, as UTF-8.
const std::string kTurkishUtf8 =
    "\xC3\xA7 \xC4\x9F \xC4\xB1 \xC3\xB6 \xC5\x9F \xC3\xBC \xC3\x87 \xC4\x9E \xC4\xB0 \xC3\x96 \xC5\x9E \xC3\x9C";
// The same letters in code page 1254 and in ISO-8859-9, which agree on them.
const std::string kTurkish8Bit = "\xE7 \xF0 \xFD \xF6 \xFE \xFC \xC7 \xD0 \xDD \xD6 \xDE \xDC";

std::string Subtitle(const std::string& letters) {
  return "1\r\n00:00:01,000 --> 00:00:04,000\r\nG\xFCle g\xFCle: " + letters + "\r\n";
}

struct TEncodingCase {
  const char* Name;
  std::string Bytes;
  std::string Utf8;
};

class Utf8Conversion : public testing::TestWithParam<TEncodingCase> {};

TEST_P(Utf8Conversion, GivesExactUtf8) {
  const auto text = TextToUtf8(GetParam().Bytes);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->Text, GetParam().Utf8);
}

// `utf8` as UTF-16 or UTF-32 (`unit` bytes a code unit), with its byte-order mark or without.
std::string Wide(const std::string& utf8, int unit, bool bigEndian, bool mark = true) {
  std::u32string points;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t cp = extra ? lead & (0x3F >> extra) : lead;
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    points += cp;
    i += static_cast<std::size_t>(extra + 1);
  }
  std::string out;
  auto put = [&](std::uint32_t value) {
    for (int k = 0; k < unit; ++k) {
      const int shift = 8 * (bigEndian ? unit - 1 - k : k);
      out += static_cast<char>((value >> shift) & 0xFF);
    }
  };
  if (mark) put(0xFEFF);
  for (const char32_t cp : points) {
    if (unit == 2 && cp > 0xFFFF) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

const std::string kUtf8Subtitle =
    "1\r\n00:00:01,000 --> 00:00:04,000\r\nG\xC3\xBCle g\xC3\xBCle: " + kTurkishUtf8 + "\r\n";
// "さようなら、子供たち" under its time stamps: no ASCII letter in the text itself.
const std::string kJapaneseSubtitle =
    "1\r\n00:00:01,000 --> 00:00:04,000\r\n\xE3\x81\x95\xE3\x82\x88\xE3\x81\x86\xE3\x81\xAA\xE3\x82\x89"
    "\xE3\x80\x81\xE5\xAD\x90\xE4\xBE\x9B\xE3\x81\x9F\xE3\x81\xA1\r\n";
const std::string kEmoji = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xF0\x9F\x98\x80\r\n";

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8Conversion,
    testing::Values(TEncodingCase{"cp1254", Subtitle(kTurkish8Bit), kUtf8Subtitle},
                    TEncodingCase{"cp1254Letters", kTurkish8Bit, kTurkishUtf8},
                    TEncodingCase{"cp1254Quotes", "\x93" "Ali\x94 \x80 \xFE", "\xE2\x80\x9C" "Ali\xE2\x80\x9D \xE2\x82\xAC \xC5\x9F"},
                    TEncodingCase{"utf8", kUtf8Subtitle, kUtf8Subtitle},
                    TEncodingCase{"utf8Bom", "\xEF\xBB\xBF" + kUtf8Subtitle, "\xEF\xBB\xBF" + kUtf8Subtitle},
                    TEncodingCase{"ascii", "plain text\r\n", "plain text\r\n"},
                    TEncodingCase{"utf16le", Wide(kUtf8Subtitle, 2, false), kUtf8Subtitle},
                    TEncodingCase{"utf16be", Wide(kUtf8Subtitle, 2, true), kUtf8Subtitle},
                    TEncodingCase{"utf32le", Wide(kUtf8Subtitle, 4, false), kUtf8Subtitle},
                    TEncodingCase{"utf32be", Wide(kUtf8Subtitle, 4, true), kUtf8Subtitle},
                    TEncodingCase{"utf16leNoMark", Wide(kUtf8Subtitle, 2, false, false), kUtf8Subtitle},
                    TEncodingCase{"utf16beNoMark", Wide(kUtf8Subtitle, 2, true, false), kUtf8Subtitle},
                    TEncodingCase{"utf32leNoMark", Wide(kUtf8Subtitle, 4, false, false), kUtf8Subtitle},
                    TEncodingCase{"utf32beNoMark", Wide(kUtf8Subtitle, 4, true, false), kUtf8Subtitle},
                    TEncodingCase{"utf16Japanese", Wide(kJapaneseSubtitle, 2, false, false), kJapaneseSubtitle},
                    TEncodingCase{"utf16Emoji", Wide(kEmoji, 2, true), kEmoji},
                    // "Fiyatı 5 € değil, 5 £" would need 1254; this French line has no Turkish letter.
                    TEncodingCase{"iso885915Euro", "Le caf\xE9 co\xFBte 3 \xA4, l'\xBDuvre 5 \xA4.\r\n",
                                  "Le caf\xC3\xA9 co\xC3\xBBte 3 \xE2\x82\xAC, l'\xC5\x93uvre 5 \xE2\x82\xAC.\r\n"},
                    TEncodingCase{"windows1252", "\x93" "Caf\xE9\x94 \x80 \x8A" "a\r\n",
                                  "\xE2\x80\x9C" "Caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC \xC5\xA0" "a\r\n"}),
    [](const testing::TestParamInfo<TEncodingCase>& param) { return std::string(param.param.Name); });

TEST(Utf8Conversion, ALongerTurkishTextIsReadAs1254WhateverTheGuess) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += Subtitle("\xDEu \xE7ocuk \xFEimdi \xF0\xFCzel \xDDstanbul'da \xFDs\xFDk");
  const auto utf8 = TextToUtf8(text);
  ASSERT_TRUE(utf8);
  EXPECT_TRUE(IsValidUtf8(utf8->Text));
  EXPECT_NE(utf8->Text.find("\xC5\x9Eu \xC3\xA7ocuk \xC5\x9Fimdi \xC4\x9F\xC3\xBCzel \xC4\xB0stanbul'da \xC4\xB1s\xC4\xB1k"),
            std::string::npos);
}

// Detected as ISO-8859-9, which has control codes where Windows puts its quotes.
TEST(Utf8Conversion, ATurkishTextWithWindowsQuotesKeepsThem) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += Subtitle("\x93\xDE\xFCkr\xFC Bey'in D\xFC\xF0\xFCn\xFC\x94 \x85");
  const auto utf8 = TextToUtf8(text);
  ASSERT_TRUE(utf8);
  EXPECT_NE(utf8->Text.find("\xE2\x80\x9C\xC5\x9E\xC3\xBCkr\xC3\xBC Bey'in D\xC3\xBC\xC4\x9F\xC3\xBCn\xC3\xBC\xE2\x80\x9D \xE2\x80\xA6"),
            std::string::npos);
}

TEST(Utf8Conversion, CyrillicIsDetectedNotTakenFor1254) {
  // "Привет, как дела? Хорошо." in Windows-1251, long enough for detection.
  std::string text;
  for (int i = 0; i < 30; ++i) text += "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0? \xD5\xEE\xF0\xEE\xF8\xEE.\r\n";
  const auto utf8 = TextToUtf8(text);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->Text.substr(0, 12), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
}

TEST(Utf8Conversion, BrokenWideTextsAndBinariesAreRefused) {
  EXPECT_FALSE(TextToUtf8(std::string("\xFF\xFE" "a\0b", 5)));
  // A file of NUL characters is no text in any width.
  const std::string nuls(400, '\0');
  EXPECT_FALSE(TextToUtf8(Wide("\r\n", 4, false) + nuls));
  EXPECT_FALSE(TextToUtf8(nuls));
  EXPECT_TRUE(IsBinary(nuls));
  const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29);
  EXPECT_FALSE(TextToUtf8(png));
  EXPECT_TRUE(IsBinary(png));
  EXPECT_FALSE(IsBinary(Wide(kUtf8Subtitle, 2, false, false)));
  EXPECT_FALSE(IsBinary(kUtf8Subtitle));
}

TEST(Utf8Validity, RejectsMalformedSequences) {
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFE", "a\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC \xC3\xA7"));
}

}  // namespace
}  // namespace velkaro

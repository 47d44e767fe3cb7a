#include "UserText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Catalogue.h"

namespace velkaro {

extern const unsigned char kEnglishCatalogue[];
extern const std::size_t kEnglishCatalogueSize;

namespace {

TEST(UserText, FillInPutsEachValueInItsPlaceOnce) {
  EXPECT_EQ(FillIn("%2 yazılamıyor: %1", {"izin yok", "/a/b.srt"}), "/a/b.srt yazılamıyor: izin yok");
  // A value that looks like a marker is not filled again; a marker without a value stays.
  EXPECT_EQ(FillIn("%1 ve %2 (%3)", {"%2", "x"}), "%2 ve x (%3)");
  EXPECT_EQ(FillIn("%%1 %", {"a"}), "%a %");
}

TEST(UserText, FillInFillsEachMarkOnceAndLeavesWhatTheValuesHold) {
  EXPECT_EQ(FillIn("%1: %2 (%1)", {"a%2b.mkv", "ok"}), "a%2b.mkv: ok (a%2b.mkv)");
  EXPECT_EQ(FillIn("%3 %1%", {"x"}), "%3 x%");
  EXPECT_EQ(FillIn("", {"x"}), "");
}

TEST(UserText, EngineTextsAreCodePage1254) {
  EXPECT_EQ(Tr1254("Altyazı İndir"), "Altyaz\xFD \xDDndir");
}

// The language is the process's; each test leaves it Turkish, as every other test expects.
class InEnglish : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguage(TLanguage::English); }
  void TearDown() override { SetLanguage(TLanguage::Turkish); }
};

TEST_F(InEnglish, TextsComeFromTheCatalogueAndFallBackToTurkish) {
  EXPECT_STREQ(Tr("&Dil"), "&Language");
  // A text the catalogue lacks is shown as written, the same pointer.
  const char* missing = "Bu metin katalogda yok";
  EXPECT_EQ(Tr(missing), missing);
  // The engine's code page holds English as plain ASCII.
  EXPECT_EQ(Tr1254("Türkçe"), "Turkish");
  EXPECT_EQ(FillIn(Tr("Seçilen dil (%1) Velkaro bir sonraki açılışında geçerli olur."), {"English"}),
            "The chosen language (English) applies the next time Velkaro starts.");
}

// What a translation carries over from the Turkish as it is: the values, the
// mnemonics (each on a letter or digit), the shortcut shown after a tab, the
// line breaks, and the spaces, colons and dots the text starts or ends with,
// which the places that use it count on.
struct TShape {
  std::vector<char> Values;
  int Mnemonics = 0;
  bool MnemonicsOnLetters = true;
  std::string_view Shortcut;
  long LineBreaks = 0;
  long CrLfs = 0;
  std::string_view Leading;
  std::string_view Trailing;

  bool operator==(const TShape&) const = default;
};

TShape ShapeOf(std::string_view text) {
  TShape shape;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') shape.Values.push_back(text[i + 1]);
    if (text[i] == '&') {
      if (text[i + 1] == '&') {
        ++i;  // "&&" is an ampersand shown
        continue;
      }
      ++shape.Mnemonics;
      // A byte past ASCII begins a letter of UTF-8.
      const auto next = static_cast<unsigned char>(text[i + 1]);
      shape.MnemonicsOnLetters = shape.MnemonicsOnLetters && (next >= 0x80 || std::isalnum(next));
    }
  }
  if (text.ends_with('&') && !text.ends_with("&&")) {
    ++shape.Mnemonics;
    shape.MnemonicsOnLetters = false;
  }
  std::ranges::sort(shape.Values);
  if (const auto tab = text.find('\t'); tab != std::string_view::npos) shape.Shortcut = text.substr(tab);
  shape.LineBreaks = std::ranges::count(text, '\n');
  for (auto at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2)) ++shape.CrLfs;
  shape.Leading = text.substr(0, std::min(text.find_first_not_of(" \r\n"), text.size()));
  const auto last = text.find_last_not_of(" :.\r\n");
  shape.Trailing = last == std::string_view::npos ? text : text.substr(last + 1);
  return shape;
}

TEST(UserText, EveryEnglishTextKeepsTheShapeOfItsTurkish) {
  const TCatalogue catalogue(std::span(kEnglishCatalogue, kEnglishCatalogueSize));
  ASSERT_GT(catalogue.Size(), 200U);
  for (const auto& [turkish, english] : catalogue.Entries()) {
    const std::string_view translated(english);
    EXPECT_TRUE(ShapeOf(translated) == ShapeOf(turkish)) << turkish << " -> " << translated;
    // Plain ASCII: no Turkish letter left, and the engine's code page holds it as it is.
    EXPECT_TRUE(std::ranges::all_of(translated, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << translated;
  }
}

TEST(UserText, ShapeSeesWhatATranslationCouldLose) {
  const TShape shape = ShapeOf("&Tümünü sil %1\tCtrl+Alt+X");
  EXPECT_FALSE(ShapeOf("Clear all %1\tCtrl+Alt+X") == shape);
  EXPECT_FALSE(ShapeOf("Clear &All\tCtrl+Alt+X") == shape);
  EXPECT_FALSE(ShapeOf("Clear &All %1\tCtrl+X") == shape);
  EXPECT_FALSE(ShapeOf("Clear & All %1\tCtrl+Alt+X") == shape);
  EXPECT_TRUE(ShapeOf("Clear %1 &All\tCtrl+Alt+X") == shape);
  EXPECT_TRUE(ShapeOf("Save && &Close") == ShapeOf("Kaydet && &Kapat"));
  EXPECT_FALSE(ShapeOf("Address") == ShapeOf("Adres:"));
  EXPECT_FALSE(ShapeOf("Reading...") == ShapeOf("Okunuyor"));
  EXPECT_FALSE(ShapeOf("Date:") == ShapeOf("Tarih:  "));
  EXPECT_FALSE(ShapeOf("Subtitle downloaded\r\n%1") == ShapeOf("Altyazı indirildi\n%1"));
  EXPECT_FALSE(ShapeOf("Left out: %1") == ShapeOf("\nAtlandı: %1"));
  // "%%1" is a percent sign and a value; the value may move.
  EXPECT_TRUE(ShapeOf("Reading audio... %1%") == ShapeOf("Ses okunuyor... %%1"));
}

TEST_F(InEnglish, TurkishShowsTextsAsWritten) {
  SetLanguage(TLanguage::Turkish);
  const char* text = "&Dil";
  EXPECT_EQ(Tr(text), text);
  EXPECT_EQ(Tr1254("Türkçe"), "T\xFCrk\xE7" "e");
}

TEST(UserText, LocaleDecidesTheLanguage) {
  using TVariables = std::map<std::string, std::string>;
  struct TCase {
    TVariables Variables;
    TLanguage Expected;
  };
  const TCase cases[] = {
      {{}, TLanguage::Turkish},
      {{{"LANG", "C"}}, TLanguage::Turkish},
      {{{"LANG", "POSIX"}}, TLanguage::Turkish},
      {{{"LANG", "C.UTF-8"}}, TLanguage::Turkish},
      {{{"LANG", "tr_TR.UTF-8"}}, TLanguage::Turkish},
      {{{"LANG", "TR"}}, TLanguage::Turkish},
      {{{"LANG", "en_GB.UTF-8"}}, TLanguage::English},
      {{{"LANG", "de_DE@euro"}}, TLanguage::English},
      // "trk" is not Turkish's code, only begins like it.
      {{{"LANG", "trk"}}, TLanguage::English},
      // The first variable set and not empty decides, in this order.
      {{{"LANGUAGE", "en_US:tr"}, {"LANG", "tr_TR.UTF-8"}}, TLanguage::English},
      {{{"LANGUAGE", "tr:en"}, {"LC_ALL", "en_US.UTF-8"}}, TLanguage::Turkish},
      {{{"LANGUAGE", ""}, {"LC_ALL", "fr_FR.UTF-8"}, {"LANG", "tr_TR"}}, TLanguage::English},
      {{{"LANGUAGE", ":"}, {"LC_MESSAGES", "tr_TR"}, {"LANG", "en_US"}}, TLanguage::Turkish},
      {{{"LC_ALL", "C"}, {"LC_MESSAGES", "en_US"}}, TLanguage::Turkish},
      {{{"LC_ALL", ""}, {"LC_MESSAGES", "en_US"}, {"LANG", "tr_TR"}}, TLanguage::English},
  };
  for (const TCase& test : cases) {
    const auto environment = [&test](const char* name) -> const char* {
      const auto found = test.Variables.find(name);
      return found == test.Variables.end() ? nullptr : found->second.c_str();
    };
    std::string described;
    for (const auto& [name, value] : test.Variables) described += name + "=" + value + " ";
    EXPECT_EQ(LanguageOfLocale(environment), test.Expected) << described;
  }
}

TEST(UserText, LanguageCodesReadBack) {
  EXPECT_EQ(ParseLanguage("EN"), TLanguage::English);
  EXPECT_EQ(ParseLanguage(LanguageCode(TLanguage::Turkish)), TLanguage::Turkish);
  EXPECT_EQ(ParseLanguage(LanguageCode(TLanguage::English)), TLanguage::English);
  EXPECT_EQ(ParseLanguage("english"), std::nullopt);
  EXPECT_EQ(ParseLanguage(""), std::nullopt);
}

TEST(Catalogue, CutShortItReadsOnlyWholeEntries) {
  const std::span whole(kEnglishCatalogue, kEnglishCatalogueSize);
  const TCatalogue full(whole);
  ASSERT_GE(full.Size(), 3U);
  // Every cut reads, under the sanitizers, without a byte beyond its end,
  // and keeps no translation the whole catalogue does not have.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    const TCatalogue cut(whole.first(size));
    if (const char* found = cut.Find("&Dil")) {
      EXPECT_STREQ(found, "&Language");
    }
    EXPECT_LE(cut.Size(), full.Size());
  }
  EXPECT_EQ(TCatalogue(whole.first(0)).Size(), 0U);
}

}  // namespace
}  // namespace velkaro

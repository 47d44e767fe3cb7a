#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SearchArgs.h"

namespace velkaro {
namespace {

std::optional<TSearchArgs> Parse(const std::vector<std::string_view>& args) { return ParseSearchArgs(args); }

TEST(SearchArgs, DefaultsAreTheDialogsWithEverySiteTicked) {
  const auto parsed = Parse({"Heat"});
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Choices.Film, "Heat");
  EXPECT_EQ(parsed->Choices.FormatItem, "All");
  EXPECT_EQ(parsed->Choices.Cd, TCdChoice::All);
  EXPECT_EQ(parsed->Choices.Fps, TFpsChoice::All);
  EXPECT_EQ(parsed->Choices.MaxText, "50");
  for (const bool ticked : parsed->Choices.Ticked) EXPECT_TRUE(ticked);
  EXPECT_FALSE(parsed->Json || parsed->Verbose);
}

TEST(SearchArgs, OptionsGoWhereTheDialogPutsThem) {
  const auto parsed = Parse({"--sites", "subdb, Podnapisi", "--lang", "T\xC3\xBCrk\xC3\xA7" "e", "--cd", "2", "--fps",
                             "23,976", "--format", "SubRip", "--max", "x", "--json", "--verbose", "--video", "a.avi",
                             "Ağır Roman"});
  ASSERT_TRUE(parsed);
  const TSearchChoices& c = parsed->Choices;
  std::array<bool, kSiteCount> ticked{};
  ticked[static_cast<std::size_t>(SiteId::SubDb)] = ticked[static_cast<std::size_t>(SiteId::Podnapisi)] = true;
  EXPECT_EQ(c.Ticked, ticked);
  // Texts go into the engine's code page.
  EXPECT_EQ(c.LanguageItem, "T\xFCrk\xE7" "e");
  EXPECT_EQ(c.Film, "A\xF0\xFDr Roman");
  EXPECT_EQ(c.Cd, TCdChoice::Custom);
  EXPECT_EQ(c.CustomCd, "2");
  EXPECT_EQ(c.Fps, TFpsChoice::Custom);
  EXPECT_EQ(c.CustomFps, "23,976");
  EXPECT_EQ(c.FormatItem, "SubRip");
  EXPECT_EQ(c.MaxText, "x");  // reported by the search itself, as the dialog does
  EXPECT_EQ(c.Videos, std::vector<std::filesystem::path>{"a.avi"});
  EXPECT_TRUE(parsed->Json && parsed->Verbose);
  // A video alone is enough; "all" takes any case.
  EXPECT_TRUE(Parse({"--video", "a.avi"}));
  EXPECT_EQ(Parse({"--cd", "ALL", "x"})->Choices.Cd, TCdChoice::All);
}

TEST(SearchArgs, WrongCallsGiveNothing) {
  const std::vector<std::vector<std::string_view>> wrong = {
      {},
      {"--json"},
      {"Heat", "Ronin"},
      {"--cd", "two", "Heat"},
      {"--cd", "", "Heat"},
      {"--sites", "Nowhere", "Heat"},
      {"--sites", "", "Heat"},
      {"Heat", "--lang"},
      {"--unknown", "x", "Heat"},
  };
  for (const auto& args : wrong) {
    std::string shown;
    for (const auto arg : args) shown += std::string(arg) + " ";
    EXPECT_FALSE(Parse(args)) << shown;
  }
}

}  // namespace
}  // namespace velkaro

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SettingsFile.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

class SettingsFile : public testing::Test {
 protected:
  std::string Content() const {
    std::ifstream in(File.Path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Write(const std::string& content) const { std::ofstream(File.Path(), std::ios::binary) << content; }

  static std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
  }

  // What the dialog's reader applied, in order.
  std::vector<std::string> ReadDialog(bool* ok = nullptr) const {
    std::vector<std::string> applied;
    const bool result = File.ReadDialog({
        [&](TSettingsLine site, bool ticked) { applied.push_back(std::to_string(site) + (ticked ? "+" : "-")); },
        [&](int index) { applied.push_back("lang " + std::to_string(index)); },
        [&](const std::string& film) { applied.push_back("film " + film); },
        [&](const std::string& maximum) { applied.push_back("max " + maximum); },
    });
    if (ok) *ok = result;
    return applied;
  }

  test::TTempDir Dir;
  TSettingsFile File = TSettingsFile::Of(TProgramFiles::InFolder(Dir.Path()));
};

TEST_F(SettingsFile, WholeFileWriteIsTenCrLfLines) {
  TSettings settings;
  settings.Dialog.LanguageIndex = 1;
  ASSERT_TRUE(File.WriteAll(settings));
  EXPECT_EQ(Content(), Lines({"-1", "-1", "-1", "-1", "-1", "1", "", "50", "0", "0"}));

  settings.Dialog.Sites = {true, false, true, false, true};
  settings.Dialog.Film = "A\xF0\xFDr Roman";
  settings.Dialog.MaxText = "";
  settings.Grid = true;
  settings.DialogAtStart = true;
  ASSERT_TRUE(File.WriteAll(settings));
  EXPECT_EQ(Content(), Lines({"-1", "0", "-1", "0", "-1", "1", "A\xF0\xFDr Roman", "", "-1", "-1"}));
  bool ok = false;
  EXPECT_EQ(ReadDialog(&ok), (std::vector<std::string>{"0+", "1-", "2+", "3-", "4+", "lang 1", "film A\xF0\xFDr Roman", "max "}));
  EXPECT_TRUE(ok);
}

TEST_F(SettingsFile, BooleanTexts) {
  for (const char* yes : {"-1", "1", "2", "True", "TRUE", "true", "0,5", "1.0"}) EXPECT_EQ(ReadBoolean(yes), true) << yes;
  for (const char* no : {"0", "False", "FALSE", "false", "0,0", "-0"}) EXPECT_EQ(ReadBoolean(no), false) << no;
  for (const char* bad : {"", "yes", " 1", "1 ", "Truee", "1,2,3", "-", "\x01", "1-", "0+", "-+1", "1,-5"}) EXPECT_FALSE(ReadBoolean(bad).has_value()) << bad;
}

TEST_F(SettingsFile, ReadersStopAtTheFirstFailure) {
  bool ok = true;
  // No file at all.
  EXPECT_TRUE(ReadDialog(&ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_FALSE(File.ReadFlag(kLineGrid).has_value());

  // A word on line 2: lines 0 and 1 applied, the rest not.
  Write(Lines({"-1", "0", "yes", "-1", "-1", "3", "film", "50", "True", "0"}));
  EXPECT_EQ(ReadDialog(&ok), (std::vector<std::string>{"0+", "1-"}));
  EXPECT_FALSE(ok);
  EXPECT_EQ(File.ReadFlag(kLineGrid), true);

  // Line 5 "-1" is no selection; it reads fine. Lone CR and LF break lines too.
  Write("0\r0\n0\r\n0\r\n0\r\n-1\r\n\r\nabc\nFALSE\n2");
  EXPECT_EQ(ReadDialog(&ok), (std::vector<std::string>{"0-", "1-", "2-", "3-", "4-", "lang -1", "film ", "max abc"}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(File.ReadFlag(kLineGrid), false);
  EXPECT_EQ(File.ReadFlag(kLineDialogAtStart), true);

  // A language index that is not a number stops the dialog's reader there.
  Write(Lines({"0", "0", "0", "0", "0", "x", "film", "50", "0", "0"}));
  EXPECT_EQ(ReadDialog(&ok).size(), 5u);
  EXPECT_FALSE(ok);
}

TEST_F(SettingsFile, NineLinesAndTwelveLines) {
  const std::vector<std::string> nine = {"-1", "-1", "-1", "-1", "-1", "1", "", "50", "0"};
  Write(Lines(nine));
  EXPECT_FALSE(File.ReadFlag(kLineDialogAtStart).has_value());
  EXPECT_EQ(ReadDialog().size(), 8u);
  EXPECT_TRUE(File.RewriteFlag(kLineGrid, true));
  EXPECT_FALSE(File.RewriteFlag(kLineDialogAtStart, true));
  EXPECT_EQ(File.ReadFlag(kLineGrid), true);

  std::vector<std::string> twelve = {"-1", "-1", "-1", "-1", "-1", "1", "", "50", "0", "0", "extra 1", "extra 2"};
  Write(Lines(twelve));
  ASSERT_TRUE(File.RewriteFlag(kLineGrid, true));
  ASSERT_TRUE(File.RewriteFlag(kLineDialogAtStart, true));
  twelve[8] = twelve[9] = "-1";
  EXPECT_EQ(Content(), Lines(twelve));
  // The dialog's whole-file write drops them.
  ASSERT_TRUE(File.WriteAll(TSettings{}));
  EXPECT_EQ(Content(), Lines({"-1", "-1", "-1", "-1", "-1", "-1", "", "50", "0", "0"}));
}

TEST_F(SettingsFile, SingleLineRewriteNeverCreatesTheFile) {
  EXPECT_FALSE(File.RewriteFlag(kLineGrid, true));
  EXPECT_FALSE(std::filesystem::exists(File.Path()));
}

TEST_F(SettingsFile, FailedWritesKeepTheOldFile) {
  const std::string old = Lines({"0", "0", "0", "0", "0", "2", "kept", "7", "0", "0"});
  Write(old);
  // A folder in the way of the file written beside it: fails even for root.
  std::filesystem::path blocker = File.Path();
  blocker += ".new";
  std::filesystem::create_directory(blocker);
  EXPECT_FALSE(File.WriteAll(TSettings{}));
  EXPECT_FALSE(File.RewriteFlag(kLineGrid, true));
  EXPECT_EQ(Content(), old);
  std::filesystem::remove(blocker);

  if (geteuid() != 0) {
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(File.WriteAll(TSettings{}));
    EXPECT_FALSE(File.RewriteFlag(kLineGrid, true));
    std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(Content(), old);
  }
}

}  // namespace
}  // namespace velkaro

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ProgramSettings.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

// A settings file holding `text`, in a folder that goes with the test.
class TSettingsFile {
 public:
  explicit TSettingsFile(const char* text) { std::ofstream(Path(), std::ios::binary) << text; }
  std::filesystem::path Path() const { return Dir_.Path() / kProgramSettingsFileName; }

 private:
  test::TTempDir Dir_;
};

struct TConnectionsCase {
  const char* File;
  int Expected;
};

class ConnectionsSetting : public testing::TestWithParam<TConnectionsCase> {};

TEST_P(ConnectionsSetting, ReadFromTheVelkaroSection) {
  EXPECT_EQ(ReadConnections(TSettingsFile(GetParam().File).Path()), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConnectionsSetting,
    testing::Values(TConnectionsCase{"[velkaro]\nconnections=3\n", 3},
                    TConnectionsCase{"[velkaro]\r\nconnections = 16 \r\n", 16},
                    TConnectionsCase{"[Velkaro]\nConnections=1\n", 1},
                    TConnectionsCase{"\xEF\xBB\xBF[velkaro]\nconnections=2\n", 2},
                    TConnectionsCase{"[velkaro]\nconnections=2\nconnections=9\n", 9},
                    TConnectionsCase{"garbage line\n[velkaro]\nconnections=4\n", 4},
                    TConnectionsCase{"[velkaro]\nconnections=0\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=17\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=-3\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=4x\n", kDefaultConnections},
                    TConnectionsCase{"[velkaro]\nconnections=\n", kDefaultConnections},
                    TConnectionsCase{"[other]\nconnections=3\n", kDefaultConnections},
                    TConnectionsCase{"connections=3\n", kDefaultConnections},
                    TConnectionsCase{"", kDefaultConnections}));

TEST(ConnectionsSettingFile, MissingFileGivesTheDefault) {
  const test::TTempDir dir;
  EXPECT_EQ(ReadConnections(dir.Path() / kProgramSettingsFileName), kDefaultConnections);
  EXPECT_EQ(ReadConnections(dir.Path()), kDefaultConnections);  // a folder, not a file
}


struct TOptionsCase {
  const char* File;
  TDownloadOptions Expected;
};

class DownloadOptionsSetting : public testing::TestWithParam<TOptionsCase> {};

TEST_P(DownloadOptionsSetting, ReadFromTheVelkaroSection) {
  EXPECT_EQ(ReadDownloadOptions(TSettingsFile(GetParam().File).Path()), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DownloadOptionsSetting,
    testing::Values(
        TOptionsCase{"", TDownloadOptions{}},
        TOptionsCase{"[velkaro]\nunpack=0\ntoUtf8=false\nconvertFrames=No\nlanguageSuffix=ON\nmicroDvdToSubRip=yes\n"
                     "syncToAudio=On\n",
                     TDownloadOptions{false, false, false, true, true, true}},
        TOptionsCase{"[VELKARO]\r\nUNPACK = off \r\nlanguagesuffix=1\r\nconnections=3\r\n",
                     TDownloadOptions{false, true, true, true, false}},
        TOptionsCase{"[velkaro]\nunpack=maybe\ntoUtf8=\nconvertFrames=2\nlanguageSuffix=truely\n", TDownloadOptions{}},
        TOptionsCase{"[velkaro]\nlanguageSuffix=true\nlanguageSuffix=false\n", TDownloadOptions{}},
        TOptionsCase{"[other]\nunpack=0\n[velkaro]\ntoUtf8=0\n", TDownloadOptions{true, false, true, false, false}}));

TEST(DownloadOptionsFile, MissingFileGivesTheDefaults) {
  const test::TTempDir dir;
  EXPECT_EQ(ReadDownloadOptions(dir.Path() / kProgramSettingsFileName), TDownloadOptions{});
}

TEST(BestMatchSettings, LanguagesInOrderOfPreference) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(ReadPreferredLanguages(TSettingsFile("").Path()), (Items{"Turkish", "English"}));
  EXPECT_EQ(ReadPreferredLanguages(TSettingsFile("[velkaro]\nlanguages= English , Germany,,Turkish\n").Path()),
            (Items{"English", "Germany", "Turkish"}));
  EXPECT_EQ(ReadPreferredLanguages(TSettingsFile("[velkaro]\nlanguages= , \n").Path()), (Items{"Turkish", "English"}));
}

TEST(BestMatchSettings, FetchBestOnOpenIsOffUnlessSaidSo) {
  EXPECT_FALSE(ReadFetchBestOnOpen(TSettingsFile("").Path()));
  EXPECT_TRUE(ReadFetchBestOnOpen(TSettingsFile("[velkaro]\nfetchBestOnOpen=yes\n").Path()));
  EXPECT_FALSE(ReadFetchBestOnOpen(TSettingsFile("[velkaro]\nfetchBestOnOpen=maybe\n").Path()));
}

TEST(LanguageSetting, OverridesTheLocaleWhenItNamesALanguage) {
  const auto english = [](const char* name) -> const char* { return name == std::string("LANG") ? "en_US" : nullptr; };
  EXPECT_EQ(ChooseLanguage(TSettingsFile("[velkaro]\nlanguage = TR\n").Path(), english), TLanguage::Turkish);
  EXPECT_EQ(ChooseLanguage(TSettingsFile("[velkaro]\nlanguage=en\n").Path(), [](const char*) { return nullptr; }),
            TLanguage::English);
  // Missing, empty, unknown or in another section: the locale decides.
  for (const char* file : {"", "[velkaro]\nlanguage=\n", "[velkaro]\nlanguage=tr_TR\n", "[other]\nlanguage=tr\n"}) {
    EXPECT_EQ(ChooseLanguage(TSettingsFile(file).Path(), english), TLanguage::English) << file;
  }
}

}  // namespace
}  // namespace velkaro

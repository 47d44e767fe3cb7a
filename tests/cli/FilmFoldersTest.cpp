// What velkaro-cli get makes of the paths it is given: videos in folders
// grouped by film, the subtitles already beside them, and its arguments.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FilmFolders.h"
#include "GetArgs.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

using TPaths = std::vector<std::filesystem::path>;

class FilmFolders : public testing::Test {
 protected:
  std::filesystem::path Touch(const std::string& relative) const {
    const auto file = Dir.Path() / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "x";
    return file;
  }

  test::TTempDir Dir;
};

TEST_F(FilmFolders, VideosUnderAFolderAreGroupedIntoFilms) {
  const auto heat1 = Touch("Heat.1995.DVDRip-FxM/CD1/heat.cd1.avi");
  const auto heat2 = Touch("Heat.1995.DVDRip-FxM/CD2/heat.cd2.avi");
  const auto ronin2 = Touch("Films/Ronin.1998.CD2.avi");
  const auto ronin1 = Touch("Films/Ronin.1998.CD1.avi");
  const auto memento = Touch("Films/Memento.2000.mkv");
  Touch("Films/Memento.2000.nfo");
  Touch("Films/Ronin.1998.CD1.srt");
  // The same film in another folder is another copy.
  const auto copy = Touch("Copies/Memento.2000.mkv");

  const auto found = CollectFilms({Dir.Path()});
  EXPECT_TRUE(found.Missing.empty());
  EXPECT_EQ(found.Films, (std::vector<TPaths>{{copy}, {memento}, {ronin1, ronin2}, {heat1, heat2}}));
}

TEST_F(FilmFolders, AFileNamedOnItsOwnIsAVideoAndAMissingPathIsTold) {
  const auto odd = Touch("recording.bin");
  const auto found = CollectFilms({odd, Dir.Path() / "gone.avi", Dir.Path() / "empty"});
  EXPECT_EQ(found.Films, std::vector<TPaths>{{odd}});
  EXPECT_EQ(found.Missing, (TPaths{Dir.Path() / "gone.avi", Dir.Path() / "empty"}));
}

TEST_F(FilmFolders, SubtitlesBesideAVideoWithOrWithoutALanguage) {
  const auto video = Touch("Film.2004.avi");
  EXPECT_EQ(SubtitleBeside(video), std::nullopt);
  Touch("Film.2004.CD1.srt");    // another video's
  Touch("Film.2004.nfo");        // no subtitle
  Touch("Film.2004.avi.srt");    // players read "video.avi.srt" too
  EXPECT_EQ(SubtitleBeside(video), Dir.Path() / "Film.2004.avi.srt");
  std::filesystem::remove(Dir.Path() / "Film.2004.avi.srt");
  for (const char* name : {"Film.2004.srt", "Film.2004.tr.SUB", "Film.2004.pt-BR.ass", "Film.2004.vtt"}) {
    const auto subtitle = Touch(name);
    EXPECT_EQ(SubtitleBeside(video), subtitle) << name;
    std::filesystem::remove(subtitle);
  }
}

TEST(GetArgs, OptionsAndPaths) {
  const auto args = ParseGetArgs({"--lang", "English", "--lang", " T\xC3\xBCrk\xC3\xA7" "e ", "--sites", "subdb,ExtraTitles",
                                  "--connections", "4", "--force", "--dry-run", "--top", "2", "--json", "--verbose",
                                  "a.avi", "films"});
  ASSERT_TRUE(args);
  EXPECT_EQ(args->Languages, (std::vector<std::string>{"English", "T\xFCrk\xE7" "e"}));
  EXPECT_EQ(args->Sites, (std::array<bool, kSiteCount>{false, true, false, false, true}));
  EXPECT_EQ(args->Connections, 4);
  EXPECT_TRUE(args->Force && args->DryRun && args->Json && args->Verbose);
  EXPECT_EQ(args->Top, 2u);
  EXPECT_EQ(args->Paths, (TPaths{"a.avi", "films"}));
}

TEST(GetArgs, WrongCallsGiveNothing) {
  using TArgs = std::vector<std::string_view>;
  for (const TArgs& args : {TArgs{}, TArgs{"--force"}, TArgs{"--lang"}, TArgs{"--lang", " ", "x"},
                            TArgs{"--top", "0", "x"}, TArgs{"--connections", "0", "x"},
                            TArgs{"--sites", "", "x"}, TArgs{"--video", "x"}}) {
    EXPECT_FALSE(ParseGetArgs(args)) << args.size();
  }
}

}  // namespace
}  // namespace velkaro

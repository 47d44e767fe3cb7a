#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "DownloadRequest.h"
#include "FileContent.h"
#include "PartialFile.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

using TKind = TDownloadKind;

TEST(DownloadRequest, FirstMatchingRuleOnTheAddressAsItStands) {
  TSiteTable moved = TSiteTable::Defaults();
  moved[SiteId::SubDb].Host = "subs.example:8081";
  ASSERT_TRUE(moved.ApplyOverride("SubsMirror=www.mirror.example"));
  ASSERT_TRUE(moved.ApplyOverride("SubsVault = vault.example:81"));
  const struct {
    const TSiteTable Sites;
    const char* Url;
    TKind Kind;
  } cases[] = {
      {TSiteTable::Defaults(), "http://www.subdb.net/subdb/html/modules.php?download_file_id=7", TKind::SubDb},
      // Rule order: the SubDb prefix wins over the ExtraTitles link text.
      {TSiteTable::Defaults(), "http://www.subdb.net/subdb/html/xsubt.subt.link.php?id=1", TKind::SubDb},
      {TSiteTable::Defaults(), "http://dl.subsmirror.net/3.zip", TKind::SubsMirror},
      {TSiteTable::Defaults(), "http://www.subsvault.net/file/9", TKind::SubsVault},
      {TSiteTable::Defaults(), "http://www.extratitles.net/xsubt.subt.link.php?id=1&file=a.zip", TKind::ExtraTitles},
      // Not the second site's home, not SubDb's module folder, not in that case: the browser.
      {TSiteTable::Defaults(), "http://subsvault.net/file/9", TKind::Browser},
      {TSiteTable::Defaults(), "http://www.subdb.net/index.php", TKind::Browser},
      {TSiteTable::Defaults(), "HTTP://WWW.SUBDB.NET/subdb/html/x", TKind::Browser},
      {TSiteTable::Defaults(), "http://www.extratitles.net/XSUBT.SUBT.LINK.PHP?id=1", TKind::Browser},
      {TSiteTable::Defaults(), "http://www.podnapisi.net/ppodnapisi/podnapis?i=5", TKind::Browser},
      // The tests follow the configured hosts.
      {moved, "http://subs.example:8081/subdb/html/modules.php?x=1", TKind::SubDb},
      {moved, "http://www.subdb.net/subdb/html/modules.php?x=1", TKind::Browser},
      {moved, "http://mirror.example/1", TKind::SubsMirror},
      {moved, "http://vault.example:81/1", TKind::SubsVault},
  };
  for (const auto& c : cases) {
    const TDownloadRoute route = RouteDownload(c.Url, c.Sites);
    EXPECT_EQ(route.Kind, c.Kind) << c.Url;
    EXPECT_EQ(route.TargetFirst, c.Kind == TKind::ExtraTitles) << c.Url;
    const std::string referer = c.Kind == TKind::SubDb ? SubDbAddressPrefix(c.Sites) + "modules.php?name=Download_Subtitles" : "";
    EXPECT_EQ(route.Referer, referer) << c.Url;
  }
  EXPECT_EQ(SubDbAddressPrefix(moved), "http://subs.example:8081/subdb/html/");
}

TEST(DownloadRequest, ProposedFileName) {
  EXPECT_EQ(ProposedFileName("Matrix: Reloaded", "2", "23,976", ".zip"), "Matrix_ Reloaded_2_CD_23,976_FPS_VK.zip");
  EXPECT_EQ(ProposedFileName("A: B: C", "1", "25", ".rar"), "A_ B: C_1_CD_25_FPS_VK.rar");
  EXPECT_EQ(ProposedFileName("Heat", "", "", ".srt"), "Heat__CD__FPS_VK.srt");
  // What the sites send never makes a path of the name.
  EXPECT_EQ(ProposedFileName("AC/DC", "1", "25", "./../../x"), "AC_DC_1_CD_25_FPS_VK._.._.._x");
  // Nor cuts it short at a NUL byte.
  EXPECT_EQ(ProposedFileName(std::string("Heat\0.srt", 9), std::string("1\0", 2), "25", ".zip"),
            "Heat_.srt_1__CD_25_FPS_VK.zip");
}

TEST(DownloadRequest, ExtensionFromContentDisposition) {
  const struct {
    const char* Value;
    const char* Extension;
  } cases[] = {
      {"attachment; filename=heat_23.zip; size=20480", ".zip"},
      {"attachment; filename=archive.tar.gz;", ".gz"},
      // A name that ends the value, quoted or not, is still the name.
      {"attachment; filename=movie.srt", ".srt"},
      {"attachment; filename=\"Heat (1995).rar\"", ".rar"},
      {"attachment; filename=\"movie.sub\"; size=3", ".sub"},
      {"attachment; filename= spaced.ssa ;", ".ssa"},
      // No name, or a name without a dot: nothing to offer.
      {"", ""},
      {"attachment; name=movie.srt;", ""},
      {"attachment; filename=README;", ""},
      {"attachment; filename=\"\"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ContentDispositionExtension(c.Value), c.Extension) << c.Value;
}

TEST(DownloadPartialFile, LeavesEveryOtherFileAloneUntilItMovesIn) {
  test::TTempDir dir;
  const auto target = dir.Path() / "Heat.rar";
  std::ofstream(target, std::ios::binary) << "the user's file";
  // A partial name taken already, whoever took it, stays as it is.
  std::ofstream(dir.Path() / "Heat.rar.part", std::ios::binary) << "someone else's";
  {
    TPartialFile unfinished(target);
    unfinished.Write("half");
    EXPECT_THROW(unfinished.MoveIntoPlace(), TDownloadFileError);
  }
  EXPECT_EQ(ReadFileContent(target), "the user's file");
  EXPECT_EQ(ReadFileContent(dir.Path() / "Heat.rar.part"), "someone else's");
  EXPECT_EQ(test::FileNames(dir.Path()), (std::vector<std::string>{"Heat.rar", "Heat.rar.part"}));
}

TEST(DownloadPartialFile, MovesInUnlessTheNameIsTaken) {
  test::TTempDir dir;
  const auto taken = dir.Path() / "Heat.srt";
  const auto dangling = dir.Path() / "Heat.tr.srt";
  std::ofstream(taken, std::ios::binary) << "the user's file";
  std::filesystem::create_symlink(dir.Path() / "nowhere", dangling);
  for (const auto& target : {taken, dangling}) {
    TPartialFile aside(target);
    aside.Write("new");
    aside.Finish();
    EXPECT_FALSE(aside.MoveIntoPlaceUnlessTaken()) << target;
  }
  EXPECT_EQ(ReadFileContent(taken), "the user's file");
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  TPartialFile free(dir.Path() / "Heat.en.srt");
  free.Write("new");
  free.Finish();
  EXPECT_TRUE(free.MoveIntoPlaceUnlessTaken());
  EXPECT_EQ(ReadFileContent(dir.Path() / "Heat.en.srt"), "new");
  EXPECT_EQ(test::FileNames(dir.Path()), (std::vector<std::string>{"Heat.en.srt", "Heat.srt", "Heat.tr.srt"}));
}

}  // namespace
}  // namespace velkaro

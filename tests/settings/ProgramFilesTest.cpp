// Where the program's files live: portable beside the executable, or in the
// XDG folders of an installed program, and what each reader and writer does
// when those folders are odd.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "FileContent.h"
#include "ProgramFiles.h"
#include "ProxyFile.h"
#include "SettingsFile.h"
#include "Sites.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kShippedSettings = "-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n\r\n50\r\n0\r\n0\r\n";

std::string Content(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& file, const std::string& content) { std::ofstream(file, std::ios::binary) << content; }

unsigned Mode(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// An installed program in a temporary prefix (prefix/bin, prefix/share/velkaro
// with the shipped settings) and a user whose home is a fresh folder.
class ProgramFiles : public testing::Test {
 protected:
  ProgramFiles() {
    fs::create_directories(Bin());
    fs::create_directories(Shared());
    fs::create_directories(Home());
    Write(Shared() / "conf.vkcf", kShippedSettings);
    Write(Shared() / "BENIOKU.txt", "okuyun\r\n");
    Environment.ExecutableDir = Bin();
    Environment.Home = Home().string();
    Environment.AccountHome = (Root() / "account").string();
  }

  const fs::path& Root() const { return Dir.Path(); }
  fs::path Bin() const { return Root() / "prefix" / "bin"; }
  fs::path Shared() const { return Root() / "prefix" / "share" / "velkaro"; }
  fs::path Home() const { return Root() / "home"; }
  TProgramFiles Files() const { return TProgramFiles::For(Environment); }

  test::TTempDir Dir;
  TProgramEnvironment Environment;
};

TEST_F(ProgramFiles, NamesAreTheOnesOlderCopiesUse) {
  EXPECT_STREQ(ProgramFileName(TProgramFile::Settings), "conf.vkcf");
  EXPECT_STREQ(ProgramFileName(TProgramFile::Proxy), "proxy.txt");
  EXPECT_STREQ(ProgramFileName(TProgramFile::Sites), "sites.txt");
  EXPECT_STREQ(ProgramFileName(TProgramFile::Banner), "rek.gif");
  EXPECT_STREQ(ProgramFileName(TProgramFile::Scratch), "temp.subfile");
  EXPECT_STREQ(ProgramFileName(TProgramFile::ReadMe), "BENIOKU.txt");
}

TEST_F(ProgramFiles, SettingsBesideTheExecutableKeepEveryFileThere) {
  Write(Bin() / "conf.vkcf", kShippedSettings);
  Environment.XdgConfigHome = (Root() / "config").string();
  Environment.XdgCacheHome = (Root() / "cache").string();
  const TProgramFiles files = Files();
  EXPECT_EQ(files.Mode(), TProgramFiles::TMode::Portable);
  for (auto file : {TProgramFile::Settings, TProgramFile::Proxy, TProgramFile::Sites, TProgramFile::Banner,
                    TProgramFile::Scratch, TProgramFile::ReadMe}) {
    EXPECT_EQ(files.PathOf(file), Bin() / ProgramFileName(file));
  }
  EXPECT_FALSE(files.CopyDefaultSettings());
  EXPECT_TRUE(fs::is_empty(Home()));
  EXPECT_FALSE(fs::exists(Root() / "config"));
  EXPECT_FALSE(fs::exists(Root() / "cache"));
}

TEST_F(ProgramFiles, InstalledWithoutXdgVariablesUsesTheHomeFolders) {
  const TProgramFiles files = Files();
  EXPECT_EQ(files.Mode(), TProgramFiles::TMode::Installed);
  const fs::path config = Home() / ".config" / "velkaro";
  const fs::path cache = Home() / ".cache" / "velkaro";
  EXPECT_EQ(files.PathOf(TProgramFile::Settings), config / "conf.vkcf");
  EXPECT_EQ(files.PathOf(TProgramFile::Proxy), config / "proxy.txt");
  EXPECT_EQ(files.PathOf(TProgramFile::Sites), config / "sites.txt");
  EXPECT_EQ(files.PathOf(TProgramFile::Banner), cache / "rek.gif");
  EXPECT_EQ(files.PathOf(TProgramFile::Scratch), cache / "temp.subfile");
  EXPECT_EQ(files.PathOf(TProgramFile::ReadMe), Shared() / "BENIOKU.txt");
  // Made on use, for the user alone, parents included.
  for (const auto& folder : {config, cache, Home() / ".config", Home() / ".cache"}) {
    EXPECT_EQ(Mode(folder), 0700u) << folder;
  }
}

TEST_F(ProgramFiles, InstalledWithXdgVariablesUsesThem) {
  Environment.XdgConfigHome = (Root() / "config").string();
  Environment.XdgCacheHome = (Root() / "cache" / "").string();  // a trailing slash changes nothing
  const TProgramFiles files = Files();
  EXPECT_EQ(files.PathOf(TProgramFile::Proxy), Root() / "config" / "velkaro" / "proxy.txt");
  EXPECT_EQ(files.PathOf(TProgramFile::Scratch), Root() / "cache" / "velkaro" / "temp.subfile");
  EXPECT_EQ(Mode(Root() / "config" / "velkaro"), 0700u);
  EXPECT_EQ(Mode(Root() / "cache" / "velkaro"), 0700u);
  EXPECT_TRUE(fs::is_empty(Home()));
}

TEST_F(ProgramFiles, RelativeOrEmptyXdgValuesAreIgnored) {
  for (const char* value : {"relative/config", "", "./config"}) {
    Environment.XdgConfigHome = value;
    Environment.XdgCacheHome = value;
    const TProgramFiles files = Files();
    EXPECT_EQ(files.ConfigDir(), Home() / ".config" / "velkaro") << '"' << value << '"';
    EXPECT_EQ(files.CacheDir(), Home() / ".cache" / "velkaro") << '"' << value << '"';
  }
}

TEST_F(ProgramFiles, AnUnusableHomeFallsBackToTheAccountsHome) {
  for (const std::optional<std::string>& home : {std::optional<std::string>(), std::optional<std::string>(""),
                                                 std::optional<std::string>("home")}) {
    Environment.Home = home;
    EXPECT_EQ(Files().ConfigDir(), Root() / "account" / ".config" / "velkaro");
  }
  Environment.AccountHome.clear();
  EXPECT_EQ(Files().ConfigDir(), fs::path("/.config/velkaro"));
  EXPECT_EQ(Files().CacheDir(), fs::path("/.cache/velkaro"));
}

TEST_F(ProgramFiles, DataFolderIsFoundFromTheExecutablesFolder) {
  Environment.ExecutableDir = Bin() / "";
  EXPECT_EQ(Files().DataDir(), Shared());
  EXPECT_EQ(Files().PathOf(TProgramFile::ReadMe), Shared() / "BENIOKU.txt");
}

TEST_F(ProgramFiles, FoldersAreMadeOnlyWhenAFileInThemIsAskedFor) {
  const TProgramFiles files = Files();
  files.PathOf(TProgramFile::ReadMe);
  EXPECT_TRUE(fs::is_empty(Home()));
  files.PathOf(TProgramFile::Banner);
  EXPECT_TRUE(fs::is_directory(Home() / ".cache" / "velkaro"));
  EXPECT_FALSE(fs::exists(Home() / ".config"));
}

TEST_F(ProgramFiles, AFolderThatIsThereKeepsItsMode) {
  fs::create_directories(Home() / ".config" / "velkaro");
  fs::permissions(Home() / ".config" / "velkaro", fs::perms(0750));
  Files().PathOf(TProgramFile::Settings);
  EXPECT_EQ(Mode(Home() / ".config" / "velkaro"), 0750u);
}

TEST_F(ProgramFiles, FirstStartCopiesTheShippedSettingsOnce) {
  const TProgramFiles files = Files();
  ASSERT_TRUE(files.CopyDefaultSettings());
  const fs::path settings = Home() / ".config" / "velkaro" / "conf.vkcf";
  EXPECT_EQ(Content(settings), kShippedSettings);
  EXPECT_EQ(TSettingsFile::Of(files).ReadFlag(kLineGrid), false);

  // From then on the file is the user's.
  ASSERT_TRUE(TSettingsFile::Of(files).RewriteFlag(kLineGrid, true));
  EXPECT_FALSE(files.CopyDefaultSettings());
  EXPECT_EQ(TSettingsFile::Of(files).ReadFlag(kLineGrid), true);
}

TEST_F(ProgramFiles, WithoutShippedSettingsTheFirstStartReportsTheMissingFile) {
  fs::remove(Shared() / "conf.vkcf");
  const TProgramFiles files = Files();
  EXPECT_FALSE(files.CopyDefaultSettings());
  EXPECT_FALSE(fs::exists(files.PathOf(TProgramFile::Settings)));
  // The window shows "Hatalı konfigürasyon dosyası." for this, as at any first start.
  EXPECT_EQ(TSettingsFile::Of(files).ReadFlag(kLineGrid), std::nullopt);
}

// Every reader and writer of the settings folder, against a folder that does
// not work; what each returns is what its Part reports.
void ExpectSettingsFolderUnusable(const TProgramFiles& files) {
  EXPECT_FALSE(files.CopyDefaultSettings());
  const TSettingsFile settings = TSettingsFile::Of(files);
  EXPECT_EQ(settings.ReadFlag(kLineGrid), std::nullopt);          // "Hatalı konfigürasyon dosyası."
  EXPECT_FALSE(settings.RewriteFlag(kLineDialogAtStart, true));    // the same message at exit
  EXPECT_FALSE(settings.WriteAll(TSettings{}));                    // the dialog's close cannot save
  EXPECT_FALSE(TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForSearch().UseProxy);  // no file: no proxy
  EXPECT_FALSE(TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForTransfer().UseProxy);
  EXPECT_FALSE(TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForDialog().FileFound);  // "... bulunamadı."
  EXPECT_FALSE(WriteProxyFile(files.PathOf(TProgramFile::Proxy), true, "127.0.0.1", "8080"));
  EXPECT_EQ(TSiteTable::FromFile(files.PathOf(TProgramFile::Sites))[SiteId::SubDb].Host, "www.subdb.net");
}

TEST_F(ProgramFiles, XdgConfigHomeThatIsAFile) {
  Write(Root() / "not-a-folder", "x");
  Environment.XdgConfigHome = (Root() / "not-a-folder").string();
  const TProgramFiles files = Files();
  EXPECT_EQ(files.PathOf(TProgramFile::Settings), Root() / "not-a-folder" / "velkaro" / "conf.vkcf");
  ExpectSettingsFolderUnusable(files);
  EXPECT_EQ(Content(Root() / "not-a-folder"), "x");
}

TEST_F(ProgramFiles, CacheHomeThatIsAFileFailsTheBannerAndScratchWrites) {
  Write(Root() / "not-a-folder", "x");
  Environment.XdgCacheHome = (Root() / "not-a-folder").string();
  const TProgramFiles files = Files();
  // The update check reports "Sürüm kontrolde hata oluştu."; a SubDb download ends without a file.
  EXPECT_FALSE(ReplaceFileContent(files.PathOf(TProgramFile::Banner), "GIF89a"));
  EXPECT_FALSE(std::ofstream(files.PathOf(TProgramFile::Scratch)).is_open());
}

TEST_F(ProgramFiles, AHomeThatDoesNotExistIsMadeWhenItCanBe) {
  Environment.Home = (Root() / "new" / "home").string();
  const TProgramFiles files = Files();
  ASSERT_TRUE(files.CopyDefaultSettings());
  EXPECT_EQ(Content(Root() / "new" / "home" / ".config" / "velkaro" / "conf.vkcf"), kShippedSettings);
}

TEST_F(ProgramFiles, AHomeThatCannotExistGivesTheMessages) {
  Write(Root() / "file", "x");
  Environment.Home = (Root() / "file" / "home").string();
  ExpectSettingsFolderUnusable(Files());
}

TEST_F(ProgramFiles, ASymbolicLinkAsTheSettingsFolderIsFollowed) {
  fs::create_directories(Root() / "elsewhere");
  fs::permissions(Root() / "elsewhere", fs::perms(0755));
  fs::create_directories(Home() / ".config");
  fs::create_directory_symlink(Root() / "elsewhere", Home() / ".config" / "velkaro");
  const TProgramFiles files = Files();
  ASSERT_TRUE(files.CopyDefaultSettings());
  ASSERT_TRUE(WriteProxyFile(files.PathOf(TProgramFile::Proxy), true, "10.0.0.5", "3128"));
  EXPECT_EQ(Content(Root() / "elsewhere" / "conf.vkcf"), kShippedSettings);
  EXPECT_EQ(Content(Root() / "elsewhere" / "proxy.txt"), "1\r\n10.0.0.5:3128\r\n");
  EXPECT_TRUE(fs::is_symlink(Home() / ".config" / "velkaro"));
  EXPECT_EQ(Mode(Root() / "elsewhere"), 0755u);
}

TEST_F(ProgramFiles, ADanglingSymbolicLinkAsTheSettingsFolderGivesTheMessages) {
  fs::create_directories(Home() / ".config");
  fs::create_directory_symlink(Root() / "gone", Home() / ".config" / "velkaro");
  ExpectSettingsFolderUnusable(Files());
}

// Runs `checks` where permission bits count: as an ordinary user, or for root
// in a child process as "nobody". Returns how many checks failed.
int WithoutRootsRights(const std::function<int()>& checks) {
  if (::geteuid() != 0) return checks();
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    ::_exit(checks());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(ProgramFiles, AnUnwritableSettingsFolderIsReadButNeverWritten) {
  Environment.XdgConfigHome = (Root() / "config").string();
  const TProgramFiles files = Files();
  ASSERT_TRUE(files.CopyDefaultSettings());
  ASSERT_TRUE(WriteProxyFile(files.PathOf(TProgramFile::Proxy), false, "10.0.0.5", "3128"));
  // Readable and searchable by everyone, writable by no one.
  for (const auto& folder : {Root(), Root() / "config", Home(), Bin(), Root() / "prefix", Shared().parent_path(), Shared()}) {
    fs::permissions(folder, fs::perms(0755));
  }
  fs::permissions(Root() / "config" / "velkaro", fs::perms(0555));
  fs::permissions(Root() / "config" / "velkaro" / "conf.vkcf", fs::perms(0444));
  fs::permissions(Root() / "config" / "velkaro" / "proxy.txt", fs::perms(0444));

  const int failures = WithoutRootsRights([&] {
    const TSettingsFile settings = TSettingsFile::Of(files);
    int failed = 0;
    failed += settings.ReadFlag(kLineGrid) != false;                      // read as usual
    failed += settings.RewriteFlag(kLineGrid, true);                      // "Hatalı konfigürasyon dosyası."
    failed += settings.WriteAll(TSettings{});                             // the dialog cannot save
    failed += TProxyFile::Read(files.PathOf(TProgramFile::Proxy)).ForDialog().Host != "10.0.0.5";
    failed += WriteProxyFile(files.PathOf(TProgramFile::Proxy), true, "", "");  // the error's text in a box
    failed += files.CopyDefaultSettings();
    return failed;
  });
  EXPECT_EQ(failures, 0);
  fs::permissions(Root() / "config" / "velkaro", fs::perms(0700));
  EXPECT_EQ(Content(Root() / "config" / "velkaro" / "conf.vkcf"), kShippedSettings);
  EXPECT_EQ(Content(Root() / "config" / "velkaro" / "proxy.txt"), "0\r\n10.0.0.5:3128\r\n");
  EXPECT_EQ(test::FileNames(Root() / "config" / "velkaro"), (std::vector<std::string>{"conf.vkcf", "proxy.txt"}));
}

TEST_F(ProgramFiles, AnUnwritableConfigHomeLeavesTheSettingsFolderUnmade) {
  fs::create_directories(Root() / "config");
  for (const auto& folder : {Root(), Home(), Bin(), Root() / "prefix", Shared().parent_path(), Shared()}) {
    fs::permissions(folder, fs::perms(0755));
  }
  fs::permissions(Root() / "config", fs::perms(0555));
  Environment.XdgConfigHome = (Root() / "config").string();
  const TProgramFiles files = Files();
  const int failures = WithoutRootsRights([&] {
    const TSettingsFile settings = TSettingsFile::Of(files);
    int failed = 0;
    failed += files.CopyDefaultSettings();
    failed += settings.ReadFlag(kLineGrid).has_value();
    failed += settings.WriteAll(TSettings{});
    failed += WriteProxyFile(files.PathOf(TProgramFile::Proxy), true, "", "");
    return failed;
  });
  EXPECT_EQ(failures, 0);
  EXPECT_TRUE(fs::is_empty(Root() / "config"));
}

}  // namespace
}  // namespace velkaro

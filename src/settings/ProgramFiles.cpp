#include "ProgramFiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <system_error>
#include <vector>

#include "FileContent.h"

// The data folder seen from the executable's folder; CMake passes the
// install layout's own ("../share/velkaro" with the GNU defaults).
#ifndef VELKARO_DATA_FROM_BIN
#define VELKARO_DATA_FROM_BIN "../share/velkaro"
#endif

namespace velkaro {

namespace {

constexpr const char* kFolderName = "velkaro";

enum class TFolder { Config, Cache, Data };

struct TFileEntry {
  TProgramFile File;
  const char* Name;
  TFolder Folder;
};

// Indexed by TProgramFile.
constexpr TFileEntry kFiles[] = {
    {TProgramFile::Settings, "conf.vkcf", TFolder::Config},
    {TProgramFile::Proxy, "proxy.txt", TFolder::Config},
    {TProgramFile::Sites, "sites.txt", TFolder::Config},
    {TProgramFile::Banner, "rek.gif", TFolder::Cache},
    {TProgramFile::Scratch, "temp.subfile", TFolder::Cache},
    {TProgramFile::ReadMe, "BENIOKU.txt", TFolder::Data},
    {TProgramFile::Log, "velkaro.log", TFolder::Cache},
    {TProgramFile::Ini, "velkaro.ini", TFolder::Config},
};

constexpr bool InEnumOrder() {
  for (int i = 0; i < static_cast<int>(std::size(kFiles)); ++i) {
    if (static_cast<int>(kFiles[i].File) != i) return false;
  }
  return true;
}
static_assert(InEnumOrder(), "kFiles is indexed by TProgramFile");

const TFileEntry& Entry(TProgramFile file) { return kFiles[static_cast<int>(file)]; }

// The XDG rules: an unset, empty or relative value is ignored.
std::optional<std::filesystem::path> Absolute(const std::optional<std::string>& value) {
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  return std::filesystem::path(*value).lexically_normal();
}

// Creates `dir` and its missing parents with mode 0700. A folder that is
// there (a symbolic link to one included) is left as it is.
void MakeFolder(const std::filesystem::path& dir) {
  struct stat info {};
  if (::stat(dir.c_str(), &info) == 0 || errno != ENOENT) return;
  const auto parent = dir.parent_path();
  if (!parent.empty() && parent != dir) MakeFolder(parent);
  ::mkdir(dir.c_str(), 0700);
}

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string PasswordHome() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
  return found->pw_dir != nullptr ? std::string(found->pw_dir) : std::string();
}

}  // namespace

const char* ProgramFileName(TProgramFile file) { return Entry(file).Name; }

TProgramEnvironment TProgramEnvironment::OfThisProcess() {
  TProgramEnvironment environment;
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  environment.ExecutableDir = error ? std::filesystem::current_path(error) : executable.parent_path();
  environment.Home = Variable("HOME");
  environment.XdgConfigHome = Variable("XDG_CONFIG_HOME");
  environment.XdgCacheHome = Variable("XDG_CACHE_HOME");
  environment.AccountHome = PasswordHome();
  return environment;
}

TProgramFiles TProgramFiles::For(const TProgramEnvironment& environment) {
  const auto& exeDir = environment.ExecutableDir;
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(exeDir / Entry(TProgramFile::Settings).Name, error))) {
    return InFolder(exeDir);
  }
  // No usable home at all leaves the root folder, as Qt and GLib do; creating
  // folders there fails for an ordinary user, and the files report it.
  const std::filesystem::path home =
      Absolute(environment.Home).value_or(Absolute(environment.AccountHome).value_or("/"));
  return TProgramFiles(TMode::Installed,
                       Absolute(environment.XdgConfigHome).value_or(home / ".config") / kFolderName,
                       Absolute(environment.XdgCacheHome).value_or(home / ".cache") / kFolderName,
                       (exeDir / VELKARO_DATA_FROM_BIN).lexically_normal());
}

TProgramFiles TProgramFiles::InFolder(const std::filesystem::path& folder) {
  return TProgramFiles(TMode::Portable, folder, folder, folder);
}

std::filesystem::path TProgramFiles::PathOf(TProgramFile file) const {
  const TFileEntry& entry = Entry(file);
  switch (entry.Folder) {
    case TFolder::Config:
      MakeFolder(ConfigDir_);
      return ConfigDir_ / entry.Name;
    case TFolder::Cache:
      MakeFolder(CacheDir_);
      return CacheDir_ / entry.Name;
    case TFolder::Data:
      break;
  }
  return DataDir_ / entry.Name;
}

bool TProgramFiles::CopyDefaultSettings() const {
  if (Mode_ != TMode::Installed) return false;
  const auto target = PathOf(TProgramFile::Settings);
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) return false;
  const auto shipped = ReadFileContent(DataDir_ / Entry(TProgramFile::Settings).Name);
  return shipped && ReplaceFileContent(target, *shipped);
}

}  // namespace velkaro

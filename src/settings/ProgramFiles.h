#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Which folder holds each file the program reads or writes. The engine, the
// window and the command line all ask here; none builds such a path itself.
//
// Portable mode: a "conf.vkcf" stands beside the executable (as in build/bin
// or an unpacked folder), and every file lives beside the executable, as it
// always has.
// Installed mode otherwise, by the XDG base directory rules:
//   settings  conf.vkcf, proxy.txt, sites.txt, velkaro.ini in $XDG_CONFIG_HOME/velkaro
//   cache     rek.gif, temp.subfile, velkaro.log in $XDG_CACHE_HOME/velkaro
//   data      BENIOKU.txt, the default conf.vkcf in <prefix>/share/velkaro,
//             found from the executable's folder (<prefix>/bin).

namespace velkaro {

enum class TProgramFile {
  Settings,  // "conf.vkcf"
  Proxy,     // "proxy.txt"
  Sites,     // "sites.txt"
  Banner,    // "rek.gif"
  Scratch,   // "temp.subfile"
  ReadMe,    // "BENIOKU.txt"
  Log,       // "velkaro.log": diagnostics, when asked for
  Ini,       // "velkaro.ini": settings beyond conf.vkcf
};

const char* ProgramFileName(TProgramFile file);

// What decides the folders: read from the running process, or given by a test.
struct TProgramEnvironment {
  std::filesystem::path ExecutableDir;
  std::optional<std::string> Home;           // $HOME
  std::optional<std::string> XdgConfigHome;  // $XDG_CONFIG_HOME
  std::optional<std::string> XdgCacheHome;   // $XDG_CACHE_HOME
  // The account's home in the password database, for a HOME that is unset,
  // empty or relative.
  std::string AccountHome;

  static TProgramEnvironment OfThisProcess();
};

class TProgramFiles {
 public:
  enum class TMode { Portable, Installed };

  static TProgramFiles For(const TProgramEnvironment& environment);
  // The folders of the running program.
  static TProgramFiles OfThisProgram() { return For(TProgramEnvironment::OfThisProcess()); }
  // Every file in `folder`, as in portable mode.
  static TProgramFiles InFolder(const std::filesystem::path& folder);

  TMode Mode() const { return Mode_; }
  const std::filesystem::path& ConfigDir() const { return ConfigDir_; }
  const std::filesystem::path& CacheDir() const { return CacheDir_; }
  const std::filesystem::path& DataDir() const { return DataDir_; }

  // The file's full path. A missing settings or cache folder is created
  // first (mode 0700, with any missing parent, as the XDG rules ask); when
  // that fails the path is returned all the same, and the file's reader or
  // writer meets the failure it already reports.
  std::filesystem::path PathOf(TProgramFile file) const;

  // Installed mode, first start: copies the shipped conf.vkcf from the data
  // folder into the settings folder when none is there yet. True when copied;
  // never overwrites the user's file.
  bool CopyDefaultSettings() const;

 private:
  TProgramFiles(TMode mode, std::filesystem::path config, std::filesystem::path cache, std::filesystem::path data)
      : Mode_(mode), ConfigDir_(std::move(config)), CacheDir_(std::move(cache)), DataDir_(std::move(data)) {}

  TMode Mode_;
  std::filesystem::path ConfigDir_;
  std::filesystem::path CacheDir_;
  std::filesystem::path DataDir_;
};

}  // namespace velkaro

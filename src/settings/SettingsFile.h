#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ProgramFiles.h"
#include "Sites.h"
#include "TextHelpers.h"
#include "UserText.h"


// "conf.vkcf" (TProgramFile::Settings): ten lines in a fixed order, code page
// 1254, CR LF after every line. Every reader and writer opens, works and
// closes the file on its own; nothing is cached.

namespace velkaro {

// A text (UserText.h), translated where shown.
inline constexpr const char* kBadSettingsFile = VK_TEXT("Hatalı konfigürasyon dosyası.");

// Lines 0 to 4 hold the sites' ticks, each at its SettingsLine (Sites.h).
enum TSettingsLine : int {
  kLineLanguage = 5,
  kLineFilm,
  kLineMaximum,
  kLineGrid,
  kLineDialogAtStart,
  kSettingsLineCount,
};
static_assert(kSiteCount == kLineLanguage, "the sites' ticks come first in conf.vkcf");

constexpr TSettingsLine SettingsLineOf(SiteId site) { return static_cast<TSettingsLine>(FactsOf(site).SettingsLine); }

// Lines 0 to 7: the advanced search dialog's choices.
struct TDialogSettings {
  // In file order: indexed by each site's SettingsLine.
  std::array<bool, kSiteCount> Sites{true, true, true, true, true};
  int LanguageIndex = -1;  // -1: no language selected
  std::string Film;
  std::string MaxText = "50";  // as typed, not necessarily a number
};

struct TSettings {
  TDialogSettings Dialog;
  bool Grid = false;
  bool DialogAtStart = false;
};

// Written "-1" and "0"; read as a number (zero is false) or "True"/"False" in any case.
std::string BooleanText(bool value);
std::optional<bool> ReadBoolean(std::string_view text);

class TSettingsFile {
 public:
  explicit TSettingsFile(std::filesystem::path path) : Path_(std::move(path)) {}
  static TSettingsFile Of(const TProgramFiles& files) { return TSettingsFile(files.PathOf(TProgramFile::Settings)); }
  const std::filesystem::path& Path() const { return Path_; }

  // Replaces the file with exactly ten lines. False when it cannot be
  // written; the file as it was is kept whole.
  bool WriteAll(const TSettings& settings) const;
  // Rewrites one boolean line, keeping every other line (also any beyond the
  // tenth). Never creates the file: false when it is missing, too short or
  // cannot be written.
  bool RewriteFlag(TSettingsLine line, bool value) const;

  // One boolean line; nullopt when the file or line is missing or does not convert.
  std::optional<bool> ReadFlag(TSettingsLine line) const;

  struct TDialogApply {
    std::function<void(TSettingsLine site, bool ticked)> Site;
    std::function<void(int index)> Language;
    std::function<void(const std::string& film)> Film;
    std::function<void(const std::string& maximum)> Maximum;
  };
  // Applies lines 0 to 7 in order, each right after it converts; stops at
  // the first failure and returns false. What was applied stays applied.
  bool ReadDialog(const TDialogApply& apply) const;

 private:
  std::optional<TLines> ReadLines() const;
  bool WriteLines(const std::vector<std::string>& lines) const;

  std::filesystem::path Path_;
};

}  // namespace velkaro

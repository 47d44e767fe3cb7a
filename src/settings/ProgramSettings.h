#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "DownloadOptions.h"
#include "UserText.h"

// Settings kept apart from the window's own settings file, in an INI file
// with one [velkaro] section, read by the window and the command line alike.

namespace velkaro {

inline constexpr const char* kProgramSettingsFileName = "velkaro.ini";
inline constexpr const char* kProgramSettingsSection = "velkaro";

// Requests a search makes to one site at once.
inline constexpr const char* kConnectionsKey = "connections";
inline constexpr int kDefaultConnections = 6;  // what browsers open per host
inline constexpr int kMinConnections = 1;
inline constexpr int kMaxConnections = 16;

// Whether `value` is a number of connections a search may use.
constexpr bool ValidConnections(int value) { return value >= kMinConnections && value <= kMaxConnections; }

// The `connections` value of the settings file at `path`: the default when
// the file, the section or the key is missing, or the value is not a whole
// number from 1 to 16. The last such key in the section wins.
int ReadConnections(const std::filesystem::path& path);

// The download options: one key each, the defaults those of TDownloadOptions.
inline constexpr const char* kUnpackKey = "unpack";
inline constexpr const char* kToUtf8Key = "toUtf8";
inline constexpr const char* kConvertFramesKey = "convertFrames";
inline constexpr const char* kLanguageSuffixKey = "languageSuffix";
inline constexpr const char* kMicroDvdToSubRipKey = "microDvdToSubRip";
inline constexpr const char* kSyncToAudioKey = "syncToAudio";

struct TDownloadOptionKey {
  const char* Key;
  bool TDownloadOptions::*Member;
};
inline constexpr TDownloadOptionKey kDownloadOptionKeys[] = {
    {kUnpackKey, &TDownloadOptions::Unpack},
    {kToUtf8Key, &TDownloadOptions::ToUtf8},
    {kConvertFramesKey, &TDownloadOptions::ConvertFrames},
    {kLanguageSuffixKey, &TDownloadOptions::LanguageSuffix},
    {kMicroDvdToSubRipKey, &TDownloadOptions::MicroDvdToSubRip},
    {kSyncToAudioKey, &TDownloadOptions::SyncToAudio},
};

// The download options of the settings file at `path`, read as `connections`
// is. A value is "1", "true", "yes", "on" or "0", "false", "no", "off" in any
// case; anything else, or no value, leaves that option's default.
TDownloadOptions ReadDownloadOptions(const std::filesystem::path& path);

// The languages a best row is chosen by: the advanced search dialog's
// language items, comma-separated, best first.
inline constexpr const char* kLanguagesKey = "languages";
inline constexpr const char* kDefaultLanguages = "Turkish,English";

// The items of `languages` in the settings file at `path`, trimmed, empty
// ones left out, as engine texts (code page 1254); the default's when the key
// is missing or names none.
std::vector<std::string> ReadPreferredLanguages(const std::filesystem::path& path);
std::vector<std::string> SplitLanguages(std::string_view list);

// Opening or dropping videos fetches the best row at once, without the dialog.
inline constexpr const char* kFetchBestOnOpenKey = "fetchBestOnOpen";
inline constexpr bool kDefaultFetchBestOnOpen = false;

// `fetchBestOnOpen`, read as the download options are.
bool ReadFetchBestOnOpen(const std::filesystem::path& path);

// The language of the program's texts: "tr" or "en"; without it the locale decides.
inline constexpr const char* kLanguageKey = "language";

// `language` of the settings file at `path`; nothing when the key is missing or names neither.
std::optional<TLanguage> ReadLanguage(const std::filesystem::path& path);
// The language the programs start in: the settings file's, else the locale's.
TLanguage ChooseLanguage(const std::filesystem::path& path, const TEnvironment& environment);

}  // namespace velkaro

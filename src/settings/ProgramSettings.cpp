#include "ProgramSettings.h"

#include <ini.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CodePage.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The [velkaro] section's values by lower-case key; the last of a key wins.
using TSectionValues = std::map<std::string, std::string>;

// Section and key names are read without regard to case, as INI readers do.
int KeepSectionValue(void* user, const char* section, const char* name, const char* value) {
  if (LowerAscii(section) == kProgramSettingsSection) (*static_cast<TSectionValues*>(user))[LowerAscii(name)] = value;
  return 1;
}

TSectionValues ReadSection(const std::filesystem::path& path) {
  TSectionValues values;
  const std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  // A malformed line elsewhere does not spoil a good value: the reader goes on past it.
  if (file) ini_parse_file(file.get(), &KeepSectionValue, &values);
  return values;
}

std::optional<std::string> ValueOf(const TSectionValues& values, std::string_view key) {
  const auto found = values.find(LowerAscii(key));
  if (found == values.end()) return std::nullopt;
  return Trim(found->second);
}

struct TBooleanWord {
  std::string_view Word;
  bool Value;
};
constexpr TBooleanWord kBooleanWords[] = {
    {"1", true}, {"true", true}, {"yes", true}, {"on", true},
    {"0", false}, {"false", false}, {"no", false}, {"off", false},
};

std::optional<bool> ParseBoolean(std::string_view text) {
  const std::string word = LowerAscii(text);
  for (const auto& entry : kBooleanWords) {
    if (entry.Word == word) return entry.Value;
  }
  return std::nullopt;
}

}  // namespace

int ReadConnections(const std::filesystem::path& path) {
  const auto text = ValueOf(ReadSection(path), kConnectionsKey);
  if (!text) return kDefaultConnections;
  const auto value = ParseInt(*text);
  return value && ValidConnections(*value) ? *value : kDefaultConnections;
}

TDownloadOptions ReadDownloadOptions(const std::filesystem::path& path) {
  const TSectionValues values = ReadSection(path);
  TDownloadOptions options;
  for (const auto& [key, member] : kDownloadOptionKeys) {
    const auto text = ValueOf(values, key);
    if (const auto value = text ? ParseBoolean(*text) : std::nullopt) options.*member = *value;
  }
  return options;
}

std::vector<std::string> SplitLanguages(std::string_view list) {
  std::vector<std::string> languages;
  for (const auto& item : SplitText(list, ",")) {
    std::string language = Trim(item);
    if (!language.empty()) languages.push_back(Utf8ToCp1254(language));
  }
  return languages;
}

std::vector<std::string> ReadPreferredLanguages(const std::filesystem::path& path) {
  const auto text = ValueOf(ReadSection(path), kLanguagesKey);
  auto languages = SplitLanguages(text.value_or(""));
  return languages.empty() ? SplitLanguages(kDefaultLanguages) : languages;
}

bool ReadFetchBestOnOpen(const std::filesystem::path& path) {
  const auto text = ValueOf(ReadSection(path), kFetchBestOnOpenKey);
  return (text ? ParseBoolean(*text) : std::nullopt).value_or(kDefaultFetchBestOnOpen);
}

std::optional<TLanguage> ReadLanguage(const std::filesystem::path& path) {
  const auto text = ValueOf(ReadSection(path), kLanguageKey);
  return text ? ParseLanguage(*text) : std::nullopt;
}

TLanguage ChooseLanguage(const std::filesystem::path& path, const TEnvironment& environment) {
  return ReadLanguage(path).value_or(LanguageOfLocale(environment));
}

}  // namespace velkaro

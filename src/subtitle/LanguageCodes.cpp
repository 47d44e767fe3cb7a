#include "LanguageCodes.h"

#include "TextHelpers.h"

namespace velkaro {

namespace {

struct TLanguageCode {
  std::string_view Language;
  std::string_view Code;
};

// The sites' language names, their misspellings included, as ISO 639-1 codes.
constexpr TLanguageCode kLanguageCodes[] = {
    {"turkish", "tr"},   {"english", "en"},   {"germany", "de"},  {"german", "de"},     {"french", "fr"},
    {"spanish", "es"},   {"italy", "it"},     {"italian", "it"},  {"hungary", "hu"},    {"hungarian", "hu"},
    {"czech", "cs"},     {"albanian", "sq"},  {"bulgarian", "bg"}, {"croatian", "hr"},  {"estonian", "et"},
    {"finnish", "fi"},   {"japanese", "ja"},  {"korean", "ko"},   {"portugese", "pt"},  {"portuguese", "pt"},
    {"romanian", "ro"},  {"russian", "ru"},   {"serbian", "sr"},  {"swedish", "sv"},    {"dutch", "nl"},
    {"chinese gb code", "zh"}, {"greek", "el"}, {"polish", "pl"}, {"danish", "da"},     {"norwegian", "no"},
    {"slovenian", "sl"}, {"slovak", "sk"},    {"arabic", "ar"},   {"hebrew", "he"},
};

}  // namespace

std::string LanguageCode(std::string_view rowLanguage) {
  const std::string key = LowerAscii(Trim(rowLanguage));
  for (const auto& entry : kLanguageCodes) {
    if (entry.Language == key) return std::string(entry.Code);
  }
  return {};
}

}  // namespace velkaro

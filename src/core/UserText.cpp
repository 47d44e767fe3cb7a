#include "UserText.h"

#include <atomic>
#include <cstddef>
#include <span>
#include <vector>

#include "Catalogue.h"
#include "CodePage.h"
#include "TextHelpers.h"

namespace velkaro {

// po/en.po, compiled and built into the program.
extern const unsigned char kEnglishCatalogue[];
extern const std::size_t kEnglishCatalogueSize;

namespace {

std::atomic<TLanguage> Language{TLanguage::Turkish};

// Read on first use and never changed after: lookups need no lock.
const TCatalogue& EnglishCatalogue() {
  static const TCatalogue catalogue(std::span(kEnglishCatalogue, kEnglishCatalogueSize));
  return catalogue;
}

// A locale name's language: "tr_TR.UTF-8" is "tr".
std::string_view LanguagePart(std::string_view locale) { return locale.substr(0, locale.find_first_of("_.@")); }

TLanguage LanguageOfLocaleName(std::string_view locale) {
  const std::string language = LowerAscii(LanguagePart(locale));
  return language == "tr" || language == "c" || language == "posix" ? TLanguage::Turkish : TLanguage::English;
}

// LANGUAGE is a list of languages, best first, separated by colons.
std::string_view FirstEntry(std::string_view list) {
  const auto start = list.find_first_not_of(':');
  if (start == std::string_view::npos) return {};
  list.remove_prefix(start);
  return list.substr(0, list.find(':'));
}

}  // namespace

void SetLanguage(TLanguage language) {
  if (language == TLanguage::English) EnglishCatalogue();
  Language.store(language, std::memory_order_relaxed);
}

TLanguage CurrentLanguage() { return Language.load(std::memory_order_relaxed); }

TLanguage LanguageOfLocale(const TEnvironment& environment) {
  for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = environment(variable);
    const std::string_view locale = value == nullptr ? std::string_view() : std::string_view(value);
    const std::string_view name = variable == std::string_view("LANGUAGE") ? FirstEntry(locale) : locale;
    if (!name.empty()) return LanguageOfLocaleName(name);
  }
  // Nothing set is the C locale.
  return TLanguage::Turkish;
}

std::optional<TLanguage> ParseLanguage(std::string_view code) {
  const std::string lower = LowerAscii(code);
  if (lower == "tr") return TLanguage::Turkish;
  if (lower == "en") return TLanguage::English;
  return std::nullopt;
}

const char* LanguageCode(TLanguage language) { return language == TLanguage::English ? "en" : "tr"; }

const char* Tr(const char* turkish) {
  if (CurrentLanguage() != TLanguage::English) return turkish;
  const char* english = EnglishCatalogue().Find(turkish);
  return english != nullptr ? english : turkish;
}

std::string Tr1254(const char* turkish) { return Utf8ToCp1254(Tr(turkish)); }

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> arguments) {
  const std::vector<std::string_view> values(arguments);
  std::string filled;
  filled.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool marker = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
    const std::size_t index = marker ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
    if (index < values.size()) {
      filled += values[index];
      ++i;
    } else {
      filled += text[i];
    }
  }
  return filled;
}

}  // namespace velkaro

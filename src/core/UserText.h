#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Every text a person reads is written where it is used, as readable Turkish
// (UTF-8), inside one of the calls below; scripts/update-texts.sh collects
// them into po/velkaro.pot, the catalogue translations start from. Texts with
// values carry "%1".."%9" so that a translation may put them elsewhere.

// Marks a text kept in a table or a constant; translate it where it is used.
#define VK_TEXT(turkish) turkish

namespace velkaro {

enum class TLanguage { Turkish, English };

// Set once at start, before any thread runs; English reads its catalogue then.
void SetLanguage(TLanguage language);
TLanguage CurrentLanguage();

// Reads an environment variable: its value, or nullptr when it is not set.
using TEnvironment = std::function<const char*(const char*)>;

// The language the locale asks for: the first of LANGUAGE (its first entry),
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides. Turkish for
// "tr..." and for the C and POSIX locales (also when none is set), which
// scripts run under; English for any other.
TLanguage LanguageOfLocale(const TEnvironment& environment);

// "tr" or "en" in any case, as velkaro.ini's `language` holds it; nothing for anything else.
std::optional<TLanguage> ParseLanguage(std::string_view code);
const char* LanguageCode(TLanguage language);

// The text in the user's language, UTF-8: English from the built-in
// catalogue when it has the text, else the Turkish given. The pointer lives
// as long as the program.
const char* Tr(const char* turkish);
// The same in code page 1254, for the engine's texts.
std::string Tr1254(const char* turkish);

// "%1".."%9" replaced by the arguments in one pass, so an argument holding
// "%2" stays as it is; a number without an argument stays too.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> arguments);

}  // namespace velkaro

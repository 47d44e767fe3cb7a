#pragma once

#include <initializer_list>
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

// Set once at start, before any thread runs.
void SetLanguage(TLanguage language);
TLanguage CurrentLanguage();

// The text in the user's language, UTF-8. The pointer lives as long as the program.
const char* Tr(const char* turkish);
// The same in code page 1254, for the engine's texts.
std::string Tr1254(const char* turkish);

// "%1".."%9" replaced by the arguments in one pass, so an argument holding
// "%2" stays as it is; a number without an argument stays too.
std::string FillIn(std::string_view text, std::initializer_list<std::string_view> arguments);

}  // namespace velkaro

#pragma once

#include <string>
#include <string_view>

namespace velkaro {

// The language code of a row's language ("Turkish" → "tr", "Germany" → "de"),
// empty when unknown: what a subtitle's name carries, and what rows and a
// person's preferred languages are compared by.
std::string LanguageCode(std::string_view rowLanguage);

}  // namespace velkaro

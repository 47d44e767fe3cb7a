#pragma once

#include <string>
#include <string_view>
#include <vector>

// Film titles compared as people mean them: without case, accents (Turkish
// İ and ı included), punctuation and release words; "&" is "and", "II" is "2",
// and a leading article does not count.

namespace velkaro {

// The words a comparison sees: lower-case ASCII where the letter has a Latin
// base, other scripts kept as they are.
std::vector<std::string> TitleWords(std::string_view utf8);

enum class TTitleMatch {
  Same,     // the same words
  Partial,  // one title runs on where the other stops: a sequel, "Heat Wave" for "Heat"
  Other,
};

TTitleMatch CompareTitles(std::string_view videoTitleUtf8, std::string_view rowTitleUtf8);

// The titles a row's film name may carry: the film (release words and year
// off) and the other titles beside it, "Le Prestige (The Prestige)", "A / B".
std::vector<std::string> RowTitles(std::string_view rowNameUtf8);

// A film text asked again when a search found nothing: "and" and "&" swapped,
// a leading article dropped, a year dropped. Engine texts (code page 1254),
// the original left out, each once.
std::vector<std::string> TitleVariants(std::string_view film);

}  // namespace velkaro

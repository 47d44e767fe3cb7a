#include "TitleMatch.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "FilmName.h"
#include "TextHelpers.h"

namespace velkaro {

namespace {

// The base letter of each Latin letter from U+00C0 to U+017F, lower case; a
// blank for the two signs among them (× and ÷).
constexpr std::string_view kLatinBases =
    "aaaaaaaceeeeiiiidnooooo ouuuuyts"  // U+00C0
    "aaaaaaaceeeeiiiidnooooo ouuuuyty"  // U+00E0
    "aaaaaaccccccccddddeeeeeeeeeegggg"  // U+0100
    "gggghhhhiiiiiiiiiijjjjkkklllllll"  // U+0120
    "lllnnnnnnnnnoooooooorrrrrrssssss"  // U+0140
    "ssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // U+0160
constexpr char32_t kFirstLatin = 0xC0;
static_assert(kLatinBases.size() == 0x180 - kFirstLatin);

struct TRoman {
  std::string_view Numeral;
  std::string_view Number;
};
// Sequels are numbered both ways: "Rocky II", "Rocky 2". Single letters stay
// letters ("Malcolm X", "I, Robot").
constexpr TRoman kRomans[] = {
    {"ii", "2"}, {"iii", "3"}, {"iv", "4"}, {"vi", "6"}, {"vii", "7"}, {"viii", "8"},
    {"ix", "9"}, {"xi", "11"}, {"xii", "12"}, {"xiii", "13"},
};

constexpr std::string_view kArticles[] = {"the", "a", "an"};
constexpr std::string_view kAnd = "and";
constexpr std::string_view kAmpersand = "&";
// Separators of a film's other titles in a row's name.
constexpr std::string_view kTitleSeparators[] = {" / ", " | ", " aka ", " AKA ", " Aka "};
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2099;

struct TDecoded {
  char32_t Point;
  std::size_t Length;
};

// One UTF-8 sequence; a malformed byte stands for itself.
TDecoded Decode(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  if (length == 1 || at + length > text.size()) return {byte, 1};
  char32_t point = byte & (0x3F >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return {byte, 1};
    point = (point << 6) | (next & 0x3F);
  }
  return {point, length};
}

bool IsArticle(std::string_view word) {
  return std::find(std::begin(kArticles), std::end(kArticles), word) != std::end(kArticles);
}

void AddWord(std::vector<std::string>& words, std::string& word) {
  if (word.empty()) return;
  const auto roman = std::find_if(std::begin(kRomans), std::end(kRomans),
                                  [&](const TRoman& r) { return r.Numeral == word; });
  if (roman != std::end(kRomans) && !words.empty()) word = roman->Number;
  words.push_back(std::move(word));
  word.clear();
}

std::vector<std::string> SplitFolded(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (std::size_t at = 0; at < text.size();) {
    const TDecoded decoded = Decode(text, at);
    const char32_t c = decoded.Point;
    if (c < 0x80) {
      const char ascii = static_cast<char>(c);
      if ((ascii >= '0' && ascii <= '9') || (ascii >= 'a' && ascii <= 'z')) {
        word += ascii;
      } else if (ascii >= 'A' && ascii <= 'Z') {
        word += LowerAscii(ascii);
      } else if (ascii == '&') {
        AddWord(words, word);
        words.emplace_back(kAnd);
      } else if (ascii != '\'') {
        AddWord(words, word);
      }
    } else if (c >= kFirstLatin && c < kFirstLatin + kLatinBases.size()) {
      const char base = kLatinBases[c - kFirstLatin];
      if (base == ' ') {
        AddWord(words, word);
      } else {
        word += base;
      }
    } else if (c == 0x2019) {
      // A typographic apostrophe joins like the plain one.
    } else {
      word.append(text.substr(at, decoded.Length));
    }
    at += decoded.Length;
  }
  AddWord(words, word);
  return words;
}

bool Contains(const std::vector<std::string>& longer, const std::vector<std::string>& shorter) {
  return std::search(longer.begin(), longer.end(), shorter.begin(), shorter.end()) != longer.end();
}

bool IsYearWord(std::string_view word) {
  const auto year = ParseInt(word);
  return word.size() == 4 && year && *year >= kFirstYear && *year <= kLastYear;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string text;
  for (const auto& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

void AddVariant(std::vector<std::string>& variants, std::string_view original, std::string variant) {
  if (variant.empty() || variant == original) return;
  if (std::find(variants.begin(), variants.end(), variant) == variants.end()) variants.push_back(std::move(variant));
}

}  // namespace

std::vector<std::string> TitleWords(std::string_view utf8) {
  std::vector<std::string> words = SplitFolded(utf8);
  if (words.size() > 1 && IsArticle(words.front())) words.erase(words.begin());
  // "Matrix, The"
  if (words.size() > 1 && IsArticle(words.back())) words.pop_back();
  return words;
}

TTitleMatch CompareTitles(std::string_view videoTitleUtf8, std::string_view rowTitleUtf8) {
  const auto video = TitleWords(videoTitleUtf8);
  const auto row = TitleWords(rowTitleUtf8);
  if (video.empty() || row.empty()) return TTitleMatch::Other;
  if (video == row) return TTitleMatch::Same;
  if (Contains(row, video) || Contains(video, row)) return TTitleMatch::Partial;
  return TTitleMatch::Other;
}

std::vector<std::string> RowTitles(std::string_view rowNameUtf8) {
  std::vector<std::string> titles;
  const auto add = [&titles](std::string_view name) {
    std::string title = GuessFromName(Trim(name), false).Title;
    if (!title.empty() && std::find(titles.begin(), titles.end(), title) == titles.end()) {
      titles.push_back(std::move(title));
    }
  };
  add(rowNameUtf8);
  for (const std::string_view separator : kTitleSeparators) {
    if (const auto at = rowNameUtf8.find(separator); at != std::string_view::npos) {
      add(rowNameUtf8.substr(0, at));
      add(rowNameUtf8.substr(at + separator.size()));
    }
  }
  for (std::size_t open = rowNameUtf8.find_first_of("(["); open != std::string_view::npos;
       open = rowNameUtf8.find_first_of("([", open + 1)) {
    const auto close = rowNameUtf8.find_first_of(")]", open);
    if (close == std::string_view::npos) break;
    add(rowNameUtf8.substr(open + 1, close - open - 1));
  }
  return titles;
}

std::vector<std::string> TitleVariants(std::string_view film) {
  const std::string original = Trim(film);
  const std::vector<std::string> words = SplitText(original, " ");
  std::vector<std::string> variants;

  std::vector<std::string> swapped = words;
  for (auto& word : swapped) {
    if (LowerAscii(word) == kAnd) {
      word = kAmpersand;
    } else if (word == kAmpersand) {
      word = kAnd;
    }
  }
  AddVariant(variants, original, JoinWords(swapped));

  if (words.size() > 1 && IsArticle(LowerAscii(words.front()))) {
    AddVariant(variants, original, JoinWords({words.begin() + 1, words.end()}));
  }

  std::vector<std::string> yearless;
  std::copy_if(words.begin(), words.end(), std::back_inserter(yearless),
               [](const std::string& word) { return !IsYearWord(word); });
  if (!yearless.empty()) AddVariant(variants, original, JoinWords(yearless));
  return variants;
}

}  // namespace velkaro

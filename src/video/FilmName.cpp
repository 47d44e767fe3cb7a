#include "FilmName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace velkaro {

namespace {

// ---------------------------------------------------------------- tables

enum class TCase {
  Any,    // "dvdrip", "DVDRip"
  Upper,  // only in capitals: "FRENCH" is a tag, "The French Connection" a title
};

struct TTagWord {
  std::string_view Word;  // lower case
  TCase Case;
};

// Words that start the release part of a name.
constexpr TTagWord kTagWords[] = {
    // sources
    {"dvdrip", TCase::Any}, {"dvdscr", TCase::Any}, {"dvdr", TCase::Any}, {"dvd5", TCase::Any},
    {"dvd9", TCase::Any}, {"dvd", TCase::Upper}, {"bdrip", TCase::Any}, {"brrip", TCase::Any},
    {"bluray", TCase::Any}, {"blu-ray", TCase::Any}, {"bdremux", TCase::Any}, {"remux", TCase::Any},
    {"web-dl", TCase::Any}, {"webdl", TCase::Any}, {"webrip", TCase::Any}, {"web-rip", TCase::Any},
    {"web", TCase::Upper}, {"hdtv", TCase::Any}, {"hdrip", TCase::Any}, {"tvrip", TCase::Any},
    {"vhsrip", TCase::Any}, {"pdtv", TCase::Any}, {"dsr", TCase::Upper}, {"dsrip", TCase::Any},
    {"satrip", TCase::Any}, {"hdcam", TCase::Any}, {"telesync", TCase::Any}, {"telecine", TCase::Any},
    {"screener", TCase::Upper}, {"cam", TCase::Upper}, {"ts", TCase::Upper}, {"tc", TCase::Upper},
    {"scr", TCase::Upper}, {"r5", TCase::Any}, {"r6", TCase::Any}, {"workprint", TCase::Any},
    {"amzn", TCase::Upper}, {"nf", TCase::Upper}, {"dsnp", TCase::Upper}, {"hmax", TCase::Upper},
    {"atvp", TCase::Upper},
    // picture
    {"4k", TCase::Any}, {"uhd", TCase::Any}, {"hd", TCase::Upper}, {"hq", TCase::Upper}, {"sd", TCase::Upper},
    {"hdr", TCase::Upper}, {"hdr10", TCase::Any}, {"10bit", TCase::Any}, {"8bit", TCase::Any},
    {"ws", TCase::Upper}, {"fs", TCase::Upper}, {"pal", TCase::Upper}, {"ntsc", TCase::Any},
    {"imax", TCase::Upper},
    // codecs
    {"xvid", TCase::Any}, {"divx", TCase::Any}, {"x264", TCase::Any}, {"x265", TCase::Any},
    {"h264", TCase::Any}, {"h265", TCase::Any}, {"hevc", TCase::Any}, {"avc", TCase::Upper},
    {"mpeg2", TCase::Any}, {"vc1", TCase::Any},
    // audio
    {"ac3", TCase::Any}, {"eac3", TCase::Any}, {"aac", TCase::Any}, {"dts", TCase::Any}, {"dts-hd", TCase::Any},
    {"truehd", TCase::Any}, {"atmos", TCase::Any}, {"mp3", TCase::Any}, {"flac", TCase::Any},
    {"dd", TCase::Upper}, {"ddp", TCase::Upper},
    // release flags
    {"proper", TCase::Any}, {"repack", TCase::Any}, {"limited", TCase::Any}, {"unrated", TCase::Any},
    {"remastered", TCase::Any}, {"extended", TCase::Any}, {"uncut", TCase::Any}, {"internal", TCase::Any},
    {"rerip", TCase::Any}, {"readnfo", TCase::Any}, {"nfo", TCase::Upper}, {"dc", TCase::Upper},
    {"hc", TCase::Upper}, {"subs", TCase::Upper}, {"multisubs", TCase::Any}, {"criterion", TCase::Upper},
    {"theatrical", TCase::Upper},
    // languages
    {"dubbed", TCase::Any}, {"subbed", TCase::Any}, {"multi", TCase::Upper}, {"dual", TCase::Upper},
    {"dualaudio", TCase::Any}, {"vostfr", TCase::Any}, {"truefrench", TCase::Any}, {"nordic", TCase::Upper},
    {"turkish", TCase::Upper}, {"english", TCase::Upper}, {"german", TCase::Upper}, {"french", TCase::Upper},
    {"italian", TCase::Upper}, {"spanish", TCase::Upper}, {"russian", TCase::Upper}, {"polish", TCase::Upper},
    {"hungarian", TCase::Upper}, {"japanese", TCase::Upper}, {"korean", TCase::Upper}, {"hindi", TCase::Upper},
    {"tr", TCase::Upper}, {"eng", TCase::Any}, {"en", TCase::Upper}, {"ger", TCase::Upper}, {"de", TCase::Upper},
    {"fr", TCase::Upper}, {"fre", TCase::Upper}, {"ita", TCase::Upper}, {"spa", TCase::Upper}, {"esp", TCase::Upper},
    {"rus", TCase::Upper}, {"hun", TCase::Upper}, {"pl", TCase::Upper}, {"cz", TCase::Upper},
    {"dublaj", TCase::Any}, {"trdublaj", TCase::Any}, {"tr-dublaj", TCase::Any}, {"altyazili", TCase::Any},
    {"altyaz\xC4\xB1l\xC4\xB1", TCase::Any}, {"turkce", TCase::Any}, {"t\xC3\xBCrk\xC3\xA7" "e", TCase::Any},
};

// Tags of more than one word, as the blanks left them.
constexpr std::array<std::string_view, 2> kTagPhrases[] = {
    {"director's", "cut"}, {"directors", "cut"}, {"extended", "cut"}, {"final", "cut"},
    {"special", "edition"}, {"collector's", "edition"}, {"read", "nfo"}, {"h", "264"},
    {"h", "265"}, {"web", "dl"}, {"blu", "ray"}, {"dual", "audio"},
};

// Audio tags carry their channel count: "DD5", "AAC2", "DDP5" (the ".1" is a word of its own).
constexpr std::string_view kAudioPrefixes[] = {"dd", "ddp", "aac", "ac3", "eac3", "dts", "truehd", "atmos", "flac"};

// A part marker's word before its number: "CD1", "CD 1", "part1", "disc 2".
struct TPartWord {
  std::string_view Word;
  bool MayStandApart;  // "Part 1" belongs to titles ("Deathly Hallows Part 1"), "CD 1" never does
};
constexpr TPartWord kPartWords[] = {
    {"cd", true}, {"disc", true}, {"disk", true}, {"part", false}, {"pt", false},
};

// Names that say nothing about the film: the folder above is asked instead.
constexpr std::string_view kPlaceholderTitles[] = {
    "movie",  "video",    "sample",    "untitled", "new",     "cd",      "part",     "disc",
    "disk",   "movies",    "films",    "filmler",   "videos",   "download", "downloads", "complete", "completed",
    "torrents", "media",   "desktop",  "new folder", "yeni klas\xC3\xB6r", "tmp",   "temp",    "vts",      "main",
};

constexpr std::size_t kMaxOtherExtension = 4;
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2099;
// A file in ".../The Matrix (1999)/CD1/cd1.avi" finds its title two folders up.
constexpr int kFolderLevels = 2;

// ---------------------------------------------------------------- text helpers

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string LowerText(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }
bool HasNoLowerCase(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}
bool IsOpenBracket(char c) { return c == '(' || c == '[' || c == '{'; }
bool IsCloseBracket(char c) { return c == ')' || c == ']' || c == '}'; }
bool IsBlank(char c) { return c == ' ' || c == '.' || c == '_' || c == '\t'; }

std::optional<int> Number(std::string_view digits) {
  int value = 0;
  if (!IsAllDigits(digits) || digits.size() > 4) return std::nullopt;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// Letters and digits only (the comparison ignores marks): "Ocean's" -> "oceans".
std::string Bare(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (IsAsciiLetter(c) || IsDigit(c) || static_cast<unsigned char>(c) >= 0x80) out += Lower(c);
  }
  return out;
}

// ---------------------------------------------------------------- words

struct TWord {
  std::string Text;   // as written
  std::string Lower;  // ASCII lower case, brackets and trailing marks off
  bool Open = false;  // "(", "[" or "{"
  bool Close = false;
};

// A video's extension, or any short one with a letter ("a.mka", "b.srt"); not
// the end of "Mission.Impossible.2" or "The.Matrix.DVDRip".
bool IsExtension(std::string_view extension) {
  const std::string key = LowerText(extension);
  if (std::find(std::begin(kVideoExtensions), std::end(kVideoExtensions), key) != std::end(kVideoExtensions)) {
    return true;
  }
  return !key.empty() && key.size() <= kMaxOtherExtension &&
         std::all_of(key.begin(), key.end(), [](char c) { return IsAsciiLetter(c) || IsDigit(c); }) &&
         std::any_of(key.begin(), key.end(), IsAsciiLetter);
}

std::string_view StripExtension(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || !IsExtension(name.substr(dot + 1))) return name;
  return name.substr(0, dot);
}

// "[YTS.MX] ", "{tag} " and "www.site.com - " before the title.
std::string_view StripLeadingNoise(std::string_view name) {
  for (;;) {
    while (!name.empty() && (IsBlank(name.front()) || name.front() == '-')) name.remove_prefix(1);
    if (!name.empty() && (name.front() == '[' || name.front() == '{')) {
      const char close = name.front() == '[' ? ']' : '}';
      const auto end = name.find(close);
      if (end == std::string_view::npos) return name;
      name.remove_prefix(end + 1);
      continue;
    }
    if (LowerText(name.substr(0, 4)) == "www.") {
      const auto end = name.find_first_of(" _-");
      if (end == std::string_view::npos) return name;
      name.remove_prefix(end);
      continue;
    }
    return name;
  }
}

bool IsPunctuationOnly(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    return IsAsciiLetter(c) || IsDigit(c) || static_cast<unsigned char>(c) >= 0x80;
  });
}

std::string KeyOf(std::string_view text) {
  while (!text.empty() && (text.back() == ',' || text.back() == ';' || text.back() == ':' || text.back() == '!')) {
    text.remove_suffix(1);
  }
  return LowerText(text);
}

std::vector<TWord> SplitWords(std::string_view name) {
  std::vector<TWord> words;
  std::string current;
  auto flush = [&] {
    if (current.empty()) return;
    words.push_back({current, KeyOf(current)});
    current.clear();
  };
  for (char c : name) {
    if (IsBlank(c)) {
      flush();
    } else if (IsOpenBracket(c) || IsCloseBracket(c)) {
      flush();
      words.push_back({std::string(1, c), {}, IsOpenBracket(c), IsCloseBracket(c)});
    } else {
      current += c;
    }
  }
  flush();
  return words;
}

// "Inception-FLAWLESS", "Movie-aXXo": a group name is no title-case word, so
// "Spider-Man" and "X-Men" stay whole, and "Catch-22" keeps its number.
bool LooksLikeGroup(std::string_view group) {
  if (group.size() < 2 || IsAllDigits(group)) return false;
  if (!std::all_of(group.begin(), group.end(), [](char c) { return IsAsciiLetter(c) || IsDigit(c); })) return false;
  const bool titleCase = std::isupper(static_cast<unsigned char>(group.front())) &&
                         std::all_of(group.begin() + 1, group.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  return !titleCase;
}

// ---------------------------------------------------------------- classifying

bool IsYear(const TWord& word) {
  const std::string_view key = std::string_view(word.Lower).substr(0, word.Lower.find('-'));
  const auto value = key.size() == 4 ? Number(key) : std::nullopt;
  return value && *value >= kFirstYear && *value <= kLastYear;
}

std::optional<int> YearOf(const TWord& word) {
  return IsYear(word) ? Number(std::string_view(word.Lower).substr(0, 4)) : std::nullopt;
}

bool CaseFits(TCase rule, std::string_view written) { return rule == TCase::Any || HasNoLowerCase(written); }

bool IsTagWord(std::string_view key, std::string_view written) {
  for (const TTagWord& tag : kTagWords) {
    if (tag.Word == key) return CaseFits(tag.Case, written);
  }
  // "720p", "1080i"
  if (key.size() >= 4 && key.size() <= 5 && (key.back() == 'p' || key.back() == 'i') &&
      IsAllDigits(key.substr(0, key.size() - 1))) {
    return true;
  }
  for (std::string_view prefix : kAudioPrefixes) {
    if (key.size() > prefix.size() && key.starts_with(prefix) && IsAllDigits(key.substr(prefix.size()))) return true;
  }
  return false;
}

// "x264-SPARKS" and "DVDRip-XviD" are tags by their first half.
bool IsTag(const TWord& word) {
  if (word.Lower.empty()) return false;
  if (IsTagWord(word.Lower, word.Text)) return true;
  const auto dash = word.Lower.find('-');
  return dash != std::string::npos && dash > 0 &&
         IsTagWord(std::string_view(word.Lower).substr(0, dash), std::string_view(word.Text).substr(0, dash));
}

std::size_t PhraseLength(const std::vector<TWord>& words, std::size_t at) {
  for (const auto& phrase : kTagPhrases) {
    if (at + phrase.size() > words.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < phrase.size() && same; ++i) same = words[at + i].Lower == phrase[i];
    if (same) return phrase.size();
  }
  return 0;
}

struct TPart {
  int Number = 0;
  std::optional<int> Count;
  std::size_t Words = 1;  // how many words the marker takes
};

// "1of2"
std::optional<TPart> NumberOfCount(std::string_view text) {
  const auto of = text.find("of");
  const auto number = Number(text.substr(0, of));
  if (!number) return std::nullopt;
  TPart part{*number, std::nullopt, 1};
  if (of != std::string_view::npos) {
    part.Count = Number(text.substr(of + 2));
    if (!part.Count) return std::nullopt;
  }
  return part;
}

// "CD1", "CD 1", "cd1of2", "CD 1 of 2", "part2", "disc 2", "1of2".
std::optional<TPart> PartAt(const std::vector<TWord>& words, std::size_t at) {
  const std::string& key = words[at].Lower;
  for (const TPartWord& part : kPartWords) {
    if (!key.starts_with(part.Word)) continue;
    std::optional<TPart> found;
    if (key.size() > part.Word.size()) {
      found = NumberOfCount(std::string_view(key).substr(part.Word.size()));
    } else if (part.MayStandApart && at + 1 < words.size()) {
      found = NumberOfCount(words[at + 1].Lower);
      if (found) found->Words = 2;
    }
    if (!found) continue;
    const std::size_t next = at + found->Words;
    if (!found->Count && next + 1 < words.size() && words[next].Lower == "of") {
      if ((found->Count = Number(words[next + 1].Lower))) found->Words += 2;
    }
    return found;
  }
  if (key.find("of") != std::string::npos && key.size() >= 4) {
    if (auto found = NumberOfCount(key); found && found->Count) return found;
  }
  return std::nullopt;
}

bool IsPlaceholder(std::string_view title) {
  const std::string key = LowerText(title);
  return Bare(title).empty() ||
         std::find(std::begin(kPlaceholderTitles), std::end(kPlaceholderTitles), key) != std::end(kPlaceholderTitles);
}

// The last word's "-GROUP" goes; a tag, year or part there ("heat-cd1")
// becomes a word of its own.
void SplitReleaseGroup(std::vector<TWord>& words) {
  if (words.empty()) return;
  const std::string text = words.back().Text;
  const auto dash = text.rfind('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == text.size()) return;
  const TWord head{text.substr(0, dash), KeyOf(text.substr(0, dash))};
  const TWord group{text.substr(dash + 1), KeyOf(text.substr(dash + 1))};
  if (IsTag(group) || IsYear(group) || PartAt({group}, 0)) {
    words.back() = head;
    words.push_back(group);
  } else if (LooksLikeGroup(group.Text)) {
    words.back() = head;
  }
}

// ---------------------------------------------------------------- the guess

struct TCut {
  std::size_t At;
  std::optional<int> Year;
};

// The title ends at the last year before the first tag, or at that tag. A
// year or tag that would leave no title is the title ("1917", "Uncut Gems"),
// but a part marker never is ("CD1.avi" leaves the title to the folder).
TCut FindCut(const std::vector<TWord>& words) {
  std::size_t firstTag = words.size();
  std::size_t lastYear = words.size();
  std::optional<int> yearAfterTag;
  bool titleSeen = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const TWord& word = words[i];
    if (word.Open || word.Close) continue;
    if (PartAt(words, i)) {
      if (firstTag == words.size()) firstTag = i;
      continue;
    }
    if (IsYear(word) && titleSeen) {
      if (firstTag == words.size()) {
        lastYear = i;
      } else if (!yearAfterTag) {
        yearAfterTag = YearOf(word);
      }
    } else if ((IsTag(word) || PhraseLength(words, i) > 0) && titleSeen && firstTag == words.size()) {
      firstTag = i;
    }
    titleSeen = true;
  }
  if (lastYear < firstTag) return {lastYear, YearOf(words[lastYear])};
  return {firstTag, yearAfterTag};
}

// A cut inside brackets moves to the bracket that opens them.
std::size_t OutsideBrackets(const std::vector<TWord>& words, std::size_t cut) {
  std::size_t open = cut;
  int depth = 0;
  for (std::size_t i = 0; i < cut; ++i) {
    if (words[i].Open && depth++ == 0) open = i;
    if (words[i].Close && depth > 0) --depth;
  }
  return depth > 0 ? open : cut;
}

bool IsSingleLetter(std::string_view word) { return word.size() == 1 && IsAsciiLetter(word.front()); }

std::string JoinTitle(const std::vector<TWord>& words, std::size_t end) {
  std::vector<std::string_view> kept;
  for (std::size_t i = 0; i < end; ++i) {
    if (!words[i].Open && !words[i].Close) kept.push_back(words[i].Text);
  }
  while (!kept.empty() && IsPunctuationOnly(kept.back())) kept.pop_back();
  std::size_t first = 0;
  while (first < kept.size() && IsPunctuationOnly(kept[first])) ++first;
  std::string title;
  for (std::size_t i = first; i < kept.size(); ++i) {
    // "S.W.A.T." lost its points to the blanks; two or more single letters get them back.
    const bool letter = IsSingleLetter(kept[i]);
    const bool inAcronym = letter && ((i > first && IsSingleLetter(kept[i - 1])) ||
                                      (i + 1 < kept.size() && IsSingleLetter(kept[i + 1])));
    const bool continues = inAcronym && i > first && IsSingleLetter(kept[i - 1]);
    if (!title.empty() && !continues) title += ' ';
    title += kept[i];
    if (inAcronym) title += '.';
  }
  while (!title.empty() && (title.back() == '-' || title.back() == ',' || title.back() == ':')) title.pop_back();
  return title;
}

void FillParts(const std::vector<TWord>& words, TFilmName& film) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (const auto part = PartAt(words, i)) {
      film.CdNumber = part->Number;
      film.CdCount = part->Count;
      return;
    }
  }
}

}  // namespace

TFilmName GuessFromName(std::string_view name, bool hasExtension) {
  const std::string_view stem = StripLeadingNoise(hasExtension ? StripExtension(name) : name);
  std::vector<TWord> words = SplitWords(stem);
  SplitReleaseGroup(words);
  TFilmName film;
  const TCut cut = FindCut(words);
  film.Title = JoinTitle(words, OutsideBrackets(words, cut.At));
  film.Year = cut.Year;
  FillParts(words, film);
  return film;
}

TFilmName GuessFilmName(const std::filesystem::path& video) {
  TFilmName film = GuessFromName(video.filename().string());
  std::filesystem::path folder = video.parent_path();
  for (int level = 0; level < kFolderLevels && IsPlaceholder(film.Title); ++level) {
    if (folder.filename().empty()) break;
    const TFilmName above = GuessFromName(folder.filename().string(), false);
    if (!film.CdNumber) {
      film.CdNumber = above.CdNumber;
      film.CdCount = above.CdCount;
    }
    if (!IsPlaceholder(above.Title)) {
      film.Title = above.Title;
      if (!film.Year) film.Year = above.Year;
    }
    folder = folder.parent_path();
  }
  return film;
}

}  // namespace velkaro

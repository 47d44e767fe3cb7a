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

// What a tag says; the first three tell one release of a film from another.
enum class TTagKind { Source, Resolution, Codec, Audio, Flag, Language };

struct TTagWord {
  std::string_view Word;  // lower case
  TCase Case;
  TTagKind Kind;
};

constexpr TCase A = TCase::Any;
constexpr TCase U = TCase::Upper;
constexpr TTagKind kSource = TTagKind::Source;
constexpr TTagKind kPicture = TTagKind::Resolution;
constexpr TTagKind kCodec = TTagKind::Codec;
constexpr TTagKind kAudio = TTagKind::Audio;
constexpr TTagKind kFlag = TTagKind::Flag;
constexpr TTagKind kLanguage = TTagKind::Language;

// Words that start the release part of a name.
constexpr TTagWord kTagWords[] = {
    {"dvdrip", A, kSource}, {"dvdscr", A, kSource}, {"dvdr", A, kSource}, {"dvd5", A, kSource},
    {"dvd9", A, kSource}, {"dvd", U, kSource}, {"bdrip", A, kSource}, {"brrip", A, kSource},
    {"bluray", A, kSource}, {"blu-ray", A, kSource}, {"bdremux", A, kSource}, {"remux", A, kSource},
    {"web-dl", A, kSource}, {"webdl", A, kSource}, {"webrip", A, kSource}, {"web-rip", A, kSource},
    {"web", U, kSource}, {"hdtv", A, kSource}, {"hdrip", A, kSource}, {"tvrip", A, kSource},
    {"vhsrip", A, kSource}, {"pdtv", A, kSource}, {"dsr", U, kSource}, {"dsrip", A, kSource},
    {"satrip", A, kSource}, {"hdcam", A, kSource}, {"telesync", A, kSource}, {"telecine", A, kSource},
    {"screener", U, kSource}, {"cam", U, kSource}, {"ts", U, kSource}, {"tc", U, kSource},
    {"scr", U, kSource}, {"r5", A, kSource}, {"r6", A, kSource}, {"workprint", A, kSource},
    {"hddvd", A, kSource}, {"amzn", U, kSource}, {"nf", U, kSource}, {"dsnp", U, kSource},
    {"hmax", U, kSource}, {"atvp", U, kSource},
    {"4k", A, kPicture}, {"uhd", A, kPicture}, {"hd", U, kPicture}, {"hq", U, kPicture}, {"sd", U, kPicture},
    {"hdr", U, kPicture}, {"hdr10", A, kPicture}, {"10bit", A, kPicture}, {"8bit", A, kPicture},
    {"ws", U, kPicture}, {"fs", U, kPicture}, {"pal", U, kPicture}, {"ntsc", A, kPicture},
    {"imax", U, kPicture}, {"3d", A, kPicture}, {"hsbs", A, kPicture}, {"sbs", U, kPicture},
    {"xvid", A, kCodec}, {"divx", A, kCodec}, {"x264", A, kCodec}, {"x265", A, kCodec},
    {"h264", A, kCodec}, {"h265", A, kCodec}, {"hevc", A, kCodec}, {"avc", U, kCodec},
    {"mpeg2", A, kCodec}, {"vc1", A, kCodec},
    {"ac3", A, kAudio}, {"eac3", A, kAudio}, {"aac", A, kAudio}, {"dts", A, kAudio}, {"dts-hd", A, kAudio},
    {"truehd", A, kAudio}, {"atmos", A, kAudio}, {"mp3", A, kAudio}, {"flac", A, kAudio},
    {"dd", U, kAudio}, {"ddp", U, kAudio},
    {"proper", A, kFlag}, {"repack", A, kFlag}, {"limited", A, kFlag}, {"unrated", A, kFlag},
    {"remastered", A, kFlag}, {"extended", A, kFlag}, {"uncut", A, kFlag}, {"internal", A, kFlag},
    {"rerip", A, kFlag}, {"readnfo", A, kFlag}, {"nfofix", A, kFlag}, {"dirfix", A, kFlag},
    {"convert", A, kFlag}, {"stv", A, kFlag}, {"se", U, kFlag}, {"complete", U, kFlag}, {"nfo", U, kFlag},
    {"dc", U, kFlag}, {"hc", U, kFlag}, {"subs", U, kFlag}, {"multisubs", A, kFlag}, {"criterion", U, kFlag},
    {"theatrical", U, kFlag},
    {"dubbed", A, kLanguage}, {"subbed", A, kLanguage}, {"multi", U, kLanguage}, {"dual", U, kLanguage},
    {"dualaudio", A, kLanguage}, {"vostfr", A, kLanguage}, {"truefrench", A, kLanguage}, {"dl", U, kLanguage},
    {"nordic", U, kLanguage}, {"turkish", U, kLanguage}, {"english", U, kLanguage}, {"german", U, kLanguage},
    {"french", U, kLanguage}, {"italian", U, kLanguage}, {"spanish", U, kLanguage}, {"russian", U, kLanguage},
    {"polish", U, kLanguage}, {"hungarian", U, kLanguage}, {"japanese", U, kLanguage}, {"korean", U, kLanguage},
    {"hindi", U, kLanguage}, {"tr", U, kLanguage}, {"eng", A, kLanguage}, {"en", U, kLanguage},
    {"ger", U, kLanguage}, {"de", U, kLanguage}, {"fr", U, kLanguage}, {"fre", U, kLanguage},
    {"ita", U, kLanguage}, {"spa", U, kLanguage}, {"esp", U, kLanguage}, {"rus", U, kLanguage},
    {"hun", U, kLanguage}, {"pl", U, kLanguage}, {"cz", U, kLanguage}, {"dublaj", A, kLanguage},
    {"trdublaj", A, kLanguage}, {"tr-dublaj", A, kLanguage}, {"altyazili", A, kLanguage},
    {"altyaz\xC4\xB1l\xC4\xB1", A, kLanguage}, {"turkce", A, kLanguage}, {"t\xC3\xBCrk\xC3\xA7" "e", A, kLanguage},
};

// Language and edition words as people write them in titles' case ("French",
// "Ita", "Multi"): part of the release only when they stand right before it.
constexpr std::string_view kReleaseLeadWords[] = {
    "english", "turkish", "french", "german", "italian", "ita", "spanish", "russian", "polish", "hungarian",
    "japanese", "korean", "dutch", "swedish", "danish", "nordic", "multi", "dual", "dl", "vostfr", "eng",
    "ger", "fre", "spa", "esp", "rus", "tr", "en", "de", "fr", "se", "stv", "complete", "criterion",
    "theatrical", "dubbed", "subbed",
};

// Tags of more than one word, as the blanks left them.
constexpr std::array<std::string_view, 2> kTagPhrases[] = {
    {"director's", "cut"}, {"directors", "cut"}, {"director", "cut"}, {"extended", "cut"},
    {"final", "cut"}, {"special", "edition"}, {"collector's", "edition"}, {"collectors", "edition"},
    {"criterion", "edition"}, {"criterion", "collection"}, {"read", "nfo"}, {"h", "264"}, {"h", "265"},
    {"web", "dl"}, {"blu", "ray"}, {"dual", "audio"}, {"german", "dl"},
};

// Audio tags carry their channel count: "DD5", "AAC2", "DDP5" (the ".1" is a word of its own).
constexpr std::string_view kAudioPrefixes[] = {"dd", "ddp", "aac", "ac3", "eac3", "dts", "truehd", "atmos", "flac"};

// Words after which a film's other title, an episode or an extra follows.
constexpr std::string_view kTitleEndWords[] = {"aka", "featurette", "trailer"};

// Words that join a bracketed part to the title: "Birdman or (The Unexpected...)".
constexpr std::string_view kJoiningWords[] = {"or", "and", "of", "the", "a", "an", "&", "ou", "oder", "ve", "veya"};

constexpr std::string_view kArticles[] = {"the", "a", "an"};

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
// A file named by a hash ("3f9a0c1d2b7e") carries no title.
constexpr std::size_t kMinHashLength = 12;
constexpr std::size_t kMinHashDigits = 3;
// "(1)", "[01]", "007.": an index before the title has at most this many digits.
constexpr std::size_t kMaxIndexDigits = 3;

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
// Capitals, or the scene's way with capitals: "MULTi", "iTALiAN", "LiMiTED".
bool IsWrittenInCapitals(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z' && c != 'i'; }) &&
         (std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }) ||
          std::none_of(text.begin(), text.end(), IsAsciiLetter));
}
bool IsOpenBracket(char c) { return c == '(' || c == '[' || c == '{'; }
bool IsCloseBracket(char c) { return c == ')' || c == ']' || c == '}'; }
bool IsBlank(char c) { return c == ' ' || c == '.' || c == '_' || c == '\t'; }

template <typename List>
bool IsOneOf(const List& list, std::string_view key) {
  return std::find(std::begin(list), std::end(list), key) != std::end(list);
}

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
  if (IsOneOf(kVideoExtensions, key)) return true;
  return !key.empty() && key.size() <= kMaxOtherExtension &&
         std::all_of(key.begin(), key.end(), [](char c) { return IsAsciiLetter(c) || IsDigit(c); }) &&
         std::any_of(key.begin(), key.end(), IsAsciiLetter);
}

std::string_view StripExtension(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || !IsExtension(name.substr(dot + 1))) return name;
  return name.substr(0, dot);
}

// "[YTS.MX] ", "{tag} " and "www.site.com - " before the title; a bracketed
// index such as "[01]" is left to the index rule.
std::string_view StripLeadingNoise(std::string_view name) {
  for (;;) {
    while (!name.empty() && (IsBlank(name.front()) || name.front() == '-')) name.remove_prefix(1);
    if (!name.empty() && (name.front() == '[' || name.front() == '{')) {
      const char close = name.front() == '[' ? ']' : '}';
      const auto end = name.find(close);
      if (end == std::string_view::npos || IsAllDigits(name.substr(1, end - 1))) return name;
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

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
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

bool CaseFits(TCase rule, std::string_view written) { return rule == TCase::Any || IsWrittenInCapitals(written); }

const TTagWord* FindTagWord(std::string_view key, std::string_view written) {
  for (const TTagWord& tag : kTagWords) {
    if (tag.Word == key) return CaseFits(tag.Case, written) ? &tag : nullptr;
  }
  return nullptr;
}

// "720p", "1080i"
bool IsResolution(std::string_view key) {
  return key.size() >= 4 && key.size() <= 5 && (key.back() == 'p' || key.back() == 'i') &&
         IsAllDigits(key.substr(0, key.size() - 1));
}

bool IsAudioChannels(std::string_view key) {
  return std::any_of(std::begin(kAudioPrefixes), std::end(kAudioPrefixes), [key](std::string_view prefix) {
    return key.size() > prefix.size() && key.starts_with(prefix) && IsAllDigits(key.substr(prefix.size()));
  });
}

bool IsTagWord(std::string_view key, std::string_view written) {
  return FindTagWord(key, written) || IsResolution(key) || IsAudioChannels(key);
}

// The release word a tag gives, if it tells releases apart.
std::optional<std::string> ReleaseWordOf(std::string_view key, std::string_view written) {
  if (IsResolution(key)) return std::string(key);
  const TTagWord* tag = FindTagWord(key, written);
  if (tag && (tag->Kind == kSource || tag->Kind == kPicture || tag->Kind == kCodec)) return std::string(key);
  return std::nullopt;
}

// "x264-SPARKS" and "DVDRip-XviD" are tags by their first half.
std::pair<std::string_view, std::string_view> TagHalf(const TWord& word) {
  const auto dash = word.Lower.find('-');
  if (dash == std::string::npos || dash == 0) return {word.Lower, word.Text};
  return {std::string_view(word.Lower).substr(0, dash), std::string_view(word.Text).substr(0, dash)};
}

bool IsTag(const TWord& word) {
  if (word.Lower.empty()) return false;
  if (IsTagWord(word.Lower, word.Text)) return true;
  const auto [key, written] = TagHalf(word);
  return key.size() < word.Lower.size() && IsTagWord(key, written);
}

// Language and edition words in any case.
bool LeadsRelease(const TWord& word) { return IsOneOf(kReleaseLeadWords, word.Lower); }

std::size_t PhraseLength(const std::vector<TWord>& words, std::size_t at) {
  for (const auto& phrase : kTagPhrases) {
    if (at + phrase.size() > words.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < phrase.size() && same; ++i) same = words[at + i].Lower == phrase[i];
    if (same) return phrase.size();
  }
  return 0;
}

// "x02" (an extra), "e05", "ep05", "s01e05" (an episode).
bool IsEpisodeOrExtra(std::string_view key) {
  std::size_t letters = 0;
  if (key.starts_with("ep")) {
    letters = 2;
  } else if (key.starts_with('x') || key.starts_with('e')) {
    letters = 1;
  } else if (key.starts_with('s')) {
    const auto e = key.find('e');
    return e != std::string_view::npos && e > 1 && IsAllDigits(key.substr(1, e - 1)) && e + 1 < key.size() &&
           IsAllDigits(key.substr(e + 1));
  } else {
    return false;
  }
  const std::string_view digits = key.substr(letters);
  return !digits.empty() && digits.size() <= 3 && IsAllDigits(digits);
}

bool EndsTitle(const TWord& word) {
  return IsOneOf(kTitleEndWords, word.Lower) || (IsEpisodeOrExtra(word.Lower) && !IsTag(word));
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

bool IsPartWord(std::string_view key) {
  return std::any_of(std::begin(kPartWords), std::end(kPartWords),
                     [key](const TPartWord& part) { return key.starts_with(part.Word); });
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
  return Bare(title).empty() || IsOneOf(kPlaceholderTitles, LowerText(title));
}

// ---------------------------------------------------------------- what stands around the title

// "Kill.Bill.Vol.1-x02-Stunts" (an extra of the film before the marker) and
// "James_Bond-f21-Casino_Royale" (the 21st film of a series: the title comes
// after the marker). The marker is a letter or two and a number between dashes.
std::string_view CutAtSeriesMarker(std::string_view stem) {
  for (std::size_t dash = stem.find('-'); dash != std::string_view::npos; dash = stem.find('-', dash + 1)) {
    std::size_t end = dash + 1;
    while (end < stem.size() && IsAsciiLetter(stem[end]) && end - dash <= 2) ++end;
    const std::size_t letters = end - dash - 1;
    const std::size_t digitsStart = end;
    while (end < stem.size() && IsDigit(stem[end]) && end - digitsStart < 3) ++end;
    if (letters == 0 || letters > 2 || end == digitsStart || end >= stem.size() || stem[end] != '-') continue;
    const std::string_view code = stem.substr(dash + 1, end - dash - 1);
    const std::string key = LowerText(code);
    if (IsTagWord(key, code) || IsPartWord(key)) continue;
    const std::string_view before = stem.substr(0, dash);
    const std::string_view after = stem.substr(end + 1);
    if (Bare(before).empty() || Bare(after).empty()) continue;
    return IsEpisodeOrExtra(key) ? before : after;
  }
  return stem;
}

bool IsIndexNumber(std::string_view key) {
  return IsAllDigits(key) && key.size() <= kMaxIndexDigits && (key.size() <= 2 || key.front() == '0');
}

bool IsDateGroup(std::string_view key) { return IsAllDigits(key) && (key.size() <= 2 || key.size() == 4); }

// "2009-03-08"
bool IsDashedDate(std::string_view key) {
  int groups = 0;
  for (std::size_t start = 0; start <= key.size(); ++groups) {
    const auto dash = std::min(key.find('-', start), key.size());
    if (!IsDateGroup(key.substr(start, dash - start))) return false;
    start = dash + 1;
  }
  return groups == 3;
}

// How many words before the title are an index or a date: "(1)", "[01]",
// "01.", "1 - ", "09.03.08.", "2009-03-08". The title's own numbers stay:
// "12 Angry Men", "3:10 to Yuma", "(500) Days of Summer".
std::size_t LeadingIndexWords(const std::vector<TWord>& words) {
  const auto numberAt = [&](std::size_t i) { return i < words.size() ? std::string_view(words[i].Lower) : ""; };
  std::size_t skip = 0;
  if (words.size() > 3 && words[0].Open && IsIndexNumber(numberAt(1)) && words[2].Close) {
    skip = 3;
  } else if (words.size() > 3 && IsDateGroup(numberAt(0)) && IsDateGroup(numberAt(1)) &&
             numberAt(1).size() <= 2 && IsDateGroup(numberAt(2)) && numberAt(2).size() <= 2) {
    skip = 3;
  } else if (words.size() > 1 && IsDashedDate(numberAt(0))) {
    skip = 1;
  } else if (words.size() > 2 && IsIndexNumber(numberAt(0)) && words[1].Lower == "-") {
    skip = 2;
  } else if (words.size() > 1 && IsIndexNumber(numberAt(0)) && numberAt(0).size() >= 2 && numberAt(0).front() == '0') {
    skip = 1;
  }
  return skip;
}

struct TGroupSplit {
  std::vector<TWord> Words;
  std::string Group;  // lower case; empty when the name has none
};

// The last word's "-GROUP" goes; a tag, year or part there ("heat-cd1")
// becomes a word of its own.
TGroupSplit SplitReleaseGroup(std::vector<TWord> words) {
  TGroupSplit split{std::move(words), {}};
  if (split.Words.empty()) return split;
  const std::string text = split.Words.back().Text;
  const auto dash = text.rfind('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == text.size()) return split;
  const TWord head{text.substr(0, dash), KeyOf(text.substr(0, dash))};
  const TWord group{text.substr(dash + 1), KeyOf(text.substr(dash + 1))};
  if (IsTag(group) || IsYear(group) || PartAt({group}, 0)) {
    split.Words.back() = head;
    split.Words.push_back(group);
  } else if (LooksLikeGroup(group.Text)) {
    split.Words.back() = head;
    split.Group = group.Lower;
  }
  return split;
}

// ---------------------------------------------------------------- the guess

enum class TCutBy { End, Year, Release };

struct TCut {
  std::size_t At;
  std::optional<int> Year;
  TCutBy By = TCutBy::End;
};

// Where the bracket opened at `open` closes; the last word when it never does.
std::size_t ClosingBracket(const std::vector<TWord>& words, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < words.size(); ++i) {
    if (words[i].Open) ++depth;
    if (words[i].Close && --depth == 0) return i;
  }
  return words.size() - 1;
}

// "Le Prestige (The Prestige)": a bracket of title words after the title is
// the film's other title, unless a word joins it on ("Birdman or (...)").
bool IsOtherTitle(const std::vector<TWord>& words, std::size_t open) {
  if (open == 0 || IsOneOf(kJoiningWords, words[open - 1].Lower) || words[open - 1].Open) return false;
  const std::size_t close = ClosingBracket(words, open);
  bool titleWords = false;
  for (std::size_t i = open + 1; i < close; ++i) {
    if (IsYear(words[i]) || IsTag(words[i]) || PhraseLength(words, i) > 0 || PartAt(words, i)) return false;
    titleWords = titleWords || !words[i].Open;
  }
  return titleWords;
}

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
    if (word.Open && titleSeen && firstTag == words.size() && IsOtherTitle(words, i)) firstTag = i;
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
    } else if ((IsTag(word) || PhraseLength(words, i) > 0 || EndsTitle(word)) && titleSeen &&
               firstTag == words.size()) {
      firstTag = i;
    }
    titleSeen = true;
  }
  if (lastYear < firstTag) return {lastYear, YearOf(words[lastYear]), TCutBy::Year};
  return {firstTag, yearAfterTag, firstTag == words.size() ? TCutBy::End : TCutBy::Release};
}

bool IsArticle(const TWord& word) { return IsOneOf(kArticles, word.Lower); }

// "Amelie French DVDRip", "Film Multi 1080p": language and edition words right
// before the release belong to it, as long as a title word stays.
std::size_t BackOverReleaseLeads(const std::vector<TWord>& words, TCut cut) {
  if (cut.By != TCutBy::Release) return cut.At;
  std::size_t at = cut.At;
  while (at > 0 && LeadsRelease(words[at - 1])) {
    const bool titleStays = std::any_of(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(at - 1),
                                        [](const TWord& w) { return !w.Open && !w.Close && !IsArticle(w); });
    if (!titleStays) break;
    --at;
  }
  return at;
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

void AddReleaseWord(std::vector<std::string>& words, std::string word) {
  if (!word.empty() && !IsOneOf(words, word)) words.push_back(std::move(word));
}

void FillReleaseWords(const std::vector<TWord>& words, std::size_t cut, const std::string& group, TFilmName& film) {
  for (std::size_t i = cut; i < words.size(); ++i) {
    const auto [key, written] = TagHalf(words[i]);
    if (auto release = ReleaseWordOf(words[i].Lower, words[i].Text)) {
      AddReleaseWord(film.ReleaseWords, std::move(*release));
    } else if (auto half = ReleaseWordOf(key, written)) {
      AddReleaseWord(film.ReleaseWords, std::move(*half));
    }
  }
  AddReleaseWord(film.ReleaseWords, group);
}

// ---------------------------------------------------------------- folders

std::string TitleKey(std::string_view title) {
  std::vector<TWord> words = SplitWords(title);
  if (words.size() > 1 && IsArticle(words.front())) words.erase(words.begin());
  std::string key;
  for (const TWord& word : words) key += Bare(word.Text);
  return key;
}

bool SameTitle(std::string_view a, std::string_view b) {
  const std::string key = TitleKey(a);
  return !key.empty() && key == TitleKey(b);
}

bool IsHash(std::string_view word) {
  const auto digits = std::count_if(word.begin(), word.end(), IsDigit);
  return word.size() >= kMinHashLength && static_cast<std::size_t>(digits) >= kMinHashDigits &&
         std::all_of(word.begin(), word.end(), [](char c) { return IsAsciiLetter(c) || IsDigit(c); });
}

// "tdk" in "thedarkknight": every letter in order, the first one first.
bool IsAbbreviationOf(std::string_view piece, std::string_view bareTitle) {
  std::string letters;
  for (char c : piece) {
    if (IsAsciiLetter(c)) letters += Lower(c);
  }
  if (letters.size() < 2 || bareTitle.empty() || letters.front() != bareTitle.front()) return false;
  std::size_t at = 0;
  for (char c : bareTitle) {
    if (at < letters.size() && c == letters[at]) ++at;
  }
  return at == letters.size();
}

bool HasCapitals(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// A scene file name such as "grp-abbr" or "abbr-cd1", or a hash: one word,
// written in small letters, that is no more than an abbreviation of the title.
bool StandsForTitle(std::string_view fileTitle, std::string_view folderTitle) {
  if (fileTitle.find(' ') != std::string_view::npos) return false;
  if (IsHash(fileTitle)) return true;
  if (HasCapitals(fileTitle)) return false;
  for (const std::string& bare : {Bare(folderTitle), TitleKey(folderTitle)}) {
    std::size_t start = 0;
    for (;;) {
      const auto dash = std::min(fileTitle.find('-', start), fileTitle.size());
      if (IsAbbreviationOf(fileTitle.substr(start, dash - start), bare)) return true;
      if (dash == fileTitle.size()) break;
      start = dash + 1;
    }
  }
  return false;
}

// A folder named as a release is: "Film.Name.2010.DVDRip.XviD-GRP", "Film (2010)".
bool IsReleaseName(const TFilmName& name) {
  return !IsPlaceholder(name.Title) && (name.Year || !name.ReleaseWords.empty());
}

// What the first folder with a title adds to the file's own guess. `fileWord`
// is the file's name when it is one word ("dmt-kb1"), else its title.
void TakeFromFolder(const TFilmName& folder, std::string_view fileWord, TFilmName& film) {
  if (IsPlaceholder(film.Title)) {
    film.Title = folder.Title;
  } else if (SameTitle(film.Title, folder.Title)) {
    // "wrestler" in "The.Wrestler.2008...": the folder writes it whole.
    if (!HasCapitals(film.Title)) film.Title = folder.Title;
  } else if (IsReleaseName(folder) && StandsForTitle(fileWord, folder.Title)) {
    film.Title = folder.Title;
    film.ReleaseWords = folder.ReleaseWords;
  } else {
    return;
  }
  if (!film.Year) film.Year = folder.Year;
  for (const std::string& word : folder.ReleaseWords) AddReleaseWord(film.ReleaseWords, word);
}

// The guess from the name as it stands after what comes before the title.
TFilmName GuessFromStem(std::string_view stem) {
  std::vector<TWord> words = SplitWords(CutAtSeriesMarker(stem));
  words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(LeadingIndexWords(words)));
  TGroupSplit split = SplitReleaseGroup(std::move(words));
  TFilmName film;
  const TCut cut = FindCut(split.Words);
  const std::size_t end = OutsideBrackets(split.Words, BackOverReleaseLeads(split.Words, cut));
  film.Title = JoinTitle(split.Words, end);
  film.Year = cut.Year;
  FillParts(split.Words, film);
  FillReleaseWords(split.Words, end, split.Group, film);
  return film;
}

bool IsYearOnly(std::string_view title) { return title.empty() || IsAllDigits(title); }

// The name without its extension, and without leading noise when it is one word.
std::string_view OneWordStem(std::string_view name) {
  const std::string_view stem = StripLeadingNoise(StripExtension(name));
  return std::any_of(stem.begin(), stem.end(), IsBlank) ? std::string_view() : stem;
}

}  // namespace

TFilmName GuessFromName(std::string_view name, bool hasExtension) {
  const std::string_view whole = hasExtension ? StripExtension(name) : name;
  const std::string_view stem = StripLeadingNoise(whole);
  TFilmName film = GuessFromStem(stem);
  // "[REC].2007": what looked like a tag before the title was the title.
  if (IsYearOnly(film.Title) && stem.size() < whole.size() && IsOpenBracket(TrimLeft(whole).front())) {
    TFilmName bracketed = GuessFromStem(TrimLeft(whole));
    if (!IsYearOnly(bracketed.Title)) return bracketed;
  }
  return film;
}

TFilmName GuessFilmName(const std::filesystem::path& video) {
  const std::string fileName = video.filename().string();
  TFilmName film = GuessFromName(fileName);
  std::filesystem::path folder = video.parent_path();
  for (int level = 0; level < kFolderLevels && !folder.filename().empty(); ++level) {
    const TFilmName above = GuessFromName(folder.filename().string(), false);
    if (!film.CdNumber) {
      film.CdNumber = above.CdNumber;
      film.CdCount = above.CdCount;
    }
    if (!IsPlaceholder(above.Title)) {
      const std::string_view oneWord = OneWordStem(fileName);
      TakeFromFolder(above, oneWord.empty() ? std::string_view(film.Title) : oneWord, film);
      break;
    }
    folder = folder.parent_path();
  }
  return film;
}

}  // namespace velkaro

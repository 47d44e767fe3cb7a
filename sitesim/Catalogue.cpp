#include "Catalogue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "ArchiveWriter.h"
#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

struct TFilmRow {
  const char* Name;
  int Year;
};

struct TSubtitleRow {
  std::size_t Film;
  const char* Language;
  const char* Fps;
  int CdCount;
  const char* Format;
  TSimDate Date;
  const char* Uploader;
  const char* FileName;
};

// Turkish letters are CP1254 bytes: \xF0 g-breve, \xFD dotless i, \xDD capital
// dotted I, \xFE s-cedilla, \xE7 c-cedilla, \xF6 o-umlaut, \xFC u-umlaut.
constexpr TFilmRow kFilms[] = {
    {"A\xF0\xFDr Roman", 1997},                           // 0
    {"\xDDstanbul Hat\xFDras\xFD", 2005},                 // 1
    {"K\xFC\xE7\xFCk A\xF0" "a", 1983},                      // 2
    {"\xC7\xF6l Kartal\xFD", 2001},                       // 3
    {"\xDE\xFCkr\xFC Bey'in D\xFC\xF0\xFCn\xFC", 1999},  // 4
    {"The Silent Harbor", 2003},                          // 5
    {"Midnight Train to Roma", 2004},                     // 6
    {"Fast & Loud", 2002},                                // 7
    {"Star Voyage II: The Return", 2000},                 // 8
    {"The Matrix", 1999},                                 // 9
    {"Fast & Furious", 2001},                             // 10
};

constexpr TSubtitleRow kSubtitles[] = {
    {0, "Turkish", "23.976", 2, "SubRip", {2004, 1, 5}, "kemal", "Agir.Roman.1997.CD1-2.TR.zip"},
    {0, "Turkish", "25", 1, "MicroDVD", {2003, 11, 21}, "ay\xFE" "e", "agir_roman_tr.srt"},
    {0, "English", "23.976", 2, "SubRip", {2004, 3, 14}, "johnny", "Agir.Roman.EN.rar"},
    {0, "German", "25", 2, "SubViewer", {2002, 8, 30}, "klaus", "agir.roman.de.ace"},
    {1, "Turkish", "25", 1, "SubRip", {2005, 12, 1}, "\xE7\xFDnar", "Istanbul.Hatirasi.2005.TR.zip"},
    {1, "English", "25", 1, "SubRip", {2006, 1, 9}, "mike", "istanbul.hatirasi.en.srt"},
    {1, "French", "29.97", 1, "MicroDVD", {2006, 2, 17}, "pierre", "istanbul_fr.rar"},
    {2, "Turkish", "23.976", 1, "MicroDVD", {2001, 5, 2}, "kemal", "Kucuk.Aga.TR.srt"},
    {2, "Turkish", "29.97", 3, "SubRip", {2002, 7, 19}, "zeynep", "Kucuk.Aga.CD1-3.TR.rar"},
    {3, "Turkish", "25", 2, "SubRip", {2003, 4, 11}, "\xFEule", "Col.Kartali.2001.TR.zip"},
    {3, "Spanish", "25", 2, "SubViewer", {2003, 6, 6}, "carlos", "col.kartali.es.zip"},
    {3, "Italian", "23.976", 1, "SubRip", {2004, 9, 23}, "marco", "col_kartali_it.srt"},
    {4, "Turkish", "25", 1, "MicroDVD", {2000, 2, 29}, "\xF6zg\xFCr", "Sukru.Beyin.Dugunu.TR.ace"},
    {5, "English", "23.976", 1, "SubRip", {2003, 10, 31}, "johnny", "The.Silent.Harbor.2003.EN.srt"},
    {5, "Turkish", "23.976", 1, "SubRip", {2004, 1, 12}, "ay\xFE" "e", "The.Silent.Harbor.TR.zip"},
    {5, "French", "25", 2, "SubViewer", {2004, 2, 3}, "pierre", "silent.harbor.fr.rar"},
    {5, "German", "23.976", 1, "SAMI", {2004, 5, 27}, "klaus", "silent_harbor_de.zip"},
    {6, "English", "24", 2, "SubRip", {2004, 12, 24}, "mike", "Midnight.Train.To.Roma.CD1-2.EN.zip"},
    {6, "Turkish", "24", 2, "SubRip", {2005, 1, 8}, "kemal", "midnight.train.to.roma.tr.rar"},
    {7, "English", "25", 1, "MicroDVD", {2002, 6, 15}, "johnny", "Fast.and.Loud.EN.srt"},
    {7, "Turkish", "23.976", 1, "SubRip", {2002, 11, 3}, "zeynep", "fast.and.loud.tr.zip"},
    {8, "English", "23.976", 2, "SubRip", {2000, 12, 18}, "mike", "Star.Voyage.II.CD1-2.EN.zip"},
    {8, "Turkish", "25", 2, "SSA", {2001, 3, 1}, "\xE7\xFDnar", "star_voyage_2_tr.rar"},
    {8, "Spanish", "23.976", 1, "SubRip", {2001, 7, 7}, "carlos", "star.voyage.ii.es.srt"},
    {9, "English", "23.976", 2, "SubRip", {1999, 10, 2}, "johnny", "The.Matrix.1999.CD1-2.EN.zip"},
    {9, "Turkish", "23.976", 2, "SubRip", {2000, 1, 15}, "kemal", "the.matrix.tr.rar"},
    {9, "Turkish", "25", 1, "MicroDVD", {2003, 5, 9}, "zeynep", "matrix_tr_25fps.srt"},
    {9, "Hungarian", "23.976", 2, "SubViewer", {2001, 9, 30}, "\xF6zg\xFCr", "the.matrix.hu.ace"},
    {10, "English", "23.976", 1, "SubRip", {2001, 11, 20}, "johnny", "Fast.and.Furious.2001.EN.srt"},
    {10, "Turkish", "25", 2, "MicroDVD", {2002, 2, 11}, "kemal", "fast.furious.tr.zip"},
};

struct TLanguageTag {
  std::string_view Language;
  std::string_view Tag;
};

constexpr TLanguageTag kLanguageTags[] = {
    {"Turkish", "tr"}, {"English", "en"}, {"French", "fr"},    {"German", "de"},
    {"Spanish", "es"}, {"Italian", "it"}, {"Hungarian", "hu"}, {"Czech", "cs"},
};

constexpr std::string_view kMonthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// What generated subtitles cycle through; lengths are coprime so rows vary widely.
constexpr std::string_view kCycleLanguages[] = {"Turkish", "English", "French", "German", "Spanish", "Italian", "Czech"};
constexpr std::string_view kCycleFps[] = {"23.976", "25", "29.97", "24", "23.976"};
constexpr int kCycleCds[] = {1, 2, 1, 3};
constexpr std::string_view kCycleFormats[] = {"SubRip", "MicroDVD", "SubViewer"};
constexpr std::string_view kCycleUploaders[] = {"kemal", "ay\xFE" "e", "johnny", "pierre", "klaus", "\xE7\xFDnar",
                                                "carlos", "zeynep", "mike", "marco", "\xFEule"};
constexpr std::string_view kCycleExtensions[] = {".zip", ".rar", ".srt", ".ace", ".zip", ".rar"};

struct TAsciiFold {
  char From;
  char To;
};

// CP1254 Turkish letters as file names spell them.
constexpr TAsciiFold kAsciiFolds[] = {
    {'\xF0', 'g'}, {'\xD0', 'G'}, {'\xFD', 'i'}, {'\xDD', 'I'}, {'\xFE', 's'}, {'\xDE', 'S'},
    {'\xE7', 'c'}, {'\xC7', 'C'}, {'\xF6', 'o'}, {'\xD6', 'O'}, {'\xFC', 'u'}, {'\xDC', 'U'},
};

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }


template <typename T, std::size_t N>
const T& Cycle(const T (&values)[N], std::size_t i) {
  return values[i % N];
}

std::string SrtText(const TCatalogue& catalogue, const TSimSubtitle& subtitle) {
  const std::string fps = subtitle.Fps;
  return "1\r\n00:00:01,000 --> 00:00:04,000\r\n" + catalogue.FilmOf(subtitle).Name + "\r\n\r\n" +
         "2\r\n00:00:05,000 --> 00:00:08,000\r\n" + subtitle.Language + " #" + std::to_string(subtitle.Id) + ", " +
         std::to_string(subtitle.CdCount) + " CD, " + fps + " fps\r\n\r\n" +
         "3\r\n00:00:09,000 --> 00:00:12,000\r\nG\xFCle g\xFCle, \xE7ocuklar!\r\n";
}

std::string PartCue(int cd) {
  return "\r\n4\r\n00:00:13,000 --> 00:00:16,000\r\nCD " + std::to_string(cd) + "\r\n";
}

// Frames at the row's rate, behind the "{1}{1}<fps>" line players read it from.
std::string MicroDvdText(const TCatalogue& catalogue, const TSimSubtitle& subtitle, int cd) {
  return "{1}{1}" + subtitle.Fps + "\r\n{25}{100}" + catalogue.FilmOf(subtitle).Name + "\r\n{125}{200}" +
         subtitle.Language + " #" + std::to_string(subtitle.Id) + "|CD " + std::to_string(cd) + "\r\n" +
         "{225}{300}{y:i}G\xFCle g\xFCle, \xE7ocuklar!\r\n";
}

// The film whose subtitle a file holds.
const TSimFilm& TextFilm(const TCatalogue& catalogue, const TSimSubtitle& subtitle) {
  return catalogue.Films().at(subtitle.TextOf.value_or(subtitle.Film));
}

bool IsMicroDvd(const TSimSubtitle& subtitle) { return subtitle.Format == "MicroDVD"; }

std::int64_t FrameAt(std::int64_t ms, std::string_view fps) {
  double rate = 25;
  std::from_chars(fps.data(), fps.data() + fps.size(), rate);
  return std::llround(static_cast<double>(ms) * rate / 1000.0);
}

// Cues spread through one CD's share of the film, in the row's format: the
// last ends just before the share does, so the text fits a video that long.
std::string TimedText(const TCatalogue& catalogue, const TSimSubtitle& subtitle, int cd) {
  constexpr std::int64_t kCues = 12;
  constexpr std::int64_t kLeadMs = 200;
  const TSimFilm& film = TextFilm(catalogue, subtitle);
  const std::int64_t span = film.DurationMs / std::max(subtitle.CdCount, 1);
  const bool microDvd = IsMicroDvd(subtitle);
  std::string text = microDvd ? "{1}{1}" + subtitle.Fps + "\r\n" : "";
  for (std::int64_t cue = 0; cue < kCues; ++cue) {
    const std::int64_t start = kLeadMs + cue * span / kCues;
    const std::int64_t end = start + span * 7 / (10 * kCues);
    const std::string line = film.Name + " - CD " + std::to_string(cd) + ", " + std::to_string(cue + 1) + "/" +
                             std::to_string(kCues);
    if (microDvd) {
      text += "{" + std::to_string(FrameAt(start, subtitle.Fps)) + "}{" + std::to_string(FrameAt(end, subtitle.Fps)) +
              "}" + line + "\r\n";
    } else {
      text += std::to_string(cue + 1) + "\r\n" + SubRipTime(start) + " --> " + SubRipTime(end) + "\r\n" + line + "\r\n\r\n";
    }
  }
  return text;
}

// One CD's text: timed through the film when its length is known.
std::string CdText(const TCatalogue& catalogue, const TSimSubtitle& subtitle, int cd) {
  if (TextFilm(catalogue, subtitle).DurationMs > 0) return TimedText(catalogue, subtitle, cd);
  if (IsMicroDvd(subtitle)) return MicroDvdText(catalogue, subtitle, cd);
  std::string text = SrtText(catalogue, subtitle);
  if (subtitle.CdCount > 1) text += PartCue(cd);
  return text;
}

// What uploaders pack: one file per CD, "<film>.cd1.srt", MicroDVD as ".sub".
std::string ZipFile(const TCatalogue& catalogue, const TSimSubtitle& subtitle) {
  const std::string stem = FileStem(catalogue.FilmOf(subtitle).Name);
  const std::string extension = IsMicroDvd(subtitle) ? ".sub" : ".srt";
  std::vector<TArchiveEntry> entries;
  for (int cd = 1; cd <= std::max(subtitle.CdCount, 1); ++cd) {
    const bool parts = subtitle.CdCount > 1;
    entries.push_back({stem + (parts ? ".cd" + std::to_string(cd) : "") + extension, CdText(catalogue, subtitle, cd)});
  }
  return WriteArchive(TArchiveFormat::Zip, entries);
}

struct TArchiveSignature {
  std::string_view Extension;
  std::string_view Signature;
};

// Formats the program cannot open stand as their signature before a plain text.
const TArchiveSignature kArchiveSignatures[] = {
    {".rar", std::string_view("Rar!\x1A\x07\x00", 7)},
    {".ace", std::string_view("\x00\x00\x00\x00\x00\x00\x00**ACE**", 14)},
};

}  // namespace

TCatalogue TCatalogue::Standard() {
  TCatalogue catalogue;
  for (const auto& film : kFilms) catalogue.Films_.push_back({film.Name, film.Year});
  for (const auto& row : kSubtitles) {
    catalogue.Subtitles_.push_back({catalogue.NextId(), row.Film, row.Language, row.Fps, row.CdCount, row.Format,
                                    row.Date, row.Uploader, row.FileName});
  }
  return catalogue.AddTrapFilms();
}

TCatalogue& TCatalogue::AddFilm(TSimFilm film) {
  Films_.push_back(std::move(film));
  return *this;
}

TCatalogue& TCatalogue::AddSubtitle(TSimSubtitle subtitle) {
  if (Films_.empty()) throw std::logic_error("a subtitle needs a film first");
  subtitle.Id = NextId();
  subtitle.Film = Films_.size() - 1;
  Subtitles_.push_back(std::move(subtitle));
  return *this;
}

TCatalogue& TCatalogue::AddGeneratedFilm(std::string name, int year, std::size_t count) {
  const std::string stem = FileStem(name);
  AddFilm({std::move(name), year});
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view language = Cycle(kCycleLanguages, i);
    TSimSubtitle subtitle{};
    subtitle.Language = std::string(language);
    subtitle.Fps = std::string(Cycle(kCycleFps, i));
    subtitle.CdCount = Cycle(kCycleCds, i);
    subtitle.Format = std::string(Cycle(kCycleFormats, i));
    subtitle.Date = {2000 + static_cast<int>(i % 10), 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)};
    subtitle.Uploader = std::string(Cycle(kCycleUploaders, i));
    subtitle.FileName = stem + "." + std::to_string(i + 1) + "." + std::string(LanguageTag(language)) +
                        std::string(Cycle(kCycleExtensions, i));
    AddSubtitle(std::move(subtitle));
  }
  return *this;
}

const TSimSubtitle* TCatalogue::FindSubtitle(int id) const {
  const auto index = static_cast<long long>(id) - kFirstId;
  if (index < 0 || index >= static_cast<long long>(Subtitles_.size())) return nullptr;
  return &Subtitles_[static_cast<std::size_t>(index)];
}

std::vector<const TSimSubtitle*> TCatalogue::FindByFilmText(std::string_view text) const {
  const std::string wanted = LowerAscii(text);
  std::vector<bool> filmMatches(Films_.size());
  for (std::size_t i = 0; i < Films_.size(); ++i) filmMatches[i] = Contains(LowerAscii(Films_[i].Name), wanted);
  std::vector<const TSimSubtitle*> found;
  for (const auto& subtitle : Subtitles_) {
    if (filmMatches[subtitle.Film]) found.push_back(&subtitle);
  }
  return found;
}

std::string FileStem(std::string_view film) {
  std::string stem;
  for (char c : film) {
    for (const auto& fold : kAsciiFolds) {
      if (fold.From == c) c = fold.To;
    }
    if (IsAsciiAlnum(c)) {
      stem += c;
    } else if (!stem.empty() && stem.back() != '.') {
      stem += '.';
    }
  }
  if (stem.ends_with('.')) stem.pop_back();
  return stem;
}

std::string SubRipTime(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                static_cast<long long>(ms % 1000));
  return text;
}

std::string_view EnglishMonthAbbreviation(int month) {
  if (month < 1 || month > 12) throw std::out_of_range("month " + std::to_string(month));
  return kMonthAbbreviations[month - 1];
}

std::string_view LanguageTag(std::string_view language) {
  for (const auto& entry : kLanguageTags) {
    if (entry.Language == language) return entry.Tag;
  }
  return "xx";
}

std::string SubtitleFileBytes(const TCatalogue& catalogue, const TSimSubtitle& subtitle) {
  const std::string extension = LowerAscii(AddressExtension(subtitle.FileName));
  if (extension == ".zip") return ZipFile(catalogue, subtitle);
  std::string bytes;
  for (const auto& archive : kArchiveSignatures) {
    if (archive.Extension == extension) bytes = archive.Signature;
  }
  if (TextFilm(catalogue, subtitle).DurationMs > 0) return bytes + TimedText(catalogue, subtitle, 1);
  return bytes + SrtText(catalogue, subtitle);
}

}  // namespace velkaro::sim

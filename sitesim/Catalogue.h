#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The films and subtitles every stand-in site serves, in whatever layout the
// site uses. Texts are code page 1254 bytes. Everything is deterministic:
// the same catalogue always yields the same pages and files.

namespace velkaro::sim {

struct TSimDate {
  int Year;
  int Month;  // 1..12
  int Day;    // 1..31

  auto operator<=>(const TSimDate&) const = default;
};

struct TSimFilm {
  std::string Name;
  int Year;
  // The whole film's length: its subtitles' cues run through it, one file per
  // CD sharing it out. Zero for the short three-cue texts of the first films.
  std::int64_t DurationMs = 0;
};

struct TSimSubtitle {
  int Id;            // unique in the catalogue: the sites' record number
  std::size_t Film;  // index into TCatalogue::Films()
  std::string Language;  // English language name: "Turkish", "German"
  std::string Fps;       // "23.976", "25"
  int CdCount;
  std::string Format;    // "SubRip", "MicroDVD"
  TSimDate Date;
  std::string Uploader;
  std::string FileName;  // ends in .zip, .rar, .ace or .srt
  // The film whose subtitle the file really holds, when an uploader mixed
  // them up; none: its own.
  std::optional<std::size_t> TextOf = std::nullopt;
};

// A film whose list holds the traps a real one does: sequels, namesakes, a
// remake of another year, the right film with another CD count, frame rate or
// language, and for every other film a row that looks perfect but holds
// another film's subtitle.
struct TTrapFilm {
  std::string Title;       // as the sites list it, code page 1254
  std::string VideoTitle;  // UTF-8, as the videos spell it: "The.Night.Orchard"
  int Year = 0;
  int Parts = 1;
  std::string Fps;         // "23.976", "25"
  std::int64_t PartMs = 0;  // each video's length
  std::string Group;        // the videos' release group
  int RightId = 0;          // the subtitle made for these videos
  int ContentTrapId = 0;    // listed as a perfect fit, holding another film's text; 0: none

  // The videos' file names in part order: "Copper.Valley.2004.DVDRip.XviD-VLK.avi",
  // or "...DVDRip.CD1.XviD-VLK.avi" and "...CD2..." for a film in two parts.
  std::vector<std::string> VideoNames() const;
};

class TCatalogue {
 public:
  static constexpr int kFirstId = 1001;

  // The films that ship with the server.
  static TCatalogue Standard();
  // No films at all.
  TCatalogue() = default;

  // Appends a film with `count` subtitles whose fields cycle through fixed
  // values: as many rows as a test or benchmark wants.
  TCatalogue& AddGeneratedFilm(std::string name, int year, std::size_t count);
  TCatalogue& AddFilm(TSimFilm film);
  // Belongs to the film added last.
  TCatalogue& AddSubtitle(TSimSubtitle subtitle);
  // Appends the trap films (TrapFilms.cpp); Standard() holds them.
  TCatalogue& AddTrapFilms();

  const std::vector<TSimFilm>& Films() const { return Films_; }
  const std::vector<TSimSubtitle>& Subtitles() const { return Subtitles_; }
  const std::vector<TTrapFilm>& TrapFilms() const { return TrapFilms_; }
  const TSimFilm& FilmOf(const TSimSubtitle& subtitle) const { return Films_.at(subtitle.Film); }
  // nullptr when no subtitle has that id.
  const TSimSubtitle* FindSubtitle(int id) const;
  // Subtitles of the films whose name contains `text`, ASCII letters compared
  // without case, in catalogue order. An empty text matches every film.
  std::vector<const TSimSubtitle*> FindByFilmText(std::string_view text) const;

 private:
  int NextId() const { return kFirstId + static_cast<int>(Subtitles_.size()); }

  std::vector<TSimFilm> Films_;
  std::vector<TSimSubtitle> Subtitles_;
  std::vector<TTrapFilm> TrapFilms_;
};

// "Küçük Ağa" -> "Kucuk.Aga": how uploaders name their files.
std::string FileStem(std::string_view film);
// "01:02:03,450": a time as SubRip writes it.
std::string SubRipTime(std::int64_t ms);
// "Jan", "Feb" ... for month 1..12.
std::string_view EnglishMonthAbbreviation(int month);
// Two-letter code used in file names: "tr", "en"; "xx" for an unknown language.
std::string_view LanguageTag(std::string_view language);
// The file as a site hands it out: a real zip for .zip names (one subtitle
// per CD, MicroDVD rows as frames), subtitle text behind the archive's
// signature bytes for .rar and .ace names, the text itself otherwise.
std::string SubtitleFileBytes(const TCatalogue& catalogue, const TSimSubtitle& subtitle);

}  // namespace velkaro::sim

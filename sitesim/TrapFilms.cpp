// The trap films of the standard catalogue: for each, the film the test
// videos hold and the rows a real list shows beside its own.

#include <array>

#include "Catalogue.h"

namespace velkaro::sim {

namespace {

struct TTrapFamily {
  const char* Title;       // code page 1254, as the sites list it
  const char* VideoTitle;  // UTF-8, words joined by "."
  int Year;
  int Parts;
  const char* Fps;
  int RemakeYear;  // 0: no remake
};

// Invented films. Some videos spell the title unlike the sites ("and" for
// "&", a leading article the sites leave out), so only the search's second
// try with the title's variants finds them; two carry Turkish letters.
constexpr TTrapFamily kFamilies[] = {
    {"Copper Valley", "Copper.Valley", 2004, 1, "23.976", 0},
    {"Night Orchard", "The.Night.Orchard", 1999, 2, "25", 0},
    {"Salt & Iron", "Salt.and.Iron", 1987, 1, "25", 2011},
    {"K\xFDr\xFDk Pusula", "K\xC4\xB1r\xC4\xB1k.Pusula", 2006, 2, "25", 0},
    {"Glass Meridian", "Glass.Meridian", 2012, 1, "23.976", 0},
    {"Northern Lanterns", "Northern.Lanterns", 1994, 1, "25", 1962},
    {"Paper Kingdom", "Paper.Kingdom", 2008, 2, "23.976", 0},
    {"The Last Ferryman", "The.Last.Ferryman", 2001, 1, "23.976", 0},
    {"Winter Arithmetic", "Winter.Arithmetic", 2015, 1, "25", 1983},
    {"Brass Lullaby", "Brass.Lullaby", 1978, 2, "25", 0},
    {"Quiet Foundry", "Quiet.Foundry", 2003, 1, "23.976", 0},
    {"Amber Signal", "Amber.Signal", 1991, 2, "25", 2016},
    {"Velvet Quarry", "Velvet.Quarry", 2010, 1, "23.976", 0},
    {"Distant Semaphore", "Distant.Semaphore", 1985, 1, "25", 0},
    {"Cedar Labyrinth", "Cedar.Labyrinth", 2018, 2, "23.976", 1957},
    {"Granite Choir", "Granite.Choir", 1997, 1, "25", 0},
    {"Scarlet Mill", "Scarlet.Mill", 2007, 2, "23.976", 0},
    {"Silver Thaw", "Silver.Thaw", 1989, 1, "23.976", 2019},
    {"Hidden Aqueduct", "Hidden.Aqueduct", 2013, 1, "25", 0},
    {"Orchid Engine", "Orchid.Engine", 2000, 2, "25", 0},
    {"Lonely Cartographer", "Lonely.Cartographer", 1976, 1, "23.976", 2005},
    {"Marble Tongue", "Marble.Tongue", 2009, 1, "23.976", 0},
    {"Fading Carnival", "Fading.Carnival", 1993, 2, "25", 0},
    {"Tin Horizon", "Tin.Horizon", 2016, 1, "25", 1969},
    {"Crimson Ledger", "Crimson.Ledger", 1982, 1, "23.976", 0},
    {"Saffron Border", "Saffron.Border", 2011, 2, "23.976", 0},
    {"Pale Regiment", "Pale.Regiment", 1999, 1, "25", 1950},
    {"Wooden Telegraph", "Wooden.Telegraph", 2006, 1, "25", 0},
    {"Ivory Steps", "Ivory.Steps", 1988, 2, "23.976", 0},
    {"Bitter Almanac", "Bitter.Almanac", 2014, 1, "23.976", 1972},
    {"Cobalt Widow", "Cobalt.Widow", 2002, 1, "25", 0},
    {"Rusty Planetarium", "Rusty.Planetarium", 1995, 2, "25", 0},
    {"Tulip Garrison", "Tulip.Garrison", 2017, 1, "23.976", 1964},
    {"Olive Conspiracy", "Olive.Conspiracy", 1981, 1, "23.976", 0},
    {"Gentle Avalanche", "Gentle.Avalanche", 2005, 2, "23.976", 0},
    {"Misty Observatory", "Misty.Observatory", 1990, 1, "25", 2020},
    {"Hazel Tribunal", "Hazel.Tribunal", 2019, 1, "25", 0},
    {"Dusty Mandolin", "Dusty.Mandolin", 1979, 2, "23.976", 0},
    {"Frozen Ballroom", "Frozen.Ballroom", 2004, 1, "23.976", 1948},
    {"Cinder Waltz", "Cinder.Waltz", 1996, 1, "25", 0},
    {"Ye\xFEil Fener", "Ye\xC5\x9Fil.Fener", 2009, 1, "25", 0},
    {"Mavi K\xF6pr\xFC", "Mavi.K\xC3\xB6pr\xC3\xBC", 2003, 2, "23.976", 0},
};

// A sequel, and a film whose name holds the title without being it.
constexpr const char* kSequels[] = {"%s 2", "%s II", "%s Returns", "%s Part 2"};
constexpr const char* kNamesakes[] = {"%s Blues", "%ss", "Return to %s", "%s Affair"};
constexpr const char* kGroups[] = {"VLK", "DMT", "FxM", "SiNNERS", "aXXo"};
constexpr const char* kOtherLanguages[] = {"German", "French", "Spanish", "Hungarian", "Italian"};
constexpr const char* kUploaders[] = {"kemal", "ay\xFE" "e", "johnny", "zeynep", "mike", "\xE7\xFDnar"};

// A part lasts 12 to 16 seconds: test videos stay short. A sequel's text runs
// well past the right film's end, a namesake's stops far short of it.
constexpr std::int64_t kBasePartMs = 12000;
constexpr std::int64_t kPartStepMs = 1000;
constexpr int kPartSteps = 5;
constexpr std::int64_t kSequelPercent = 160;
constexpr std::int64_t kNamesakePercent = 50;

std::string Formatted(const char* pattern, const std::string& title) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, title);
  return text;
}

const char* OtherFps(std::string_view fps) { return fps == "25" ? "23.976" : "25"; }

class TFamilyBuilder {
 public:
  TFamilyBuilder(TCatalogue& catalogue, const TTrapFamily& family, std::size_t index)
      : Catalogue_(catalogue), Family_(family), Index_(index) {}

  TTrapFilm Build() {
    TTrapFilm trap{Family_.Title, Family_.VideoTitle, Family_.Year, Family_.Parts, Family_.Fps,
                   kBasePartMs + kPartStepMs * static_cast<std::int64_t>(Index_ % kPartSteps),
                   kGroups[Index_ % std::size(kGroups)], 0, 0};
    const std::int64_t duration = trap.PartMs * Family_.Parts;
    const std::string title = Family_.Title;
    const bool remake = Family_.RemakeYear != 0;

    // The film itself: its own rows, the right one among them wherever the rotation puts it.
    Catalogue_.AddFilm({remake ? YearTitled(Family_.Year) : title, Family_.Year, duration});
    const std::size_t ownRows = Catalogue_.Subtitles().size();
    const std::array<TSimSubtitle, 5> rows = {
        Row("Turkish", Family_.Fps, Family_.Parts, "SubRip", "tr.zip"),
        Row("English", Family_.Fps, Family_.Parts, "SubRip", "en.zip"),
        Row(kOtherLanguages[Index_ % std::size(kOtherLanguages)], Family_.Fps, Family_.Parts, "SubRip", "xx.zip"),
        Row("Turkish", Family_.Fps, Family_.Parts == 1 ? 2 : 1, "SubRip", "cd.tr.zip"),
        Row("Turkish", OtherFps(Family_.Fps), Family_.Parts, "MicroDVD", "fps.tr.zip"),
    };
    for (std::size_t i = 0; i < rows.size(); ++i) Catalogue_.AddSubtitle(rows[(i + Index_) % rows.size()]);
    for (std::size_t i = ownRows; i < Catalogue_.Subtitles().size(); ++i) {
      const TSimSubtitle& added = Catalogue_.Subtitles()[i];
      if (added.Language == "Turkish" && added.CdCount == Family_.Parts && added.Format == "SubRip") {
        trap.RightId = added.Id;
      }
    }

    if (remake) {
      Catalogue_.AddFilm({YearTitled(Family_.RemakeYear), Family_.RemakeYear, duration});
      Catalogue_.AddSubtitle(Row("Turkish", Family_.Fps, Family_.Parts, "SubRip", "tr.zip"));
    }
    Catalogue_.AddFilm({Formatted(kSequels[Index_ % std::size(kSequels)], title), Family_.Year + 3,
                        duration * kSequelPercent / 100});
    const std::size_t sequel = Catalogue_.Films().size() - 1;
    Catalogue_.AddSubtitle(Row("Turkish", Family_.Fps, Family_.Parts, "SubRip", "tr.zip"));
    Catalogue_.AddFilm({Formatted(kNamesakes[Index_ % std::size(kNamesakes)], title), Family_.Year - 2,
                        duration * kNamesakePercent / 100});
    Catalogue_.AddSubtitle(Row("Turkish", Family_.Fps, Family_.Parts, "SubRip", "tr.zip"));

    if (Index_ % 2 != 0) return trap;
    // Every other film: a row listed under the videos' own release name, so
    // it ranks first; its archive holds the sequel's subtitle.
    Catalogue_.AddFilm({title + " " + std::to_string(Family_.Year) + " DVDRip XviD-" + trap.Group, Family_.Year,
                        duration});
    TSimSubtitle mixedUp = Row("Turkish", Family_.Fps, Family_.Parts, "SubRip", "tr.zip");
    mixedUp.TextOf = sequel;
    Catalogue_.AddSubtitle(mixedUp);
    trap.ContentTrapId = Catalogue_.Subtitles().back().Id;
    return trap;
  }

 private:
  std::string YearTitled(int year) const { return std::string(Family_.Title) + " (" + std::to_string(year) + ")"; }

  TSimSubtitle Row(const char* language, const char* fps, int cds, const char* format, const char* ending) {
    TSimSubtitle row{};
    row.Language = language;
    row.Fps = fps;
    row.CdCount = cds;
    row.Format = format;
    row.Date = {2000 + static_cast<int>((Index_ + Rows_) % 20), 1 + static_cast<int>(Rows_ % 12),
                1 + static_cast<int>((Index_ * 3 + Rows_) % 28)};
    row.Uploader = kUploaders[(Index_ + Rows_) % std::size(kUploaders)];
    row.FileName = FileStem(Catalogue_.Films().back().Name) + "." + std::to_string(++Rows_) + "." + ending;
    return row;
  }

  TCatalogue& Catalogue_;
  const TTrapFamily& Family_;
  std::size_t Index_;
  std::size_t Rows_ = 0;
};

}  // namespace

std::vector<std::string> TTrapFilm::VideoNames() const {
  const std::string stem = VideoTitle + "." + std::to_string(Year) + ".DVDRip";
  if (Parts == 1) return {stem + ".XviD-" + Group + ".avi"};
  std::vector<std::string> names;
  for (int part = 1; part <= Parts; ++part) {
    names.push_back(stem + ".CD" + std::to_string(part) + ".XviD-" + Group + ".avi");
  }
  return names;
}

TCatalogue& TCatalogue::AddTrapFilms() {
  for (std::size_t i = 0; i < std::size(kFamilies); ++i) {
    TrapFilms_.push_back(TFamilyBuilder(*this, kFamilies[i], i).Build());
  }
  return *this;
}

}  // namespace velkaro::sim

// Rows scored against a film's videos: the right row first among the traps a
// real list holds, each rule's weight and reason, titles compared as people mean them.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "CodePage.h"
#include "FilmName.h"
#include "FrameRate.h"
#include "RowScore.h"
#include "TextHelpers.h"
#include "TitleMatch.h"
#include "sitesim/Catalogue.h"

namespace velkaro {
namespace {

const std::vector<std::string> kTurkishFirst = {"Turkish", "English"};

// What the videos of a trap film tell.
TMatchFilm FilmOf(const sim::TTrapFilm& trap) {
  const TFilmName name = GuessFilmName(trap.VideoNames().front());
  TMatchFilm film;
  film.Title = name.Title;
  film.Year = name.Year;
  film.PartCount = trap.Parts;
  film.Fps = ParseFrameRate(trap.Fps);
  film.ReleaseWords = name.ReleaseWords;
  film.Languages = kTurkishFirst;
  return film;
}

// A catalogue subtitle as a site's row shows it.
TResultRow RowOf(const sim::TCatalogue& catalogue, const sim::TSimSubtitle& subtitle) {
  TSubtitleInfo info;
  info.FilmName = catalogue.FilmOf(subtitle).Name;
  info.Url = "http://www.extratitles.net/xsubt.subt.link.php?id=" + std::to_string(subtitle.Id);
  info.Language = subtitle.Language;
  info.CdCount = std::to_string(subtitle.CdCount);
  info.Fps = subtitle.Fps;
  ReplaceText(info.Fps, ".", ",");
  info.Format = subtitle.Format;
  return {info, TRowIcon::Document};
}

// Every trap film's rows, as the sites list them for a search by its title,
// in three orders: the film's own row must come first with a lead. The row
// holding another film's text looks perfect; only the fit check can tell.
TEST(RowScoreTest, TheRightRowBeatsEveryTrapWhateverTheOrder) {
  const auto catalogue = sim::TCatalogue::Standard();
  const auto& traps = catalogue.TrapFilms();
  ASSERT_GE(traps.size(), 40u);
  std::size_t first = 0;
  std::size_t trials = 0;
  std::vector<std::string> misses;
  for (const auto& trap : traps) {
    std::vector<const sim::TSimSubtitle*> listed;
    for (const auto* subtitle : catalogue.FindByFilmText(trap.Title)) {
      if (subtitle->Id != trap.ContentTrapId) listed.push_back(subtitle);
    }
    ASSERT_GE(listed.size(), 7u) << trap.Title;
    for (unsigned seed = 1; seed <= 3; ++seed) {
      std::shuffle(listed.begin(), listed.end(), std::mt19937(seed));
      std::vector<TResultRow> rows;
      for (const auto* subtitle : listed) rows.push_back(RowOf(catalogue, *subtitle));
      const auto ranked = RankRows(FilmOf(trap), rows);
      ++trials;
      const bool right = listed[ranked[0].Row]->Id == trap.RightId && ranked[0].Score.Value > ranked[1].Score.Value;
      if (right) {
        ++first;
      } else {
        misses.push_back(trap.VideoTitle + ": " + rows[ranked[0].Row].Info.FilmName + " " +
                         rows[ranked[0].Row].Info.Language + " " + Cp1254ToUtf8(ReasonsText(ranked[0].Score)));
      }
    }
  }
  std::cout << "right row first: " << first << " of " << trials << '\n';
  for (const auto& miss : misses) std::cout << "  miss: " << miss << '\n';
  EXPECT_GE(first * 100, trials * 95);
}

TEST(RowScoreTest, AnotherLanguageOrderPutsItsRowFirst) {
  const auto catalogue = sim::TCatalogue::Standard();
  const auto& trap = catalogue.TrapFilms().front();
  TMatchFilm film = FilmOf(trap);
  film.Languages = {"English", "Turkish"};
  std::vector<TResultRow> rows;
  for (const auto* subtitle : catalogue.FindByFilmText(trap.Title)) {
    if (subtitle->Id != trap.ContentTrapId) rows.push_back(RowOf(catalogue, *subtitle));
  }
  const auto ranked = RankRows(film, rows);
  EXPECT_EQ(rows[ranked[0].Row].Info.Language, "English");
  EXPECT_EQ(rows[ranked[1].Row].Info.Language, "Turkish");
}

// A row that fits the film in every way, and one rule at a time away from it.
struct TRuleCase {
  const char* Name;
  void (*Change)(TMatchFilm& film, TSubtitleInfo& row);
  int Value;           // the whole score
  const char* Reason;  // as the user reads it (UTF-8)
};

TMatchFilm PerfectFilm() {
  TMatchFilm film;
  film.Title = "Heat";
  film.Year = 1995;
  film.PartCount = 2;
  film.Fps = 25;
  film.ReleaseWords = {"dvdrip", "xvid", "fxm", "720p"};
  film.Languages = {"Turkish", "English", "German"};
  return film;
}

TSubtitleInfo PerfectRow() {
  TSubtitleInfo row;
  row.FilmName = "Heat 1995 DVDRip XviD-FxM";
  row.Language = "Turkish";
  row.CdCount = "2";
  row.Fps = "25";
  row.Format = "SubRip";
  return row;
}

// Perfect: title 40, year 10, CD 15, FPS 10, three release words 6, first language 15, SubRip 4.
const TRuleCase kRules[] = {
    {"Perfect", [](TMatchFilm&, TSubtitleInfo&) {}, 100, "Film adı aynı"},
    {"PartTitle", [](TMatchFilm&, TSubtitleInfo& r) { r.FilmName = "Heat Wave 1995 DVDRip XviD-FxM"; }, 70,
     "Film adı kısmen aynı"},
    {"OtherTitle", [](TMatchFilm&, TSubtitleInfo& r) { r.FilmName = "Ronin 1995 DVDRip XviD-FxM"; }, 60,
     "Film adı farklı"},
    {"YearUnknown", [](TMatchFilm& f, TSubtitleInfo&) { f.Year.reset(); }, 90, "CD sayısı aynı"},
    {"OtherYear", [](TMatchFilm&, TSubtitleInfo& r) { r.FilmName = "Heat 1986 DVDRip XviD-FxM"; }, 65,
     "Yıl farklı (1986)"},
    {"OtherCd", [](TMatchFilm&, TSubtitleInfo& r) { r.CdCount = " 1"; }, 65, "CD sayısı farklı (1)"},
    {"CdWithZero", [](TMatchFilm&, TSubtitleInfo& r) { r.CdCount = "02 "; }, 100, "CD sayısı aynı"},
    {"FpsWithComma", [](TMatchFilm& f, TSubtitleInfo& r) { f.Fps = 23.976; r.Fps = "23,976 "; }, 100, "FPS aynı"},
    {"TimedFps", [](TMatchFilm&, TSubtitleInfo& r) { r.Fps = "23,976"; }, 98, "Süreler FPS'ten bağımsız"},
    {"ConvertedFps", [](TMatchFilm&, TSubtitleInfo& r) { r.Fps = "23,976"; r.Format = "MicroDVD"; }, 94,
     "MicroDVD kareleri videoya göre çevrilecek"},
    {"UnconvertedFps",
     [](TMatchFilm& f, TSubtitleInfo& r) {
       r.Fps = "23,976";
       r.Format = "MicroDVD";
       f.ConvertsFrames = false;
     },
     78, "FPS farklı (23,976)"},
    {"OneReleaseWord", [](TMatchFilm&, TSubtitleInfo& r) { r.FilmName = "Heat 1995 BRRip x264-FxM"; }, 96,
     "Sürüm uyuyor: fxm"},
    {"ReleaseWordsCapped", [](TMatchFilm&, TSubtitleInfo& r) { r.FilmName = "Heat 1995 720p DVDRip XviD-FxM"; },
     100, "Sürüm uyuyor: 720p, dvdrip, xvid"},
    {"SecondLanguage", [](TMatchFilm&, TSubtitleInfo& r) { r.Language = "English"; }, 95, "Dil: 2. tercih"},
    {"ThirdLanguage", [](TMatchFilm&, TSubtitleInfo& r) { r.Language = "Germany"; }, 90, "Dil: 3. tercih"},
    {"OtherLanguage", [](TMatchFilm&, TSubtitleInfo& r) { r.Language = "Hungary"; }, 55,
     "Dil tercih edilmiyor (Hungary)"},
    {"UnknownLanguage", [](TMatchFilm&, TSubtitleInfo& r) { r.Language = ""; }, 85, "Format: SubRip"},
    {"OtherFormat", [](TMatchFilm&, TSubtitleInfo& r) { r.Format = "SubViewer"; }, 98, "Format: SubViewer"},
    {"UnknownFormat", [](TMatchFilm&, TSubtitleInfo& r) { r.Format = "N/A"; }, 96, "FPS aynı"},
    {"NothingFitsButTheTitle",
     [](TMatchFilm&, TSubtitleInfo& r) {
       r = TSubtitleInfo{};
       r.FilmName = "Heat (1986)";
       r.Language = "Czech";
       r.CdCount = "3";
     },
     0, "Dil tercih edilmiyor (Czech)"},
};

class RowScoreRules : public testing::TestWithParam<TRuleCase> {};

TEST_P(RowScoreRules, EachRuleWeighsAndSaysWhy) {
  TMatchFilm film = PerfectFilm();
  TSubtitleInfo row = PerfectRow();
  GetParam().Change(film, row);
  const TRowScore score = ScoreRow(film, row);
  EXPECT_EQ(score.Value, GetParam().Value) << Cp1254ToUtf8(ReasonsText(score));
  const bool said = std::any_of(score.Reasons.begin(), score.Reasons.end(),
                                [](const TReason& reason) { return reason.Text == Utf8ToCp1254(GetParam().Reason); });

  EXPECT_TRUE(said) << Cp1254ToUtf8(ReasonsText(score));
}

INSTANTIATE_TEST_SUITE_P(Rules, RowScoreRules, testing::ValuesIn(kRules),
                         [](const auto& rule) { return std::string(rule.param.Name); });

TEST(RowScoreTest, ReasonsReadAsOneLineWithTheirPoints) {
  TSubtitleInfo row = PerfectRow();
  row.CdCount = "1";
  EXPECT_EQ(Cp1254ToUtf8(ReasonsText(ScoreRow(PerfectFilm(), row))),
            "Film adı aynı +40, Yıl aynı +10, CD sayısı farklı (1) -20, FPS aynı +10, "
            "Sürüm uyuyor: dvdrip, xvid, fxm +6, Dil: 1. tercih +15, Format: SubRip +4");
}

TEST(RowScoreTest, EqualScoresKeepTheOrderTheRowsCameIn) {
  std::vector<TResultRow> rows(3, TResultRow{PerfectRow(), TRowIcon::Download});
  rows[0].Info.Language = "English";
  rows[1].Info.Uploader = "first";
  rows[2].Info.Uploader = "second";
  const auto ranked = RankRows(PerfectFilm(), rows);
  ASSERT_EQ(ranked.size(), 3u);
  EXPECT_EQ(ranked[0].Row, 1u);
  EXPECT_EQ(ranked[1].Row, 2u);
  EXPECT_EQ(ranked[2].Row, 0u);
}

struct TTitleCase {
  const char* Video;  // UTF-8
  const char* Row;    // UTF-8, a row's film name as a site writes it
  TTitleMatch Match;
};

const TTitleCase kTitles[] = {
    {"Heat", "Heat", TTitleMatch::Same},
    {"Heat", "HEAT (1995) DVDRip XviD-FxM", TTitleMatch::Same},
    {"Heat", "Heat Wave", TTitleMatch::Partial},
    {"The Matrix", "The Matrix Reloaded", TTitleMatch::Partial},
    {"Alien", "Aliens", TTitleMatch::Other},
    {"The Matrix", "Matrix, The", TTitleMatch::Same},
    {"Ocean's Eleven", "Oceans Eleven", TTitleMatch::Same},
    {"Fast and Furious", "Fast & Furious", TTitleMatch::Same},
    {"Rocky II", "Rocky 2", TTitleMatch::Same},
    {"Malcolm X", "Malcolm", TTitleMatch::Partial},
    {"Kırık Pusula", "KIRIK PUSULA", TTitleMatch::Same},
    {"İstanbul Hatırası", "istanbul hatirasi", TTitleMatch::Same},
    {"Amélie", "Amelie", TTitleMatch::Same},
    {"Ça commence aujourd'hui", "Ca Commence Aujourdhui", TTitleMatch::Same},
    {"The Prestige", "Le Prestige (The Prestige)", TTitleMatch::Same},
    {"The Prestige", "Le Prestige / The Prestige", TTitleMatch::Same},
    {"Heat", "", TTitleMatch::Other},
};

class RowScoreTitles : public testing::TestWithParam<TTitleCase> {};

TEST_P(RowScoreTitles, ComparedWithoutCaseAccentsPunctuationOrReleaseWords) {
  TMatchFilm film;
  film.Title = GetParam().Video;
  TSubtitleInfo row;
  row.FilmName = Utf8ToCp1254(GetParam().Row);
  EXPECT_EQ(ScoreRow(film, row).Title, GetParam().Match) << GetParam().Video << " / " << GetParam().Row;
}

INSTANTIATE_TEST_SUITE_P(Titles, RowScoreTitles, testing::ValuesIn(kTitles));

TEST(TitleMatchTest, OtherScriptsCompareAsWritten) {
  EXPECT_EQ(CompareTitles("Сталкер", "сталкер"), TTitleMatch::Other);
  EXPECT_EQ(CompareTitles("Сталкер", "Сталкер"), TTitleMatch::Same);
  EXPECT_EQ(CompareTitles("Stalker", "Сталкер"), TTitleMatch::Other);
}

TEST(TitleMatchTest, VariantsSwapAndDropTheArticleAndTheYear) {
  using Texts = std::vector<std::string>;
  EXPECT_EQ(TitleVariants("Salt and Iron"), (Texts{"Salt & Iron"}));
  EXPECT_EQ(TitleVariants("The Night Orchard"), (Texts{"Night Orchard"}));
  EXPECT_EQ(TitleVariants("The Fish & Chips 2004"),
            (Texts{"The Fish and Chips 2004", "Fish & Chips 2004", "The Fish & Chips"}));
  EXPECT_EQ(TitleVariants("Heat"), Texts{});
  EXPECT_EQ(TitleVariants("1917"), Texts{});
  EXPECT_EQ(TitleVariants(""), Texts{});
}

}  // namespace
}  // namespace velkaro

#include "RowScore.h"

#include <algorithm>
#include <cmath>

#include "CodePage.h"
#include "FilmName.h"
#include "FrameRate.h"
#include "LanguageCodes.h"
#include "TextHelpers.h"
#include "UserText.h"

namespace velkaro {

namespace {

enum class TRule {
  SameTitle, PartTitle, OtherTitle,
  SameYear, OtherYear,
  SameCd, OtherCd,
  SameFps, ConvertedFps, TimedFps, OtherFps,
  ReleaseWord,
  FirstLanguage, SecondLanguage, LaterLanguage, OtherLanguage,
  SubRip, OtherFormat,
};

struct TWeight {
  TRule Rule;
  int Points;
  const char* Text;  // shown in code page 1254; "%1" stands for the detail
};

// The weights. Each row the sites give differs from the right one in one or
// two ways, so every positive weight is what that one difference must cost:
// the title decides most (a sequel or namesake must lose even when all else
// fits), then what makes a subtitle unusable for these files (CD count,
// language), then what a conversion mends (frame rate, format), and shared
// release words only settle near ties. The positive weights add up to 100.
// A known mismatch that means another film or files that cannot play (another
// year, another CD count, a language not wanted, frames left at another rate)
// costs more than its match earns, so it cannot be bought back by the rest.
constexpr TWeight kWeights[] = {
    {TRule::SameTitle, 40, VK_TEXT("Film adı aynı")},
    {TRule::PartTitle, 10, VK_TEXT("Film adı kısmen aynı")},
    {TRule::OtherTitle, 0, VK_TEXT("Film adı farklı")},
    {TRule::SameYear, 10, VK_TEXT("Yıl aynı")},
    {TRule::OtherYear, -25, VK_TEXT("Yıl farklı (%1)")},
    {TRule::SameCd, 15, VK_TEXT("CD sayısı aynı")},
    {TRule::OtherCd, -20, VK_TEXT("CD sayısı farklı (%1)")},
    {TRule::SameFps, 10, VK_TEXT("FPS aynı")},
    {TRule::ConvertedFps, 6, VK_TEXT("MicroDVD kareleri videoya göre çevrilecek")},
    {TRule::TimedFps, 8, VK_TEXT("Süreler FPS'ten bağımsız")},
    {TRule::OtherFps, -10, VK_TEXT("FPS farklı (%1)")},
    {TRule::ReleaseWord, 2, VK_TEXT("Sürüm uyuyor: %1")},
    {TRule::FirstLanguage, 15, VK_TEXT("Dil: 1. tercih")},
    {TRule::SecondLanguage, 10, VK_TEXT("Dil: 2. tercih")},
    {TRule::LaterLanguage, 5, VK_TEXT("Dil: %1. tercih")},
    {TRule::OtherLanguage, -30, VK_TEXT("Dil tercih edilmiyor (%1)")},
    {TRule::SubRip, 4, VK_TEXT("Format: SubRip")},
    {TRule::OtherFormat, 2, VK_TEXT("Format: %1")},
};
// Release words beyond this many earn nothing more.
constexpr int kMaxReleaseWords = 3;
constexpr int kMaxScore = 100;

// Rates closer than this are the same rate written with fewer decimals ("23,976", "23,98").
constexpr double kSameFps = 0.01;

// Formats whose times are frames; every other one keeps time in itself.
constexpr std::string_view kFrameFormats[] = {"microdvd"};
constexpr std::string_view kSubRipFormats[] = {"subrip", "srt"};
// Text formats the program reads; "N/A" and empty say nothing.
constexpr std::string_view kTextFormats[] = {"microdvd", "subviewer", "substation alpha", "ssa", "ass",
                                             "advanced substation alpha", "sami captioning", "sami",
                                             "tmplayer", "subcreator", "mpl2", "webvtt"};

const TWeight& WeightOf(TRule rule) {
  return *std::find_if(std::begin(kWeights), std::end(kWeights), [rule](const TWeight& w) { return w.Rule == rule; });
}

template <typename List>
bool IsOneOf(const List& list, std::string_view key) {
  return std::find(std::begin(list), std::end(list), key) != std::end(list);
}

class TScoring {
 public:
  void Add(TRule rule, std::string_view detail = {}, int times = 1) {
    const TWeight& weight = WeightOf(rule);
    Score_.Reasons.push_back({weight.Points * times, FillIn(Tr1254(weight.Text), {detail})});
  }
  TRowScore& Score() { return Score_; }
  TRowScore Finish() {
    int total = 0;
    for (const auto& reason : Score_.Reasons) total += reason.Points;
    Score_.Value = std::clamp(total, 0, kMaxScore);
    return std::move(Score_);
  }

 private:
  TRowScore Score_;
};

void ScoreTitle(const TMatchFilm& film, const std::vector<std::string>& rowTitles, TScoring& scoring) {
  TTitleMatch best = TTitleMatch::Other;
  for (const auto& title : rowTitles) best = std::min(best, CompareTitles(film.Title, title));
  scoring.Score().Title = best;
  constexpr TRule kRules[] = {TRule::SameTitle, TRule::PartTitle, TRule::OtherTitle};
  scoring.Add(kRules[static_cast<int>(best)]);
}

void ScoreYear(const TMatchFilm& film, std::optional<int> rowYear, TScoring& scoring) {
  if (!film.Year || !rowYear) return;
  if (*film.Year == *rowYear) {
    scoring.Add(TRule::SameYear);
  } else {
    scoring.Add(TRule::OtherYear, std::to_string(*rowYear));
  }
}

void ScoreCd(const TMatchFilm& film, const TSubtitleInfo& row, TScoring& scoring) {
  const auto count = ParseInt(Trim(row.CdCount));
  if (!count || film.PartCount <= 0) return;
  if (*count == film.PartCount) {
    scoring.Add(TRule::SameCd);
  } else {
    scoring.Add(TRule::OtherCd, std::to_string(*count));
  }
}

std::string FormatKey(const TSubtitleInfo& row) { return LowerAscii(Trim(row.Format)); }

void ScoreFps(const TMatchFilm& film, const TSubtitleInfo& row, TScoring& scoring) {
  const std::string format = FormatKey(row);
  const bool frames = IsOneOf(kFrameFormats, format);
  const bool timed = !frames && (IsOneOf(kSubRipFormats, format) || IsOneOf(kTextFormats, format));
  const auto rowFps = ParseFrameRate(row.Fps);
  if (film.Fps && rowFps && std::fabs(*film.Fps - *rowFps) < kSameFps) {
    scoring.Add(TRule::SameFps);
  } else if (timed) {
    scoring.Add(TRule::TimedFps);
  } else if (!frames || !film.Fps || !rowFps) {
    return;
  } else if (film.ConvertsFrames) {
    scoring.Add(TRule::ConvertedFps);
  } else {
    scoring.Add(TRule::OtherFps, Trim(row.Fps));
  }
}

void ScoreRelease(const TMatchFilm& film, const std::vector<std::string>& rowWords, TScoring& scoring) {
  std::string shared;
  int count = 0;
  for (const auto& word : rowWords) {
    if (!IsOneOf(film.ReleaseWords, word) || count == kMaxReleaseWords) continue;
    shared += (shared.empty() ? "" : ", ") + word;
    ++count;
  }
  if (count > 0) scoring.Add(TRule::ReleaseWord, shared, count);
}

void ScoreLanguage(const TMatchFilm& film, const TSubtitleInfo& row, TScoring& scoring) {
  const std::string code = LanguageCode(row.Language);
  if (code.empty()) return;
  for (std::size_t rank = 0; rank < film.Languages.size(); ++rank) {
    if (LanguageCode(film.Languages[rank]) != code) continue;
    constexpr TRule kByRank[] = {TRule::FirstLanguage, TRule::SecondLanguage};
    if (rank < std::size(kByRank)) {
      scoring.Add(kByRank[rank]);
    } else {
      scoring.Add(TRule::LaterLanguage, std::to_string(rank + 1));
    }
    return;
  }
  scoring.Score().PreferredLanguage = false;
  scoring.Add(TRule::OtherLanguage, Trim(row.Language));
}

void ScoreFormat(const TSubtitleInfo& row, TScoring& scoring) {
  const std::string key = FormatKey(row);
  if (IsOneOf(kSubRipFormats, key)) {
    scoring.Add(TRule::SubRip);
  } else if (IsOneOf(kTextFormats, key)) {
    scoring.Add(TRule::OtherFormat, Trim(row.Format));
  }
}

}  // namespace

TRowScore ScoreRow(const TMatchFilm& film, const TSubtitleInfo& row) {
  const std::string name = Cp1254ToUtf8(row.FilmName);
  const TFilmName rowName = GuessFromName(Trim(name), false);
  TScoring scoring;
  ScoreTitle(film, RowTitles(name), scoring);
  ScoreYear(film, rowName.Year, scoring);
  ScoreCd(film, row, scoring);
  ScoreFps(film, row, scoring);
  ScoreRelease(film, rowName.ReleaseWords, scoring);
  ScoreLanguage(film, row, scoring);
  ScoreFormat(row, scoring);
  return scoring.Finish();
}

std::vector<TRankedRow> RankRows(const TMatchFilm& film, const std::vector<TResultRow>& rows) {
  std::vector<TRankedRow> ranked;
  ranked.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) ranked.push_back({i, ScoreRow(film, rows[i].Info)});
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const TRankedRow& a, const TRankedRow& b) { return a.Score.Value > b.Score.Value; });
  return ranked;
}

std::string ReasonsText(const TRowScore& score) {
  std::string text;
  for (const auto& reason : score.Reasons) {
    if (!text.empty()) text += ", ";
    text += reason.Text;
    if (reason.Points != 0) text += (reason.Points > 0 ? " +" : " ") + std::to_string(reason.Points);
  }
  return text;
}

}  // namespace velkaro

#include "BestRows.h"

#include "DownloadRequest.h"
#include "FrameRate.h"
#include "TextHelpers.h"
#include "UserText.h"

namespace velkaro {

namespace {

// Shown in code page 1254.
constexpr const char* kOpensInBrowser = VK_TEXT("Tarayıcıda açılır; indirilmez.");
constexpr const char* kAnotherFilm = VK_TEXT("Başka bir filmin altyazısı; indirilmez.");
constexpr const char* kUnwantedLanguage = VK_TEXT("Dil tercih edilmiyor; indirilmez.");

std::string RefusalOf(const TJudgedRow& judged, const TSubtitleInfo& row, const TSiteTable& sites) {
  if (!RouteDownload(row.Url, sites).Downloads()) return Tr1254(kOpensInBrowser);
  if (judged.Score.Title != TTitleMatch::Same) return Tr1254(kAnotherFilm);
  if (!judged.Score.PreferredLanguage) return Tr1254(kUnwantedLanguage);

  return {};
}

}  // namespace

TMatchFilm MatchFilmOf(const TVideoFacts& facts, std::vector<std::string> languages, const TDownloadOptions& options) {
  TMatchFilm film;
  film.Title = facts.Title;
  film.Year = facts.Year;
  film.PartCount = std::max(facts.PartCount, 1);
  film.Fps = ParseFrameRate(facts.Fps);
  film.ReleaseWords = facts.ReleaseWords;
  film.Languages = std::move(languages);
  film.ConvertsFrames = options.ConvertFrames || options.MicroDvdToSubRip;
  return film;
}

std::vector<TJudgedRow> JudgeRows(const TMatchFilm& film, const std::vector<TResultRow>& rows,
                                  const TSiteTable& sites) {
  std::vector<TJudgedRow> judged;
  for (TRankedRow& ranked : RankRows(film, rows)) {
    TJudgedRow row{ranked.Row, std::move(ranked.Score), {}};
    row.Refusal = RefusalOf(row, rows[row.Row].Info, sites);
    judged.push_back(std::move(row));
  }
  return judged;
}

bool SameUpload(const TSubtitleInfo& a, const TSubtitleInfo& b) {
  const auto same = [](const std::string& x, const std::string& y) { return TrimView(x) == TrimView(y); };
  return same(a.FilmName, b.FilmName) && same(a.Language, b.Language) && same(a.CdCount, b.CdCount) &&
         same(a.Fps, b.Fps) && same(a.Format, b.Format) && same(a.DateAdded, b.DateAdded) &&
         same(a.Uploader, b.Uploader);
}

}  // namespace velkaro

// Which rows of a search from videos may be fetched without asking.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BestRows.h"
#include "CodePage.h"

namespace velkaro {
namespace {

TResultRow Row(const char* site, const char* film, const char* language) {
  TSubtitleInfo info;
  const std::string host = site;
  info.Url = host == "extratitles" ? "http://www.extratitles.net/xsubt.subt.link.php?id=7&file=a.zip"
             : host == "subdb"     ? "http://www.subdb.net/subdb/html/modules.php?name=Download_Subtitles&download_file_id=7"
                                   : "http://www." + host + ".net/page?id=7";
  info.FilmName = film;
  info.Language = language;
  info.CdCount = "1";
  info.Fps = "25";
  info.Format = "SubRip";
  return {info, TRowIcon::Document};
}

TMatchFilm Heat() {
  TVideoFacts facts;
  facts.Title = "Heat";
  facts.Year = 1995;
  facts.PartCount = 1;
  facts.Fps = "25";
  return MatchFilmOf(facts, {"Turkish", "English"}, TDownloadOptions{});
}

TEST(BestRows, OnlyRowsTheProgramDownloadsOfTheFilmInAWantedLanguageAreCandidates) {
  const std::vector<TResultRow> rows = {
      Row("podnapisi", "Heat", "Turkish"),    Row("divxforever", "Heat", "Turkish"),
      Row("extratitles", "Heat 2", "Turkish"), Row("subdb", "Heat", "Hungary"),
      Row("subdb", "Heat", "English"),        Row("extratitles", "Heat", "Turkish"),
      Row("subdb", "Heat", ""),
  };
  const auto judged = JudgeRows(Heat(), rows, TSiteTable::Defaults());
  ASSERT_EQ(judged.size(), rows.size());
  std::vector<std::size_t> candidates;
  for (const auto& row : judged) {
    if (row.Candidate()) candidates.push_back(row.Row);
  }
  // Best first: Turkish, English, then the row whose language is not told.
  EXPECT_EQ(candidates, (std::vector<std::size_t>{5, 4, 6}));
  const auto refusalOf = [&](std::size_t row) {
    return Cp1254ToUtf8(std::find_if(judged.begin(), judged.end(), [&](const auto& j) { return j.Row == row; })->Refusal);
  };
  EXPECT_EQ(refusalOf(0), "Tarayıcıda açılır; indirilmez.");
  EXPECT_EQ(refusalOf(1), "Tarayıcıda açılır; indirilmez.");
  EXPECT_EQ(refusalOf(2), "Başka bir filmin altyazısı; indirilmez.");
  EXPECT_EQ(refusalOf(3), "Dil tercih edilmiyor; indirilmez.");
}

TEST(BestRows, TheSameUploadOnTwoSitesDiffersOnlyInItsAddress) {
  TResultRow extra = Row("extratitles", "Heat", "Turkish");
  TResultRow subDb = Row("subdb", "Heat ", "Turkish");
  EXPECT_TRUE(SameUpload(extra.Info, subDb.Info));
  subDb.Info.Uploader = "someone";
  EXPECT_FALSE(SameUpload(extra.Info, subDb.Info));
}

TEST(BestRows, TheFilmTakesTheVideosFactsAndOptions) {
  TVideoFacts facts;
  facts.Title = "Heat";
  facts.PartCount = 0;
  facts.Fps = "23,976";
  facts.ReleaseWords = {"dvdrip"};
  TDownloadOptions options;
  options.ConvertFrames = false;
  const TMatchFilm film = MatchFilmOf(facts, {"English"}, options);
  EXPECT_EQ(film.PartCount, 1);
  EXPECT_NEAR(*film.Fps, 23.976, 1e-9);
  EXPECT_FALSE(film.ConvertsFrames);
  options.MicroDvdToSubRip = true;
  EXPECT_TRUE(MatchFilmOf(facts, {}, options).ConvertsFrames);
}

}  // namespace
}  // namespace velkaro

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ResultRows.h"
#include "SubtitleInfo.h"
#include "TitleMatch.h"

// How well a result row fits the film a person's videos hold: a score from 0
// to 100 and the reasons behind it, so that the best row can be fetched
// without reading the list and a person can see why it won.

namespace velkaro {

// The film the videos hold, and what the person prefers.
struct TMatchFilm {
  std::string Title;  // UTF-8, as guessed from the videos
  std::optional<int> Year;
  int PartCount = 1;
  std::optional<double> Fps;              // the first part's
  std::vector<std::string> ReleaseWords;  // the videos' (TFilmName::ReleaseWords)
  // Language items in order of preference ("Turkish", "English"), engine text.
  std::vector<std::string> Languages;
  // The download options turn MicroDVD frames to the video's rate.
  bool ConvertsFrames = true;
};

struct TReason {
  int Points = 0;
  std::string Text;  // code page 1254
};

struct TRowScore {
  int Value = 0;  // 0 to 100
  std::vector<TReason> Reasons;
  TTitleMatch Title = TTitleMatch::Other;
  // False when the row's language is known and none of the preferred ones.
  bool PreferredLanguage = true;
};

TRowScore ScoreRow(const TMatchFilm& film, const TSubtitleInfo& row);

struct TRankedRow {
  std::size_t Row = 0;  // index into the rows ranked
  TRowScore Score;
};

// Every row, best first; rows of equal score keep the order they were handed over in.
std::vector<TRankedRow> RankRows(const TMatchFilm& film, const std::vector<TResultRow>& rows);

// "Film adı aynı +40, Yıl aynı +10, ..." (code page 1254).
std::string ReasonsText(const TRowScore& score);

}  // namespace velkaro

#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "DownloadOptions.h"
#include "ResultRows.h"
#include "RowScore.h"
#include "Sites.h"
#include "VideoFacts.h"

// Which rows of a search from videos may be fetched without asking, best first.

namespace velkaro {

// The film the videos hold, scored against with the person's languages and options.
TMatchFilm MatchFilmOf(const TVideoFacts& facts, std::vector<std::string> languages, const TDownloadOptions& options);

struct TJudgedRow {
  std::size_t Row = 0;  // index into the rows judged
  TRowScore Score;
  // Why the row is never fetched (code page 1254); empty for a candidate.
  std::string Refusal;

  bool Candidate() const { return Refusal.empty(); }
};

// Every row, best first (equal scores in the order they came), each judged:
// a candidate is a row the program downloads itself (not one that opens in
// the browser), of the film's own title, in a preferred or unknown language.
std::vector<TJudgedRow> JudgeRows(const TMatchFilm& film, const std::vector<TResultRow>& rows,
                                  const TSiteTable& sites);

// The same upload listed by two sites: every text alike but the address.
bool SameUpload(const TSubtitleInfo& a, const TSubtitleInfo& b);

}  // namespace velkaro

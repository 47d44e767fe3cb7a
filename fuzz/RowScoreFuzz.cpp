#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "RowScore.h"
#include "SubtitleFit.h"
#include "TextHelpers.h"
#include "TitleMatch.h"

// Any bytes as a video's title (first line) and a row a site gave (the next
// five: film name, language, CD, FPS, format): a score within 0 to 100 that
// always says how the title compared, title words without empty ones, variants
// other than the text itself; the same bytes as a subtitle checked against a
// video of a minute.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = velkaro::SplitText(bytes, "\n");
  lines.resize(6);
  velkaro::TMatchFilm film;
  film.Title = lines[0];
  film.Year = 1999;
  film.PartCount = 2;
  film.Fps = 25;
  film.ReleaseWords = {"dvdrip", "xvid"};
  film.Languages = {"Turkish", "English"};
  velkaro::TSubtitleInfo row{lines[1], "", lines[2], lines[3], lines[4], lines[5], "", ""};

  const velkaro::TRowScore score = velkaro::ScoreRow(film, row);
  if (score.Value < 0 || score.Value > 100 || score.Reasons.empty()) __builtin_trap();
  for (const auto& word : velkaro::TitleWords(lines[0])) {
    if (word.empty()) __builtin_trap();
  }
  for (const auto& variant : velkaro::TitleVariants(lines[1])) {
    if (variant.empty() || variant == velkaro::Trim(lines[1])) __builtin_trap();
  }
  const auto ranked = velkaro::RankRows(film, {{row, velkaro::TRowIcon::Document}, {{}, velkaro::TRowIcon::Document}});
  if (ranked.size() != 2 || ranked[0].Score.Value < ranked[1].Score.Value) __builtin_trap();
  velkaro::FitProblem(bytes, 60000, 25.0);
  return 0;
}

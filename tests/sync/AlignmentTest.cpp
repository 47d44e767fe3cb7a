// Cues lined up with speech signals made in the test: the FFT correlation
// against a plain sum, every frame-rate ratio found, chance refused.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Alignment.h"
#include "CrossCorrelation.h"

namespace velkaro {
namespace {

TEST(CrossCorrelation, EqualsThePlainSumAtEveryShift) {
  std::mt19937 draw(5);
  std::uniform_real_distribution<double> value(-1, 1);
  for (const auto& [signalSize, patternSize] : {std::pair{50u, 7u}, std::pair{13u, 40u}, std::pair{1u, 1u}}) {
    std::vector<double> signal(signalSize), pattern(patternSize);
    for (double& v : signal) v = value(draw);
    for (double& v : pattern) v = value(draw);
    TCrossCorrelation correlation(signal, patternSize);
    std::vector<double> scores;
    correlation.Correlate(pattern, scores);
    ASSERT_EQ(scores.size(), signalSize + patternSize - 1);
    for (std::size_t i = 0; i < scores.size(); ++i) {
      const auto shift = static_cast<long>(i) - static_cast<long>(patternSize - 1);
      double sum = 0;
      for (std::size_t j = 0; j < patternSize; ++j) {
        const long at = static_cast<long>(j) + shift;
        if (at >= 0 && at < static_cast<long>(signalSize)) sum += pattern[j] * signal[static_cast<std::size_t>(at)];
      }
      EXPECT_NEAR(scores[i], sum, 1e-9) << "shift " << shift;
    }
  }
  EXPECT_EQ(FastTransformLength(1001), 1008u);  // 2^4 · 3^2 · 7
  EXPECT_EQ(FastTransformLength(1024), 1024u);
}

// Ten minutes of speech in bursts of half a second to four seconds, and the
// cues that say where they are.
struct TSpokenFilm {
  std::vector<std::uint8_t> Speech;
  std::vector<TCueTime> Cues;
};

TSpokenFilm SpokenFilm(unsigned seed) {
  std::mt19937 draw(seed);
  TSpokenFilm film{std::vector<std::uint8_t>(60'000, 0), {}};
  for (std::int64_t at = 100; at < 59'000;) {
    const std::int64_t length = 50 + draw() % 350;
    std::fill_n(film.Speech.begin() + at, length, 1);
    film.Cues.push_back({at * 10, (at + length) * 10});
    at += length + 80 + draw() % 600;
  }
  return film;
}

TEST(Alignment, FindsEveryRatioAndOffsetOfTheRightCues) {
  const TSpokenFilm film = SpokenFilm(1);
  for (const TFrameRatio& ratio : kFrameRatios) {
    for (const std::int64_t offset : ratio.Num == ratio.Den ? std::vector<std::int64_t>{0, -2500, 61'000} : std::vector<std::int64_t>{7300}) {
      SCOPED_TRACE(std::string(ratio.Name) + " " + std::to_string(offset));
      // Cues made for a release whose times run `ratio` times the film's, then moved.
      std::vector<TCueTime> cues;
      for (const TCueTime& cue : film.Cues) {
        cues.push_back({cue.StartMs * ratio.Den / ratio.Num - offset, cue.EndMs * ratio.Den / ratio.Num - offset});
      }
      const TAlignment alignment = AlignCues(film.Speech, cues);
      EXPECT_TRUE(alignment.Fits);
      EXPECT_EQ(alignment.Ratio, ratio);
      for (std::size_t i = 0; i < cues.size(); i += 25) {
        // The detector's latency is allowed for: a voice heard at once starts 20 ms early.
        EXPECT_NEAR(alignment.Retiming.Apply(cues[i].StartMs), film.Cues[i].StartMs - 20, 15);
      }
    }
  }
}

TEST(Alignment, ChanceAndTooLittleToGoOnAreRefused) {
  const TSpokenFilm film = SpokenFilm(2);
  for (unsigned seed = 10; seed < 15; ++seed) {
    const TSpokenFilm other = SpokenFilm(seed);
    const TAlignment alignment = AlignCues(film.Speech, other.Cues);
    EXPECT_FALSE(alignment.Fits) << alignment.Confidence;
  }
  const std::vector<TCueTime> two(film.Cues.begin(), film.Cues.begin() + 2);
  EXPECT_FALSE(AlignCues(film.Speech, two).Fits);
  const std::vector<std::uint8_t> silence(60'000, 0);
  const TAlignment unheard = AlignCues(silence, film.Cues);
  EXPECT_FALSE(unheard.Fits);
  EXPECT_EQ(unheard.Confidence, 0);
  // A cue hours past the film is no reason to fail or to run long.
  std::vector<TCueTime> far = film.Cues;
  far.push_back({999'999'999'000, 999'999'999'999});
  EXPECT_TRUE(AlignCues(film.Speech, far).Fits);
}

}  // namespace
}  // namespace velkaro

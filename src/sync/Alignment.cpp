#include "Alignment.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "CrossCorrelation.h"

namespace velkaro {

namespace {

constexpr std::int64_t kFrameMs = 10;
// Fewer cues or less speech than this cannot tell a fit from chance.
constexpr std::size_t kMinCues = 3;
constexpr std::size_t kMinSpeechFrames = 500;
// Cues further out than the film's length again are no part of any fit.
constexpr std::size_t kReachBeyondFilm = 2;
// An offset counts when at least this share of the cues' time falls inside the film.
constexpr double kMinInside = 0.5;
// The starts are looked for this far either side of where the cues overlap the speech best ...
constexpr std::int64_t kStartSearchFrames = 30;
// ... a start counting less the further it is from a voice's start, nothing from this far.
constexpr double kStartReachFrames = 5;
// WebRTC's detector hears a voice's start about two frames late.
constexpr std::int64_t kDetectorLatencyFrames = 2;

// +1 where someone speaks, −1 elsewhere: a cue over silence costs what a cue over speech gains.
std::vector<double> SpeechSignal(std::span<const std::uint8_t> speech) {
  std::vector<double> signal(speech.size());
  std::transform(speech.begin(), speech.end(), signal.begin(), [](std::uint8_t s) { return s != 0 ? 1.0 : -1.0; });
  return signal;
}

double ScaledFrame(std::int64_t ms, const TFrameRatio& ratio) {
  return static_cast<double>(std::max<std::int64_t>(ms, 0)) * static_cast<double>(ratio.Num) /
         static_cast<double>(ratio.Den) / kFrameMs;
}

// What every ratio's fit works in, made once: a two-hour film's buffers are
// tens of megabytes each.
struct TWorkspace {
  std::vector<double> Cover;   // the cue signal
  std::vector<double> Whole;   // differences: frames a cue covers entirely
  std::vector<double> Before;  // prefix sums of the cue signal
  std::vector<double> Scores;  // the correlation
};

// How much of each frame the cues cover (0 to 1), the cues' times stretched by `ratio`.
void CueSignal(std::span<const TCueTime> cues, const TFrameRatio& ratio, std::size_t longest, TWorkspace& work) {
  std::vector<double>& cover = work.Cover;
  std::vector<double>& whole = work.Whole;
  cover.assign(longest + 1, 0.0);
  whole.assign(longest + 2, 0.0);
  const auto limit = static_cast<double>(longest);
  for (const TCueTime& cue : cues) {
    const double from = std::min(ScaledFrame(cue.StartMs, ratio), limit);
    const double to = std::min(std::max(ScaledFrame(cue.EndMs, ratio), from), limit);
    const auto first = static_cast<std::size_t>(from);
    const auto last = static_cast<std::size_t>(to);
    if (first == last) {
      cover[first] += to - from;
      continue;
    }
    cover[first] += static_cast<double>(first + 1) - from;
    whole[first + 1] += 1;
    whole[last] -= 1;
    cover[last] += to - static_cast<double>(last);
  }
  double running = 0;
  for (std::size_t f = 0; f < cover.size(); ++f) {
    running += whole[f];
    cover[f] = std::min(1.0, cover[f] + running);
  }
  while (!cover.empty() && cover.back() == 0) cover.pop_back();
}

struct TRatioFit {
  double Score = -std::numeric_limits<double>::infinity();  // the best offset's, per frame of cue
  std::int64_t Offset = 0;                                  // in frames: film frame = cue frame + Offset
  double Mean = 0;
  double Spread = 0;
};

// The best offset of one ratio's cue signal, and how the others score.
TRatioFit FitRatio(TCrossCorrelation& correlation, TWorkspace& work, std::size_t filmFrames) {
  TRatioFit fit;
  const std::vector<double>& cueSignal = work.Cover;
  std::vector<double>& before = work.Before;
  before.assign(cueSignal.size() + 1, 0.0);
  double mass = 0;
  for (std::size_t j = 0; j < cueSignal.size(); ++j) before[j + 1] = mass += cueSignal[j];
  if (mass <= 0) return fit;
  const std::vector<double>& scores = work.Scores;
  correlation.Correlate(cueSignal, work.Scores);
  const auto patternSize = static_cast<std::int64_t>(cueSignal.size());
  const auto film = static_cast<std::int64_t>(filmFrames);
  double sum = 0, squares = 0;
  std::size_t counted = 0;
  for (std::size_t i = 0; i < scores.size(); ++i) {
    const std::int64_t offset = static_cast<std::int64_t>(i) - (patternSize - 1);
    const std::int64_t from = std::max<std::int64_t>(0, -offset);
    const std::int64_t to = std::min(patternSize, film - offset);
    if (to <= from || before[static_cast<std::size_t>(to)] - before[static_cast<std::size_t>(from)] < kMinInside * mass) {
      continue;
    }
    const double score = scores[i] / mass;
    sum += score;
    squares += score * score;
    ++counted;
    if (score > fit.Score) {
      fit.Score = score;
      fit.Offset = offset;
    }
  }
  if (counted == 0) return {};
  fit.Mean = sum / static_cast<double>(counted);
  fit.Spread = std::sqrt(std::max(0.0, squares / static_cast<double>(counted) - fit.Mean * fit.Mean));
  return fit;
}

std::vector<std::int64_t> VoiceStarts(std::span<const std::uint8_t> speech) {
  std::vector<std::int64_t> starts;
  for (std::size_t f = 0; f < speech.size(); ++f) {
    if (speech[f] != 0 && (f == 0 || speech[f - 1] == 0)) starts.push_back(static_cast<std::int64_t>(f));
  }
  return starts;
}

double StartMatch(const std::vector<std::int64_t>& starts, double at) {
  const auto next = std::lower_bound(starts.begin(), starts.end(), at, [](std::int64_t s, double v) { return static_cast<double>(s) < v; });
  double nearest = std::numeric_limits<double>::infinity();
  if (next != starts.end()) nearest = static_cast<double>(*next) - at;
  if (next != starts.begin()) nearest = std::min(nearest, at - static_cast<double>(*(next - 1)));
  return std::max(0.0, 1.0 - nearest / kStartReachFrames);
}

// The offset near `coarse` at which most cue starts meet a voice's start; `coarse` when none does.
std::int64_t MatchStarts(std::span<const std::uint8_t> speech, std::span<const TCueTime> cues, const TFrameRatio& ratio,
                         std::int64_t coarse) {
  const auto starts = VoiceStarts(speech);
  std::int64_t best = coarse;
  double bestScore = 0;
  for (std::int64_t distance = 0; distance <= kStartSearchFrames; ++distance) {
    for (const std::int64_t offset : {coarse - distance, coarse + distance}) {
      double score = 0;
      for (const TCueTime& cue : cues) score += StartMatch(starts, ScaledFrame(cue.StartMs, ratio) + static_cast<double>(offset));
      if (score > bestScore) {
        bestScore = score;
        best = offset - kDetectorLatencyFrames;
      }
    }
  }
  return best;
}

}  // namespace

TAlignment AlignCues(std::span<const std::uint8_t> speech, std::span<const TCueTime> cues) {
  TAlignment alignment{kFrameRatios[0], {}, 0, false};
  const auto speaking = static_cast<std::size_t>(std::count_if(speech.begin(), speech.end(), [](std::uint8_t s) { return s != 0; }));
  if (cues.size() < kMinCues || speaking < kMinSpeechFrames) return alignment;

  // The longest cue signal any ratio makes, within reach of the film.
  std::int64_t lastEnd = 0;
  for (const TCueTime& cue : cues) lastEnd = std::max(lastEnd, cue.EndMs);
  double stretched = 0;
  for (const TFrameRatio& ratio : kFrameRatios) stretched = std::max(stretched, ScaledFrame(lastEnd, ratio));
  const std::size_t longest =
      static_cast<std::size_t>(std::min(static_cast<double>(speech.size() * kReachBeyondFilm), stretched)) + 1;
  TCrossCorrelation correlation(SpeechSignal(speech), longest + 1);
  TWorkspace work;
  TRatioFit best;
  for (const TFrameRatio& ratio : kFrameRatios) {
    CueSignal(cues, ratio, longest, work);
    const TRatioFit fit = FitRatio(correlation, work, speech.size());
    if (fit.Score > best.Score) {
      best = fit;
      alignment.Ratio = ratio;
    }
  }
  if (!std::isfinite(best.Score) || best.Spread <= 0) return alignment;
  alignment.Confidence = (best.Score - best.Mean) / best.Spread;
  alignment.Fits = alignment.Confidence >= kConfidenceThreshold;
  const std::int64_t offset = MatchStarts(speech, cues, alignment.Ratio, best.Offset);
  alignment.Retiming = {alignment.Ratio.Num, alignment.Ratio.Den, offset * kFrameMs};
  return alignment;
}

}  // namespace velkaro

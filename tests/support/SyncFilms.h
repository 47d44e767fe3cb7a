#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "SpeechFilms.h"
#include "SubtitleFormat.h"
#include "SubtitleRetime.h"

// The films the sync tests share, made once per build folder, and the
// subtitles written for them: the right one moved or stretched, or another.

namespace velkaro::test {

// Three and a half minutes with a loud stretch of music in the middle: long
// enough for a subtitle a minute late to still meet most of its speech.
inline TFilmRecipe MkvFilm() {
  TFilmRecipe recipe;
  recipe.LengthMs = 210'000;
  recipe.Music = {{100'000, 125'000}};
  recipe.AudioRate = 22050;
  recipe.AudioChannels = 1;
  return recipe;
}

// Other speech, as AC-3 in 48 kHz stereo in an AVI.
inline TFilmRecipe AviFilm() {
  TFilmRecipe recipe = MkvFilm();
  recipe.Seed = 2;
  recipe.Music = {{60'000, 80'000}};
  recipe.Container = "avi";
  recipe.AudioCodec = "ac3";
  recipe.AudioRate = 48000;
  recipe.AudioChannels = 2;
  return recipe;
}

inline TSpeechFilm SharedFilm(const TFilmRecipe& recipe) { return SpeechFilm(recipe, VELKARO_TEST_MEDIA); }

// The cues as a subtitle made for another cut or release: times × scale + shiftMs.
struct TCueChange {
  double Scale = 1;
  std::int64_t ShiftMs = 0;

  std::int64_t Apply(std::int64_t ms) const { return std::llround(static_cast<double>(ms) * Scale) + ShiftMs; }
};

// The changed cues that still start at 0 or later, as SubRip with CR LF.
inline std::string SubRipOf(const std::vector<TSpokenCue>& cues, TCueChange change = {}) {
  std::string text;
  int number = 0;
  for (const auto& cue : cues) {
    if (change.Apply(cue.StartMs) < 0) continue;
    text += std::to_string(++number) + "\r\n" + SubRipClock(change.Apply(cue.StartMs)) + " --> " +
            SubRipClock(change.Apply(cue.EndMs)) + "\r\n" + cue.Text + "\r\n\r\n";
  }
  return text;
}

// The same as MicroDVD frames at `fps`, declared.
inline std::string MicroDvdOf(const std::vector<TSpokenCue>& cues, double fps, TCueChange change = {}) {
  std::string text = "{1}{1}" + std::to_string(static_cast<int>(fps)) + "\r\n";
  for (const auto& cue : cues) {
    if (change.Apply(cue.StartMs) < 0) continue;
    const auto frame = [&](std::int64_t ms) { return std::to_string(std::llround(static_cast<double>(change.Apply(ms)) * fps / 1000)); };
    text += "{" + frame(cue.StartMs) + "}{" + frame(cue.EndMs) + "}" + cue.Text + "\r\n";
  }
  return text;
}

// Another film's subtitle: other lines at random times over the film.
inline std::string RandomSubRip(std::size_t count, std::int64_t lengthMs, unsigned seed) {
  std::mt19937 draw(seed);
  std::vector<TSpokenCue> cues;
  for (std::size_t i = 0; i < count; ++i) {
    const auto start = static_cast<std::int64_t>(draw() % static_cast<unsigned>(lengthMs - 5000));
    cues.push_back({start, start + 800 + static_cast<std::int64_t>(draw() % 3000), "Line " + std::to_string(i)});
  }
  std::sort(cues.begin(), cues.end(), [](const auto& a, const auto& b) { return a.StartMs < b.StartMs; });
  return SubRipOf(cues);
}

struct TStartErrors {
  double MedianMs = 0;
  double WorstMs = 0;
  std::size_t Count = 0;
};

// How far each cue of `synced` starts from where its line is said, the cues
// matched in order with the spoken ones that `change` kept.
inline TStartErrors StartErrors(const std::string& synced, const std::vector<TSpokenCue>& said, TCueChange change,
                                double fps = 25) {
  std::vector<TSpokenCue> kept;
  for (const auto& cue : said) {
    if (change.Apply(cue.StartMs) >= 0) kept.push_back(cue);
  }
  const auto parsed = ParseSubtitle(synced, fps);
  if (!parsed || parsed->Cues.size() != kept.size()) return {1e9, 1e9, parsed ? parsed->Cues.size() : 0};
  std::vector<double> errors;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    errors.push_back(std::fabs(static_cast<double>(parsed->Cues[i].StartMs - kept[i].StartMs)));
  }
  std::sort(errors.begin(), errors.end());
  return {errors[errors.size() / 2], errors.back(), errors.size()};
}

}  // namespace velkaro::test

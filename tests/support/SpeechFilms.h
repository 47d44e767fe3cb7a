#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "VideoFixtures.h"

// Films whose speech is known to the millisecond, made with the real tools:
// espeak-ng says one sentence per cue at the cue's time, low noise lies
// between, loud music-like stretches carry no speech, and the ffmpeg command
// muxes the sound with a small test picture. Films are kept in a folder by
// their recipe, so every test of a run (each its own process) shares one;
// none is ever part of the tree.

namespace velkaro::test {

struct TSpokenCue {
  std::int64_t StartMs = 0;
  std::int64_t EndMs = 0;  // where the voice falls silent
  std::string Text;
};

struct TFilmRecipe {
  std::int64_t LengthMs = 0;
  // Sentences are said in turn, one a cue, with gaps drawn between these bounds.
  std::int64_t MinGapMs = 800;
  std::int64_t MaxGapMs = 4000;
  // Loud stretches of music-like sound with nobody speaking: [start, end) in ms.
  std::vector<std::pair<std::int64_t, std::int64_t>> Music;
  // A quiet stretch after every this many cues (0: none): speech in bursts.
  int BurstCues = 0;
  std::int64_t BurstPauseMs = 0;
  unsigned Seed = 1;
  // How the sound is stored, for the ffmpeg command.
  std::string Container = "mkv";
  std::string AudioCodec = "aac";
  int AudioRate = 48000;
  int AudioChannels = 2;
  std::string Picture = "size=64x48:rate=25";

  std::string Key() const {
    std::ostringstream key;
    key << "v3 " << LengthMs << ' ' << MinGapMs << ' ' << MaxGapMs << ' ' << BurstCues << ' ' << BurstPauseMs << ' '
        << Seed << ' ' << Container << ' ' << AudioCodec << ' ' << AudioRate << ' ' << AudioChannels << ' ' << Picture;
    for (const auto& [from, to] : Music) key << " m" << from << '-' << to;
    return key.str();
  }
};

struct TSpeechFilm {
  std::filesystem::path File;
  std::vector<TSpokenCue> Cues;  // the speech as said, in order
};

namespace film_detail {

inline constexpr int kVoiceRate = 22050;  // espeak-ng's

inline const char* const kSentences[] = {
    "Where were you last night when the lights went out?",
    "I told you never to come back here again.",
    "The train leaves at seven, so we have no time to lose.",
    "Nobody saw him leave the house.",
    "Give me the keys.",
    "Do you really think she will forgive us after everything that happened?",
    "It was raining for three days without a break.",
    "Listen to me.",
    "We should have taken the other road through the mountains.",
    "Your brother called twice this morning.",
    "Is that the letter from the bank?",
    "Keep your voice down, they can hear us.",
    "I never wanted any of this.",
    "The doctor says he will be fine in a week or two.",
    "Turn left at the old church and follow the river.",
    "Why did you lie to me?",
};

inline std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
  return hash;
}

struct TPipeClose {
  void operator()(std::FILE* pipe) const { pclose(pipe); }
};

// A sentence as espeak-ng says it, 16-bit mono at 22,050 Hz, silence at
// either end cut off so that its first and last samples are voice.
inline std::vector<std::int16_t> Say(const std::string& sentence) {
  const std::string command = "espeak-ng -v en -s 165 --stdout " + ShellQuoted(sentence);
  std::unique_ptr<std::FILE, TPipeClose> pipe(popen(command.c_str(), "r"));
  if (!pipe) throw std::runtime_error("espeak-ng does not start");
  std::string wav;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) wav.append(buffer, n);
  // espeak-ng streams a header whose sizes are placeholders: the samples run to the end.
  const auto data = wav.find("data");
  if (data == std::string::npos || wav.size() < data + 8) throw std::runtime_error("espeak-ng gave no sound");
  std::vector<std::int16_t> samples((wav.size() - data - 8) / 2);
  std::memcpy(samples.data(), wav.data() + data + 8, samples.size() * 2);
  const auto loud = [](std::int16_t s) { return std::abs(s) > 300; };
  const auto first = std::find_if(samples.begin(), samples.end(), loud);
  const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
  if (first >= last) throw std::runtime_error("espeak-ng said nothing");
  return {first, last};
}

// Held chords over a walking bass with a noise beat: as loud as speech, with
// the pitch and rhythm that voice detectors are known to mistake for it.
inline double Music(std::int64_t sample, std::minstd_rand& noise) {
  const double t = static_cast<double>(sample) / kVoiceRate;
  constexpr double kChords[][3] = {{220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {164.8, 207.7, 246.9}};
  const auto& chord = kChords[static_cast<std::size_t>(t / 1.5) % std::size(kChords)];
  double value = 0;
  for (double f : chord) value += std::sin(2 * std::numbers::pi * f * t * (1 + 0.003 * std::sin(2 * std::numbers::pi * 5 * t)));
  value += 1.2 * std::sin(2 * std::numbers::pi * chord[0] / 2 * t);
  const double beat = std::fmod(t, 0.5);
  if (beat < 0.06) value += (static_cast<double>(noise()) / std::minstd_rand::max() * 2 - 1) * 3 * (1 - beat / 0.06);
  return value * 4000;
}

// The sound of `recipe` and the cues it says, written to `out` as 16-bit mono samples.
inline std::vector<TSpokenCue> WriteSound(const TFilmRecipe& recipe, std::FILE* out) {
  std::map<std::size_t, std::vector<std::int16_t>> voices;
  std::mt19937 draw(recipe.Seed);
  std::minstd_rand noise(recipe.Seed);
  const auto inMusic = [&](std::int64_t from, std::int64_t to) {
    return std::any_of(recipe.Music.begin(), recipe.Music.end(),
                       [&](const auto& m) { return from < m.second + 500 && to + 500 > m.first; });
  };
  // The schedule first: which sentence starts where.
  std::vector<std::pair<std::int64_t, std::size_t>> said;
  std::vector<TSpokenCue> cues;
  std::int64_t at = 1000;
  for (std::size_t n = 0;; ++n) {
    const std::size_t sentence = draw() % std::size(kSentences);
    if (!voices.count(sentence)) voices[sentence] = Say(kSentences[sentence]);
    const auto length = static_cast<std::int64_t>(voices[sentence].size()) * 1000 / kVoiceRate;
    while (inMusic(at, at + length)) at += 250;
    if (at + length + 500 > recipe.LengthMs) break;
    said.emplace_back(at * kVoiceRate / 1000, sentence);
    cues.push_back({at, at + length, kSentences[sentence]});
    at += length + recipe.MinGapMs + static_cast<std::int64_t>(draw() % (recipe.MaxGapMs - recipe.MinGapMs + 1));
    if (recipe.BurstCues > 0 && (n + 1) % static_cast<std::size_t>(recipe.BurstCues) == 0) at += recipe.BurstPauseMs;
  }
  // Then the samples, a second at a time.
  const std::int64_t total = recipe.LengthMs * kVoiceRate / 1000;
  std::vector<std::int16_t> block(kVoiceRate);
  auto next = said.begin();
  std::vector<std::pair<std::int64_t, const std::vector<std::int16_t>*>> sounding;
  for (std::int64_t start = 0; start < total; start += kVoiceRate) {
    const std::int64_t count = std::min<std::int64_t>(kVoiceRate, total - start);
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t sample = start + i;
      const std::int64_t ms = sample * 1000 / kVoiceRate;
      double value = (static_cast<double>(noise()) / std::minstd_rand::max() * 2 - 1) * 40;
      if (std::any_of(recipe.Music.begin(), recipe.Music.end(), [&](const auto& m) { return ms >= m.first && ms < m.second; })) {
        value += Music(sample, noise);
      }
      while (next != said.end() && next->first == sample) sounding.emplace_back(sample, &voices[(next++)->second]);
      for (const auto& [from, voice] : sounding) {
        const auto index = static_cast<std::size_t>(sample - from);
        if (index < voice->size()) value += (*voice)[index];
      }
      block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::clamp(value, -32767.0, 32767.0));
    }
    std::erase_if(sounding, [&](const auto& s) { return static_cast<std::size_t>(start + count - s.first) >= s.second->size(); });
    if (std::fwrite(block.data(), 2, static_cast<std::size_t>(count), out) != static_cast<std::size_t>(count)) {
      throw std::runtime_error("ffmpeg stopped taking the sound");
    }
  }
  return cues;
}

inline void WriteCues(const std::filesystem::path& file, const std::vector<TSpokenCue>& cues) {
  std::ofstream out(file);
  for (const auto& cue : cues) out << cue.StartMs << '\t' << cue.EndMs << '\t' << cue.Text << '\n';
}

inline std::vector<TSpokenCue> ReadCues(const std::filesystem::path& file) {
  std::vector<TSpokenCue> cues;
  std::ifstream in(file);
  for (TSpokenCue cue; in >> cue.StartMs >> cue.EndMs && in.get() == '\t' && std::getline(in, cue.Text);) {
    cues.push_back(cue);
  }
  return cues;
}

// Holds an exclusive lock on a file while it lives: one process makes a film, the others wait for it.
class TFileLock {
 public:
  explicit TFileLock(const std::filesystem::path& file) : Fd_(::open(file.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644)) {
    if (Fd_ < 0 || ::flock(Fd_, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + file.string());
  }
  ~TFileLock() { ::close(Fd_); }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

 private:
  int Fd_;
};

inline void MakeFilm(const TFilmRecipe& recipe, const std::filesystem::path& film, const std::filesystem::path& cueFile) {
  const std::filesystem::path part = film.string() + ".part." + recipe.Container;
  const std::string command =
      "ffmpeg -nostdin -v error -y -f s16le -ar " + std::to_string(kVoiceRate) + " -ac 1 -i pipe:0 -f lavfi -i " +
      ShellQuoted("color=c=gray:" + recipe.Picture) + " -map 1:v -map 0:a -shortest -c:v mpeg4 -c:a " +
      recipe.AudioCodec + " -ar " + std::to_string(recipe.AudioRate) + " -ac " + std::to_string(recipe.AudioChannels) +
      " " + ShellQuoted(part.string());
  std::unique_ptr<std::FILE, TPipeClose> ffmpeg(popen(command.c_str(), "w"));
  if (!ffmpeg) throw std::runtime_error("ffmpeg does not start");
  const auto cues = WriteSound(recipe, ffmpeg.get());
  if (pclose(ffmpeg.release()) != 0 || !std::filesystem::exists(part)) throw std::runtime_error("ffmpeg could not make " + film.string());
  WriteCues(cueFile, cues);
  std::filesystem::rename(part, film);
}

}  // namespace film_detail

// The film of `recipe` in `cache`, made there first unless an earlier test made it.
inline TSpeechFilm SpeechFilm(const TFilmRecipe& recipe, const std::filesystem::path& cache) {
  std::filesystem::create_directories(cache);
  char name[32];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(film_detail::Fnv1a(recipe.Key())));
  const auto film = cache / (std::string(name) + "." + recipe.Container);
  const auto cueFile = cache / (std::string(name) + ".cues");
  film_detail::TFileLock lock(cache / (std::string(name) + ".lock"));
  if (!std::filesystem::exists(film)) film_detail::MakeFilm(recipe, film, cueFile);
  return {film, film_detail::ReadCues(cueFile)};
}

}  // namespace velkaro::test

// `velkaro-cli sync` on a two-hour film (mostly quiet and noise, speech in
// bursts, music now and then; AC-3 at 48 kHz in stereo) against
// `ffmpeg -i FILM -vn -f null -` on the same file. Each repetition times both
// as separate processes and takes the sync's peak memory from the kernel.
// Targets: ratio at most 1.5, peak memory at most 200 MB (medians of 3).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "SyncFilms.h"
#include "TestSupport.h"

extern char** environ;

namespace velkaro {
namespace {

test::TFilmRecipe TwoHourFilm() {
  test::TFilmRecipe recipe;
  recipe.LengthMs = 2 * 3600 * 1000;
  // Six lines, then three minutes with nobody speaking.
  recipe.BurstCues = 6;
  recipe.BurstPauseMs = 180'000;
  for (std::int64_t at = 20 * 60'000; at < recipe.LengthMs; at += 25 * 60'000) recipe.Music.push_back({at, at + 90'000});
  recipe.Container = "mkv";
  recipe.AudioCodec = "ac3";
  recipe.AudioRate = 48000;
  recipe.AudioChannels = 2;
  return recipe;
}

struct TProcessRun {
  double Seconds = 0;
  double PeakMegabytes = 0;
};

// Runs a program to its end, as a separate process, with its output dropped.
TProcessRun RunProgram(std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args[0] + " failed");
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {took.count(), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

void BM_SyncTwoHourFilm(benchmark::State& state) {
  const test::TSpeechFilm film = test::SharedFilm(TwoHourFilm());
  const test::TTempDir dir;
  const test::TCueChange late{1, 2500};
  const auto subtitle = dir.Path() / "Film.srt";
  const auto synced = dir.Path() / "Film.synced.srt";
  test::WriteBytes(subtitle, test::SubRipOf(film.Cues, late));
  for (auto _ : state) {
    const TProcessRun decode = RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", film.File.string(), "-vn", "-f", "null", "-"});
    const TProcessRun sync = RunProgram({VELKARO_CLI, "sync", "-o", synced.string(), film.File.string(), subtitle.string()});
    state.SetIterationTime(sync.Seconds);
    state.counters["ffmpeg_s"] = decode.Seconds;
    state.counters["ratio"] = sync.Seconds / decode.Seconds;
    state.counters["peak_MB"] = sync.PeakMegabytes;
  }
  const test::TStartErrors errors = test::StartErrors(test::ReadBytes(synced), film.Cues, late);
  state.counters["median_error_ms"] = errors.MedianMs;
  state.counters["worst_error_ms"] = errors.WorstMs;
  state.counters["cues"] = static_cast<double>(errors.Count);
}
BENCHMARK(BM_SyncTwoHourFilm)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace velkaro

BENCHMARK_MAIN();

// velkaro-cli get over a slow link: one film, and a folder of twenty, from
// the program's start to the subtitles written, against stand-in sites whose
// every answer comes 100 ms late. The stand-in counts the most requests each
// site answered at once: the connection limit must hold across all films.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "ProgramSettings.h"
#include "VideoFixtures.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

constexpr auto kLatency = 100ms;
constexpr std::size_t kFolderFilms = 20;

// The stand-in sites and the trap films' videos, made once.
struct TSlowSites {
  TSlowSites() {
    Sim.Start();
    Sim.SetLatency(kLatency);
    for (const auto& trap : Sim.Catalogue().TrapFilms()) {
      if (Films.size() == kFolderFilms) break;
      const auto folder = Videos.Path() / ("film" + std::to_string(Films.size()));
      std::filesystem::create_directories(folder);
      const std::string rate = trap.Fps == "23.976" ? "24000/1001" : trap.Fps;
      for (const auto& name : trap.VideoNames()) {
        test::MakeVideo(folder / name, {rate, "mpeg4", static_cast<double>(trap.PartMs) / 1000});
      }
      Films.push_back(folder);
    }
  }

  sim::TSimServer Sim;
  test::TTempDir Videos;
  std::vector<std::filesystem::path> Films;
};

TSlowSites& Sites() {
  static TSlowSites sites;
  return sites;
}

// One run of get over fresh copies of the films' folders; seconds it took.
double TimeGet(const std::vector<std::filesystem::path>& films) {
  test::TCliFolder cli;
  cli.UseProxy(Sites().Sim.Port());
  std::vector<std::string> args{"get"};
  for (const auto& film : films) {
    const auto copy = cli.Path() / film.filename();
    std::filesystem::copy(film, copy, std::filesystem::copy_options::recursive);
    args.push_back(copy.string());
  }
  const auto started = TClock::now();
  const test::TCliRun run = cli.Run(args);
  const double seconds = std::chrono::duration<double>(TClock::now() - started).count();
  if (run.Status != 0) throw std::runtime_error("get failed: " + run.Err);
  return seconds;
}

void ReportLimit(benchmark::State& state) {
  const sim::TSimServer& sim = Sites().Sim;
  for (const auto& site : sim.DirectSites()) {
    state.counters["most_at_once_" + site.Name] = static_cast<double>(sim.MostAtOnce(site.Id));
  }
  state.counters["connection_limit"] = kDefaultConnections;
}

void BM_GetOneFilmOverSlowLink(benchmark::State& state) {
  Sites().Sim.ClearRequests();
  for (auto _ : state) state.SetIterationTime(TimeGet({Sites().Films.front()}));
  ReportLimit(state);
}
BENCHMARK(BM_GetOneFilmOverSlowLink)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);

void BM_GetTwentyFilmsOverSlowLink(benchmark::State& state) {
  Sites().Sim.ClearRequests();
  for (auto _ : state) state.SetIterationTime(TimeGet(Sites().Films));
  ReportLimit(state);
}
BENCHMARK(BM_GetTwentyFilmsOverSlowLink)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace velkaro

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Dispatcher.h"
#include "SearchCommand.h"
#include "SearchThread.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

constexpr const char* kFilm = "Generated Film";
constexpr std::size_t kSubtitles = 200;
constexpr auto kLatency = 100ms;

// What one five-site search took.
struct TSearchTimes {
  double WallSeconds = 0;
  double FirstRowSeconds = 0;
  std::array<std::size_t, kSiteCount> Connections{};  // indexed by SiteId
};

// Every site searched at once for the generated film, as "&Ara" launches them,
// through a stand-in whose every answer comes `kLatency` late.
TSearchTimes SearchFiveSites(sim::TSimServer& sim, int connections) {
  sim.ClearRequests();
  auto ui = std::make_shared<TQueueDispatcher>();
  TSearchRegistry registry;
  int ended = 0;
  std::optional<TClock::time_point> firstRow;
  const auto started = TClock::now();
  for (const SiteId site : kLaunchOrder) {
    auto thread = TSearchThread::Create(
        ui, {.Site = site, .Query = BuildSiteQuery(site, kFilm, "", 50), .Film = kFilm, .Connections = connections},
        {.OnRecord =
             [&firstRow](TSubtitleInfo&) {
               if (!firstRow) firstRow = TClock::now();
             },
         .OnErrorMarker = [&registry](const std::string& marker) { registry.Errors.push_back(marker); },
         .OnTerminate = [&ended](TSearchThread&) { ++ended; }},
        sim.DirectSites());
    thread->Start();
  }
  if (!ui->ProcessUntil([&] { return ended == kSiteCount; }, 300s)) throw std::runtime_error("the search did not end");
  TSearchTimes times;
  times.WallSeconds = std::chrono::duration<double>(TClock::now() - started).count();
  times.FirstRowSeconds = std::chrono::duration<double>(firstRow.value_or(TClock::now()) - started).count();
  for (int id = 0; id < kSiteCount; ++id) times.Connections[static_cast<std::size_t>(id)] = sim.ConnectionsTo(SiteId(id));
  return times;
}

// Wall time and time to the first row; the connections each site's search opened.
void BM_FiveSiteSearchOverSlowLink(benchmark::State& state) {
  static sim::TSimServer sim([] {
    auto catalogue = sim::TCatalogue::Standard();
    catalogue.AddGeneratedFilm(kFilm, 2010, kSubtitles);
    return catalogue;
  }());
  static const bool started = [] {
    sim.Start();
    sim.SetLatency(kLatency);
    return true;
  }();
  benchmark::DoNotOptimize(started);
  const int connections = static_cast<int>(state.range(0));
  TSearchTimes times;
  for (auto _ : state) {
    times = SearchFiveSites(sim, connections);
    state.SetIterationTime(times.WallSeconds);
  }
  state.counters["first_row_s"] = times.FirstRowSeconds;
  for (int id = 0; id < kSiteCount; ++id) {
    state.counters["conn_" + sim.DirectSites()[SiteId(id)].Name] = static_cast<double>(times.Connections[id]);
  }
}
BENCHMARK(BM_FiveSiteSearchOverSlowLink)
    ->Arg(1)
    ->Arg(6)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace velkaro

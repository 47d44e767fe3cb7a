// Reading a video's frame rate and duration, per file, for the generated
// test videos (target: under 20 ms each, median).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "FilmName.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "VideoProbe.h"

namespace velkaro {
namespace {

struct TBenchVideo {
  const char* Rate;
  const char* Container;
};

constexpr TBenchVideo kVideos[] = {
    {"24000/1001", "avi"}, {"25", "avi"}, {"30000/1001", "avi"}, {"24", "avi"},
    {"24000/1001", "mkv"}, {"25", "mkv"}, {"30000/1001", "mkv"}, {"24", "mkv"},
    {"24000/1001", "mp4"}, {"25", "mp4"}, {"30000/1001", "mp4"}, {"24", "mp4"},
};

// Made once, on first use, and removed at exit.
const std::vector<std::filesystem::path>& Videos() {
  static const auto dir = std::make_unique<test::TTempDir>();
  static const std::vector<std::filesystem::path> files = [] {
    std::vector<std::filesystem::path> made;
    for (std::size_t i = 0; i < std::size(kVideos); ++i) {
      // Ten seconds, so the probe meets a file longer than its probing window.
      made.push_back(test::MakeVideo(dir->Path() / ("film" + std::to_string(i) + "." + kVideos[i].Container),
                                     {kVideos[i].Rate, "mpeg4", 10}));
    }
    return made;
  }();
  return files;
}

void BM_ProbeVideoFile(benchmark::State& state) {
  const auto& file = Videos().at(static_cast<std::size_t>(state.range(0)));
  state.SetLabel(file.extension().string() + " " + kVideos[state.range(0)].Rate);
  for (auto _ : state) benchmark::DoNotOptimize(ProbeVideoFile(file));
}
BENCHMARK(BM_ProbeVideoFile)
    ->DenseRange(0, static_cast<int>(std::size(kVideos)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_GuessFilmName(benchmark::State& state) {
  const std::filesystem::path path = "Films/The.Matrix.1999.720p.BluRay.x264-SPARKS/the.matrix.cd1.mkv";
  for (auto _ : state) benchmark::DoNotOptimize(GuessFilmName(path));
}
BENCHMARK(BM_GuessFilmName);

}  // namespace
}  // namespace velkaro

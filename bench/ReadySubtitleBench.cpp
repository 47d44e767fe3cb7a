#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ArchiveReader.h"
#include "FrameRate.h"
#include "TextEncoding.h"
#include "UnpackProcess.h"
#include "PartMatch.h"
#include "sitesim/ArchiveWriter.h"

namespace velkaro {
namespace {

// A CD's worth of MicroDVD cues (about 90 minutes of dialogue) in code page 1254.
std::string MicroDvdText(std::size_t bytes) {
  std::string text = "{1}{1}23.976\r\n";
  for (std::size_t cue = 0; text.size() < bytes; ++cue) {
    const std::size_t start = 24 + cue * 96;
    text += "{" + std::to_string(start) + "}{" + std::to_string(start + 72) + "}";
    text += "\xDE\xFCkr\xFC Bey, \xE7ocuklar\xFD \xE7" "a\xF0\xFDr|I\xFE\xFDklar\xFD s\xF6nd\xFCr " + std::to_string(cue) + "\r\n";
  }
  return text;
}

// What a download is made of once unpacked: each subtitle read as UTF-8 and its frames fitted.
void MakeReady(std::string_view download, std::size_t parts) {
  const TUnpacked unpacked = UnpackBytes(download);
  for (const auto& part : MatchParts(unpacked.Candidates, parts)) {
    const auto utf8 = TextToUtf8(unpacked.Candidates.at(part.value()).Content);
    benchmark::DoNotOptimize(ConvertFrames(utf8->Text, 25, std::nullopt));
  }
}

// A 2-CD zip of 60 KB texts, as a site hands it out.
void BM_ReadyTwoCdZip(benchmark::State& state) {
  const std::string zip = sim::WriteArchive(
      sim::TArchiveFormat::Zip, {{"Film.cd1.sub", MicroDvdText(60000)}, {"Film.cd2.sub", MicroDvdText(60000)}});
  for (auto _ : state) MakeReady(zip, 2);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 120000);
}
BENCHMARK(BM_ReadyTwoCdZip)->Unit(benchmark::kMillisecond);

// The same 2-CD zip unpacked in the worker process and in this one: the
// difference is what the worker's isolation costs per archive.
void UnpackTwoCdZip(benchmark::State& state, bool inWorker) {
  const std::string zip = sim::WriteArchive(
      sim::TArchiveFormat::Zip, {{"Film.cd1.sub", MicroDvdText(60000)}, {"Film.cd2.sub", MicroDvdText(60000)}});
  const auto file = std::filesystem::temp_directory_path() / ("velkaro-bench-" + std::to_string(::getpid()) + ".zip");
  { std::ofstream(file, std::ios::binary) << zip; }
  for (auto _ : state) {
    const TUnpacked unpacked = inWorker ? UnpackInWorker(file) : UnpackBytes(zip);
    if (unpacked.Candidates.size() != 2) state.SkipWithError("the zip was not unpacked");
  }
  std::filesystem::remove(file);
}
void BM_UnpackInWorker(benchmark::State& state) { UnpackTwoCdZip(state, true); }
void BM_UnpackInProcess(benchmark::State& state) { UnpackTwoCdZip(state, false); }
BENCHMARK(BM_UnpackInWorker)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnpackInProcess)->Unit(benchmark::kMillisecond);

// A 5 MB text: encoding detected and converted, every frame scaled; time must grow linearly.
void BM_ReadyLargeText(benchmark::State& state) {
  const std::string text = MicroDvdText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const auto utf8 = TextToUtf8(text);
    benchmark::DoNotOptimize(ConvertFrames(utf8->Text, 25, std::nullopt));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ReadyLargeText)->Arg(500000)->Arg(5000000)->Unit(benchmark::kMillisecond);

void BM_MicroDvdToSubRip(benchmark::State& state) {
  const std::string text = MicroDvdText(5000000);
  for (auto _ : state) benchmark::DoNotOptimize(MicroDvdToSubRip(text, 23.976));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 5000000);
}
BENCHMARK(BM_MicroDvdToSubRip)->Unit(benchmark::kMillisecond);

// One cue of style-code openings that never close: time grows with the length, not its square.
void BM_UnclosedStyleCodes(benchmark::State& state) {
  std::string text = "{1}{2}";
  for (std::int64_t i = 0; i < state.range(0); ++i) text += "{a:";
  for (auto _ : state) benchmark::DoNotOptimize(MicroDvdToSubRip(text, 25));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_UnclosedStyleCodes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velkaro

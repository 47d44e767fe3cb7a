#include <benchmark/benchmark.h>

#include "HtmlParser.h"
#include "PageGenerator.h"

namespace velkaro {
namespace {

void TokenizeBody(benchmark::State& state, const std::string& body) {
  for (auto _ : state) {
    THTMLParser parser;
    parser.SetText(body);
    parser.Parse();
    benchmark::DoNotOptimize(parser.Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(body.size()));
}

void BM_TokenizeResultPage(benchmark::State& state) {
  static const std::string page = bench::RealisticResultPage(static_cast<std::size_t>(state.range(0)));
  TokenizeBody(state, page);
}
BENCHMARK(BM_TokenizeResultPage)->Arg(2 << 20)->Unit(benchmark::kMillisecond);

void BM_TokenizeHostile(benchmark::State& state) {
  const std::string text = bench::HostileText(static_cast<std::size_t>(state.range(0)));
  TokenizeBody(state, text);
}
// Doubling the size must at most double the time.
BENCHMARK(BM_TokenizeHostile)->Arg(4 << 20)->Arg(8 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velkaro



#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/DivxSubtitles.h"
#include "sitesim/Catalogue.h"
#include "sitesim/DivxSubtitlesSite.h"

namespace velkaro {
namespace {

// A result page of `rows` rows as the stand-in site writes it.
const std::string& DivxSubtitlesPage(std::size_t rows) {
  static const sim::TCatalogue catalogue = sim::TCatalogue().AddGeneratedFilm(
      "K\xFC\xE7\xFCk A\xF0"
      "a Benchmark",
      2004, 2000);
  static std::map<std::size_t, std::string> pages;
  auto& page = pages[rows];
  if (page.empty()) {
    std::vector<const sim::TSimSubtitle*> shown;
    for (std::size_t i = 0; i < rows; ++i) shown.push_back(&catalogue.Subtitles()[i]);
    page = sim::TDivxSubtitlesSite(catalogue).ResultPage(shown, rows, "Benchmark");
  }
  return page;
}

// Tokenizing and walking one page; time per row should stay flat as pages grow.
void BM_DivxSubtitlesResultPage(benchmark::State& state) {
  const auto rows = static_cast<std::size_t>(state.range(0));
  const std::string& body = DivxSubtitlesPage(rows);
  const std::string base = "http://www.divxsubtitles.net/";
  for (auto _ : state) {
    THTMLParser page;
    page.SetText(body);
    page.Parse();
    std::size_t records = 0;
    WalkDivxSubtitlesResults(page, base, [&records](TSubtitleInfo&) { ++records; });
    benchmark::DoNotOptimize(records);
    benchmark::DoNotOptimize(ReadDivxSubtitlesTotal(page));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DivxSubtitlesResultPage)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkaro

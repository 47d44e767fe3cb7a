#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/SubDb.h"
#include "sitesim/Catalogue.h"
#include "sitesim/SubDbSite.h"

namespace velkaro {
namespace {

std::string SubDbPage(std::size_t rows) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm("Y\xFDld\xFDz Sava\xFElar\xFD", 2004, rows);
  std::vector<const sim::TSimSubtitle*> list;
  for (const auto& subtitle : catalogue.Subtitles()) list.push_back(&subtitle);
  return sim::TSubDbSite::PageOf(catalogue, list, "y", sim::TSubDbSite::TotalText(rows));
}

// Every occurrence of `from` replaced.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void ParsePage(benchmark::State& state, const std::string& page) {
  std::size_t records = 0;
  for (auto _ : state) {
    THTMLParser parser;
    parser.SetText(page);
    parser.Parse();
    WalkSubDbResults(parser, "http://www.subdb.net/", [&records](TSubtitleInfo&) { ++records; });
    benchmark::DoNotOptimize(ReadSubDbPageCount(parser));
  }
  benchmark::DoNotOptimize(records);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Tokenize and walk a result page; time per row must stay flat as the page grows.
void BM_SubDbResultPage(benchmark::State& state) {
  ParsePage(state, SubDbPage(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_SubDbResultPage)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// Rows that never end their labels and have no download link or date: every
// row's searches run to the page end, which must not make the walk quadratic.
void BM_SubDbRowsThatNeverEnd(benchmark::State& state) {
  std::string page = SubDbPage(static_cast<std::size_t>(state.range(0)));
  page = ReplaceAll(std::move(page), "Thanks to:", "Thanked:");
  page = ReplaceAll(std::move(page), "Added on:", "Added:");
  page = ReplaceAll(std::move(page), "download_file_id=", "file=");
  ParsePage(state, page);
}
BENCHMARK(BM_SubDbRowsThatNeverEnd)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The walk alone over an already tokenized page.
void BM_SubDbWalkOnly(benchmark::State& state) {
  THTMLParser parser;
  parser.SetText(SubDbPage(static_cast<std::size_t>(state.range(0))));
  parser.Parse();
  std::size_t records = 0;
  for (auto _ : state) {
    WalkSubDbResults(parser, "http://www.subdb.net/", [&records](TSubtitleInfo&) { ++records; });
  }
  benchmark::DoNotOptimize(records);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_SubDbWalkOnly)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkaro

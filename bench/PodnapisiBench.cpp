#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/Podnapisi.h"
#include "sitesim/PodnapisiSite.h"

namespace velkaro {
namespace {

const std::string kBase = "http://www.podnapisi.net/";

// The stand-in site's result page holding `rows` rows.
std::string StandInPage(std::size_t rows) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm("Kay\xFDp Giden Y\xFDllar", 2006, rows);
  std::vector<const sim::TSimSubtitle*> listed;
  for (const auto& subtitle : catalogue.Subtitles()) listed.push_back(&subtitle);
  sim::TPodnapisiQuery query;
  query.Film = "giden";
  return sim::TPodnapisiSite::ResultPage(catalogue, listed, query, 3);
}

// Every row's walks run to the ends of the page: the links stand at the top,
// then come the download icons with filler between them, and the labels only
// after the last icon.
std::string FarWalksPage(std::size_t rows) {
  std::string page =
      "<html><body><img src=\"/images/default/forum/pages_icon.gif\">1 Page\n"
      "<a href=\"/index.php/ppodnapisi/kategorija?jezik=30\">Turkish</a>\n"
      "<a href=\"/index.php/ppodnapisi/podnapis?i=1\">Kay\xFDp Giden Y\xFDllar</a>\n<table>\n";
  for (std::size_t i = 0; i < rows; ++i) {
    page += "<tr><td><a href=\"/index.php/ppodnapisi/download?i=" + std::to_string(i) +
            "\"><img src=\"/images/default/download.gif\"></a></td><td>no details, no uploader</td>"
            "<td><a href=\"/index.php/forum/\">forum</a></td></tr>\n";
  }
  return page +
         "</table>Details: 1 CD, FPS: <b>25</b>, SubRip, Uploader: <b>kemal</b> Release:<i>x</i>01.02.2005 @ 10:00"
         "</body></html>\n";
}

void CountRecords(const THTMLParser& page, std::size_t& records) {
  benchmark::DoNotOptimize(ReadPodnapisiPageCount(page));
  WalkPodnapisiResults(page, kBase, [&records](TSubtitleInfo& record) {
    benchmark::DoNotOptimize(record.DateAdded.data());
    ++records;
  });
}

void TokenizeAndWalk(benchmark::State& state, const std::string& body) {
  std::size_t records = 0;
  for (auto _ : state) {
    THTMLParser page;
    page.SetText(body);
    page.Parse();
    CountRecords(page, records);
  }
  if (records != static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("rows went missing");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Tokenize, read the pager and walk the rows: time per row must stay flat.
void BM_PodnapisiResultPage(benchmark::State& state) {
  TokenizeAndWalk(state, StandInPage(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_PodnapisiResultPage)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The pager and row walk alone, over a page tokenized once.
void BM_PodnapisiWalkOnly(benchmark::State& state) {
  THTMLParser page;
  page.SetText(StandInPage(static_cast<std::size_t>(state.range(0))));
  page.Parse();
  std::size_t records = 0;
  for (auto _ : state) CountRecords(page, records);
  benchmark::DoNotOptimize(records);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PodnapisiWalkOnly)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// Walked step by step, every row would cross the whole page: quadratic.
void BM_PodnapisiFarWalks(benchmark::State& state) {
  TokenizeAndWalk(state, FarWalksPage(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_PodnapisiFarWalks)->Arg(20)->Arg(200)->Arg(2000)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkaro

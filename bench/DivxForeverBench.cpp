#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "HtmlParser.h"
#include "adapters/DivxForever.h"
#include "sitesim/DivxForeverSite.h"

namespace velkaro {
namespace {

const std::string kBase = "http://www.divxforever.net/";

// The stand-in's result page with `rows` rows of one film.
std::string StandInPage(std::size_t rows) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm("The Matrix Reloaded", 2003, rows);
  std::vector<const sim::TSimSubtitle*> subtitles;
  for (const auto& subtitle : catalogue.Subtitles()) subtitles.push_back(&subtitle);
  return sim::TDivxForeverSite::ResultPage(catalogue, subtitles, "matrix");
}

// Rows that send every scan to the end of the page: no title holds the film
// name, no detail line, no date label, and a long closing text.
std::string HostilePage(std::size_t rows) {
  std::string page = "<html><table>\n";
  for (std::size_t i = 0; i < rows; ++i) {
    page += "<tr><td class=row1><a href=\"index.php?act=subz&amp;CODE=03&amp;id=" + std::to_string(i) +
            "\"><img src=s.gif></a> <b>Some Film</b><br><span>no details here</span></td>"
            "<td class=row2><a href=\"index.php?showuser=1\">user" + std::to_string(i) + "</a></td></tr>\n";
  }
  return page + "</table>" + std::string(2000, '-') + "</html>\n";
}

void WalkPage(benchmark::State& state, const std::string& page, std::string_view film) {
  std::size_t records = 0;
  for (auto _ : state) {
    THTMLParser parser;
    parser.SetText(page);
    parser.Parse();
    records = 0;
    WalkDivxForeverResults(parser, film, kBase, [&records](TSubtitleInfo& record) {
      benchmark::DoNotOptimize(record.Uploader.data());
      ++records;
    });
  }
  if (records != static_cast<std::size_t>(state.range(0))) state.SkipWithError("rows missing");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_DivxForeverResultPage(benchmark::State& state) {
  WalkPage(state, StandInPage(static_cast<std::size_t>(state.range(0))), "matrix");
}
// Time per row must stay flat from 20 to 2,000 rows.
BENCHMARK(BM_DivxForeverResultPage)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_DivxForeverHostilePage(benchmark::State& state) {
  WalkPage(state, HostilePage(static_cast<std::size_t>(state.range(0))), "matrix");
}
BENCHMARK(BM_DivxForeverHostilePage)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkaro

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Dispatcher.h"
#include "SearchSession.h"

namespace velkaro {
namespace {

struct TSilentPrompt final : IUserPrompt {
  void ShowError(std::string_view) override {}
  void ShowInformation(std::string_view) override {}
  bool Confirm(std::string_view, TButtons) override { return false; }
};

TSubtitleInfo SampleRecord(int worker, int index) {
  TSubtitleInfo record;
  record.FilmName = "The Matrix Reloaded (2003) " + std::to_string(index);
  record.Url = "http://www.extratitles.net/xsubt.subt.link.php?id=" + std::to_string(worker * 100000 + index) +
               "&file=The.Matrix.Reloaded.CD1-2.TR.zip";
  record.Language = "Turkish";
  record.Fps = "23.976";
  record.CdCount = "2";
  record.Format = "SubRip";
  record.DateAdded = "05.01.04";
  record.Uploader = "kemal";
  return record;
}

// Five workers hand 10,000 records to AddResult through the plain queue, as
// five searches do; the main thread plays the user-interface thread.
void BM_AddResultFromFiveThreads(benchmark::State& state) {
  constexpr int kWorkers = 5;
  constexpr int kPerWorker = 2000;
  double bytesPerRow = 0;
  for (auto _ : state) {
    auto ui = std::make_shared<TQueueDispatcher>();
    TSilentPrompt prompt;
    TSearchSession session(ui, prompt, TSiteTable::Defaults(), TProgramFiles::InFolder("."));
    session.SearchOptions.Format = "All";
    const std::size_t before = mallinfo2().uordblks;
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&, w] {
        for (int i = 0; i < kPerWorker; ++i) {
          TSubtitleInfo record = SampleRecord(w, i);
          ui->RunAndWait([&] { session.AddResult(record); });
        }
        ++finished;
      });
    }
    while (finished.load() < kWorkers) ui->WaitAndProcess(std::chrono::milliseconds(5));
    ui->ProcessPending();
    for (auto& worker : workers) worker.join();
    bytesPerRow = static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(session.Rows().Count());
  }
  state.SetItemsProcessed(state.iterations() * kWorkers * kPerWorker);
  state.counters["bytes_per_row"] = bytesPerRow;
}
BENCHMARK(BM_AddResultFromFiveThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velkaro

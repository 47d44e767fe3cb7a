// The main window under load: 10,000 records arriving from five searches,
// sorting 10,000 rows by each column, and the time to the first painted window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MainWindow.h"
#include "QtDispatcher.h"

namespace velkaro {
namespace {

constexpr int kWorkers = 5;
constexpr int kRows = 10000;

struct TSilentPrompt final : IUserPrompt {
  void ShowError(std::string_view) override {}
  void ShowInformation(std::string_view) override {}
  bool Confirm(std::string_view, TButtons) override { return false; }
};

// A folder of its own, so no settings file of a real installation is touched.
struct TScratchDir {
  TScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Path = pattern;
  }
  ~TScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  std::filesystem::path Path;
};

const char* const kSiteUrls[] = {
    "http://www.extratitles.net/xsubt.subt.link.php?id=%d&f=The.Film.CD1-2.TR.zip",
    "http://www.divxsubtitles.net/page_subtitleinformation.php?ID=%d",
    "http://www.divxforever.net/index.php?action=details&id=%d",
    "http://www.subdb.net/subdb/html/modules.php?name=Download_Subtitles&id=%d",
    "http://www.podnapisi.net/ppodnapisi/podnapis/i/%d",
};

// Varied enough that every column has work to do when sorting.
TSubtitleInfo SampleRecord(int index) {
  static const char* const kFilms[] = {"The Matrix", "heat", "Ronin", "\xDDstanbul Hat\xFDras\xFD", "Fast & Loud"};
  static const char* const kLanguages[] = {"Turkish", "English", "German", "French"};
  static const char* const kFps[] = {"23.976", "25", "29.97", "24"};
  static const char* const kFormats[] = {"SubRip", "MicroDVD", "SubViewer"};
  static const char* const kUploaders[] = {"kemal", "ay\xFE" "e", "johnny", "pierre", "klaus"};
  const int mix = (index * 7919) % kRows;
  char url[160];
  std::snprintf(url, sizeof url, kSiteUrls[index % kWorkers], mix);
  char date[16];
  std::snprintf(date, sizeof date, "%02d.%02d.%04d", 1 + mix % 28, 1 + mix % 12, 1998 + mix % 10);
  TSubtitleInfo record;
  record.FilmName = std::string(kFilms[mix % 5]) + " " + std::to_string(mix);
  record.Url = url;
  record.Language = kLanguages[mix % 4];
  record.Fps = kFps[mix % 4];
  record.CdCount = std::to_string(1 + mix % 12);
  record.Format = kFormats[mix % 3];
  record.DateAdded = mix % 50 == 0 ? "" : date;
  record.Uploader = std::string(kUploaders[mix % 5]) + std::to_string(mix % 97);
  return record;
}

struct TShownWindow {
  TScratchDir Dir;
  TSilentPrompt Prompt;
  TfrmMain Window{TMainWindowDeps{.Prompt = Prompt,
                                  .Files = TProgramFiles::InFolder(Dir.Path),
                                  .Sites = TSiteTable::Defaults(),
                                  .Locale = QLocale(QStringLiteral("tr_TR"))}};

  TShownWindow() {
    Window.Session().SearchOptions.Format = "All";
    Window.show();
    QCoreApplication::processEvents();
  }

  void Fill() {
    for (int i = 0; i < kRows; ++i) {
      TSubtitleInfo record = SampleRecord(i);
      Window.Session().AddResult(record);
    }
  }

  // Until the window has repainted after the last change.
  void ShowAll() {
    while (!Window.updatesEnabled()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
  }
};

// Five workers hand 10,000 records over through the window's dispatcher, as
// five searches do; the window takes each into its list and count panel.
void BM_RowsArriveFromFiveSearches(benchmark::State& state) {
  for (auto _ : state) {
    TShownWindow shown;
    TQtDispatcher dispatcher(&shown.Window);
    std::atomic<int> finished{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&, w] {
        for (int i = w; i < kRows; i += kWorkers) {
          TSubtitleInfo record = SampleRecord(i);
          dispatcher.RunAndWait([&] { shown.Window.Session().AddResult(record); });
        }
        ++finished;
      });
    }
    while (finished.load() < kWorkers) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (auto& worker : workers) worker.join();
    shown.ShowAll();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    if (shown.Window.Session().Rows().Count() != kRows) state.SkipWithError("rows lost");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RowsArriveFromFiveSearches)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The same records taken in on the window's own thread, without the final
// repaint: the list's and the count panel's share alone.
void BM_RowsAddedDirectly(benchmark::State& state) {
  for (auto _ : state) {
    TShownWindow shown;
    QElapsedTimer timer;
    timer.start();
    shown.Fill();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RowsAddedDirectly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// A header click on a list of 10,000 rows in arrival order, repaint included.
void BM_SortByColumn(benchmark::State& state) {
  const int column = static_cast<int>(state.range(0));
  TShownWindow shown;
  for (auto _ : state) {
    shown.Window.ClearResults();
    shown.Fill();
    shown.ShowAll();
    QElapsedTimer timer;
    timer.start();
    shown.Window.SortBy(column);
    shown.ShowAll();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
  state.SetLabel(std::string("column ") + std::to_string(column));
}
BENCHMARK(BM_SortByColumn)->DenseRange(0, kColumnCount - 1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// Notes the first paint of the widget it watches.
struct TFirstPaint final : QObject {
  bool Painted = false;
  bool eventFilter(QObject*, QEvent* event) override {
    Painted = Painted || event->type() == QEvent::Paint;
    return false;
  }
};

// Window construction to its first paint, the application already running.
void BM_WindowToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    TScratchDir dir;
    TSilentPrompt prompt;
    TfrmMain window(TMainWindowDeps{.Prompt = prompt, .Files = TProgramFiles::InFolder(dir.Path)});
    // The list is painted last and fills most of the window.
    TFirstPaint watcher;
    window.ResultView().viewport()->installEventFilter(&watcher);
    window.show();
    while (!watcher.Painted) QCoreApplication::processEvents();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
}
BENCHMARK(BM_WindowToFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace
}  // namespace velkaro

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velkaro"));
  std::fprintf(stderr, "application start-up: %.1f ms\n", static_cast<double>(sinceStart.nsecsElapsed()) / 1e6);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

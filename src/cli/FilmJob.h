#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BestFetch.h"
#include "BestRows.h"
#include "ConsolePrompt.h"
#include "Dispatcher.h"
#include "SearchSession.h"
#include "Diagnostics.h"
#include "DownloadOptions.h"
#include "ProxyFile.h"
#include "ResultRows.h"
#include "VideoFacts.h"

// One film of velkaro-cli get, the whole way on the thread that runs it:
// probe the videos, search, rank the rows, fetch the best that fits and make
// it ready beside the videos. Each step is a function of its own.

namespace velkaro {

struct TFilmSettings {
  std::vector<std::string> Languages;  // in order of preference, engine texts
  std::array<bool, kSiteCount> Sites{};
  int Connections = 1;  // this film's requests per site at once
  TDownloadOptions Options;
  TProxySetting Proxy;
  bool Force = false;
  bool DryRun = false;
  std::shared_ptr<TDiagnostics> Diagnostics;  // none unless asked for
  const std::atomic<bool>* Interrupted = nullptr;
};

struct TFilmResult {
  std::vector<std::filesystem::path> Videos;  // in part order
  TVideoFacts Facts;
  std::vector<TResultRow> Rows;
  std::vector<TJudgedRow> Judged;  // best first
  TBestFetchOutcome Fetch;
  std::optional<std::filesystem::path> Existing;  // the subtitle that made it skip
  std::vector<std::string> Notes;                 // for stderr, engine texts
  bool Interrupted = false;

  // The videos have a subtitle beside them now, or had one already.
  bool Done() const { return Fetch.Placed || Existing; }
  // A dry run found a row it would fetch.
  bool HasCandidate() const;
};

// Made and run on one thread: its searches and downloads report there.
class TFilmJob {
 public:
  TFilmJob(const TFilmSettings& settings, std::vector<std::filesystem::path> videos);
  // Every search and download of the film has stopped and let go.
  ~TFilmJob();
  TFilmJob(const TFilmJob&) = delete;
  TFilmJob& operator=(const TFilmJob&) = delete;

  TFilmResult Run();

 private:
  bool FoundExisting();
  void Probe();
  void Search();
  void Rank();
  void Fetch();

  void SearchFor(const std::string& film);
  // Runs the thread's calls until `done`; on Ctrl+C runs `stop` once.
  template <typename Done, typename Stop>
  void Wait(Done done, Stop stop);
  bool Interrupted() const { return Settings_.Interrupted && Settings_.Interrupted->load(); }

  const TFilmSettings& Settings_;
  TConsolePrompt Prompt_;
  std::shared_ptr<TQueueDispatcher> Ui_;
  std::unique_ptr<TSearchSession> Session_;
  TFilmResult Result_;
};

}  // namespace velkaro

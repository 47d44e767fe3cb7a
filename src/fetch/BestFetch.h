#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dispatcher.h"
#include "DownloadOptions.h"
#include "DownloadThread.h"
#include "ProxyFile.h"
#include "ReadyPlanThread.h"
#include "ReadySubtitle.h"
#include "ResultRows.h"
#include "Sites.h"
#include "SyncThread.h"

// The best rows of a search from videos downloaded one after another, each
// made ready beside the videos only when it fits them, until one does; with
// the sync option each part is lined up with its video's speech before it is
// placed. Runs on the user-interface thread; the downloads, their unpacking
// and the sync run on workers of their own.

namespace velkaro {

struct TFetchTry {
  std::size_t Row = 0;
  std::string Refusal;  // why it was not placed (code page 1254); empty for the row placed
};

struct TBestFetchOutcome {
  std::optional<std::size_t> Placed;  // the row made ready beside the videos
  TReadyWritten Written;
  std::vector<std::string> Messages;  // what making that row ready said (code page 1254)
  std::vector<std::string> SyncMessages;  // of those, what the sync with the speech said
  std::vector<TFetchTry> Tried;       // in the order tried
  bool Stopped = false;
};

struct TFetchJob {
  std::vector<TResultRow> Rows;
  std::vector<std::size_t> Candidates;        // rows to try, best first
  std::vector<std::filesystem::path> Videos;  // the film's parts, in part order
  TDownloadOptions Options;
  TProxySetting Proxy;
  // Where downloads go before they are made ready (the cache folder): a
  // folder of the fetch's own is made there and removed with it.
  std::filesystem::path WorkFolder;
  TSiteTable Sites = TSiteTable::Defaults();
  // Asked for each target beside a video that already exists; false keeps it.
  std::function<bool(const std::filesystem::path&)> MayOverwrite;
  // Where each download's request and end are told; nowhere when empty.
  std::shared_ptr<TDiagnostics> Diagnostics;
};

class TBestFetch {
 public:
  static constexpr std::size_t kMaxDownloads = 3;

  TBestFetch(std::shared_ptr<IUiDispatcher> ui, TFetchJob job);
  // Stops a download still running and removes what was downloaded.
  ~TBestFetch();
  TBestFetch(const TBestFetch&) = delete;
  TBestFetch& operator=(const TBestFetch&) = delete;

  // `onFinished` runs once on the user-interface thread: a row was placed,
  // every candidate failed, or the fetch was stopped.
  void Start(std::function<void(const TBestFetchOutcome&)> onFinished);
  void Stop();
  bool Finished() const { return Finished_; }
  const TBestFetchOutcome& Outcome() const { return Outcome_; }

 private:
  void TryNext();
  void StartDownload(std::size_t row);
  void Downloaded(TDownloadThread& thread);
  void MakeReady(const std::filesystem::path& downloaded);
  void Planned(TReadyPlanThread& thread);
  // With Options.SyncToAudio: each part lined up with its video's speech on a worker, then placed.
  void SyncThenPlace(TReadyPlan plan);
  void Place(TReadyPlan plan);
  // Ends the download or unpacking still running; its file stays in the fetch's folder.
  void AbandonWorkers();
  void Refuse(std::string reason, bool byContent);
  bool SkippedAsSameUpload(std::size_t row) const;
  void Finish();

  std::shared_ptr<IUiDispatcher> Ui_;
  TFetchJob Job_;
  std::filesystem::path Folder_;  // the fetch's own, inside WorkFolder
  std::size_t Next_ = 0;          // into Job_.Candidates
  std::size_t Downloads_ = 0;
  std::optional<std::size_t> Current_;
  std::vector<std::size_t> RefusedForContent_;
  std::shared_ptr<TDownloadThread> Thread_;
  std::shared_ptr<TReadyPlanThread> PlanThread_;
  std::shared_ptr<TSyncThread> SyncThread_;
  // What SyncThread_ works on until its end.
  TReadyPlan Plan_;
  std::function<void(const TBestFetchOutcome&)> OnFinished_;
  TBestFetchOutcome Outcome_;
  bool Finished_ = false;
};

}  // namespace velkaro

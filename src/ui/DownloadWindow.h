#pragma once

#include "FormDialog.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Diagnostics.h"
#include "DownloadOptions.h"
#include "ProgramFiles.h"
#include "ReadySubtitle.h"
#include "SaveDialog.h"
#include "Sites.h"
#include "UnpackProcess.h"
#include "UserPrompt.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velkaro {

class TDownloadThread;
class TQtDispatcher;
class TReadyPlanThread;
class TSyncThread;

struct TDownloaderDeps {
  IUserPrompt& Prompt;
  // Says where proxy.txt and the scratch file are.
  TProgramFiles Files;
  TSiteTable Sites;
  // Asks for a SubDb target; empty: a save dialog of the window's own.
  TSaveDialogRunner SaveDialog = {};
  // The program that unpacks a download for the videos.
  std::filesystem::path UnpackWorker = UnpackWorkerPath();
  // Where the request and the download's end are told; nowhere when empty.
  std::shared_ptr<TDiagnostics> Diagnostics = {};
};

// "Altyazı İndir": the modal window of one download. Showing it starts the
// worker; it follows the transfer on its progress bar, confirms a saved file
// and closes itself. "&Durdur", Enter and the close box stop the download;
// the file already at the target is never harmed, only the partial goes.
// For videos it stays open while the saved file is unpacked and converted
// on a worker of its own, and with the sync option while each part is then
// brought in time with its video's speech; a stop ends that, and the
// download stays.
class TfrmDownloader final : public TFormDialog {
  Q_OBJECT

 public:
  explicit TfrmDownloader(TDownloaderDeps deps, QWidget* parent = nullptr);
  // Stops and joins a worker still running.
  ~TfrmDownloader() override;
  TfrmDownloader(const TfrmDownloader&) = delete;
  TfrmDownloader& operator=(const TfrmDownloader&) = delete;

  // The job, written before the window is shown. Texts are code page 1254.
  bool Finished = false;
  std::string Referer;
  std::string Url;
  // Empty until the worker has asked, for a job without a target.
  std::filesystem::path SavePath;
  std::shared_ptr<TDownloadThread> DownloadThread;
  // Making the saved download ready beside Videos, once it is saved.
  std::shared_ptr<TReadyPlanThread> ReadyThread;
  // With ReadyOptions.SyncToAudio: each planned subtitle then lined up with its video's speech.
  std::shared_ptr<TSyncThread> SyncThread;
  std::string FilmName;
  std::string CdCount;
  std::string Fps;
  std::string DateAdded;
  // The videos of a search started from them, one per part: the saved
  // subtitle is then also made ready beside them. Empty for other searches.
  std::vector<std::filesystem::path> Videos;
  std::string Language;
  TDownloadOptions ReadyOptions;

  void SetStatusCaption(const std::string& text);
  void SetSavePathCaption(const std::filesystem::path& path);

  // Stop.
  void Button1Click() override;
  // Escape: no key but Enter is handled, so the download goes on.
  void Button2Click() override {}
  void DownloadThreadTerminated(TDownloadThread& thread);

 protected:
  void FirstShow() override;
  void FormCloseQuery() override { FormClose(); }

 private:
  void BuildControls();
  void FormClose();
  void StopDownload();
  void ShowProgress(std::int32_t maximum, std::int32_t position);
  std::optional<std::filesystem::path> AskSubDbSavePath(const std::string& extension);
  // Unpacks and converts the saved subtitle for Videos on ReadyThread; its
  // end places the files and confirms the download with `savedMessage`.
  void MakeReadyBesideVideos(std::string savedMessage);
  void ReadyPlanned(TReadyPlanThread& thread);
  // Lines each planned subtitle up with its video's speech on SyncThread, then places them.
  void SyncThenPlace();
  // Places the planned subtitles beside Videos and confirms the download with
  // what became of them; `failure` (the making ready's) places nothing.
  void PlaceAndConfirm(const std::string& failure);
  // Stop while making ready or syncing: the download is confirmed with why nothing was placed.
  void StopMakingReady();
  // Stops and joins whatever worker still runs, silently.
  void EndWorkers();

  TDownloaderDeps Deps_;
  std::shared_ptr<TQtDispatcher> Dispatcher_;
  std::string SavedMessage_;
  // What the saved download becomes beside the videos; SyncThread changes it until its end.
  TReadyPlan Plan_;

  QLabel* lbSavePath = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* lbStatus = nullptr;
  QPushButton* Button1 = nullptr;
};

// "<target> zaten var. Üzerine yazılsın mı?" (code page 1254): asked before a
// subtitle beside a video replaces one that is there.
std::string OverwriteQuestion(const std::filesystem::path& target);

}  // namespace velkaro

#pragma once

#include "FormDialog.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "SubtitleSync.h"
#include "UserPrompt.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velkaro {

class TQtDispatcher;
class TSyncThread;

// The video and the subtitle a sync starts from.
struct TSyncChoice {
  std::filesystem::path Video;
  std::filesystem::path Subtitle;
};

// What the choice starts from after a search from videos: the first video,
// and the subtitle placed beside it (<video stem>.srt or .sub) when there is one.
TSyncChoice PrefilledSyncChoice(const std::vector<std::filesystem::path>& searchVideos);

// "Altyazıyı sese eşitle": one subtitle brought in time with its video's
// speech. Showing it starts the worker; its bar follows the reading of the
// sound. The synced subtitle is written (beside the subtitle, as
// <stem>.synced<ext>) only once the worker has ended, and the outcome is told
// in a message. "&Durdur", Enter and the close box stop it: nothing is written.
class TfrmSyncToAudio final : public TFormDialog {
  Q_OBJECT

 public:
  TfrmSyncToAudio(TSyncChoice choice, IUserPrompt& prompt, QWidget* parent = nullptr);
  // Stops and joins a worker still running.
  ~TfrmSyncToAudio() override;
  TfrmSyncToAudio(const TfrmSyncToAudio&) = delete;
  TfrmSyncToAudio& operator=(const TfrmSyncToAudio&) = delete;

  // Stop.
  void Button1Click() override;
  void Button2Click() override {}

 protected:
  // Starts the sync.
  void FirstShow() override;
  void FormCloseQuery() override;

 private:
  void BuildControls();
  void Ended(TSyncThread& thread);
  void Stop();

  TSyncRequest Request_;
  IUserPrompt& Prompt_;
  std::shared_ptr<TQtDispatcher> Dispatcher_;
  std::shared_ptr<TSyncThread> Thread_;
  // Written by the worker, read once it has ended.
  std::optional<TSyncedText> Synced_;
  bool Finished_ = false;

  QLabel* lbFiles = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* lbStatus = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace velkaro

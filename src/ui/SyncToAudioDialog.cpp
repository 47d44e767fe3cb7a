#include "SyncToAudioDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <system_error>

#include "Artwork.h"
#include "EngineText.h"
#include "QtDispatcher.h"
#include "SaveDialog.h"
#include "SyncThread.h"

namespace velkaro {

namespace {

constexpr const char* kPlacedExtensions[] = {".srt", ".sub"};
constexpr int kDialogWidth = 360;

}  // namespace

TSyncChoice PrefilledSyncChoice(const std::vector<std::filesystem::path>& searchVideos) {
  if (searchVideos.empty()) return {};
  TSyncChoice choice{searchVideos.front(), {}};
  for (const char* extension : kPlacedExtensions) {
    auto subtitle = choice.Video;
    subtitle.replace_extension(extension);
    std::error_code error;
    if (std::filesystem::is_regular_file(subtitle, error)) {
      choice.Subtitle = subtitle;
      break;
    }
  }
  return choice;
}

TfrmSyncToAudio::TfrmSyncToAudio(TSyncChoice choice, IUserPrompt& prompt, QWidget* parent)
    : TFormDialog(parent),
      Request_{std::move(choice.Video), std::move(choice.Subtitle)},
      Prompt_(prompt),
      Dispatcher_(std::make_shared<TQtDispatcher>(this)) {
  DressDialog(*this, "frmSyncToAudio", TrQ("Altyazıyı sese eşitle"));
  BuildControls();
}

TfrmSyncToAudio::~TfrmSyncToAudio() {
  Dispatcher_->Shutdown();
  Stop();
}

void TfrmSyncToAudio::BuildControls() {
  auto* page = new QVBoxLayout(this);
  lbFiles = new QLabel(FromPath(Request_.Subtitle.filename()) + QStringLiteral("  →  ") + FromPath(Request_.Video.filename()), this);
  lbFiles->setObjectName(QStringLiteral("lbFiles"));
  lbFiles->setMinimumWidth(kDialogWidth);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  lbStatus = new QLabel(TrQ("Filmin sesi okunuyor..."), this);
  lbStatus->setObjectName(QStringLiteral("lbStatus"));
  Button1 = new QPushButton(TrQ("&Durdur"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfrmSyncToAudio::Button1Click);
  page->addWidget(lbFiles);
  page->addWidget(ProgressBar1);
  page->addWidget(lbStatus);
  page->addWidget(Button1, 0, Qt::AlignHCenter);
}

void TfrmSyncToAudio::FirstShow() {
  Thread_ = TSyncThread::Create(Dispatcher_, [this](const TSpeechListener& listener) {
    Synced_ = SyncSubtitle(Request_, listener);
  });
  Thread_->OnProgress = [this](int percent) { ProgressBar1->setValue(percent); };
  Thread_->OnTerminate = [this](TSyncThread& thread) { Ended(thread); };
  Thread_->Start();
}

void TfrmSyncToAudio::Ended(TSyncThread& thread) {
  Finished_ = true;
  thread.Join();
  ProgressBar1->setValue(100);
  if (!thread.FailureText().empty()) {
    Prompt_.ShowError(thread.FailureText());
  } else if (Synced_) {
    try {
      const TSyncResult result = WriteSynced(Request_, std::move(*Synced_));
      if (result.Written.empty()) {
        Prompt_.ShowError(SyncResultText(result));
      } else {
        Prompt_.ShowInformation(SyncResultText(result));
      }
    } catch (const TSyncError& error) {
      Prompt_.ShowError(error.what());
    }
  }
  close();
}

void TfrmSyncToAudio::Button1Click() {
  Stop();
  close();
}

void TfrmSyncToAudio::FormCloseQuery() {
  if (!Finished_) Stop();
}

void TfrmSyncToAudio::Stop() {
  if (!Thread_) return;
  // Abandoned, the worker ends at its next frame and its end notification is dropped: nothing is written.
  Thread_->Abandon();
  Thread_->Join();
}

}  // namespace velkaro

#include "DownloadWindow.h"

#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

#include <memory>
#include <stdexcept>
#include <system_error>

#include "Artwork.h"
#include "DownloadRequest.h"
#include "DownloadThread.h"
#include "EngineText.h"
#include "ProxyFile.h"
#include "QtDispatcher.h"
#include "ReadyPlanThread.h"
#include "ReadySubtitle.h"
#include "SaveDialog.h"
#include "SubtitleSync.h"
#include "SyncThread.h"

namespace velkaro {

namespace {

const QSize kClientSize(282, 114);
const QRect kSavePathArea(11, 11, 263, 13);
const QRect kProgressArea(24, 29, 246, 16);
const QRect kStatusArea(12, 49, 263, 13);
const QRect kButtonArea(104, 75, 75, 25);
constexpr int kPathFontPixels = 11;

// Shown in code page 1254 (UserText.h).
constexpr const char* kSyncingStatus = VK_TEXT("Altyazı filmin sesine eşitleniyor...");
constexpr const char* kSyncStopped =
    VK_TEXT("Altyazının filmin sesine eşitlenmesi durduruldu; videoların yanına bir şey yazılmadı.");

// A one-line label that shortens a text too long for it with an ellipsis;
// text() keeps the whole text.
class TElidingLabel final : public QLabel {
 public:
  TElidingLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent) : QLabel(text, parent), Mode_(mode) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text(), Mode_, area.width()));
  }

 private:
  Qt::TextElideMode Mode_;
};

template <typename TWidget>
TWidget* Placed(TWidget* widget, const char* name, const QRect& area) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(area);
  return widget;
}

}  // namespace

TfrmDownloader::TfrmDownloader(TDownloaderDeps deps, QWidget* parent)
    : TFormDialog(parent), Deps_(std::move(deps)), Dispatcher_(std::make_shared<TQtDispatcher>(this)) {
  DressDialog(*this, "frmDownloader", TrQ("Altyazı İndir"));
  BuildControls();
  setFixedSize(kClientSize);
}

TfrmDownloader::~TfrmDownloader() {
  // No queued progress, question or end notification runs from here on.
  Dispatcher_->Shutdown();
  EndWorkers();
}

void TfrmDownloader::BuildControls() {
  lbSavePath = Placed(new TElidingLabel(TrQ("Download Adresi bulunuyor..."), Qt::ElideMiddle, this),
                      "lbSavePath", kSavePathArea);
  QFont pathFont(QStringLiteral("MS Sans Serif"));
  pathFont.setStyleHint(QFont::SansSerif);
  pathFont.setPixelSize(kPathFontPixels);
  lbSavePath->setFont(pathFont);
  ProgressBar1 = Placed(new QProgressBar(this), "ProgressBar1", kProgressArea);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  lbStatus = Placed(new TElidingLabel(QStringLiteral("xxxxxxxxxx"), Qt::ElideRight, this), "lbStatus", kStatusArea);
  Button1 = Placed(new QPushButton(TrQ("&Durdur"), this), "Button1", kButtonArea);
  Button1->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfrmDownloader::Button1Click);
  Button1->setFocus();
}

void TfrmDownloader::SetStatusCaption(const std::string& text) { lbStatus->setText(FromEngine(text)); }

void TfrmDownloader::SetSavePathCaption(const std::filesystem::path& path) { lbSavePath->setText(FromPath(path)); }

void TfrmDownloader::FirstShow() {
  DownloadThread = TDownloadThread::Create(Dispatcher_, Deps_.Files, Deps_.Sites);
  TDownloadThread& thread = *DownloadThread;
  thread.Diagnostics = Deps_.Diagnostics;
  try {
    const TProxySetting proxy = TProxyFile::Read(Deps_.Files.PathOf(TProgramFile::Proxy)).ForTransfer();
    thread.UseProxy = proxy.UseProxy;
    thread.ProxyHost = proxy.Host;
    thread.ProxyPort = proxy.Port;
  } catch (const TProxyFileError& error) {
    // The window stays with its first texts until the user closes it.
    Deps_.Prompt.ShowError(error.what());
    return;
  }
  thread.Referer = Referer;
  thread.Url = Url;
  thread.SavePath = SavePath;
  thread.OnShowProgress = [this](std::int32_t maximum, std::int32_t position) { ShowProgress(maximum, position); };
  thread.OnAskSavePath = [this](const std::string& extension) { return AskSubDbSavePath(extension); };
  thread.OnTerminate = [this](TDownloadThread& ended) { DownloadThreadTerminated(ended); };
  thread.Start();
}

void TfrmDownloader::ShowProgress(std::int32_t maximum, std::int32_t position) {
  ProgressBar1->setMaximum(maximum);
  ProgressBar1->setValue(position);
}

std::optional<std::filesystem::path> TfrmDownloader::AskSubDbSavePath(const std::string& extension) {
  const TSaveDialogRequest request{
      .Title = TrQ("Altyazı İndir..."),
      .FileName = ProposedBesideVideos(FromEngine(ProposedFileName(FilmName, CdCount, Fps, extension)), Videos),
      .Filters = WithFileTypeFilters({}, extension),
      .DefaultSuffix = {},
  };
  std::optional<std::filesystem::path> chosen;
  if (Deps_.SaveDialog) {
    chosen = Deps_.SaveDialog(request);
  } else {
    const std::unique_ptr<QFileDialog> dialog(NewSaveDialog(this));
    chosen = RunSaveDialog(*dialog, request);
  }
  if (chosen) {
    SavePath = *chosen;
    SetSavePathCaption(*chosen);
  }
  return chosen;
}

void TfrmDownloader::DownloadThreadTerminated(TDownloadThread& thread) {
  std::error_code ignored;
  if (thread.Completed() && thread.CommitTarget() && std::filesystem::exists(SavePath, ignored)) {
    std::string message = DownloadedMessage(FilmName, Fps, CdCount, DateAdded);
    if (!Videos.empty()) {
      MakeReadyBesideVideos(std::move(message));
      return;
    }
    Deps_.Prompt.ShowInformation(message);
  }
  Finished = true;
  close();
}

namespace {

// Below the download's own lines, after a blank line: what was written (by
// name), refused and kept.
std::string ReadyLines(const TReadyWritten& written, const std::vector<std::string>& messages) {
  std::string lines = "\r\n";
  auto add = [&lines](const std::string& text) {
    if (!text.empty()) lines.append("\r\n").append(text);
  };
  add(WrittenFilesText(written, false));
  add(RefusedFilesText(written));
  for (const std::string& message : messages) add(message);
  return lines;
}

// The whole paths of the download and of the files written, one a line.
std::string WholePaths(const std::filesystem::path& downloaded, const TReadyWritten& written) {
  std::string paths = Utf8ToCp1254(downloaded.string());
  for (const auto& file : written.Written) paths.append("\r\n").append(Utf8ToCp1254(file.string()));
  return paths;
}

}  // namespace

void TfrmDownloader::MakeReadyBesideVideos(std::string savedMessage) {
  SavedMessage_ = std::move(savedMessage);
  SetStatusCaption(Tr1254("Altyazı hazırlanıyor..."));
  ReadyThread = TReadyPlanThread::Create(Dispatcher_, {
                                                          .Downloaded = SavePath,
                                                          .Videos = Videos,
                                                          .RowFps = Fps,
                                                          .RowLanguage = Language,
                                                          .Options = ReadyOptions,
                                                          .UnpackWorker = Deps_.UnpackWorker,
                                                      });
  ReadyThread->OnTerminate = [this](TReadyPlanThread& thread) { ReadyPlanned(thread); };
  ReadyThread->Start();
}

void TfrmDownloader::ReadyPlanned(TReadyPlanThread& thread) {
  thread.Join();
  // The end notification keeps the thread alive while it runs.
  ReadyThread.reset();
  Plan_ = thread.Plan();
  if (thread.Failure().empty() && ReadyOptions.SyncToAudio && !Plan_.Files.empty()) {
    SyncThenPlace();
    return;
  }
  PlaceAndConfirm(thread.Failure());
}

void TfrmDownloader::SyncThenPlace() {
  SetStatusCaption(Tr1254(kSyncingStatus));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  SyncThread = TSyncThread::Create(Dispatcher_, [this](const TSpeechListener& listener) { SyncReadyPlan(Plan_, listener); });
  SyncThread->OnProgress = [this](int percent) { ProgressBar1->setValue(percent); };
  SyncThread->OnTerminate = [this](TSyncThread& ended) {
    ended.Join();
    SyncThread.reset();
    PlaceAndConfirm(ended.FailureText());
  };
  SyncThread->Start();
}

void TfrmDownloader::PlaceAndConfirm(const std::string& failure) {
  TReadyWritten written;
  // The download itself is saved whatever happens here; a failure is told, never thrown into the event loop.
  try {
    if (!failure.empty()) throw std::runtime_error(failure);
    written = WriteReadySubtitles(Plan_, [this](const std::filesystem::path& target) {
      return Deps_.Prompt.Confirm(OverwriteQuestion(target), IUserPrompt::TButtons::YesNo);
    });
  } catch (const std::exception& error) {
    Deps_.Prompt.ShowError(Utf8ToCp1254(error.what()));
  }
  // The box wraps long names anywhere: the whole paths go to its details.
  Deps_.Prompt.ShowInformationWithDetails(SavedMessage_ + ReadyLines(written, Plan_.Messages),
                                          WholePaths(SavePath, written));
  Finished = true;
  close();
}

void TfrmDownloader::StopMakingReady() {
  if (const auto thread = std::move(ReadyThread)) {
    thread->Abandon();
    thread->Join();
    Plan_ = thread->Plan();
  }
  // A sync under way is dropped with the subtitles it was to place.
  if (const auto thread = std::move(SyncThread)) {
    thread->Abandon();
    thread->Join();
    Plan_.Messages.push_back(Tr1254(kSyncStopped));
  }
  Deps_.Prompt.ShowInformationWithDetails(SavedMessage_ + ReadyLines({}, Plan_.Messages), WholePaths(SavePath, {}));
  Finished = true;
}

void TfrmDownloader::Button1Click() {
  if (ReadyThread || SyncThread) {
    StopMakingReady();
  } else {
    StopDownload();
  }
  close();
}

void TfrmDownloader::FormClose() {
  if (ReadyThread || SyncThread) StopMakingReady();
  if (!Finished) StopDownload();
}

void TfrmDownloader::EndWorkers() {
  if (ReadyThread) {
    ReadyThread->Abandon();
    ReadyThread->Join();
  }
  if (SyncThread) {
    SyncThread->Abandon();
    SyncThread->Join();
  }
  StopDownload();
}

void TfrmDownloader::StopDownload() {
  if (!DownloadThread) return;
  DownloadThread->Abandon();
  // Abandoned, the worker ends within a poll of its transfer or its wait on this thread.
  DownloadThread->Join();
  DownloadThread->DiscardPartial();
}

std::string OverwriteQuestion(const std::filesystem::path& target) {
  return FillIn(Tr1254("%1 zaten var. Üzerine yazılsın mı?"), {Utf8ToCp1254(target.string())});
}

}  // namespace velkaro

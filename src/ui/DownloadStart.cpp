#include "DownloadStart.h"

#include <QFileDialog>
#include <QUrl>

#include <string>
#include <vector>

#include "DownloadRequest.h"
#include "DownloadWindow.h"
#include "EngineText.h"
#include "MainWindow.h"
#include "ProgramSettings.h"
#include "ResultRows.h"
#include "TextHelpers.h"

namespace velkaro {

void TDownloadStart::Start(const TResultRow& row) {
  const TMainWindowDeps& deps = Window_.Deps;
  const TSubtitleInfo& info = row.Info;
  // Made ready only beside the videos of the search the row came from.
  const std::vector<std::filesystem::path>& videos = row.Videos();
  const TDownloadRoute route = RouteDownload(info.Url, deps.Sites);
  if (!route.Downloads()) {
    Window_.OpenUrl(QUrl(FromEngine(info.Url)));
    return;
  }
  std::filesystem::path target;
  if (route.TargetFirst) {
    const std::string extension = AddressExtension(info.Url);
    const auto chosen = AskTarget(
        ProposedBesideVideos(FromEngine(ProposedFileName(info.FilmName, info.CdCount, info.Fps, extension)), videos),
        extension);
    if (!chosen) return;
    target = *chosen;
  }
  // Filled in completely before it is shown: showing it starts the worker.
  TfrmDownloader window({.Prompt = deps.Prompt,
                         .Files = deps.Files,
                         .Sites = deps.Sites,
                         .SaveDialog = deps.SaveDialog,
                         .Diagnostics = deps.Diagnostics},
                        &Window_.Parent);
  window.Referer = route.Referer;
  window.Url = info.Url;
  window.SavePath = target;
  window.FilmName = info.FilmName;
  window.SetStatusCaption(DownloadingStatus(info.FilmName));
  window.CdCount = info.CdCount;
  window.Fps = info.Fps;
  window.DateAdded = info.DateAdded;
  window.Videos = videos;
  window.Language = info.Language;
  window.ReadyOptions = ReadDownloadOptions(deps.Files.PathOf(TProgramFile::Ini));
  if (!target.empty()) window.SetSavePathCaption(target);
  Window_.ShowModal(window);
}

std::optional<std::filesystem::path> TDownloadStart::AskTarget(const QString& proposedName,
                                                               std::string_view extension) {
  const TSaveDialogRequest request{
      .Title = TrQ("Altyazı İndir..."),
      .FileName = proposedName,
      .Filters = WithFileTypeFilters({TrQ("RAR Dosyaları (*.rar)")}, extension),
      .DefaultSuffix = QStringLiteral("rar"),
  };
  if (Window_.Deps.SaveDialog) return Window_.Deps.SaveDialog(request);
  if (SaveDialog_ == nullptr) {
    SaveDialog_ = NewSaveDialog(&Window_.Parent);
    SaveDialog_->setObjectName(QStringLiteral("sd"));
  }
  return RunSaveDialog(*SaveDialog_, request);
}

}  // namespace velkaro

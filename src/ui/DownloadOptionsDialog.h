#pragma once

#include <QDialog>

#include <filesystem>

#include "DownloadOptions.h"
#include "UserPrompt.h"

class QCheckBox;

namespace velkaro {

// "İndirme seçenekleri": what is done with a subtitle downloaded for a
// video, and whether opening videos fetches the best one. Kept in velkaro.ini; "Tamam" saves, "İptal" and the close box leave
// the file as it was.
class TfrmDownloadOptions final : public QDialog {
  Q_OBJECT

 public:
  TfrmDownloadOptions(std::filesystem::path settingsFile, IUserPrompt& prompt, QWidget* parent = nullptr);

  TDownloadOptions Chosen() const;
  void accept() override;

 private:
  void BuildControls();
  void Show(const TDownloadOptions& options);
  void FollowConvertFrames();

  std::filesystem::path File_;
  IUserPrompt& Prompt_;
  // One box per option, in the order of kOptionBoxes.
  std::vector<QCheckBox*> Boxes_;
  // Opening or dropping videos fetches the best row without the dialog (fetchBestOnOpen).
  QCheckBox* cbFetchBestOnOpen = nullptr;
};

// Writes the download options into the [velkaro] section of `file`, keeping
// its other keys; false when the file cannot be written.
bool WriteDownloadOptions(const std::filesystem::path& file, const TDownloadOptions& options);

}  // namespace velkaro

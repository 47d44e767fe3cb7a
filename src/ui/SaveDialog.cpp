#include "SaveDialog.h"

#include <QFile>
#include <QFileDialog>

namespace velkaro {

QFileDialog* NewSaveDialog(QWidget* parent) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  return dialog;
}

std::optional<std::filesystem::path> RunSaveDialog(QFileDialog& dialog, const TSaveDialogRequest& request) {
  dialog.setWindowTitle(request.Title);
  dialog.setNameFilter(request.Filter);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToPath(dialog.selectedFiles().constFirst());
}

QString ProposedBesideVideos(const QString& fileName, const std::vector<std::filesystem::path>& videos) {
  if (videos.empty()) return fileName;
  return FromPath(videos.front().parent_path() / ToPath(fileName));
}

std::filesystem::path ToPath(const QString& file) { return std::filesystem::path(QFile::encodeName(file).toStdString()); }

QString FromPath(const std::filesystem::path& file) { return QFile::decodeName(file.c_str()); }

}  // namespace velkaro

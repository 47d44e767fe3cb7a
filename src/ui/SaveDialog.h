#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include <QStringList>

class QFileDialog;
class QWidget;

namespace velkaro {

// What a save dialog is set to before it runs.
struct TSaveDialogRequest {
  QString Title;
  QString FileName;     // proposed; with a folder only to open the dialog there
  QStringList Filters;  // "RAR Dosyaları (*.rar)"...; the one of the proposed file's type is selected
  QString DefaultSuffix;  // empty: none appended
};

// Runs a save dialog; the chosen full path, or nothing when cancelled.
using TSaveDialogRunner = std::function<std::optional<std::filesystem::path>(const TSaveDialogRequest&)>;

// A save dialog over `parent` that never asks before overwriting.
QFileDialog* NewSaveDialog(QWidget* parent);
// `filters`, then the type of a file with `extension` (engine text, its
// leading "." included) unless one of them is it, then "Tüm dosyalar (*)": a
// proposed file always shows among the files of its type.
QStringList WithFileTypeFilters(QStringList filters, std::string_view extension);

// Sets `dialog` up for `request` and runs it modally. The dialog keeps its
// folder, so one kept between requests remembers the last folder used.
std::optional<std::filesystem::path> RunSaveDialog(QFileDialog& dialog, const TSaveDialogRequest& request);

// A download for a film's videos is offered in the first video's folder;
// without videos the name stays bare and the dialog keeps its last folder.
QString ProposedBesideVideos(const QString& fileName, const std::vector<std::filesystem::path>& videos);

std::filesystem::path ToPath(const QString& file);
QString FromPath(const std::filesystem::path& file);

}  // namespace velkaro

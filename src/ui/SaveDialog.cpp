#include "SaveDialog.h"

#include <algorithm>

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "EngineText.h"

namespace velkaro {

namespace {

// "*.zip" from "ZIP Dosyaları (*.zip *.ZIP)".
QStringList Patterns(const QString& filter) {
  const QRegularExpressionMatch inside = QRegularExpression(QStringLiteral("\\(([^)]*)\\)$")).match(filter);
  return inside.hasMatch() ? inside.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
}

bool Matches(const QString& filter, const QString& suffix) {
  return Patterns(filter).contains(QStringLiteral("*.") + suffix, Qt::CaseInsensitive);
}

// The entry a proposed file of that type shows under.
QString FilterFor(const QStringList& filters, const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix();
  for (const QString& filter : filters) {
    if (!suffix.isEmpty() && Matches(filter, suffix)) return filter;
  }
  return filters.isEmpty() ? QString() : filters.constLast();
}

}  // namespace

QFileDialog* NewSaveDialog(QWidget* parent) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  return dialog;
}

std::optional<std::filesystem::path> RunSaveDialog(QFileDialog& dialog, const TSaveDialogRequest& request) {
  dialog.setWindowTitle(request.Title);
  dialog.setNameFilters(request.Filters);
  // Before the name: choosing a filter gives the name the filter's suffix.
  dialog.selectNameFilter(FilterFor(request.Filters, request.FileName));
  dialog.setDefaultSuffix(request.DefaultSuffix);
  dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToPath(dialog.selectedFiles().constFirst());
}

QStringList WithFileTypeFilters(QStringList filters, std::string_view extension) {
  const QString suffix = FromEngine(extension).mid(1);
  static const QRegularExpression kPlainSuffix(QStringLiteral("^[A-Za-z0-9]+$"));
  const bool listed = std::any_of(filters.cbegin(), filters.cend(),
                                  [&suffix](const QString& filter) { return Matches(filter, suffix); });
  if (extension.starts_with('.') && kPlainSuffix.match(suffix).hasMatch() && !listed) {
    QStringList patterns{QStringLiteral("*.") + suffix.toLower()};
    if (suffix != suffix.toLower()) patterns << QStringLiteral("*.") + suffix;
    filters << TrQ("%1 Dosyaları (%2)").arg(suffix.toUpper(), patterns.join(QLatin1Char(' ')));
  }
  filters << TrQ("Tüm dosyalar (*)");
  return filters;
}

QString ProposedBesideVideos(const QString& fileName, const std::vector<std::filesystem::path>& videos) {
  if (videos.empty()) return fileName;
  return FromPath(videos.front().parent_path() / ToPath(fileName));
}

std::filesystem::path ToPath(const QString& file) { return std::filesystem::path(QFile::encodeName(file).toStdString()); }

QString FromPath(const std::filesystem::path& file) { return QFile::decodeName(file.c_str()); }

}  // namespace velkaro

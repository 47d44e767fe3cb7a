#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <filesystem>
#include <string>

#include "CodePage.h"

// What the program's dialogs share.
namespace velkaro {

enum class TDialogKey { None, Accept, Cancel };

// Enter and Escape pressed anywhere in `dialog`, whatever control has the focus.
inline TDialogKey DialogKeyOf(QObject* watched, QEvent* event, const QWidget* dialog) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return TDialogKey::None;
  if (static_cast<QWidget*>(watched)->window() != dialog) return TDialogKey::None;
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return TDialogKey::Accept;
    case Qt::Key_Escape:
      return TDialogKey::Cancel;
    default:
      return TDialogKey::None;
  }
}

// "<path> yazılamıyor." in code page 1254.
inline std::string CannotWriteMessage(const std::filesystem::path& file) {
  return Utf8ToCp1254(file.string()) + " yaz\xFDlam\xFDyor.";
}

}  // namespace velkaro

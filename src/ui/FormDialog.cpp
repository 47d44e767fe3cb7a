#include "FormDialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShowEvent>

#include "CodePage.h"
#include "UserText.h"

namespace velkaro {

TFormDialog::TFormDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  // Key preview: Enter and Escape reach the dialog before the focused control.
  qApp->installEventFilter(this);
}

void TFormDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (Shown_ || event->spontaneous()) return;
  Shown_ = true;
  FirstShow();
}

void TFormDialog::done(int result) {
  FormCloseQuery();
  QDialog::done(result);
}

bool TFormDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
      static_cast<QWidget*>(watched)->window() != this) {
    return false;
  }
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Button1Click();
      return true;
    case Qt::Key_Escape:
      Button2Click();
      return true;
    default:
      return false;
  }
}

std::string CannotWriteMessage(const std::filesystem::path& file) {
  return FillIn(Tr1254("%1 yazılamıyor."), {Utf8ToCp1254(file.string())});
}

}  // namespace velkaro

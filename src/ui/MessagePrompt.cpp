#include "MessagePrompt.h"

#include <QApplication>
#include <QMessageBox>

#include "EngineText.h"

namespace velkaro {

void TMessagePrompt::ShowError(std::string_view text) {
  QMessageBox::critical(Parent_, QApplication::applicationName(), FromEngine(text));
}

void TMessagePrompt::ShowInformation(std::string_view text) {
  QMessageBox::information(Parent_, QApplication::applicationName(), FromEngine(text));
}

bool TMessagePrompt::Confirm(std::string_view question, TButtons buttons) {
  const bool okCancel = buttons == TButtons::OkCancel;
  const auto answer = QMessageBox::question(
      Parent_, QApplication::applicationName(), FromEngine(question),
      okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Yes | QMessageBox::No);
  return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

}  // namespace velkaro

#include "MessagePrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>

#include "EngineText.h"

namespace velkaro {

namespace {

QMessageBox::StandardButton Ask(QWidget* parent, QMessageBox::Icon icon, std::string_view text,
                                QMessageBox::StandardButtons buttons, std::string_view details = {}) {
  QMessageBox box(icon, QApplication::applicationName(), FromEngine(text), buttons, parent);
  // Paths and addresses in a box can be selected and copied.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  if (!details.empty()) {
    // The box wraps long words anywhere; the details keep each path on one
    // line, as wide as the longest needs while the screen has room.
    const QString lines = FromEngine(details);
    box.setDetailedText(lines);
    for (auto* area : box.findChildren<QTextEdit*>()) {
      area->setLineWrapMode(QTextEdit::NoWrap);
      int widest = 0;
      for (const QString& line : lines.split(QStringLiteral("\r\n"))) {
        widest = std::max(widest, area->fontMetrics().horizontalAdvance(line));
      }
      const int room = area->screen() != nullptr ? area->screen()->availableGeometry().width() * 3 / 4 : widest;
      const int frame = 2 * (area->frameWidth() + static_cast<int>(area->document()->documentMargin())) + 4;
      area->setMinimumWidth(std::min(widest + frame, room));
    }
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void TMessagePrompt::ShowError(std::string_view text) { Ask(Parent_, QMessageBox::Critical, text, QMessageBox::Ok); }

void TMessagePrompt::ShowInformation(std::string_view text) {
  Ask(Parent_, QMessageBox::Information, text, QMessageBox::Ok);
}

void TMessagePrompt::ShowInformationWithDetails(std::string_view text, std::string_view details) {
  Ask(Parent_, QMessageBox::Information, text, QMessageBox::Ok, details);
}

bool TMessagePrompt::Confirm(std::string_view question, TButtons buttons) {
  const bool okCancel = buttons == TButtons::OkCancel;
  const auto answer = Ask(Parent_, QMessageBox::Question, question,
                          okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Yes | QMessageBox::No);
  return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

}  // namespace velkaro

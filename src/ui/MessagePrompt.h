#pragma once

#include <QPointer>
#include <QWidget>

#include "UserPrompt.h"

namespace velkaro {

// Modal message boxes over `parent`. Tests replace it with a prompt that answers in code.
class TMessagePrompt final : public IUserPrompt {
 public:
  explicit TMessagePrompt(QWidget* parent = nullptr) : Parent_(parent) {}
  void SetParent(QWidget* parent) { Parent_ = parent; }

  void ShowError(std::string_view text) override;
  void ShowInformation(std::string_view text) override;
  void ShowInformationWithDetails(std::string_view text, std::string_view details) override;
  bool Confirm(std::string_view question, TButtons buttons) override;

 private:
  QPointer<QWidget> Parent_;
};

}  // namespace velkaro

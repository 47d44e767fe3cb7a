#pragma once

#include <string_view>

namespace velkaro {

// The message boxes the engine's callers show. Texts are code page 1254.
// The window shows real boxes; tests and the command line answer in code.
class IUserPrompt {
 public:
  virtual ~IUserPrompt() = default;
  virtual void ShowError(std::string_view text) = 0;
  virtual void ShowInformation(std::string_view text) = 0;
  enum class TButtons { OkCancel, YesNo };
  // True for OK or Yes.
  virtual bool Confirm(std::string_view question, TButtons buttons) = 0;
};

}  // namespace velkaro

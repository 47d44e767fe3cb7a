#pragma once

#include <string>
#include <string_view>

namespace velkaro {

// The message boxes the engine's callers show. Texts are code page 1254.
// The window shows real boxes; tests and the command line answer in code.
class IUserPrompt {
 public:
  virtual ~IUserPrompt() = default;
  virtual void ShowError(std::string_view text) = 0;
  virtual void ShowInformation(std::string_view text) = 0;
  // An information box whose `details` (paths, one a line) show whole in an
  // area of their own, to read or copy; here they follow the text.
  virtual void ShowInformationWithDetails(std::string_view text, std::string_view details) {
    ShowInformation(std::string(text) + "\r\n\r\n" + std::string(details));
  }
  enum class TButtons { OkCancel, YesNo };
  // True for OK or Yes.
  virtual bool Confirm(std::string_view question, TButtons buttons) = 0;
};

}  // namespace velkaro

#pragma once

#include <iostream>
#include <string_view>

#include "CodePage.h"
#include "UserPrompt.h"

namespace velkaro {

// Message boxes become lines on stderr; a question is answered no.
struct TConsolePrompt final : IUserPrompt {
  void ShowError(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  void ShowInformation(std::string_view text) override { std::cerr << Cp1254ToUtf8(text) << '\n'; }
  bool Confirm(std::string_view question, TButtons) override {
    std::cerr << Cp1254ToUtf8(question) << '\n';
    return false;
  }
};

}  // namespace velkaro

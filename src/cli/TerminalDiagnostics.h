#pragma once

#include <iostream>
#include <memory>
#include <string_view>

#include "CodePage.h"
#include "Diagnostics.h"

namespace velkaro {

// What --verbose asks for: each diagnostic line on stderr, in UTF-8.
inline std::shared_ptr<TDiagnostics> DiagnosticsOnStandardError() {
  return std::make_shared<TDiagnostics>([](std::string_view line) { std::cerr << Cp1254ToUtf8(line) << '\n'; });
}

}  // namespace velkaro

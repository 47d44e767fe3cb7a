#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// What the engine did, line by line, for whoever asked to see it: each
// request a search makes and how each site's search ended. Nothing is
// written unless a sink is set, and no line replaces a text the user sees.

namespace velkaro {

class TDiagnostics {
 public:
  using TWriter = std::function<void(std::string_view line)>;

  explicit TDiagnostics(TWriter writer) : Writer_(std::move(writer)) {}

  // From any thread; lines never interleave.
  void Write(std::string_view line) {
    std::lock_guard lock(Mutex_);
    if (Writer_) Writer_(line);
  }

 private:
  std::mutex Mutex_;
  TWriter Writer_;
};

// Lines appended to `file`, each with the time it was written; nothing when
// the file cannot be opened (diagnostics never stop the program).
std::shared_ptr<TDiagnostics> DiagnosticsToFile(const std::filesystem::path& file);

}  // namespace velkaro

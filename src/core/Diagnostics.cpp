#include "Diagnostics.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace velkaro {

namespace {

// "2026-12-09 17:40:05", local time.
std::string Timestamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local));
}

}  // namespace

std::shared_ptr<TDiagnostics> DiagnosticsToFile(const std::filesystem::path& file) {
  auto out = std::make_shared<std::ofstream>(file, std::ios::binary | std::ios::app);
  if (!*out) return nullptr;
  return std::make_shared<TDiagnostics>(
      [out](std::string_view line) { *out << Timestamp() << ' ' << line << '\n' << std::flush; });
}

}  // namespace velkaro

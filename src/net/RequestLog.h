#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "Diagnostics.h"

// One worker's diagnostic lines, each led by who wrote it ("[Podnapisi] ",
// "[download] "): the requests it made and how it ended. Writes nothing when
// nobody asked for diagnostics.

namespace velkaro {

class TRequestLog {
 public:
  using TClock = std::chrono::steady_clock;

  TRequestLog() = default;
  TRequestLog(std::shared_ptr<TDiagnostics> sink, std::string_view who);

  void Write(std::string_view line) const;
  // "GET <url> -> 200, 512 bytes, 40 ms"
  void Answered(std::string_view method, std::string_view url, int status, std::uint64_t bytes,
                TClock::duration took) const;
  // "GET <url> -> failed after 40 ms: HTTP 404"
  void Failed(std::string_view method, std::string_view url, TClock::duration took, std::string_view reason) const;

 private:
  std::shared_ptr<TDiagnostics> Sink_;
  std::string Prefix_;
};

// What a diagnostic line says of a failure: the status when a server gave one.
std::string FailureOf(const std::exception& error);

}  // namespace velkaro

#include "RequestLog.h"

#include "HttpError.h"

namespace velkaro {

namespace {

std::string Milliseconds(TRequestLog::TClock::duration took) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) + " ms";
}

}  // namespace

TRequestLog::TRequestLog(std::shared_ptr<TDiagnostics> sink, std::string_view who)
    : Sink_(std::move(sink)), Prefix_("[" + std::string(who) + "] ") {}

void TRequestLog::Write(std::string_view line) const {
  if (Sink_) Sink_->Write(Prefix_ + std::string(line));
}

void TRequestLog::Answered(std::string_view method, std::string_view url, int status, std::uint64_t bytes,
                           TClock::duration took) const {
  if (!Sink_) return;
  Write(std::string(method) + " " + std::string(url) + " -> " + std::to_string(status) + ", " +
        std::to_string(bytes) + " bytes, " + Milliseconds(took));
}

void TRequestLog::Failed(std::string_view method, std::string_view url, TClock::duration took,
                         std::string_view reason) const {
  if (!Sink_) return;
  Write(std::string(method) + " " + std::string(url) + " -> failed after " + Milliseconds(took) + ": " +
        std::string(reason));
}

std::string FailureOf(const std::exception& error) {
  const auto* http = dynamic_cast<const THttpError*>(&error);
  return http && http->Status() != 0 ? "HTTP " + std::to_string(http->Status()) : std::string(error.what());
}

}  // namespace velkaro

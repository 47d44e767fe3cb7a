#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "HttpClient.h"
#include "HttpResponse.h"

// The state of one running request, reached from libcurl's callbacks on the
// transferring thread; for the clients and transfer groups of this folder only.

namespace velkaro {

using TClock = std::chrono::steady_clock;

// How long one poll may sleep when no read time-out is near; Abort() wakes it earlier.
inline constexpr int kIdlePollMs = 1000;

inline void Notify(const std::function<void(TTransferDirection, std::int64_t)>& handler, TTransferDirection direction,
            std::int64_t bytes) {
  if (handler) handler(direction, bytes);
}

// The state of one running request, reached from curl's callbacks on the transferring thread.
class TTransfer {
 public:
  TTransfer(THttpResponse& response, const TTransferHandlers& handlers, const TByteSink& sink,
            std::optional<std::int64_t> uploadSize, std::int64_t maxBodySize)
      : Response_(response), Handlers_(handlers), Sink_(sink), UploadSize_(uploadSize), MaxBodySize_(maxBodySize) {}

  // Runs a step that may throw (the sink, a handler) inside a C callback: the exception
  // is kept for the caller and the callback reports failure, which ends the transfer.
  template <typename TStep>
  bool Guarded(TStep step) {
    try {
      step();
      return true;
    } catch (...) {
      if (!Failure_) Failure_ = std::current_exception();
      return false;
    }
  }

  void RequestSent() {
    Touch();
    if (UploadSize_ && !WritingBegun_) {
      WritingBegun_ = true;
      Notify(Handlers_.Begin, TTransferDirection::Writing, *UploadSize_);
    }
  }

  void Uploaded(std::int64_t bytesSoFar) {
    if (bytesSoFar <= Sent_) return;
    Sent_ = bytesSoFar;
    Touch();
    if (!WritingBegun_ || WritingEnded_) return;
    Notify(Handlers_.Progress, TTransferDirection::Writing, Sent_);
    if (Sent_ >= *UploadSize_) EndWriting();
  }

  void HeaderLine(std::string_view line) {
    Touch();
    EndWriting();  // the server is answering, so the body is out
    if (Response_.AddLine(line) && !Response_.IsInterim()) BeginReading();
  }

  void BodyChunk(std::string_view chunk) {
    Touch();
    // An error answer's body is no content of the caller's: it is read and dropped.
    if (Response_.IsError() || chunk.empty()) return;
    BeginReading();
    ThrowIfOverLimit(Received_ + static_cast<std::int64_t>(chunk.size()));
    if (Sink_) Sink_(chunk);
    Received_ += static_cast<std::int64_t>(chunk.size());
    Notify(Handlers_.Progress, TTransferDirection::Reading, Received_);
  }

  // Every Begin gets its End, whether the transfer completed or failed.
  void Finish() {
    EndWriting();
    if (ReadingBegun_ && !ReadingEnded_) {
      ReadingEnded_ = true;
      if (Handlers_.End) Handlers_.End(TTransferDirection::Reading);
    }
  }

  std::exception_ptr Failure() const { return Failure_; }

  // Time since the request went out or the last byte arrived; zero before the request is sent.
  TClock::duration Silence() const { return LastActivity_ ? TClock::now() - *LastActivity_ : TClock::duration::zero(); }
  bool Listening() const { return LastActivity_.has_value(); }

 private:
  void Touch() { LastActivity_ = TClock::now(); }

  void BeginReading() {
    if (ReadingBegun_ || Response_.IsError()) return;
    // A stated length over the limit fails before any byte reaches the sink.
    ThrowIfOverLimit(Response_.ContentLength());
    ReadingBegun_ = true;
    Notify(Handlers_.Begin, TTransferDirection::Reading, Response_.ContentLength());
  }

  void ThrowIfOverLimit(std::int64_t bodySize) const {
    if (MaxBodySize_ > 0 && bodySize > MaxBodySize_) {
      throw THttpError("response body larger than " + std::to_string(MaxBodySize_) + " bytes");
    }
  }

  void EndWriting() {
    if (!WritingBegun_ || WritingEnded_) return;
    WritingEnded_ = true;
    if (Handlers_.End) Handlers_.End(TTransferDirection::Writing);
  }

  THttpResponse& Response_;
  const TTransferHandlers& Handlers_;
  const TByteSink& Sink_;
  std::optional<std::int64_t> UploadSize_;
  std::int64_t MaxBodySize_;
  std::int64_t Received_ = 0;
  std::int64_t Sent_ = 0;
  bool ReadingBegun_ = false;
  bool ReadingEnded_ = false;
  bool WritingBegun_ = false;
  bool WritingEnded_ = false;
  std::optional<TClock::time_point> LastActivity_;
  std::exception_ptr Failure_;
};

// How a transfer's poll loop ended.
enum class TLoopEnd { Completed, Aborted, ReadTimedOut, MultiFailed };

}  // namespace velkaro

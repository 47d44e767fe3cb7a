#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "HttpError.h"

// Stopping transfers from another thread: what a Stop, a closed window or
// the program's exit uses to end a worker's requests at once.

namespace velkaro {

// Whatever runs transfers that a Stop must end: a client, a transfer group.
class IAbortable {
 public:
  // Thread-safe: the running transfers, and every later one, fail promptly.
  virtual void Abort() = 0;

 protected:
  ~IAbortable() = default;
};

// Cancels every transfer of what is attached to it, running or to come.
// Shared by a worker and whoever may stop it.
class TCancelToken {
 public:
  void Cancel();
  bool Cancelled() const { return Cancelled_.load(std::memory_order_acquire); }

  // Attached while it runs transfers; a Cancel() aborts it.
  void Attach(IAbortable* running);
  void Detach(IAbortable* running);

 private:
  std::atomic<bool> Cancelled_{false};
  std::mutex Mutex_;
  std::vector<IAbortable*> Running_;
};

// Attached to a cancel token for as long as it lives; no token, nothing.
class TTokenAttachment {
 public:
  TTokenAttachment(std::shared_ptr<TCancelToken> token, IAbortable* running)
      : Token_(std::move(token)), Running_(running) {
    if (Token_) Token_->Attach(Running_);
  }
  ~TTokenAttachment() {
    if (Token_) Token_->Detach(Running_);
  }
  TTokenAttachment(const TTokenAttachment&) = delete;
  TTokenAttachment& operator=(const TTokenAttachment&) = delete;

 private:
  std::shared_ptr<TCancelToken> Token_;
  IAbortable* Running_;
};

// The abort state of one client or transfer group: its own Abort() or its
// token's Cancel(), whichever came first.
class TAbortFlag {
 public:
  void Raise() { Raised_.store(true, std::memory_order_release); }
  bool Raised() const { return Raised_.load(std::memory_order_acquire) || (Token && Token->Cancelled()); }
  void ThrowIfRaised() const {
    if (Raised()) throw THttpAborted();
  }

  std::shared_ptr<TCancelToken> Token;

 private:
  std::atomic<bool> Raised_{false};
};

}  // namespace velkaro

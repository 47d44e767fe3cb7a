#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The one way the engine reaches the user-interface thread.

namespace velkaro {

struct TCompletion;

class IUiDispatcher {
 public:
  virtual ~IUiDispatcher() = default;
  // Runs `call` on the user-interface thread and returns when it has run:
  // true. Returns false once the dispatcher has shut down, or as soon as
  // `giveUp` holds while waiting; the call may then still run later, so it must
  // not rely on the waiter's stack.
  virtual bool RunAndWait(std::function<void()> call, std::function<bool()> giveUp = {}) = 0;
  // Queues `call` for the user-interface thread without waiting.
  virtual void Post(std::function<void()> call) = 0;
};

// A plain queue that the thread which created it drains: tests and the
// command-line front end use it in place of a window's event loop.
class TQueueDispatcher final : public IUiDispatcher {
 public:
  TQueueDispatcher();
  ~TQueueDispatcher() override;

  bool RunAndWait(std::function<void()> call, std::function<bool()> giveUp = {}) override;
  void Post(std::function<void()> call) override;

  // Owner thread: runs every queued call; returns how many ran.
  std::size_t ProcessPending();
  // Owner thread: waits up to `timeout` for a call, then runs all that are queued.
  std::size_t WaitAndProcess(std::chrono::milliseconds timeout);
  // Owner thread: processes calls until `done()` holds or `timeout` passes; returns done().
  bool ProcessUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // Drops queued calls and releases their waiters; later calls are refused.
  void Shutdown();
  bool IsOwnerThread() const { return std::this_thread::get_id() == Owner_; }

 private:
  struct TItem {
    std::function<void()> Call;
    std::shared_ptr<TCompletion> Done;  // null for posted calls
  };

  std::thread::id Owner_;
  std::mutex Mutex_;
  std::condition_variable Arrived_;
  std::deque<TItem> Queue_;
  bool ShutDown_ = false;
};

}  // namespace velkaro

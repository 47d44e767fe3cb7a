#include "Dispatcher.h"

namespace velkaro {

struct TCompletion {
  std::mutex Mutex;
  std::condition_variable Signal;
  bool Finished = false;
  bool Ran = false;

  void Finish(bool ran) {
    std::lock_guard lock(Mutex);
    Finished = true;
    Ran = ran;
    Signal.notify_all();
  }
};

TQueueDispatcher::TQueueDispatcher() : Owner_(std::this_thread::get_id()) {}

TQueueDispatcher::~TQueueDispatcher() { Shutdown(); }

bool TQueueDispatcher::RunAndWait(std::function<void()> call, std::function<bool()> giveUp) {
  // The owner would wait for itself.
  if (IsOwnerThread()) {
    call();
    return true;
  }
  auto done = std::make_shared<TCompletion>();
  {
    std::lock_guard lock(Mutex_);
    if (ShutDown_) return false;
    Queue_.push_back({std::move(call), done});
  }
  Arrived_.notify_all();
  // How often a waiter looks at `giveUp`: the bound on how long a stopped
  // worker can stay blocked here.
  constexpr auto kGiveUpPoll = std::chrono::milliseconds(20);
  std::unique_lock lock(done->Mutex);
  while (!done->Finished) {
    if (giveUp && giveUp()) return false;
    done->Signal.wait_for(lock, kGiveUpPoll);
  }
  return done->Ran;
}

void TQueueDispatcher::Post(std::function<void()> call) {
  {
    std::lock_guard lock(Mutex_);
    if (ShutDown_) return;
    Queue_.push_back({std::move(call), nullptr});
  }
  Arrived_.notify_all();
}

std::size_t TQueueDispatcher::ProcessPending() {
  std::size_t ran = 0;
  for (;;) {
    TItem item;
    {
      std::lock_guard lock(Mutex_);
      if (Queue_.empty()) return ran;
      item = std::move(Queue_.front());
      Queue_.pop_front();
    }
    try {
      item.Call();
    } catch (...) {
      if (item.Done) item.Done->Finish(true);
      throw;
    }
    if (item.Done) item.Done->Finish(true);
    ++ran;
  }
}

std::size_t TQueueDispatcher::WaitAndProcess(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(Mutex_);
    Arrived_.wait_for(lock, timeout, [&] { return !Queue_.empty() || ShutDown_; });
  }
  return ProcessPending();
}

bool TQueueDispatcher::ProcessUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    WaitAndProcess(std::min<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now), std::chrono::milliseconds(50)));
  }
  return true;
}

void TQueueDispatcher::Shutdown() {
  std::deque<TItem> dropped;
  {
    std::lock_guard lock(Mutex_);
    ShutDown_ = true;
    dropped.swap(Queue_);
  }
  for (auto& item : dropped) {
    if (item.Done) item.Done->Finish(false);
  }
  Arrived_.notify_all();
}

}  // namespace velkaro

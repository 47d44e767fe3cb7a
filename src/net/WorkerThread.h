#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "Dispatcher.h"
#include "HttpClient.h"

namespace velkaro {

// Thrown on a worker once it was abandoned, to end its body at once.
struct TWorkerAbandoned {};

// The life of a worker that reports to the user-interface thread: started
// once, abandonable from the user-interface thread (its transfers then fail at
// once and its end notification is dropped), joined by whoever owns it. The
// worker keeps the object alive until its end notification has run.
class TWorkerThread {
 public:
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  void Abandon() {
    Abandoned_.store(true, std::memory_order_release);
    Cancel_->Cancel();
  }
  bool Abandoned() const { return Abandoned_.load(std::memory_order_acquire); }
  // On the worker: TWorkerAbandoned once abandoned.
  void ThrowIfAbandoned() const {
    if (Abandoned()) throw TWorkerAbandoned{};
  }
  // Waits for the thread body to end (never from the worker itself).
  void Join() {
    if (Worker_.joinable() && Worker_.get_id() != std::this_thread::get_id()) Worker_.join();
  }
  bool Finished() const { return Finished_.load(std::memory_order_acquire); }

 protected:
  explicit TWorkerThread(std::shared_ptr<IUiDispatcher> ui)
      : Ui_(std::move(ui)), Cancel_(std::make_shared<TCancelToken>()) {}

  ~TWorkerThread() {
    if (!Worker_.joinable()) return;
    // The last reference can go on the worker itself when its end
    // notification was refused; it cannot wait for itself.
    if (Worker_.get_id() == std::this_thread::get_id()) {
      Worker_.detach();
    } else {
      Worker_.join();
    }
  }

  // Runs (self->*body)() on a new thread, then self->OnTerminate on the
  // user-interface thread unless abandoned.
  template <typename TSelf>
  void StartWorker(std::shared_ptr<TSelf> self, void (TSelf::*body)()) {
    Worker_ = std::thread([self = std::move(self), body]() mutable {
      ((*self).*body)();
      self->Finished_.store(true, std::memory_order_release);
      // The posted call owns the object from here on: it is released once the
      // end notification has run, or at once if the call is dropped.
      const auto ui = self->Ui_;
      ui->Post([self = std::move(self)] {
        if (!self->Abandoned() && self->OnTerminate) self->OnTerminate(*self);
      });
    });
  }

  std::shared_ptr<IUiDispatcher> Ui_;
  std::shared_ptr<TCancelToken> Cancel_;

 private:
  std::atomic<bool> Abandoned_{false};
  std::atomic<bool> Finished_{false};
  std::thread Worker_;
};

}  // namespace velkaro

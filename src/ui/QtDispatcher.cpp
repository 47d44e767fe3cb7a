#include "QtDispatcher.h"

#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace velkaro {

namespace {

struct TDone {
  std::mutex Mutex;
  std::condition_variable Signal;
  bool Finished = false;
  bool Ran = false;
};

constexpr auto kGiveUpPoll = std::chrono::milliseconds(20);

}  // namespace

TQtDispatcher::TQtDispatcher(QObject* receiver) : Receiver_(receiver) {}

bool TQtDispatcher::OnReceiverThread() const {
  return Receiver_ && Receiver_->thread() == QThread::currentThread();
}

bool TQtDispatcher::RunAndWait(std::function<void()> call, std::function<bool()> giveUp) {
  if (ShutDown_->load()) return false;
  if (OnReceiverThread()) {
    call();
    return true;
  }
  auto done = std::make_shared<TDone>();
  const bool queued = QMetaObject::invokeMethod(
      Receiver_.data(),
      [shutDown = ShutDown_, done, call = std::move(call)] {
        const bool run = !shutDown->load();
        if (run) call();
        std::lock_guard lock(done->Mutex);
        done->Finished = true;
        done->Ran = run;
        done->Signal.notify_all();
      },
      Qt::QueuedConnection);
  if (!queued) return false;
  std::unique_lock lock(done->Mutex);
  while (!done->Finished) {
    if (ShutDown_->load() || (giveUp && giveUp())) return false;
    done->Signal.wait_for(lock, kGiveUpPoll);
  }
  return done->Ran;
}

void TQtDispatcher::Post(std::function<void()> call) {
  if (ShutDown_->load() || !Receiver_) return;
  QMetaObject::invokeMethod(
      Receiver_.data(),
      [shutDown = ShutDown_, call = std::move(call)] {
        if (!shutDown->load()) call();
      },
      Qt::QueuedConnection);
}

void TQtDispatcher::Shutdown() { ShutDown_->store(true); }

}  // namespace velkaro

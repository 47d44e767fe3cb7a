#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

#include "Dispatcher.h"

namespace velkaro {

// Runs engine calls on the thread that owns `receiver` (the user-interface
// thread) through Qt's event queue. A waiting worker can give up, so Stop and
// exit never deadlock on a window that is busy joining threads.
class TQtDispatcher final : public IUiDispatcher {
 public:
  explicit TQtDispatcher(QObject* receiver);

  bool RunAndWait(std::function<void()> call, std::function<bool()> giveUp = {}) override;
  void Post(std::function<void()> call) override;
  // Calls already queued do nothing; later ones are refused.
  void Shutdown();

 private:
  bool OnReceiverThread() const;

  QPointer<QObject> Receiver_;
  // Shared with queued calls, which may outlive the dispatcher.
  std::shared_ptr<std::atomic<bool>> ShutDown_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace velkaro

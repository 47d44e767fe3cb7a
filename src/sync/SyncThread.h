#pragma once

#include <functional>
#include <memory>
#include <string>

#include "AudioDecoder.h"
#include "Dispatcher.h"
#include "WorkerThread.h"

// A sync off the user-interface thread: the job reads a film's speech on the
// worker; its progress and its end reach the user-interface thread through
// the dispatcher. Abandon() stops the reading at the next frame, and a job
// that is stopped writes nothing. No Qt.

namespace velkaro {

class TSyncThread final : public TWorkerThread, public std::enable_shared_from_this<TSyncThread> {
 public:
  // Runs on the worker with the listener to read the speech with; may throw
  // TSyncError (its text becomes FailureText) or TSpeechStopped.
  using TJob = std::function<void(const TSpeechListener& listener)>;

  static std::shared_ptr<TSyncThread> Create(std::shared_ptr<IUiDispatcher> ui, TJob job);

  // On the user-interface thread, none once abandoned.
  std::function<void(int percent)> OnProgress;
  std::function<void(TSyncThread&)> OnTerminate;

  void Start();

  // --- user-interface thread, after the end notification ---
  // Why the job failed (an engine text); empty when it ran through.
  const std::string& FailureText() const { return FailureText_; }

 private:
  TSyncThread(std::shared_ptr<IUiDispatcher> ui, TJob job);
  void Run();

  TJob Job_;
  std::string FailureText_;
};

}  // namespace velkaro

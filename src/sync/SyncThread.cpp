#include "SyncThread.h"

#include "CodePage.h"
#include "SubtitleSync.h"

namespace velkaro {

std::shared_ptr<TSyncThread> TSyncThread::Create(std::shared_ptr<IUiDispatcher> ui, TJob job) {
  return std::shared_ptr<TSyncThread>(new TSyncThread(std::move(ui), std::move(job)));
}

TSyncThread::TSyncThread(std::shared_ptr<IUiDispatcher> ui, TJob job) : TWorkerThread(std::move(ui)), Job_(std::move(job)) {}

void TSyncThread::Start() { StartWorker(shared_from_this(), &TSyncThread::Run); }

void TSyncThread::Run() {
  TSpeechListener listener;
  listener.Stopped = [this] { return Abandoned(); };
  listener.Progress = [this](int percent) {
    Ui_->Post([self = shared_from_this(), percent] {
      if (!self->Abandoned() && self->OnProgress) self->OnProgress(percent);
    });
  };
  // Whatever goes wrong is told; nothing is thrown past the worker.
  try {
    Job_(listener);
  } catch (const TSpeechStopped&) {
  } catch (const TSyncError& error) {
    FailureText_ = error.what();
  } catch (const std::exception& error) {
    FailureText_ = Utf8ToCp1254(error.what());
  }
}

}  // namespace velkaro

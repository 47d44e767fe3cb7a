#include "ReadyPlanThread.h"

#include <exception>

namespace velkaro {

std::shared_ptr<TReadyPlanThread> TReadyPlanThread::Create(std::shared_ptr<IUiDispatcher> ui, TReadyRequest request) {
  return std::shared_ptr<TReadyPlanThread>(new TReadyPlanThread(std::move(ui), std::move(request)));
}

TReadyPlanThread::TReadyPlanThread(std::shared_ptr<IUiDispatcher> ui, TReadyRequest request)
    : TWorkerThread(std::move(ui)), Request_(std::move(request)) {}

void TReadyPlanThread::Start() { StartWorker(shared_from_this(), &TReadyPlanThread::Run); }

void TReadyPlanThread::Run() {
  Request_.Stopped = [this] { return Abandoned(); };
  try {
    Plan_ = PlanReadySubtitles(Request_);
  } catch (const std::exception& error) {
    Failure_ = error.what();
  }
}

}  // namespace velkaro

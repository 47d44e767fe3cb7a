#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ReadySubtitle.h"
#include "WorkerThread.h"

namespace velkaro {

// PlanReadySubtitles away from the user-interface thread, so that a window
// stays responsive while an archive is unpacked. Abandon (a Stop) ends the
// unpacking worker within a poll; the plan then says the unpacking stopped.
class TReadyPlanThread final : public TWorkerThread, public std::enable_shared_from_this<TReadyPlanThread> {
 public:
  static std::shared_ptr<TReadyPlanThread> Create(std::shared_ptr<IUiDispatcher> ui, TReadyRequest request);

  void Start();
  // The end notification, on the user-interface thread; none once abandoned.
  std::function<void(TReadyPlanThread&)> OnTerminate;

  // --- once the body has ended (end notification or Join) ---
  const TReadyPlan& Plan() const { return Plan_; }
  // What went wrong beyond the plan's own messages (a folder that cannot be read, say); empty when nothing did.
  const std::string& Failure() const { return Failure_; }

 private:
  TReadyPlanThread(std::shared_ptr<IUiDispatcher> ui, TReadyRequest request);
  void Run();

  TReadyRequest Request_;
  TReadyPlan Plan_;
  std::string Failure_;
};

}  // namespace velkaro

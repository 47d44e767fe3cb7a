#include "Faults.h"

#include <algorithm>

#include "TextHelpers.h"

namespace velkaro::sim {

namespace {

std::string ErrorPage(int status) {
  const std::string title = std::to_string(status) + " " + std::string(ReasonPhrase(status));
  return "<html><head><title>" + title + "</title></head>\n<body><h1>" + title + "</h1></body></html>\n";
}

void Apply(const TFault& fault, TResponse& response, TStopSignal& stop) {
  switch (fault.Kind) {
    case TFault::TKind::ErrorStatus:
      response.Status = fault.Status;
      response.ContentType = "text/html";
      response.Headers.clear();
      response.Body = ErrorPage(fault.Status);
      break;
    case TFault::TKind::ResetMidBody:
      response.CloseAfterBytes = std::min(fault.BytesSent.value_or(response.Body.size() / 2), response.Body.size());
      break;
    case TFault::TKind::Delay:
      if (!stop.WaitFor(fault.Wait)) {
        response = TResponse{};
        response.Status = 503;
      }
      break;
    case TFault::TKind::ReplaceBody:
      response.Body = *fault.Body;
      break;
    case TFault::TKind::Hold:
      while (!fault.Gate->WaitOpen(std::chrono::milliseconds(20))) {
        if (stop.Raised()) {
          response = TResponse{};
          response.Status = 503;
          break;
        }
      }
      break;
  }
}

}  // namespace

void TGate::Open() {
  {
    std::lock_guard lock(Mutex_);
    Open_ = true;
  }
  Changed_.notify_all();
}

bool TGate::WaitOpen(std::chrono::milliseconds duration) {
  std::unique_lock lock(Mutex_);
  return Changed_.wait_for(lock, duration, [this] { return Open_; });
}

bool TStopSignal::WaitFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(Mutex_);
  return !Changed_.wait_for(lock, duration, [this] { return Raised_; });
}

void TStopSignal::Raise() {
  {
    std::lock_guard lock(Mutex_);
    Raised_ = true;
  }
  Changed_.notify_all();
}

bool TStopSignal::Raised() const {
  std::lock_guard lock(Mutex_);
  return Raised_;
}

TFault TFault::ErrorStatus(int status) {
  TFault fault;
  fault.Kind = TKind::ErrorStatus;
  fault.Status = status;
  return fault;
}

TFault TFault::ResetMidBody(std::optional<std::size_t> bytesSent) {
  TFault fault;
  fault.Kind = TKind::ResetMidBody;
  fault.BytesSent = bytesSent;
  return fault;
}

TFault TFault::Delay(std::chrono::milliseconds wait) {
  TFault fault;
  fault.Kind = TKind::Delay;
  fault.Wait = wait;
  return fault;
}

TFault TFault::ReplaceBody(std::string bytes) {
  TFault fault;
  fault.Kind = TKind::ReplaceBody;
  fault.Body = std::make_shared<const std::string>(std::move(bytes));
  return fault;
}

TFault TFault::Hold(std::shared_ptr<TGate> gate) {
  TFault fault;
  fault.Kind = TKind::Hold;
  fault.Gate = std::move(gate);
  return fault;
}

TFault TFault::When(std::string text) const {
  TFault restricted = *this;
  restricted.TargetContains = std::move(text);
  return restricted;
}

bool TFault::AppliesTo(const TRequest& request) const { return Contains(request.Target, TargetContains); }

void TFaultSwitches::Add(const std::string& routeKey, TFault fault) {
  std::lock_guard lock(Mutex_);
  Faults_[routeKey].push_back(std::move(fault));
}

void TFaultSwitches::Clear() {
  std::lock_guard lock(Mutex_);
  Faults_.clear();
}

std::vector<TFault> TFaultSwitches::Matching(const std::string& routeKey, const TRequest& request) const {
  std::lock_guard lock(Mutex_);
  std::vector<TFault> matching;
  const auto found = Faults_.find(routeKey);
  if (found == Faults_.end()) return matching;
  for (const auto& fault : found->second) {
    if (fault.AppliesTo(request)) matching.push_back(fault);
  }
  return matching;
}

void ApplyFaults(const std::vector<TFault>& faults, TResponse& response, TStopSignal& stop) {
  for (const auto& fault : faults) {
    Apply(fault, response, stop);
    if (stop.Raised()) return;
  }
}

}  // namespace velkaro::sim

#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "HttpMessage.h"

// Ways a stand-in site misbehaves on purpose, switched on at run time.

namespace velkaro::sim {

// Lets waits end early when the server stops.
class TStopSignal {
 public:
  // False when the signal was raised before `duration` passed.
  bool WaitFor(std::chrono::milliseconds duration);
  void Raise();
  bool Raised() const;

 private:
  mutable std::mutex Mutex_;
  std::condition_variable Changed_;
  bool Raised_ = false;
};

// Holds answers back until a test opens it.
class TGate {
 public:
  void Open();
  // False when `duration` passed with the gate still closed.
  bool WaitOpen(std::chrono::milliseconds duration);

 private:
  std::mutex Mutex_;
  std::condition_variable Changed_;
  bool Open_ = false;
};

struct TFault {
  enum class TKind { ErrorStatus, ResetMidBody, Delay, ReplaceBody, Hold };

  // An error status with a short error page in place of the answer.
  static TFault ErrorStatus(int status = 500);
  // Headers announce the whole body, then the connection closes after
  // `bytesSent` body bytes (half the body when not given).
  static TFault ResetMidBody(std::optional<std::size_t> bytesSent = std::nullopt);
  // Waits before answering; the server's Stop ends the wait.
  static TFault Delay(std::chrono::milliseconds wait);
  // Sends `bytes` as the body, whatever they hold, with the usual status.
  static TFault ReplaceBody(std::string bytes);
  // Waits until `gate` opens; the server's Stop ends the wait.
  static TFault Hold(std::shared_ptr<TGate> gate);

  // A copy that only hits requests whose target, as received, contains
  // `text` (for a proxied request the target includes "http://host").
  TFault When(std::string text) const;
  bool AppliesTo(const TRequest& request) const;

  TKind Kind = TKind::ErrorStatus;
  std::string TargetContains;
  int Status = 500;
  std::optional<std::size_t> BytesSent;
  std::chrono::milliseconds Wait{0};
  std::shared_ptr<const std::string> Body;  // shared: a 50 MB body is not copied per request
  std::shared_ptr<TGate> Gate;
};

// Faults per route key, safe to change while requests run.
class TFaultSwitches {
 public:
  void Add(const std::string& routeKey, TFault fault);
  void Clear();
  // Those of `routeKey` that apply to `request`, in the order they were added.
  std::vector<TFault> Matching(const std::string& routeKey, const TRequest& request) const;

 private:
  mutable std::mutex Mutex_;
  std::map<std::string, std::vector<TFault>, std::less<>> Faults_;
};

// Applies `faults` in order to the site's `response`. A delay cut short by
// `stop` abandons the answer with a 503.
void ApplyFaults(const std::vector<TFault>& faults, TResponse& response, TStopSignal& stop);

}  // namespace velkaro::sim

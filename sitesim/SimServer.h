#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "Faults.h"
#include "HttpMessage.h"
#include "HttpServer.h"
#include "Router.h"
#include "Sites.h"
#include "UpdateSite.h"

// The stand-in for the subtitle sites and the maker's host, on one loopback
// port. It answers requests sent to it as a forward proxy (absolute target,
// routed by the target's host) and requests sent to it directly (routed by
// the Host header).

namespace velkaro::sim {

struct TRecordedRequest : TRequest {
  std::string Route;  // key of the route that took it; empty for an unknown host
};

class TSimServer {
 public:
  static constexpr const char* kLoopback = "127.0.0.1";

  explicit TSimServer(TCatalogue catalogue = TCatalogue::Standard());
  ~TSimServer();
  TSimServer(const TSimServer&) = delete;
  TSimServer& operator=(const TSimServer&) = delete;

  // Port 0 picks a free one; throws std::system_error when it cannot listen.
  void Start(std::uint16_t port = 0, const std::string& address = kLoopback);
  // Ends running delays, closes every connection and returns once all
  // server threads are gone.
  void Stop();
  std::uint16_t Port() const { return Http_.Port(); }
  // The engine's site table pointed straight at this server.
  TSiteTable DirectSites() const { return sim::DirectSites(Port()); }
  const TCatalogue& Catalogue() const { return Catalogue_; }
  // The maker's host, whose version text and banner tests set.
  TUpdateSite& UpdateSite() const;

  void AddFault(SiteId site, TFault fault) { AddFault(RouteKey(site), std::move(fault)); }
  void AddFault(const std::string& routeKey, TFault fault) { Faults_.Add(routeKey, std::move(fault)); }
  void ClearFaults() { Faults_.Clear(); }
  // Every answer from now on waits this long before its first byte, as over a
  // distant link; the server's Stop ends the wait.
  void SetLatency(std::chrono::milliseconds latency) { LatencyMs_.store(latency.count()); }

  // Every request so far, in arrival order, faulted and unknown ones included.
  std::vector<TRecordedRequest> Requests() const;
  std::vector<TRecordedRequest> RequestsTo(SiteId site) const;
  // How many connections carried requests to `site`.
  std::size_t ConnectionsTo(SiteId site) const;
  // The most requests to `site` ever being answered at one moment.
  std::size_t MostAtOnce(SiteId site) const;
  void ClearRequests();

 private:
  class TInFlight;
  TResponse Answer(const TRequest& request);
  void Record(const TRequest& request, const std::string& route);

  const TCatalogue Catalogue_;
  const TRouter Router_;
  TFaultSwitches Faults_;
  std::atomic<std::int64_t> LatencyMs_{0};
  TStopSignal Stopping_;
  mutable std::mutex RecordMutex_;
  std::vector<TRecordedRequest> Recorded_;
  // Requests being answered now, and the most at once, by route key.
  std::map<std::string, std::size_t> AtOnce_;
  std::map<std::string, std::size_t> MostAtOnce_;
  THttpServer Http_;  // last: its threads go first
};

}  // namespace velkaro::sim

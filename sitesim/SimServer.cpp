#include "SimServer.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace velkaro::sim {

namespace {

TResponse NoSuchHost(const TRequest& request) {
  TResponse response;
  // A proxy that cannot reach the host reports a bad gateway; a server asked
  // for a host it does not serve has nothing there.
  response.Status = request.Proxied ? 502 : 404;
  response.ContentType = "text/plain";
  response.Body = "sitesim: no site at host '" + request.Host + "'\n";
  return response;
}

// Sites answer GET only; the server leaves out the body.
TResponse AnswerHead(const TSimSite& site, TRequest request) {
  request.Method = "GET";
  return site.Answer(request);
}

}  // namespace

TResponse NotFoundPage(const TRequest& request) {
  TResponse response;
  response.Status = 404;
  response.Body = "<html><head><title>404 Not Found</title></head>\n<body><h1>Not Found</h1>\n<p>" +
                  request.Path + " was not found on this server.</p></body></html>\n";
  return response;
}

TSimServer::TSimServer(TCatalogue catalogue)
    : Catalogue_(std::move(catalogue)),
      Router_(StandardRoutes(Catalogue_)),
      Http_([this](const TRequest& request) { return Answer(request); }) {}

TSimServer::~TSimServer() { Stop(); }

TUpdateSite& TSimServer::UpdateSite() const {
  for (const auto& route : Router_.Routes()) {
    if (route.Key == kUpdateRouteKey) return static_cast<TUpdateSite&>(*route.Site);
  }
  throw std::logic_error("sitesim: no maker's host");
}

void TSimServer::Start(std::uint16_t port, const std::string& address) { Http_.Start(address, port); }

void TSimServer::Stop() {
  Stopping_.Raise();
  Http_.Stop();
}

// Counts a request as being answered for as long as it lives.
class TSimServer::TInFlight {
 public:
  TInFlight(TSimServer& server, std::string key) : Server_(server), Key_(std::move(key)) {
    std::lock_guard lock(Server_.RecordMutex_);
    auto& now = ++Server_.AtOnce_[Key_];
    auto& most = Server_.MostAtOnce_[Key_];
    most = std::max(most, now);
  }
  ~TInFlight() {
    std::lock_guard lock(Server_.RecordMutex_);
    --Server_.AtOnce_[Key_];
  }
  TInFlight(const TInFlight&) = delete;
  TInFlight& operator=(const TInFlight&) = delete;

 private:
  TSimServer& Server_;
  std::string Key_;
};

TResponse TSimServer::Answer(const TRequest& request) {
  const TRoute* route = Router_.Find(request.Host);
  Record(request, route ? route->Key : std::string{});
  const TInFlight inFlight(*this, route ? route->Key : std::string{});
  // A stop during the wait abandons the answer, as a delay fault does.
  if (!Stopping_.WaitFor(std::chrono::milliseconds(LatencyMs_.load()))) {
    TResponse abandoned;
    abandoned.Status = 503;
    return abandoned;
  }
  if (!route) return NoSuchHost(request);
  const auto faults = Faults_.Matching(route->Key, request);
  TResponse response = request.Method == "HEAD" ? AnswerHead(*route->Site, request) : route->Site->Answer(request);
  ApplyFaults(faults, response, Stopping_);
  return response;
}

void TSimServer::Record(const TRequest& request, const std::string& route) {
  TRecordedRequest recorded;
  static_cast<TRequest&>(recorded) = request;
  recorded.Route = route;
  std::lock_guard lock(RecordMutex_);
  Recorded_.push_back(std::move(recorded));
}

std::vector<TRecordedRequest> TSimServer::Requests() const {
  std::lock_guard lock(RecordMutex_);
  return Recorded_;
}

std::vector<TRecordedRequest> TSimServer::RequestsTo(SiteId site) const {
  const std::string key = RouteKey(site);
  std::vector<TRecordedRequest> matching;
  std::lock_guard lock(RecordMutex_);
  for (const auto& request : Recorded_) {
    if (request.Route == key) matching.push_back(request);
  }
  return matching;
}

std::size_t TSimServer::ConnectionsTo(SiteId site) const {
  std::set<std::size_t> connections;
  for (const auto& request : RequestsTo(site)) connections.insert(request.Connection);
  return connections.size();
}

std::size_t TSimServer::MostAtOnce(SiteId site) const {
  std::lock_guard lock(RecordMutex_);
  const auto found = MostAtOnce_.find(RouteKey(site));
  return found == MostAtOnce_.end() ? 0 : found->second;
}

void TSimServer::ClearRequests() {
  std::lock_guard lock(RecordMutex_);
  Recorded_.clear();
  MostAtOnce_.clear();
}

}  // namespace velkaro::sim

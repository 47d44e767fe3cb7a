#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Sites.h"
#include "SimSite.h"

namespace velkaro::sim {

// The route of the maker's update host; the sites' routes are their lower-case names.
inline constexpr std::string_view kUpdateRouteKey = "update";

struct TRoute {
  std::string Key;          // "extratitles": its *.localhost name and its fault key
  std::string DefaultHost;  // "www.extratitles.net"
  std::unique_ptr<TSimSite> Site;
};

// "WWW.ExtraTitles.net:80" -> "www.extratitles.net".
std::string HostName(std::string_view hostAndPort);

// Whether `hostName` (as HostName gives it) belongs to `route`: its default
// host, that host without "www.", or "<key>.localhost".
bool RouteServes(const TRoute& route, std::string_view hostName);

class TRouter {
 public:
  void Add(TRoute route) { Routes_.push_back(std::move(route)); }
  // nullptr for a host no route serves.
  const TRoute* Find(std::string_view hostAndPort) const;
  const std::vector<TRoute>& Routes() const { return Routes_; }

 private:
  std::vector<TRoute> Routes_;
};

// Every site the server stands in for, over `catalogue`.
TRouter StandardRoutes(const TCatalogue& catalogue);

// The route key of a site: its name lower-cased.
std::string RouteKey(SiteId site);

// The engine's site table pointed at the server directly: every host
// "<key>.localhost:PORT", which resolves to the loopback address.
TSiteTable DirectSites(std::uint16_t port);

}  // namespace velkaro::sim

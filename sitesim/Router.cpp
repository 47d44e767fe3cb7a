#include "Router.h"

#include "DivxForeverSite.h"
#include "DivxSubtitlesSite.h"
#include "ExtraTitlesSite.h"
#include "PodnapisiSite.h"
#include "SubDbSite.h"
#include "TextHelpers.h"
#include "UpdateSite.h"

namespace velkaro::sim {

namespace {

constexpr std::string_view kWww = "www.";
constexpr std::string_view kLocalhostSuffix = ".localhost";

struct TSiteMaker {
  SiteId Id;
  std::unique_ptr<TSimSite> (*Make)(const TCatalogue&);
};

// The catalogue outlives the site.
template <typename TSite>
std::unique_ptr<TSimSite> MakeSite(const TCatalogue& catalogue) {
  return std::make_unique<TSite>(catalogue);
}

// A site joins the server by adding its line here.
constexpr TSiteMaker kSiteMakers[] = {
    {SiteId::ExtraTitles, MakeSite<TExtraTitlesSite>},
    {SiteId::DivxSubtitles, MakeSite<TDivxSubtitlesSite>},
    {SiteId::DivxForever, MakeSite<TDivxForeverSite>},
    {SiteId::SubDb, MakeSite<TSubDbSite>},
    {SiteId::Podnapisi, MakeSite<TPodnapisiSite>},
};

}  // namespace

std::string HostName(std::string_view hostAndPort) {
  // A bracketed IPv6 literal keeps its colons.
  const auto colon = hostAndPort.rfind(':');
  if (colon != std::string_view::npos && hostAndPort.find(']', colon) == std::string_view::npos) {
    hostAndPort = hostAndPort.substr(0, colon);
  }
  return LowerAscii(hostAndPort);
}

bool RouteServes(const TRoute& route, std::string_view hostName) {
  const std::string defaultHost = LowerAscii(route.DefaultHost);
  const std::string_view bareHost =
      std::string_view(defaultHost).starts_with(kWww) ? std::string_view(defaultHost).substr(kWww.size()) : defaultHost;
  return hostName == defaultHost || hostName == bareHost || hostName == route.Key + std::string(kLocalhostSuffix);
}

const TRoute* TRouter::Find(std::string_view hostAndPort) const {
  const std::string name = HostName(hostAndPort);
  for (const auto& route : Routes_) {
    if (RouteServes(route, name)) return &route;
  }
  return nullptr;
}

std::string RouteKey(SiteId site) { return LowerAscii(TSiteTable::Defaults()[site].Name); }

TRouter StandardRoutes(const TCatalogue& catalogue) {
  const TSiteTable defaults = TSiteTable::Defaults();
  TRouter router;
  for (const auto& maker : kSiteMakers) {
    router.Add({RouteKey(maker.Id), defaults[maker.Id].Host, maker.Make(catalogue)});
  }
  router.Add({std::string(kUpdateRouteKey), defaults.UpdateHost(), MakeUpdateSite()});
  return router;
}

TSiteTable DirectSites(std::uint16_t port) {
  const std::string suffix = std::string(kLocalhostSuffix) + ":" + std::to_string(port);
  TSiteTable sites = TSiteTable::Defaults();
  for (int id = 0; id < kSiteCount; ++id) {
    const auto site = static_cast<SiteId>(id);
    sites[site].Host = RouteKey(site) + suffix;
  }
  sites.SetUpdateHost(std::string(kUpdateRouteKey) + suffix);
  return sites;
}

}  // namespace velkaro::sim

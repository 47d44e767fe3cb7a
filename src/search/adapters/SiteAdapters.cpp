#include "SiteAdapters.h"

#include <array>

namespace velkaro {

namespace {

void SearchNothing(TSearchThread&) {}

}  // namespace

TSiteSearch SiteSearchFor(SiteId id) {
  // Indexed by SiteId.
  static constexpr std::array<TSiteSearch, kSiteCount> kSearches = {
      &SearchDivxForever,    // SiteId 0
      &SearchExtraTitles,    // 1
      &SearchPodnapisi,      // 2
      &SearchDivxSubtitles,  // 3
      &SearchSubDb,          // 4
  };
  const auto index = static_cast<std::size_t>(id);
  return index < kSearches.size() ? kSearches[index] : &SearchNothing;
}

}  // namespace velkaro

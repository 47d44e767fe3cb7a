#include "SiteAdapters.h"

#include <array>

namespace velkaro {

namespace {

void SearchNothing(TSearchThread&) {}

}  // namespace

TSiteSearch SiteSearchFor(SiteId id) {
  // Indexed by SiteId.
  static constexpr std::array<TSiteSearch, kSiteCount> kSearches = {
      &SearchNothing,       // DivxForever
      &SearchExtraTitles,   // ExtraTitles
      &SearchNothing,       // Podnapisi
      &SearchNothing,       // DivxSubtitles
      &SearchNothing,       // SubDb
  };
  const auto index = static_cast<std::size_t>(id);
  return index < kSearches.size() ? kSearches[index] : &SearchNothing;
}

}  // namespace velkaro

#include "SiteAdapters.h"

#include <array>
#include <stdexcept>
#include <string>

namespace velkaro {

const TSiteAdapter& SiteAdapterFor(SiteId id) {
  // Indexed by SiteId.
  static constexpr std::array<const TSiteAdapter*, kSiteCount> kAdapters = {
      &kDivxForeverAdapter,    // SiteId 0
      &kExtraTitlesAdapter,    // 1
      &kPodnapisiAdapter,      // 2
      &kDivxSubtitlesAdapter,  // 3
      &kSubDbAdapter,          // 4
  };
  const auto index = static_cast<std::size_t>(id);
  if (index >= kAdapters.size()) throw std::out_of_range("no site with id " + std::to_string(index));
  return *kAdapters[index];
}

std::string NumberedPageQuery(std::string_view query, std::int64_t page) {
  constexpr std::string_view kPageKey = "page=";
  const auto key = query.find(kPageKey);
  std::string numbered(key == std::string_view::npos ? query : query.substr(0, key + kPageKey.size()));
  return numbered + std::to_string(page);
}

}  // namespace velkaro

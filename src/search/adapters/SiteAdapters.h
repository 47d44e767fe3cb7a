#pragma once

#include "SiteAdapter.h"

namespace velkaro {

// One per site, each in the site's own file.
extern const TSiteAdapter kDivxForeverAdapter;
extern const TSiteAdapter kExtraTitlesAdapter;
extern const TSiteAdapter kPodnapisiAdapter;
extern const TSiteAdapter kDivxSubtitlesAdapter;
extern const TSiteAdapter kSubDbAdapter;

// The adapter of a site; throws std::out_of_range for an id no site has.
const TSiteAdapter& SiteAdapterFor(SiteId id);

}  // namespace velkaro

#pragma once

#include "SearchThread.h"
#include "adapters/SiteAdapter.h"

// The one search driver: any site's search, from its first request to its
// last record, as the site's adapter describes it.

namespace velkaro {

// The whole search on `thread`, under the catch-all: a failure ends this
// site's search quietly, keeping the records handed over; a lost page has
// added its marker. The end is reported to the thread's diagnostics.
void RunSiteSearch(const TSiteAdapter& site, TSearchThread& thread);

// The records of the thread's current page, handed over one by one in page
// order, each completed from its detail page; the detail pages are fetched
// ahead, as many at once as the thread's Connections. A walk that fails midway
// hands over the records before the failure, then throws it.
void WalkCurrentPage(const TSiteAdapter& site, TSearchThread& thread);

}  // namespace velkaro

#pragma once

#include "../SubtitleInfo.h"

namespace velkaro {

class TSearchThread;

// A site's whole search on its thread: first page, parse, further pages.
using TSiteSearch = void (*)(TSearchThread&);

TSiteSearch SiteSearchFor(SiteId id);

void SearchExtraTitles(TSearchThread& thread);

}  // namespace velkaro

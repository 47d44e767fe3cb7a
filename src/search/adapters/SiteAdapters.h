#pragma once

#include "../SubtitleInfo.h"

namespace velkaro {

class TSearchThread;

// A site's whole search on its thread: first page, parse, further pages.
using TSiteSearch = void (*)(TSearchThread&);

TSiteSearch SiteSearchFor(SiteId id);

void SearchDivxForever(TSearchThread& thread);
void SearchExtraTitles(TSearchThread& thread);
void SearchPodnapisi(TSearchThread& thread);
void SearchDivxSubtitles(TSearchThread& thread);
void SearchSubDb(TSearchThread& thread);

}  // namespace velkaro

#include "DivxSubtitles.h"

#include "../SearchThread.h"
#include "SiteAdapters.h"

namespace velkaro {

void SearchDivxSubtitles(TSearchThread&) {}

}  // namespace velkaro

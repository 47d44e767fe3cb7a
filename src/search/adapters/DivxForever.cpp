#include "DivxForever.h"

#include "../SearchThread.h"
#include "SiteAdapters.h"

namespace velkaro {

void SearchDivxForever(TSearchThread&) {}

}  // namespace velkaro

#include "SubDb.h"

#include "../SearchThread.h"
#include "SiteAdapters.h"

namespace velkaro {

void SearchSubDb(TSearchThread&) {}

}  // namespace velkaro

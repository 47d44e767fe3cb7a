#include "Podnapisi.h"

#include "../SearchThread.h"
#include "SiteAdapters.h"

namespace velkaro {

void SearchPodnapisi(TSearchThread&) {}

}  // namespace velkaro

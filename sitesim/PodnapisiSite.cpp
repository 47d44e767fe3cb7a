#include "SimSite.h"

namespace velkaro::sim {

namespace {

class TPodnapisiSite final : public TSimSite {
 public:
  TResponse Answer(const TRequest& request) const override { return NotFoundPage(request); }
};

}  // namespace

std::unique_ptr<TSimSite> MakePodnapisiSite(const TCatalogue&) { return std::make_unique<TPodnapisiSite>(); }

}  // namespace velkaro::sim

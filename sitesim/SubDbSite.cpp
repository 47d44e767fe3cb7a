#include "SimSite.h"

namespace velkaro::sim {

namespace {

class TSubDbSite final : public TSimSite {
 public:
  TResponse Answer(const TRequest& request) const override { return NotFoundPage(request); }
};

}  // namespace

std::unique_ptr<TSimSite> MakeSubDbSite(const TCatalogue&) { return std::make_unique<TSubDbSite>(); }

}  // namespace velkaro::sim

#include "SimSite.h"

namespace velkaro::sim {

namespace {

class TDivxForeverSite final : public TSimSite {
 public:
  TResponse Answer(const TRequest& request) const override { return NotFoundPage(request); }
};

}  // namespace

std::unique_ptr<TSimSite> MakeDivxForeverSite(const TCatalogue&) { return std::make_unique<TDivxForeverSite>(); }

}  // namespace velkaro::sim

#include "SimSite.h"

namespace velkaro::sim {

namespace {

class TDivxSubtitlesSite final : public TSimSite {
 public:
  TResponse Answer(const TRequest& request) const override { return NotFoundPage(request); }
};

}  // namespace

std::unique_ptr<TSimSite> MakeDivxSubtitlesSite(const TCatalogue&) { return std::make_unique<TDivxSubtitlesSite>(); }

}  // namespace velkaro::sim

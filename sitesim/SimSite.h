#pragma once

#include <memory>

#include "Catalogue.h"
#include "HttpMessage.h"

// One stand-in web site: answers every request routed to its host.

namespace velkaro::sim {

class TSimSite {
 public:
  virtual ~TSimSite() = default;
  // Runs on connection threads, several at once.
  virtual TResponse Answer(const TRequest& request) const = 0;
};

// Small answers every site gives alike.
TResponse NotFoundPage(const TRequest& request);

}  // namespace velkaro::sim

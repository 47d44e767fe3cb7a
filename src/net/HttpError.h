#pragma once

#include <stdexcept>
#include <string>

namespace velkaro {

// Any failed request: no connection, a time-out, a status of 400 or above, an abort.
class THttpError : public std::runtime_error {
 public:
  explicit THttpError(const std::string& message, int status = 0)
      : std::runtime_error(message), Status_(status) {}
  // The HTTP status when the server answered with an error status, else 0.
  int Status() const { return Status_; }

 private:
  int Status_;
};

class THttpAborted : public THttpError {
 public:
  THttpAborted() : THttpError("transfer aborted") {}
};

}  // namespace velkaro

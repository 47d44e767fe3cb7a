#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "CancelToken.h"
#include "HttpClient.h"

namespace velkaro {

// GET requests of several clients at once on one multi handle, all driven by
// the thread that owns the group; connections are kept for the group's later
// requests. Abort() (also through the cancel token) may come from any thread.
class TTransferGroup final : public IAbortable {
 public:
  explicit TTransferGroup(std::shared_ptr<TCancelToken> token = nullptr);
  ~TTransferGroup();
  TTransferGroup(const TTransferGroup&) = delete;
  TTransferGroup& operator=(const TTransferGroup&) = delete;

  // Starts a GET of `url` on `client`, which stays in the group until it ends;
  // the body goes to `sink`. Throws THttpAborted once the group is aborted.
  void StartGet(THttpClient& client, const std::string& url, TByteSink sink);
  // Runs the transfers until one ends and returns its client with nullptr, or
  // with its failure as the client's Get would have thrown it. Throws
  // THttpAborted once the group is aborted, and std::logic_error when none runs.
  std::pair<THttpClient*, std::exception_ptr> WaitForOne();
  std::size_t Running() const;

  void Abort() override;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace velkaro

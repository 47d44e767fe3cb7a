#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "HttpClient.h"
#include "TransferGroup.h"

// Requests whose answers are read one after another, fetched ahead several
// at a time on the worker's own thread.

namespace velkaro {

// How one request fetched ahead went.
struct TFetchOutcome {
  std::string Body;
  int Status = 0;
  std::optional<THttpError> Error;  // set when the request failed
  std::chrono::steady_clock::duration Took{};
};

// GET requests started in the order queued, at most `maxInFlight` at once on
// one transfer group, so the connections they open serve the later ones.
class TFetchAhead {
 public:
  using TClientMaker = std::function<std::unique_ptr<THttpClient>()>;

  TFetchAhead(std::size_t maxInFlight, std::shared_ptr<TCancelToken> token);

  // The request's ticket. Its client is made when it starts, so a long queue
  // holds no handles.
  std::size_t Queue(TClientMaker makeClient, std::string url);
  // The outcome of a queued request, waiting for it while the others go on;
  // each ticket is taken once. Throws THttpAborted once aborted.
  TFetchOutcome Take(std::size_t ticket);

 private:
  struct TJob {
    TClientMaker MakeClient;
    std::string Url;
    std::unique_ptr<THttpClient> Client;  // while it runs
    std::chrono::steady_clock::time_point Started;
    std::string Body;                       // as it arrives
    std::optional<TFetchOutcome> Outcome;  // once it has ended
  };

  TJob& JobOf(std::size_t ticket);
  void StartWaiting();
  void Start(TJob& job);
  void CompleteOne();

  std::size_t MaxInFlight_;
  std::size_t FirstTicket_ = 0;  // of Jobs_.front()
  std::size_t NextToStart_ = 0;  // ticket
  std::deque<TJob> Jobs_;
  TTransferGroup Group_;  // last: leaves the running clients before they go
};

}  // namespace velkaro

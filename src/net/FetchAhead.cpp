#include "FetchAhead.h"

#include <algorithm>
#include <stdexcept>

namespace velkaro {

TFetchAhead::TFetchAhead(std::size_t maxInFlight, std::shared_ptr<TCancelToken> token)
    : MaxInFlight_(std::max<std::size_t>(maxInFlight, 1)), Group_(std::move(token)) {}

std::size_t TFetchAhead::Queue(TClientMaker makeClient, std::string url) {
  Jobs_.push_back(TJob{std::move(makeClient), std::move(url), nullptr, {}, {}, std::nullopt});
  return FirstTicket_ + Jobs_.size() - 1;
}

TFetchAhead::TJob& TFetchAhead::JobOf(std::size_t ticket) {
  if (ticket < FirstTicket_ || ticket - FirstTicket_ >= Jobs_.size()) {
    throw std::out_of_range("no request with ticket " + std::to_string(ticket));
  }
  return Jobs_[ticket - FirstTicket_];
}

TFetchOutcome TFetchAhead::Take(std::size_t ticket) {
  TJob& job = JobOf(ticket);
  while (!job.Outcome) {
    StartWaiting();
    CompleteOne();
  }
  TFetchOutcome outcome = std::move(*job.Outcome);
  job.Outcome.reset();
  job.MakeClient = nullptr;
  // Taken jobs at the front are done with; later ones keep their tickets.
  while (!Jobs_.empty() && !Jobs_.front().MakeClient && !Jobs_.front().Client) {
    Jobs_.pop_front();
    ++FirstTicket_;
  }
  return outcome;
}

void TFetchAhead::StartWaiting() {
  while (Group_.Running() < MaxInFlight_ && NextToStart_ < FirstTicket_ + Jobs_.size()) {
    Start(JobOf(NextToStart_++));
  }
}

void TFetchAhead::Start(TJob& job) {
  job.Client = job.MakeClient();
  job.Started = std::chrono::steady_clock::now();
  try {
    Group_.StartGet(*job.Client, job.Url, [&job](std::string_view chunk) { job.Body.append(chunk); });
  } catch (const THttpAborted&) {
    throw;
  } catch (const THttpError& error) {
    job.Outcome.emplace().Error = error;
    job.Client.reset();
  }
}

void TFetchAhead::CompleteOne() {
  const auto ended = Group_.WaitForOne();
  // Plain names: the clang the fuzz build uses cannot capture a structured binding.
  THttpClient* const client = ended.first;
  const std::exception_ptr failure = ended.second;
  const auto job = std::find_if(Jobs_.begin(), Jobs_.end(), [client](const TJob& j) { return j.Client.get() == client; });
  if (job == Jobs_.end()) throw std::logic_error("a transfer ended that no request started");
  TFetchOutcome outcome;
  outcome.Took = std::chrono::steady_clock::now() - job->Started;
  outcome.Status = client->LastStatus();
  if (!failure) {
    outcome.Body = std::move(job->Body);
  } else {
    try {
      std::rethrow_exception(failure);
    } catch (const THttpError& error) {
      outcome.Error = error;
    }
  }
  job->Body.clear();
  job->Outcome = std::move(outcome);
  job->Client.reset();
}

}  // namespace velkaro

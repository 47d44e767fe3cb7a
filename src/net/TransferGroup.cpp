#include "TransferGroup.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "HttpClientImpl.h"

namespace velkaro {

namespace {

// Idle connections a transfer group keeps for its later requests.
constexpr long kGroupConnections = 16;

}  // namespace

struct TTransferGroup::TImpl {
  struct TRunning {
    THttpClient* Client;
    TByteSink Sink;  // the transfer keeps a reference to it
  };

  // Takes `easy` out of the multi handle and judges its request.
  std::pair<THttpClient*, std::exception_ptr> Finish(CURL* easy, TLoopEnd loopEnd, CURLcode result) {
    const auto found = Running.find(easy);
    THttpClient* client = found->second.Client;
    curl_multi_remove_handle(Multi.get(), easy);
    std::exception_ptr failure;
    try {
      client->Impl_->End(loopEnd, result);
    } catch (...) {
      failure = std::current_exception();
    }
    Running.erase(found);
    return {client, failure};
  }

  std::optional<std::pair<THttpClient*, std::exception_ptr>> EndedTransfer() {
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi.get(), &pending)) {
      if (message->msg == CURLMSG_DONE && Running.contains(message->easy_handle)) {
        return Finish(message->easy_handle, TLoopEnd::Completed, message->data.result);
      }
    }
    for (const auto& [easy, running] : Running) {
      const auto& impl = *running.Client->Impl_;
      if (impl.ReadTimedOut(*impl.Current)) return Finish(easy, TLoopEnd::ReadTimedOut, CURLE_OK);
    }
    return std::nullopt;
  }

  int PollWaitMs() const {
    int wait = kIdlePollMs;
    for (const auto& entry : Running) {
      const auto& impl = *entry.second.Client->Impl_;
      wait = std::min(wait, impl.PollWaitMs(*impl.Current));
    }
    return wait;
  }

  TAbortFlag Abort;
  std::map<CURL*, TRunning> Running;
  TMultiHandle Multi;
};

TTransferGroup::TTransferGroup(std::shared_ptr<TCancelToken> token) : Impl_(std::make_unique<TImpl>()) {
  EnsureCurlInitialised();
  Impl_->Multi.reset(curl_multi_init());
  if (!Impl_->Multi) throw THttpError("cannot create a libcurl handle");
  // Otherwise curl keeps a few per transfer running, and closes the rest while few run.
  curl_multi_setopt(Impl_->Multi.get(), CURLMOPT_MAXCONNECTS, kGroupConnections);
  Impl_->Abort.Token = std::move(token);
  if (Impl_->Abort.Token) Impl_->Abort.Token->Attach(this);
}

TTransferGroup::~TTransferGroup() {
  if (Impl_->Abort.Token) Impl_->Abort.Token->Detach(this);
  for (auto& [easy, running] : Impl_->Running) {
    curl_multi_remove_handle(Impl_->Multi.get(), easy);
    running.Client->Impl_->Current.reset();
  }
}

void TTransferGroup::StartGet(THttpClient& client, const std::string& url, TByteSink sink) {
  Impl_->Abort.ThrowIfRaised();
  CURL* easy = client.Impl_->Easy.get();
  const auto [entry, added] = Impl_->Running.emplace(easy, TImpl::TRunning{&client, std::move(sink)});
  if (!added) throw std::logic_error("a client runs one transfer at a time");
  try {
    client.Impl_->Begin(url, std::nullopt, entry->second.Sink);
    const CURLMcode result = curl_multi_add_handle(Impl_->Multi.get(), easy);
    if (result != CURLM_OK) throw THttpError(curl_multi_strerror(result));
  } catch (...) {
    client.Impl_->Current.reset();
    Impl_->Running.erase(entry);
    throw;
  }
}

std::pair<THttpClient*, std::exception_ptr> TTransferGroup::WaitForOne() {
  if (Impl_->Running.empty()) throw std::logic_error("no transfer to wait for");
  for (;;) {
    Impl_->Abort.ThrowIfRaised();
    int running = 0;
    const bool performed = curl_multi_perform(Impl_->Multi.get(), &running) == CURLM_OK;
    if (!performed) return Impl_->Finish(Impl_->Running.begin()->first, TLoopEnd::MultiFailed, CURLE_OK);
    if (auto ended = Impl_->EndedTransfer()) return *ended;
    if (curl_multi_poll(Impl_->Multi.get(), nullptr, 0, Impl_->PollWaitMs(), nullptr) != CURLM_OK) {
      return Impl_->Finish(Impl_->Running.begin()->first, TLoopEnd::MultiFailed, CURLE_OK);
    }
  }
}

std::size_t TTransferGroup::Running() const { return Impl_->Running.size(); }

void TTransferGroup::Abort() {
  Impl_->Abort.Raise();
  curl_multi_wakeup(Impl_->Multi.get());
}

}  // namespace velkaro


#include "CancelToken.h"

namespace velkaro {

void TCancelToken::Cancel() {
  std::lock_guard lock(Mutex_);
  Cancelled_.store(true, std::memory_order_release);
  for (IAbortable* running : Running_) running->Abort();
}

void TCancelToken::Attach(IAbortable* running) {
  std::lock_guard lock(Mutex_);
  Running_.push_back(running);
}

void TCancelToken::Detach(IAbortable* running) {
  std::lock_guard lock(Mutex_);
  std::erase(Running_, running);
}

}  // namespace velkaro

#include "Interrupt.h"

#include <csignal>

namespace velkaro {

namespace {

volatile std::sig_atomic_t Caught = 0;
extern "C" void OnInterrupt(int) { Caught = 1; }

}  // namespace

void CatchInterrupts() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() { return Caught != 0; }

}  // namespace velkaro

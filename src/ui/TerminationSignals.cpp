#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace velkaro {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a pipe; a notifier reads it on the
// user-interface thread. One pipe for the process, made on first use.
int ReadEnd = -1;
int WriteEnd = -1;

void OnSignal(int signal) {
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const auto written = ::write(WriteEnd, &byte, 1);
}

// One-shot: the handler resets to the default action as it runs.
void InstallHandler() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

void ArmTerminationSignals() {
  if (WriteEnd < 0) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) return;
    ReadEnd = ends[0];
    WriteEnd = ends[1];
  }
  InstallHandler();
}

void CloseOnTerminationSignals(QWidget& window, std::function<void()> endSession) {
  ArmTerminationSignals();
  if (ReadEnd < 0) return;
  auto* notifier = new QSocketNotifier(ReadEnd, QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, endSession = std::move(endSession)] {
    bool ending = false;
    char byte = 0;
    while (::read(ReadEnd, &byte, 1) == 1) ending = ending || byte != static_cast<char>(SIGINT);
    if (ending) {
      // Nobody is there to answer a question.
      endSession();
    } else if (!window.close()) {
      InstallHandler();
    }
  });
}

}  // namespace velkaro

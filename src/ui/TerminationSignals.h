#pragma once

class QWidget;

namespace velkaro {

// SIGTERM, SIGINT and SIGHUP (a `kill`, Ctrl+C in the terminal, the terminal
// closing) close the window as its close box does, on the user-interface
// thread: the exit question when rows are listed, the start-up choice saved.
// A close the user refuses arms the signals again; a second signal while the
// first is being handled ends the process at once, as without this.

// Catches the signals from now on; one that arrives before the window is
// attached waits for it. Call it before the window's start-up work begins.
void ArmTerminationSignals();
// Attaches `window` (arming the signals when that has not been done).
void CloseOnTerminationSignals(QWidget& window);

}  // namespace velkaro

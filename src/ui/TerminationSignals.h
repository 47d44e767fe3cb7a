#pragma once

#include <functional>

class QWidget;

namespace velkaro {

// SIGTERM and SIGHUP (a session ending, `kill`, the terminal closing) end the
// program without a question: `endSession` saves and closes, on the
// user-interface thread. SIGINT (Ctrl+C in the terminal) closes the window as
// its close box does: the exit question when rows are listed, the start-up
// choice saved; a close the user refuses arms the signals again. A second
// signal while the first is being handled ends the process at once, as
// without this.

// Catches the signals from now on; one that arrives before the window is
// attached waits for it. Call it before the window's start-up work begins.
void ArmTerminationSignals();
// Attaches `window` (arming the signals when that has not been done).
void CloseOnTerminationSignals(QWidget& window, std::function<void()> endSession);

}  // namespace velkaro

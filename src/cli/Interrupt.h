#pragma once

// Ctrl+C and SIGTERM, noted for the command under way to stop at its next
// check: it ends as "Durdur" ends a search, and velkaro-cli exits with 130.

namespace velkaro {

void CatchInterrupts();
bool Interrupted();

}  // namespace velkaro

// Ctrl-C and SIGTERM for the command-line converter: the first one only notes that the user wants
// out, so that the run can end after the file in hand instead of leaving a half-written one.
#pragma once

namespace platform {

// Catches SIGINT and SIGTERM. The first of them is noted; a second one ends the process as the
// system would (the way out when the file in hand takes too long). False when the handlers
// cannot be installed.
bool catchInterruptSignals();

// The signal noted since catchInterruptSignals, or 0 when none arrived.
int interruptSignal();

} // namespace platform

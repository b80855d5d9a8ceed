// Ctrl-C, SIGTERM and a closed standard output for the command-line converter: the first one
// only notes that the run should end, so that it can give up the files in hand instead of
// leaving half-written ones.
#pragma once

namespace platform {

// Catches SIGINT, SIGTERM and SIGPIPE. The first of them is noted. A second SIGINT or SIGTERM
// ends the process as the system would (the way out when giving up the files in hand takes too
// long, a write stuck on a slow device say); a
// further SIGPIPE is only the next write to the same closed pipe and is ignored (the write
// fails with EPIPE). SIGINT and SIGTERM stay ignored when the process started with them
// ignored. False when the handlers cannot be installed.
bool catchInterruptSignals();

// The signal noted since catchInterruptSignals, or 0 when none arrived.
int interruptSignal();

// Ends the process by `signal` with its default action, so that a calling shell sees that the
// program was stopped by it (status 128 + signal) rather than that it exited. Returns only when
// the signal does not end a process.
void endBySignal(int signal);

} // namespace platform

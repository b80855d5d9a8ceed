#include "platform/interrupt_signal.h"

#include <csignal>

namespace platform {

namespace {

volatile std::sig_atomic_t received = 0;

void noteSignal(int signal) {
    if (received != 0) {
        // Asked twice: end as the signal would have. It stays blocked until this returns.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    received = signal;
}

} // namespace

bool catchInterruptSignals() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Writes to a pipe resume rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

int interruptSignal() {
    return received;
}

} // namespace platform

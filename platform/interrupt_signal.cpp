#include "platform/interrupt_signal.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

#include <pthread.h>

namespace platform {

namespace {

// Read by the run's threads while the handler may write it: an atomic that takes no lock, which
// is what a signal handler may touch.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

void noteSignal(int signal) {
    int none = 0;
    if (received.compare_exchange_strong(none, signal))
        return;
    // Every line written after the pipe closed raises SIGPIPE again; only the user asks twice.
    if (signal == SIGPIPE)
        return;
    // Asked twice: end as the signal would have. It stays blocked until this returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

bool catchInterruptSignals() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Writes to a pipe resume rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) != 0)
            return false;
        // A shell starts a script's background commands with Ctrl-C ignored: it is not for them.
        if (signal != SIGPIPE && before.sa_handler == SIG_IGN)
            continue;
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    return true;
}

int interruptSignal() {
    return received.load();
}

void endBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
}

} // namespace platform

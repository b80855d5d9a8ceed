// The run state of the two batch buttons, owned by whoever hosts them (the window, the command
// line) and consulted by both the host and the batch handlers: which button's handler is on the
// stack, whether its run has started, and the stop request. The captions only show this state.
#pragma once

#include <atomic>
#include <string_view>

namespace batch {

class BatchSession {
public:
    // One flag for both buttons: cleared right before a run starts, set by a click on the button
    // of the run in progress (on the command line, by a signal), never reset when a run ends.
    // Atomic, so that a run on another thread sees a request made on the window's.
    std::atomic<bool> stopRequested{false};

    // True while a button's handler is in its dialog, picker, scan or run; clicks that would
    // start a second one are then ignored, so runs never nest.
    bool handlerActive() const { return !activeButton.empty(); }
    // True while `button`'s run is in progress: a click on it is then a stop request.
    bool runs(std::string_view button) const { return running && activeButton == button; }

    // Marks `button`'s handler as on the stack for the guard's lifetime.
    class Handler {
    public:
        Handler(BatchSession& owner, std::string_view button) : session(owner) {
            session.activeButton = button;
        }
        ~Handler() {
            session.activeButton = {};
            session.running = false;
        }
        Handler(const Handler&) = delete;
        Handler& operator=(const Handler&) = delete;

        // The handler holds its list and starts the run: its button becomes the stop button.
        void runStarts() { session.running = true; }

    private:
        BatchSession& session;
    };

private:
    std::string_view activeButton;
    bool running = false;
};

} // namespace batch

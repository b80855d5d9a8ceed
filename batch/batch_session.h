// The run state of the two batch buttons, owned by whoever hosts them (the window, the command
// line) and consulted by both the host and the batch handlers: which button's handler is on the
// stack, whether its run has started, and the stop request. The captions only show this state.
#pragma once

#include <optional>
#include <stop_token>

namespace batch {

// The two batch buttons: the open dialog's and the folder picker's.
enum class BatchButton {
    Files,  // 按钮批量转换
    Folder, // 按钮批量转换文件夹
};

class BatchSession {
public:
    // One stop request for both buttons: renewed right before a run starts, made by a click on
    // the button of the run in progress (on the command line, by a signal), never withdrawn when
    // a run ends. The workers see it through its token, so a stop reaches a file mid-way.
    bool stopRequested() const { return stop.stop_requested(); }
    void requestStop() { stop.request_stop(); }
    std::stop_token stopToken() const { return stop.get_token(); }
    void renewStopRequest() { stop = std::stop_source(); }

    // True while a button's handler is in its dialog, picker, scan or run; clicks that would
    // start a second one are then ignored, so runs never nest.
    bool handlerActive() const { return activeButton.has_value(); }
    // True while `button`'s run is in progress: a click on it is then a stop request.
    bool runs(BatchButton button) const { return running && activeButton == button; }

    // Marks `button`'s handler as on the stack for the guard's lifetime.
    class Handler {
    public:
        Handler(BatchSession& owner, BatchButton button) : session(owner) {
            session.activeButton = button;
        }
        ~Handler() {
            session.activeButton.reset();
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
    std::stop_source stop;
    std::optional<BatchButton> activeButton;
    bool running = false;
};

} // namespace batch

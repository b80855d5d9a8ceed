// The window as the two batch buttons' handlers see it, one narrow interface per need: the
// buttons and what they read, the dialogs, the event pump, and the run's observer. The window
// implements them over its controls; the tests with a stand-in.
#pragma once

#include <vector>

#include "batch/batch_session.h"
#include "batch/folder_scan.h"
#include "batch/run_observer.h"
#include "batch/run_options.h"
#include "platform/ansi_text.h"

namespace batch {

// What a batch button shows.
enum class ButtonState {
    Idle,     // waiting for a click
    Running,  // its run is in progress: a click asks it to stop
    Stopping, // its run has been asked to stop
};

// The batch buttons and the controls their handlers read.
class ButtonPanel {
public:
    virtual ~ButtonPanel() = default;
    // The run's choices as the window shows them now.
    virtual RunOptions runOptions() = 0;
    // The filter box's text, exactly as typed.
    virtual AnsiText filterText() = 0;
    // The folder a button remembers: where its dialog opens.
    virtual AnsiText rememberedFolder(BatchButton button) = 0;
    virtual void rememberFolder(BatchButton button, const AnsiText& folder) = 0;
    virtual void showState(BatchButton button, ButtonState state) = 0;
    virtual void setEnabled(BatchButton button, bool enabled) = 0;
};

// The desktop dialogs the handlers open.
class BatchDialogs {
public:
    virtual ~BatchDialogs() = default;
    // The multi-select open dialog: full paths in the dialog's order; empty when cancelled.
    virtual std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                              const AnsiText& initialFolder) = 0;
    // The folder picker: the chosen folder, or empty when cancelled.
    virtual AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) = 0;
    // A yes/no question before a run replaces source files (replaceQuestion); true to go on.
    virtual bool confirmReplacing(const AnsiText& question) = 0;
};

// Everything a button's handler reaches.
struct ButtonWindow {
    ButtonPanel& panel;
    BatchDialogs& dialogs;
    RunObserver& observer;
    // Processes the window's pending events once; false once the window is going away.
    PumpEvents pumpEvents;
};

} // namespace batch

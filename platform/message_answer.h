// The button that closed a message box, and the buttons a box is made of. Shared by every layer
// that asks the user something (the batch report, the settings store's alarm), whatever shows
// the box.
#pragma once

namespace platform {

enum class MessageAnswer : int {
    Ok = 0,
    Cancel = 1,
    Abort = 2,
    Retry = 3,
    Ignore = 4,
    Yes = 5,
    No = 6,
    TryAgain = 7,
    Continue = 8,
};

} // namespace platform

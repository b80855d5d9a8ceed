// How the classic message-box style bits become a box: which buttons, icon, default button and
// modality, and which answer each button gives. Pure decisions; ui/shell_actions shows the box.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/message_answer.h"

namespace ui {

// A box's buttons, valued as the system's answer codes (IDOK 1 .. IDNO 7, IDTRYAGAIN 10,
// IDCONTINUE 11).
enum class BoxButton : int {
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
    TryAgain = 10,
    Continue = 11,
};

enum class BoxIcon { None, Error, Question, Warning, Information };

// Every classic modality is shown application-modal; the distinction is kept for the record.
enum class BoxModality { Application, System, Task };

struct MessageBoxLayout {
    std::vector<BoxButton> buttons; // left to right
    BoxIcon icon = BoxIcon::None;
    std::size_t defaultButton = 0; // index into buttons
    BoxModality modality = BoxModality::Application;
    bool escapable = false; // Esc or closing the window answers escapeAnswer
    BoxButton escapeAnswer = BoxButton::Cancel;
    bool topmost = false;
};

// The program's own style arithmetic: the information icon (0x40) is added when none of the icon
// bits 0x70 is set, then system-modal (0x1000) is added. Added, not or-ed: a style that already
// carries 0x1000 becomes task-modal, as it always did.
int messageBoxStyle(int style);

// The box a style asks for. Unknown button groups fall back to OK alone, a default button
// beyond the last to the first.
MessageBoxLayout messageBoxLayout(int style);

// The answer for a system answer code: IDOK 1 -> Ok 0 .. IDNO 7 -> No 6; anything else Ok.
platform::MessageAnswer messageAnswerFromSystem(int systemAnswer);

} // namespace ui

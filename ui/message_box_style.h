// How a message style becomes a box: which buttons, icon, default button and modality, and which
// answer each button gives. Pure decisions; ui/shell_actions shows the box.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/message_box.h"

namespace ui {

struct MessageBoxLayout {
    std::vector<platform::MessageAnswer> buttons; // left to right, each answering itself
    platform::MessageIcon icon = platform::MessageIcon::None;
    std::size_t defaultButton = 0; // index into buttons
    platform::MessageModality modality = platform::MessageModality::Application;
    bool escapable = false; // Esc or closing the window answers escapeAnswer
    platform::MessageAnswer escapeAnswer = platform::MessageAnswer::Cancel;
    bool topmost = false;
};

// The program's own adjustment of every box it shows: the information icon when the style asks
// for none, and one step more modal. One step, as the classic style word was added to, not
// or-ed with: system-modal becomes task-modal, and task-modal wraps round to the application.
platform::MessageStyle shownMessageStyle(platform::MessageStyle style);

// The box a style asks for. A default button beyond the last falls back to the first.
MessageBoxLayout messageBoxLayout(const platform::MessageStyle& style);

} // namespace ui

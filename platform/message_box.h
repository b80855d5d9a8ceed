// How a message box asks: its buttons, icon, default button and modality. The program's styles
// are named below; the classic style word they were once written as is still read and made, for
// the hosts that pass a style as a number.
#pragma once

#include "platform/message_answer.h"

namespace platform {

// A box's buttons, left to right.
enum class MessageButtons {
    Ok,                     // classic 0
    OkCancel,               // 1
    AbortRetryIgnore,       // 2
    YesNoCancel,            // 3
    YesNo,                  // 4
    RetryCancel,            // 5
    CancelTryAgainContinue, // 6
};

enum class MessageIcon {
    None,        // classic 0x00
    Error,       // 0x10
    Question,    // 0x20
    Warning,     // 0x30
    Information, // 0x40
};

// Every modality is shown modal to the program; the distinction is kept for the record.
enum class MessageModality {
    Application, // classic 0x0000
    System,      // 0x1000
    Task,        // 0x2000
};

struct MessageStyle {
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    int defaultButton = 0; // from 0, left to right; one beyond the last means the first
    MessageModality modality = MessageModality::Application;
    bool topmost = false;

    bool operator==(const MessageStyle&) const = default;
};

// The program's boxes.
inline constexpr MessageStyle okMessage{};                                    // classic 0
inline constexpr MessageStyle yesNoMessage{.buttons = MessageButtons::YesNo}; // classic 4
inline constexpr MessageStyle systemModalWarning{.icon = MessageIcon::Warning,
                                                 .modality = MessageModality::System}; // 0x1030
inline constexpr MessageStyle taskModalMessage{.modality = MessageModality::Task};     // 0x2000

// The classic style word read: buttons 0x0F, icon 0xF0, default button 0xF00, modality 0x3000,
// topmost 0x40000. Bits it does not know read as Ok, no icon, application-modal.
MessageStyle messageStyleFromClassic(int style);
// The classic style word of a style; the inverse of messageStyleFromClassic for every word it
// reads fully.
int classicMessageStyle(const MessageStyle& style);

} // namespace platform

#include "ui/message_box_style.h"

namespace ui {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;

std::vector<MessageAnswer> buttonsFor(MessageButtons buttons) {
    using A = MessageAnswer;
    switch (buttons) {
    case MessageButtons::Ok:
        break;
    case MessageButtons::OkCancel:
        return {A::Ok, A::Cancel};
    case MessageButtons::AbortRetryIgnore:
        return {A::Abort, A::Retry, A::Ignore};
    case MessageButtons::YesNoCancel:
        return {A::Yes, A::No, A::Cancel};
    case MessageButtons::YesNo:
        return {A::Yes, A::No};
    case MessageButtons::RetryCancel:
        return {A::Retry, A::Cancel};
    case MessageButtons::CancelTryAgainContinue:
        return {A::Cancel, A::TryAgain, A::Continue};
    }
    return {A::Ok};
}

} // namespace

platform::MessageStyle shownMessageStyle(platform::MessageStyle style) {
    using platform::MessageModality;
    if (style.icon == platform::MessageIcon::None)
        style.icon = platform::MessageIcon::Information;
    switch (style.modality) {
    case MessageModality::Application:
        style.modality = MessageModality::System;
        break;
    case MessageModality::System:
        style.modality = MessageModality::Task;
        break;
    case MessageModality::Task:
        style.modality = MessageModality::Application;
        break;
    }
    return style;
}

MessageBoxLayout messageBoxLayout(const platform::MessageStyle& style) {
    MessageBoxLayout layout;
    layout.buttons = buttonsFor(style.buttons);
    layout.icon = style.icon;
    const auto defaultIndex = static_cast<std::size_t>(style.defaultButton);
    layout.defaultButton =
        style.defaultButton >= 0 && defaultIndex < layout.buttons.size() ? defaultIndex : 0;
    layout.modality = style.modality;
    layout.topmost = style.topmost;
    // A box can be dismissed without a choice only when that means Cancel, or when OK is its
    // only button.
    for (MessageAnswer button : layout.buttons) {
        if (button == MessageAnswer::Cancel) {
            layout.escapable = true;
            layout.escapeAnswer = MessageAnswer::Cancel;
        }
    }
    if (layout.buttons.size() == 1) {
        layout.escapable = true;
        layout.escapeAnswer = layout.buttons.front();
    }
    return layout;
}

} // namespace ui

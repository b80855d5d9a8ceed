#include "ui/message_box_style.h"

namespace ui {
namespace {

constexpr int buttonsMask = 0x0F;
constexpr int iconMask = 0xF0;
constexpr int iconRequestBits = 0x70;
constexpr int defaultButtonMask = 0xF00;
constexpr int modalityMask = 0x3000;
constexpr int informationIcon = 0x40;
constexpr int systemModal = 0x1000;
constexpr int taskModal = 0x2000;
constexpr int topmostBit = 0x40000;

std::vector<BoxButton> buttonsFor(int group) {
    using B = BoxButton;
    switch (group) {
    case 1:
        return {B::Ok, B::Cancel};
    case 2:
        return {B::Abort, B::Retry, B::Ignore};
    case 3:
        return {B::Yes, B::No, B::Cancel};
    case 4:
        return {B::Yes, B::No};
    case 5:
        return {B::Retry, B::Cancel};
    case 6:
        return {B::Cancel, B::TryAgain, B::Continue};
    default:
        return {B::Ok};
    }
}

BoxIcon iconFor(int bits) {
    switch (bits) {
    case 0x10:
        return BoxIcon::Error;
    case 0x20:
        return BoxIcon::Question;
    case 0x30:
        return BoxIcon::Warning;
    case 0x40:
        return BoxIcon::Information;
    default:
        return BoxIcon::None;
    }
}

} // namespace

int messageBoxStyle(int style) {
    if ((style & iconRequestBits) == 0)
        style += informationIcon;
    return style + systemModal;
}

MessageBoxLayout messageBoxLayout(int style) {
    MessageBoxLayout layout;
    layout.buttons = buttonsFor(style & buttonsMask);
    layout.icon = iconFor(style & iconMask);
    std::size_t defaultIndex = static_cast<std::size_t>((style & defaultButtonMask) >> 8);
    layout.defaultButton = defaultIndex < layout.buttons.size() ? defaultIndex : 0;
    switch (style & modalityMask) {
    case systemModal:
        layout.modality = BoxModality::System;
        break;
    case taskModal:
        layout.modality = BoxModality::Task;
        break;
    default:
        layout.modality = BoxModality::Application;
        break;
    }
    layout.topmost = (style & topmostBit) != 0;
    // A box can be dismissed without a choice only when that means Cancel, or when OK is its
    // only button.
    for (BoxButton button : layout.buttons) {
        if (button == BoxButton::Cancel) {
            layout.escapable = true;
            layout.escapeAnswer = BoxButton::Cancel;
        }
    }
    if (layout.buttons.size() == 1) {
        layout.escapable = true;
        layout.escapeAnswer = layout.buttons.front();
    }
    return layout;
}

platform::MessageAnswer messageAnswerFromSystem(int systemAnswer) {
    if (systemAnswer >= 1 && systemAnswer <= 7)
        return static_cast<platform::MessageAnswer>(systemAnswer - 1);
    return platform::MessageAnswer::Ok;
}

} // namespace ui

#include "platform/message_box.h"

namespace platform {
namespace {

constexpr int buttonsMask = 0x0F;
constexpr int iconMask = 0xF0;
constexpr int defaultButtonMask = 0xF00;
constexpr int modalityMask = 0x3000;
constexpr int systemModal = 0x1000;
constexpr int taskModal = 0x2000;
constexpr int topmostBit = 0x40000;
constexpr int lastButtons = static_cast<int>(MessageButtons::CancelTryAgainContinue);

MessageIcon iconFor(int bits) {
    switch (bits) {
    case 0x10:
        return MessageIcon::Error;
    case 0x20:
        return MessageIcon::Question;
    case 0x30:
        return MessageIcon::Warning;
    case 0x40:
        return MessageIcon::Information;
    default:
        return MessageIcon::None;
    }
}

} // namespace

MessageStyle messageStyleFromClassic(int style) {
    MessageStyle read;
    const int group = style & buttonsMask;
    read.buttons = group <= lastButtons ? static_cast<MessageButtons>(group) : MessageButtons::Ok;
    read.icon = iconFor(style & iconMask);
    read.defaultButton = (style & defaultButtonMask) >> 8;
    switch (style & modalityMask) {
    case systemModal:
        read.modality = MessageModality::System;
        break;
    case taskModal:
        read.modality = MessageModality::Task;
        break;
    default:
        read.modality = MessageModality::Application;
        break;
    }
    read.topmost = (style & topmostBit) != 0;
    return read;
}

int classicMessageStyle(const MessageStyle& style) {
    int word = static_cast<int>(style.buttons) | static_cast<int>(style.icon) << 4 |
               (style.defaultButton & 0xF) << 8;
    if (style.modality == MessageModality::System)
        word |= systemModal;
    else if (style.modality == MessageModality::Task)
        word |= taskModal;
    if (style.topmost)
        word |= topmostBit;
    return word;
}

} // namespace platform

// What the settings layer needs from the window: its controls' attributes by control name, a
// pump for pending window events, and a message box. The window implements it; tests pass
// their own.
#pragma once

#include "platform/ansi_text.h"
#include "platform/message_answer.h"

namespace settings {

enum class ControlAttribute {
    // Text attributes.
    Caption, // the visible caption of a button, radio button, check box or item
    Tag,     // a button's free text (the remembered folder)
    Text,    // an edit box's content
    // Flag attribute.
    Selected, // checked state of a radio button, check box or checkable item
    // Number attributes of the window itself (control name empty).
    PlacementState, // 0 normal, 1 centred, 2 minimised, 3 maximised
    Left,
    Top,
    Width,
    Height,
};

class ControlAccess {
public:
    virtual ~ControlAccess() = default;

    virtual platform::AnsiText textAttribute(const platform::AnsiText& control,
                                             ControlAttribute attribute) = 0;
    virtual void setTextAttribute(const platform::AnsiText& control, ControlAttribute attribute,
                                  const platform::AnsiText& value) = 0;
    virtual bool flagAttribute(const platform::AnsiText& control, ControlAttribute attribute) = 0;
    virtual void setFlagAttribute(const platform::AnsiText& control, ControlAttribute attribute,
                                  bool value) = 0;
    virtual int numberAttribute(const platform::AnsiText& control, ControlAttribute attribute) = 0;
    virtual void setNumberAttribute(const platform::AnsiText& control, ControlAttribute attribute,
                                    int value) = 0;

    // Processes the window events that are waiting, then returns.
    virtual void pumpEvents() = 0;
    // Shows a message box with exactly these message-box style bits (buttons 0x0F, icon 0x70,
    // modality 0x1000 system / 0x2000 task) and title; answers the button that closed it.
    virtual platform::MessageAnswer showMessage(const platform::AnsiText& text, int style,
                                                const platform::AnsiText& title) = 0;
};

} // namespace settings

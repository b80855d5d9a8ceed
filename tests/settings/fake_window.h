// A window stand-in for the settings tests: controls by name with caption, tag, text and
// selected state, the window's own geometry, a scriptable event pump and recorded messages.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/ansi_text.h"
#include "settings/control_access.h"

namespace settings::testing {

struct FakeControl {
    platform::AnsiText caption;
    platform::AnsiText tag;
    platform::AnsiText text;
    bool selected = false;
};

struct ShownMessage {
    platform::AnsiText text;
    int style = 0;
    platform::AnsiText title;
};

class FakeWindow : public ControlAccess {
public:
    std::map<platform::AnsiText, FakeControl> controls;
    std::map<ControlAttribute, int> geometry;
    std::function<void()> onPump;
    std::vector<ShownMessage> messages;
    int pumps = 0;

    platform::AnsiText textAttribute(const platform::AnsiText& control,
                                     ControlAttribute attribute) override {
        FakeControl& c = controls[control];
        return attribute == ControlAttribute::Caption ? c.caption
               : attribute == ControlAttribute::Tag   ? c.tag
                                                      : c.text;
    }
    void setTextAttribute(const platform::AnsiText& control, ControlAttribute attribute,
                          const platform::AnsiText& value) override {
        FakeControl& c = controls[control];
        (attribute == ControlAttribute::Caption ? c.caption
         : attribute == ControlAttribute::Tag   ? c.tag
                                                : c.text) = value;
    }
    bool flagAttribute(const platform::AnsiText& control, ControlAttribute) override {
        return controls[control].selected;
    }
    void setFlagAttribute(const platform::AnsiText& control, ControlAttribute,
                          bool value) override {
        controls[control].selected = value;
    }
    int numberAttribute(const platform::AnsiText&, ControlAttribute attribute) override {
        return geometry[attribute];
    }
    void setNumberAttribute(const platform::AnsiText&, ControlAttribute attribute,
                            int value) override {
        geometry[attribute] = value;
    }
    void pumpEvents() override {
        ++pumps;
        if (onPump)
            onPump();
    }
    platform::MessageAnswer showMessage(const platform::AnsiText& text, int style,
                                        const platform::AnsiText& title) override {
        messages.push_back({text, style, title});
        return platform::MessageAnswer::Ok;
    }
};

} // namespace settings::testing

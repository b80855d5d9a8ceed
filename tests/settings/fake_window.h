// A window stand-in for the settings tests: controls by name with caption, tag, text and
// selected state, the window's own geometry, a scriptable event pump and recorded messages.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "batch/batch_host.h"
#include "platform/ansi_text.h"

namespace settings::testing {

using batch::ControlAttribute;

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

class FakeWindow : public batch::BatchHost {
public:
    std::map<std::string, FakeControl, std::less<>> controls;
    std::map<ControlAttribute, int> geometry;
    std::function<void()> onPump;
    std::vector<ShownMessage> messages;
    int pumps = 0;

    platform::AnsiText textAttribute(std::string_view control,
                                     ControlAttribute attribute) override {
        FakeControl& c = controls[std::string(control)];
        return attribute == ControlAttribute::Caption ? c.caption
               : attribute == ControlAttribute::Tag   ? c.tag
                                                      : c.text;
    }
    void setTextAttribute(std::string_view control, ControlAttribute attribute,
                          const platform::AnsiText& value) override {
        FakeControl& c = controls[std::string(control)];
        (attribute == ControlAttribute::Caption ? c.caption
         : attribute == ControlAttribute::Tag   ? c.tag
                                                : c.text) = value;
    }
    bool flagAttribute(std::string_view control, ControlAttribute) override {
        return controls[std::string(control)].selected;
    }
    void setFlagAttribute(std::string_view control, ControlAttribute, bool value) override {
        controls[std::string(control)].selected = value;
    }
    int numberAttribute(std::string_view, ControlAttribute attribute) override {
        return geometry[attribute];
    }
    void setNumberAttribute(std::string_view, ControlAttribute attribute, int value) override {
        geometry[attribute] = value;
    }
    bool pumpEvents() override {
        ++pumps;
        if (onPump)
            onPump();
        return true;
    }
    std::vector<platform::AnsiText> chooseFiles(const platform::AnsiText&,
                                                const platform::AnsiText&,
                                                const platform::AnsiText&) override {
        return {};
    }
    platform::AnsiText pickFolder(const platform::AnsiText&, const platform::AnsiText&) override {
        return {};
    }
    platform::MessageAnswer showMessage(const platform::AnsiText& text, int style,
                                        const platform::AnsiText& title,
                                        const platform::AnsiText& = {}) override {
        messages.push_back({text, style, title});
        return platform::MessageAnswer::Ok;
    }
    bool openFolder(const platform::AnsiText&) override { return true; }
};

} // namespace settings::testing

// The window's side of the settings store's events for the settings tests: a scriptable event
// pump that counts its calls, and the messages the store showed.
#pragma once

#include <functional>
#include <vector>

#include "platform/ansi_text.h"
#include "settings/config_store.h"

namespace settings::testing {

struct ShownMessage {
    platform::AnsiText text;
    int style = 0; // the classic style word
    platform::AnsiText title;
};

struct WindowEvents {
    std::function<void()> onPump;
    std::vector<ShownMessage> messages;
    int pumps = 0;
    // Lent to the store; refers to this object, which therefore stays where it was made.
    const StoreEvents events{
        [this] {
            ++pumps;
            if (onPump)
                onPump();
        },
        [this](const platform::AnsiText& text, const platform::MessageStyle& style,
               const platform::AnsiText& title) {
            messages.push_back({text, platform::classicMessageStyle(style), title});
        }};

    WindowEvents() = default;
    WindowEvents(const WindowEvents&) = delete;
    WindowEvents& operator=(const WindowEvents&) = delete;
};

} // namespace settings::testing

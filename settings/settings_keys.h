// Which choices of the main window survive a restart, under which sections and keys, and
// where the settings file lives.
#pragma once

#include "platform/ansi_text.h"
#include "settings/config_store.h"
#include "settings/window_choices.h"

namespace settings {

// Puts the saved choices into `choices`, which hold the window's state (when the window has been
// created). A missing key leaves its choice as it is; the filter falls back to "*.*", the
// remembered folders to the empty text. `events` are the window's while the store works.
void loadSettingsIntoWindow(ConfigStore& store, WindowChoices& choices,
                            const StoreEvents& events = {});

// Writes every persisted choice through the store (when the window is asked to close).
void saveSettingsFromWindow(ConfigStore& store, const WindowChoices& choices,
                            const StoreEvents& events = {});

// The settings file for a program in `executableFolder`: the one beside the executable when it
// already exists there and can be opened for editing (portable use, even in a read-only
// folder), otherwise "青枫匣/青枫匣.ini" in the user's configuration folder (the folder is
// created). Never a new file beside the program. Empty when neither is available.
platform::AnsiText settingsFilePath(const platform::AnsiText& executableFolder);

} // namespace settings

// Which choices of the main window survive a restart, under which sections and keys, and
// where the settings file lives.
#pragma once

#include "batch/batch_host.h"
#include "platform/ansi_text.h"
#include "settings/config_store.h"

namespace settings {

// Puts the saved choices into the window's controls (when the window has been created). A
// missing key leaves its control as it is; the filter falls back to "*.*", the remembered
// folders to the empty text.
void loadSettingsIntoWindow(ConfigStore& store, batch::BatchHost& window);

// Writes every persisted choice through the store (when the window is asked to close).
void saveSettingsFromWindow(ConfigStore& store, batch::BatchHost& window);

// The settings file for a program in `executableFolder`: the one beside the executable when it
// already exists there and can be opened for editing (portable use, even in a read-only
// folder), otherwise "青枫匣/青枫匣.ini" in the user's configuration folder (the folder is
// created). Never a new file beside the program. Empty when neither is available.
platform::AnsiText settingsFilePath(const platform::AnsiText& executableFolder);

} // namespace settings

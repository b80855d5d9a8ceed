// From process start to the first user action and from the closed window to exit: the
// program's single objects in their order, the settings file (the user's, or a portable one
// beside the executable), the main window and the event loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ansi_text.h"
#include "ui/main_window.h"
#include "ui/window_adapter.h"

namespace settings {
class ConfigStore;
}

namespace ui {

// The program-wide single objects. Constructing it creates the settings store, empty, before
// anything else of the program runs; its destructor is the exit routine: the store is closed
// and released, then the folder picker's remembered folder.
class ProgramLifetime {
public:
    ProgramLifetime();
    ~ProgramLifetime();
    ProgramLifetime(const ProgramLifetime&) = delete;
    ProgramLifetime& operator=(const ProgramLifetime&) = delete;

    settings::ConfigStore& configStore() { return *store; }

private:
    std::unique_ptr<settings::ConfigStore> store;
};

// The settings file of this program: one that already lies beside the executable (portable
// use), otherwise the one in the user's configuration folder. Empty when neither is available.
platform::AnsiText programSettingsPath();

// Points the store at the settings file (created empty when missing). False when no file could
// be opened for editing: the store then keeps the choices in memory and saves nothing.
bool openSettings(settings::ConfigStore& store, const platform::AnsiText& path);

// The window's handlers: settings loaded on creation and saved on close through `store`, the
// batch buttons driving the batch run.
WindowHandlers programHandlers(settings::ConfigStore& store);

// The main window, created centred with the saved choices in its controls, and shown.
std::unique_ptr<MainWindow> openMainWindow(settings::ConfigStore& store, ShellDialogs dialogs);

// The start routine after the store exists: the desktop identity, settings path, setFile, the
// window, the conversion of `openedPaths` (the file system's bytes, as the command line gave
// them) once it is shown, then the event loop until no window is left. Returns 0.
int runProgram(ProgramLifetime& program, std::vector<std::string> openedPaths = {});

} // namespace ui

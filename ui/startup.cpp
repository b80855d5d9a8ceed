// Start-up and shutdown of the window program.
#include "ui/startup.h"

#include <QApplication>

#include "batch/batch_run.h"
#include "batch/dropped_paths.h"
#include "engine/script_conversion.h"
#include "platform/file_system.h"
#include "settings/config_store.h"
#include "settings/settings_keys.h"
#include "ui/desktop_identity.h"
#include "ui/shell_actions.h"

namespace ui {

ProgramLifetime::ProgramLifetime() : store(std::make_unique<settings::ConfigStore>()) {}

ProgramLifetime::~ProgramLifetime() {
    // The store's destructor closes the settings file and lets go of its lock.
    store.reset();
    releasePickerInitialFolder();
    // The Simplified/Traditional dictionaries loaded by the first run that needed them.
    engine::releaseScriptConverters();
}

platform::AnsiText programSettingsPath() {
    return settings::settingsFilePath(platform::executableFolder());
}

bool openSettings(settings::ConfigStore& store, const platform::AnsiText& path) {
    if (path.empty()) {
        return false;
    }
    return store.setFile(path, settings::StorageMode::File);
}

WindowHandlers programHandlers(settings::ConfigStore& store) {
    WindowHandlers handlers;
    // The store pumps the window's events during long searches and shows its alarm there, for
    // as long as it loads or saves.
    handlers.loadSettings = [&store](WindowAdapter& window) {
        settings::WindowChoices choices = window.windowChoices();
        settings::loadSettingsIntoWindow(store, choices, window.storeEvents());
        window.applyWindowChoices(choices);
    };
    handlers.saveSettings = [&store](WindowAdapter& window) {
        settings::saveSettingsFromWindow(store, window.windowChoices(), window.storeEvents());
    };
    handlers.startFileBatch = batch::startFileBatch;
    handlers.startFolderBatch = batch::startFolderBatch;
    handlers.startDroppedBatch = batch::startDroppedBatch;
    return handlers;
}

std::unique_ptr<MainWindow> openMainWindow(settings::ConfigStore& store, ShellDialogs dialogs) {
    auto window = std::make_unique<MainWindow>(programHandlers(store), std::move(dialogs));
    window->show();
    return window;
}

int runProgram(ProgramLifetime& program, std::vector<std::string> openedPaths) {
    applyDesktopIdentity();
    settings::ConfigStore& store = program.configStore();
    // A settings file that cannot be edited (another instance holds it) is no reason not to
    // start; the choices then live only until exit.
    (void)openSettings(store, programSettingsPath());
    {
        std::unique_ptr<MainWindow> window = openMainWindow(store, desktopDialogs());
        // Files a file manager opened with the program, converted with the saved choices.
        if (!openedPaths.empty())
            window->convertPathsSoon(std::move(openedPaths));
        // Closing the last window ends the loop; a run still on the stack returns first.
        QApplication::exec();
    }
    return 0;
}

} // namespace ui

// The window's adapter to the batch handlers, their runs and the settings, and the desktop
// dialogs it opens.
#pragma once

#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "batch/button_window.h"
#include "batch/output_choices.h"
#include "platform/ansi_text.h"
#include "platform/message_answer.h"
#include "platform/message_box.h"
#include "settings/config_store.h"
#include "settings/window_choices.h"

class QString;
class QWidget;

namespace ui {

using platform::AnsiText;

// The desktop dialogs and shell requests the window's handlers use. The program fills them with
// the shell actions; tests answer them themselves.
struct ShellDialogs {
    std::function<std::vector<AnsiText>(const AnsiText& title, const AnsiText& filter,
                                        const AnsiText& initialFolder)>
        chooseFiles;
    std::function<AnsiText(const AnsiText& initialFolder, const AnsiText& title)> pickFolder;
    std::function<platform::MessageAnswer(const AnsiText& text, const platform::MessageStyle& style,
                                          const AnsiText& title, const AnsiText& details)>
        showMessage;
    std::function<bool(const AnsiText& folder)> openFolder;
    std::function<void(const AnsiText& target)> openWebPage;
    // Asks whether files handed from outside may be converted; true only on 转换.
    std::function<bool(const AnsiText& question)> confirmConversion;
};

// The shell actions of the desktop.
ShellDialogs desktopDialogs();

// AnsiText and the toolkit's strings. Bytes that are no valid GB18030 come out as U+FFFD; a
// string that cannot be held as GB18030 (never for valid Unicode) comes out empty.
QString qtText(const AnsiText& text);
AnsiText ansiText(const QString& text);

// The window as the batch buttons' handlers, their runs and the settings see it: one adapter
// that maps its controls to the run's options and the settings' values, and what a run tells to
// the bar, its caption and the report box.
class WindowAdapter : public batch::ButtonPanel,
                      public batch::BatchDialogs,
                      public batch::RunObserver {
public:
    // `controls` are the window's widgets by object name; `closing` tells whether the window
    // has been asked to close (the pump then reports that the window is going away).
    WindowAdapter(QWidget* window, std::map<std::string_view, QWidget*> controls,
                  std::function<bool()> closing, ShellDialogs dialogs);

    // The widget of that name, or nullptr.
    QWidget* control(std::string_view name) const;

    // What a button's handler reaches.
    batch::ButtonWindow buttonWindow();

    batch::RunOptions runOptions() override;
    AnsiText filterText() override;
    AnsiText rememberedFolder(batch::BatchButton button) override;
    void rememberFolder(batch::BatchButton button, const AnsiText& folder) override;
    void showState(batch::BatchButton button, batch::ButtonState state) override;
    void setEnabled(batch::BatchButton button, bool enabled) override;

    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                      const AnsiText& initialFolder) override;
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override;
    // 是 on the warning goes on; nobody to ask, or a window closed meanwhile, means no.
    bool confirmReplacing(const AnsiText& question) override;

    void runStarted(int count) override;
    void fileStarted(int index, const AnsiText& path) override;
    void fileProgress(int index, int permille) override;
    // The report box with the question whether to open the (first) result folder, the details
    // behind it; the bar full while it is read, then the progress display cleared.
    void runFinished(const batch::BatchSummary& summary) override;

    // Processes the pending events once; false once the window is going away.
    bool pumpEvents();

    // The persisted choices as the controls hold them, and put back into them.
    settings::WindowChoices windowChoices() const;
    void applyWindowChoices(const settings::WindowChoices& choices);
    // How and where runs write their results, as the output options dialog set them. The
    // dialog's button shows where results go when it is not the 转换结果 folder, in a warning
    // colour when the sources are replaced.
    const batch::OutputChoices& outputChoices() const { return output; }
    void setOutputChoices(const batch::OutputChoices& choices);
    // The window's events for the settings store while it loads or saves.
    settings::StoreEvents storeEvents();

    // The message box (an empty title means the default title).
    platform::MessageAnswer showMessage(const AnsiText& text, const platform::MessageStyle& style,
                                        const AnsiText& title, const AnsiText& details = {});
    void openWebPage(const AnsiText& target);
    // False, and nothing is converted, when nobody can be asked.
    bool confirmConversion(const AnsiText& question);
    bool isClosing() const { return closing(); }

private:
    AnsiText filterBoxText() const;
    AnsiText folderOf(batch::BatchButton button) const;
    // Shows the bar at `position` of `maximum` files and `permille` of the file at the position.
    void showProgress();
    void setCaption(std::string_view name, const AnsiText& caption);
    void showOutputPlace();

    QWidget* window;
    std::map<std::string_view, QWidget*> controls;
    std::function<bool()> closing;
    ShellDialogs dialogs;
    int runCount = 0;
    int barMaximum = 0;
    int barPosition = 0;
    int barPermille = 0;
    batch::OutputChoices output;
};

} // namespace ui

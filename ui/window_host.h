// The window as the batch run and the settings layer see it: its controls by name, its event
// pump and its dialogs. Names are the widgets' object names.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "batch/batch_host.h"
#include "platform/ansi_text.h"
#include "platform/message_answer.h"
#include "settings/control_access.h"

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
    std::function<platform::MessageAnswer(const AnsiText& text, int style, const AnsiText& title)>
        showMessage;
    std::function<void(const AnsiText& folder)> openFolder;
    std::function<void(const AnsiText& target)> openWebPage;
};

// The shell actions of the desktop.
ShellDialogs desktopDialogs();

// AnsiText and the toolkit's strings. Bytes that are no valid GB18030 come out as U+FFFD; a
// string that cannot be held as GB18030 (never for valid Unicode) comes out empty.
QString qtText(const AnsiText& text);
AnsiText ansiText(const QString& text);

// The window's side of the batch run. The settings layer's view of the same controls is
// settingsAccess(): both interfaces have a pumpEvents of their own (one answers whether the host
// goes on), so one class cannot implement both.
class WindowHost : public batch::BatchHost {
public:
    // `controls` are the window's widgets by object name; `closing` tells whether the window
    // has been asked to close (the pump then reports that the host is going away).
    WindowHost(QWidget* window, std::map<std::string_view, QWidget*> controls,
               std::function<bool()> closing, ShellDialogs dialogs);
    ~WindowHost() override;

    // The widget of that name, or nullptr.
    QWidget* control(std::string_view name) const;

    AnsiText caption(std::string_view control) override;
    void setCaption(std::string_view control, const AnsiText& caption) override;
    AnsiText tag(std::string_view control) override;
    void setTag(std::string_view control, const AnsiText& tag) override;
    AnsiText text(std::string_view control) override;
    bool selected(std::string_view control) override;
    void setDisabled(std::string_view control, bool disabled) override;
    void setMaximum(std::string_view control, int maximum) override;
    void setPosition(std::string_view control, int position) override;
    bool pumpEvents() override;
    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                      const AnsiText& initialFolder) override;
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override;
    platform::MessageAnswer showMessage(const AnsiText& text, int style,
                                        const AnsiText& title) override;
    void openFolder(const AnsiText& folder) override;

    // Attributes the batch interface only sets.
    void setText(std::string_view control, const AnsiText& text);
    // A radio is set alone, as the classic control allows: clearing the selected radio of a
    // group leaves the group with none selected.
    void setSelected(std::string_view control, bool selected);
    bool disabled(std::string_view control) const;
    int maximum(std::string_view control) const;
    int position(std::string_view control) const;

    void openWebPage(const AnsiText& target);
    bool isClosing() const { return closing(); }

    settings::ControlAccess& settingsAccess();

private:
    class SettingsAccess;

    QWidget* window;
    std::map<std::string_view, QWidget*> controls;
    std::function<bool()> closing;
    ShellDialogs dialogs;
    std::unique_ptr<SettingsAccess> settings;
};

} // namespace ui

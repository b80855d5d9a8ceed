// The window as the batch run and the settings layer see it: its controls by name, its event
// pump and its dialogs. Names are the widgets' object names.
#pragma once

#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include "batch/batch_host.h"
#include "platform/ansi_text.h"
#include "platform/message_answer.h"

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
    std::function<platform::MessageAnswer(const AnsiText& text, int style, const AnsiText& title,
                                          const AnsiText& details)>
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

// The window as the batch run and the settings see it: one implementation of the host
// interface over the widgets.
class WindowHost : public batch::BatchHost {
public:
    // `controls` are the window's widgets by object name; `closing` tells whether the window
    // has been asked to close (the pump then reports that the host is going away).
    WindowHost(QWidget* window, std::map<std::string_view, QWidget*> controls,
               std::function<bool()> closing, ShellDialogs dialogs);

    // The widget of that name, or nullptr.
    QWidget* control(std::string_view name) const;

    AnsiText textAttribute(std::string_view control, batch::ControlAttribute attribute) override;
    void setTextAttribute(std::string_view control, batch::ControlAttribute attribute,
                          const AnsiText& value) override;
    bool flagAttribute(std::string_view control, batch::ControlAttribute attribute) override;
    void setFlagAttribute(std::string_view control, batch::ControlAttribute attribute,
                          bool value) override;
    int numberAttribute(std::string_view control, batch::ControlAttribute attribute) override;
    void setNumberAttribute(std::string_view control, batch::ControlAttribute attribute,
                            int value) override;
    bool pumpEvents() override;
    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                      const AnsiText& initialFolder) override;
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override;
    platform::MessageAnswer showMessage(const AnsiText& text, int style, const AnsiText& title,
                                        const AnsiText& details = {}) override;
    bool openFolder(const AnsiText& folder) override;

    void openWebPage(const AnsiText& target);
    // False, and nothing is converted, when nobody can be asked.
    bool confirmConversion(const AnsiText& question);
    bool isClosing() const { return closing(); }

private:
    // The named control; the empty name is the window itself.
    QWidget* widget(std::string_view name) const;
    void setWidgetCaption(QWidget* widget, const AnsiText& caption);
    void setWidgetSelected(QWidget* widget, bool selected);

    QWidget* window;
    std::map<std::string_view, QWidget*> controls;
    std::function<bool()> closing;
    ShellDialogs dialogs;
};

} // namespace ui

// The window's controls by name for the batch run and the settings layer.
#include "ui/window_host.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "ui/shell_actions.h"

namespace ui {

namespace {

// The free text each control carries (a remembered folder); raw bytes, so any path survives.
constexpr const char* tagProperty = "qfxTag";

QByteArray bytes(const AnsiText& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string_view utf8Name(const std::string& storage) {
    return storage;
}

} // namespace

QString qtText(const AnsiText& text) {
    if (auto utf8 = platform::utf8FromAnsi(text)) {
        return QString::fromUtf8(bytes(*utf8));
    }
    // Not GB18030: shown as UTF-8 would show it, bad bytes as U+FFFD.
    return QString::fromUtf8(bytes(text));
}

AnsiText ansiText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return platform::ansiFromUtf8(std::string_view(utf8.constData(), utf8.size())).value_or("");
}

ShellDialogs desktopDialogs() {
    ShellDialogs dialogs;
    dialogs.chooseFiles = [](const AnsiText& title, const AnsiText& filter,
                             const AnsiText& initialFolder) {
        return ui::chooseFiles(title, filter, initialFolder);
    };
    dialogs.pickFolder = [](const AnsiText& initialFolder, const AnsiText& title) {
        return ui::pickFolder(initialFolder, title);
    };
    dialogs.showMessage = [](const AnsiText& text, int style, const AnsiText& title) {
        return ui::showMessage(text, style, title);
    };
    dialogs.openFolder = [](const AnsiText& folder) {
        // A new file-manager window on the folder itself; nothing is reported on failure.
        (void)ui::openInExplorer(folder, true, true, false, false);
    };
    dialogs.openWebPage = [](const AnsiText& target) { ui::openWebPage(target); };
    return dialogs;
}

// The settings layer's view: names arrive as AnsiText, the empty name is the window itself.
class WindowHost::SettingsAccess : public settings::ControlAccess {
public:
    explicit SettingsAccess(WindowHost& windowHost) : host(windowHost) {}

    AnsiText textAttribute(const AnsiText& control, settings::ControlAttribute attribute) override {
        const std::string name = utf8(control);
        switch (attribute) {
        case settings::ControlAttribute::Tag:
            return host.tag(utf8Name(name));
        case settings::ControlAttribute::Text:
            return host.text(utf8Name(name));
        case settings::ControlAttribute::Caption:
            return host.caption(utf8Name(name));
        default:
            return std::to_string(numberAttribute(control, attribute));
        }
    }

    void setTextAttribute(const AnsiText& control, settings::ControlAttribute attribute,
                          const AnsiText& value) override {
        const std::string name = utf8(control);
        switch (attribute) {
        case settings::ControlAttribute::Tag:
            host.setTag(utf8Name(name), value);
            break;
        case settings::ControlAttribute::Text:
            host.setText(utf8Name(name), value);
            break;
        case settings::ControlAttribute::Caption:
            host.setCaption(utf8Name(name), value);
            break;
        default:
            break;
        }
    }

    bool flagAttribute(const AnsiText& control, settings::ControlAttribute attribute) override {
        return attribute == settings::ControlAttribute::Selected && host.selected(utf8(control));
    }

    void setFlagAttribute(const AnsiText& control, settings::ControlAttribute attribute,
                          bool value) override {
        if (attribute == settings::ControlAttribute::Selected) {
            host.setSelected(utf8(control), value);
        }
    }

    int numberAttribute(const AnsiText& control, settings::ControlAttribute attribute) override {
        QWidget* widget = control.empty() ? host.window : host.control(utf8(control));
        if (!widget) {
            return 0;
        }
        const QRect frame = widget->isWindow() ? widget->frameGeometry() : widget->geometry();
        switch (attribute) {
        case settings::ControlAttribute::PlacementState:
            return widget->isMinimized() ? 2 : widget->isMaximized() ? 3 : 0;
        case settings::ControlAttribute::Left:
            return frame.x();
        case settings::ControlAttribute::Top:
            return frame.y();
        case settings::ControlAttribute::Width:
            return frame.width();
        case settings::ControlAttribute::Height:
            return frame.height();
        default:
            return 0;
        }
    }

    void setNumberAttribute(const AnsiText& control, settings::ControlAttribute attribute,
                            int value) override {
        QWidget* widget = control.empty() ? host.window : host.control(utf8(control));
        if (!widget) {
            return;
        }
        switch (attribute) {
        case settings::ControlAttribute::Left:
            widget->move(value, widget->y());
            break;
        case settings::ControlAttribute::Top:
            widget->move(widget->x(), value);
            break;
        case settings::ControlAttribute::PlacementState:
            if (value == 2) {
                widget->showMinimized();
            } else if (value == 3) {
                widget->showMaximized();
            }
            break;
        default:
            // The window has a fixed size.
            break;
        }
    }

    void pumpEvents() override { QCoreApplication::processEvents(); }

    platform::MessageAnswer showMessage(const AnsiText& text, int style,
                                        const AnsiText& title) override {
        // The store's alarm may come while the settings are saved on close; it still shows.
        if (!host.dialogs.showMessage) {
            return platform::MessageAnswer::Ok;
        }
        return host.dialogs.showMessage(text, style, title);
    }

private:
    // Control names in UTF-8, the form the widgets carry; a name that is no GB18030 is taken
    // as it is.
    static std::string utf8(const AnsiText& name) {
        return platform::utf8FromAnsi(name).value_or(name);
    }

    WindowHost& host;
};

WindowHost::WindowHost(QWidget* hostWindow, std::map<std::string_view, QWidget*> windowControls,
                       std::function<bool()> isClosing, ShellDialogs shellDialogs)
    : window(hostWindow), controls(std::move(windowControls)), closing(std::move(isClosing)),
      dialogs(std::move(shellDialogs)), settings(std::make_unique<SettingsAccess>(*this)) {}

WindowHost::~WindowHost() = default;

settings::ControlAccess& WindowHost::settingsAccess() {
    return *settings;
}

QWidget* WindowHost::control(std::string_view name) const {
    auto found = controls.find(name);
    return found != controls.end() ? found->second : nullptr;
}

AnsiText WindowHost::caption(std::string_view name) {
    QWidget* widget = name.empty() ? window : control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return ansiText(button->text());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return ansiText(label->text());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return ansiText(edit->text());
    }
    return widget ? ansiText(widget->windowTitle()) : AnsiText();
}

void WindowHost::setCaption(std::string_view name, const AnsiText& caption) {
    QWidget* widget = name.empty() ? window : control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(qtText(caption));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(qtText(caption));
        // Painted now: a run sets the caption just before converting a file synchronously, and
        // a scheduled repaint would only show after that file.
        label->repaint();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(qtText(caption));
    } else if (widget) {
        widget->setWindowTitle(qtText(caption));
    }
}

AnsiText WindowHost::tag(std::string_view name) {
    QWidget* widget = control(name);
    if (!widget) {
        return {};
    }
    const QByteArray value = widget->property(tagProperty).toByteArray();
    return AnsiText(value.constData(), static_cast<std::size_t>(value.size()));
}

void WindowHost::setTag(std::string_view name, const AnsiText& tag) {
    if (QWidget* widget = control(name)) {
        widget->setProperty(tagProperty, bytes(tag));
    }
}

AnsiText WindowHost::text(std::string_view name) {
    if (auto* edit = qobject_cast<QLineEdit*>(control(name))) {
        return ansiText(edit->text());
    }
    return caption(name);
}

void WindowHost::setText(std::string_view name, const AnsiText& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control(name))) {
        edit->setText(qtText(text));
    } else {
        setCaption(name, text);
    }
}

bool WindowHost::selected(std::string_view name) {
    auto* button = qobject_cast<QAbstractButton*>(control(name));
    return button && button->isChecked();
}

void WindowHost::setSelected(std::string_view name, bool isSelected) {
    auto* button = qobject_cast<QAbstractButton*>(control(name));
    if (!button || button->isChecked() == isSelected) {
        return;
    }
    if (isSelected) {
        // Selecting one radio clears the others of its panel.
        button->setChecked(true);
        return;
    }
    // The toolkit refuses to clear the checked radio of an exclusive group.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

void WindowHost::setDisabled(std::string_view name, bool isDisabled) {
    if (QWidget* widget = control(name)) {
        widget->setEnabled(!isDisabled);
    }
}

bool WindowHost::disabled(std::string_view name) const {
    QWidget* widget = control(name);
    return widget && !widget->isEnabled();
}

void WindowHost::setMaximum(std::string_view name, int maximum) {
    if (auto* bar = qobject_cast<QProgressBar*>(control(name))) {
        bar->setMaximum(maximum);
    }
}

int WindowHost::maximum(std::string_view name) const {
    auto* bar = qobject_cast<QProgressBar*>(control(name));
    return bar ? bar->maximum() : 0;
}

void WindowHost::setPosition(std::string_view name, int position) {
    if (auto* bar = qobject_cast<QProgressBar*>(control(name))) {
        bar->setValue(position);
        // Painted now, with the caption over it, before the run goes on without the event loop.
        bar->repaint();
    }
}

int WindowHost::position(std::string_view name) const {
    auto* bar = qobject_cast<QProgressBar*>(control(name));
    return bar ? bar->value() : 0;
}

bool WindowHost::pumpEvents() {
    if (closing()) {
        return false;
    }
    QCoreApplication::processEvents();
    return !closing();
}

std::vector<AnsiText> WindowHost::chooseFiles(const AnsiText& title, const AnsiText& filter,
                                              const AnsiText& initialFolder) {
    if (closing() || !dialogs.chooseFiles) {
        return {};
    }
    return dialogs.chooseFiles(title, filter, initialFolder);
}

AnsiText WindowHost::pickFolder(const AnsiText& initialFolder, const AnsiText& title) {
    if (closing() || !dialogs.pickFolder) {
        return {};
    }
    return dialogs.pickFolder(initialFolder, title);
}

platform::MessageAnswer WindowHost::showMessage(const AnsiText& text, int style,
                                                const AnsiText& title) {
    // After the close request the window is gone for the user: nothing more is shown.
    if (closing() || !dialogs.showMessage) {
        return platform::MessageAnswer::Ok;
    }
    return dialogs.showMessage(text, style, title);
}

void WindowHost::openFolder(const AnsiText& folder) {
    if (!closing() && dialogs.openFolder) {
        dialogs.openFolder(folder);
    }
}

void WindowHost::openWebPage(const AnsiText& target) {
    if (dialogs.openWebPage) {
        dialogs.openWebPage(target);
    }
}

} // namespace ui

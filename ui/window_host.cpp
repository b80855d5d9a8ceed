// The window's controls by name for the batch run and the settings.
#include "ui/window_host.h"

#include <algorithm>
#include <limits>

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

bool isProgressAttribute(batch::ControlAttribute attribute) {
    using batch::ControlAttribute;
    return attribute == ControlAttribute::Maximum || attribute == ControlAttribute::Position ||
           attribute == ControlAttribute::PositionPermille;
}

// A bar's maximum, position and fraction of a step as the run set them; the bar itself counts
// in thousandths of a step, so that it moves within a long file.
int progressValue(const QProgressBar* bar, batch::ControlAttribute attribute) {
    const char* property = attribute == batch::ControlAttribute::Maximum    ? "qfxMaximum"
                           : attribute == batch::ControlAttribute::Position ? "qfxPosition"
                                                                            : "qfxPermille";
    const QVariant value = bar->property(property);
    if (value.isValid()) {
        return value.toInt();
    }
    return attribute == batch::ControlAttribute::Maximum    ? bar->maximum()
           : attribute == batch::ControlAttribute::Position ? bar->value()
                                                            : 0;
}

void setProgressValue(QProgressBar* bar, batch::ControlAttribute attribute, int value) {
    using batch::ControlAttribute;
    constexpr int step = 1000;
    if (attribute == ControlAttribute::Maximum) {
        bar->setProperty("qfxMaximum", value);
    } else if (attribute == ControlAttribute::Position) {
        bar->setProperty("qfxPosition", value);
        bar->setProperty("qfxPermille", 0);
    } else {
        bar->setProperty("qfxPermille", std::clamp(value, 0, step));
    }
    const int maximum = std::clamp(progressValue(bar, ControlAttribute::Maximum), 0,
                                   std::numeric_limits<int>::max() / step);
    const int position = std::clamp(progressValue(bar, ControlAttribute::Position), 0, maximum);
    const int shown = position == 0 ? 0
                                    : (position - 1) * step +
                                          progressValue(bar, ControlAttribute::PositionPermille);
    bar->setRange(0, maximum * step);
    bar->setValue(shown);
    // Painted now, with the caption over it, even when the run's next events come late.
    bar->repaint();
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
    dialogs.showMessage = [](const AnsiText& text, int style, const AnsiText& title,
                             const AnsiText& details) {
        return ui::showMessage(text, style, title, details);
    };
    dialogs.openFolder = [](const AnsiText& folder) {
        // A new file-manager window on the folder itself.
        return ui::openInExplorer(folder, true, true, false, false);
    };
    dialogs.openWebPage = [](const AnsiText& target) { ui::openWebPage(target); };
    dialogs.confirmConversion = [](const AnsiText& question) {
        return ui::confirmConversion(question);
    };
    return dialogs;
}

WindowHost::WindowHost(QWidget* hostWindow, std::map<std::string_view, QWidget*> windowControls,
                       std::function<bool()> isClosing, ShellDialogs shellDialogs)
    : window(hostWindow), controls(std::move(windowControls)), closing(std::move(isClosing)),
      dialogs(std::move(shellDialogs)) {}

QWidget* WindowHost::control(std::string_view name) const {
    auto found = controls.find(name);
    return found != controls.end() ? found->second : nullptr;
}

QWidget* WindowHost::widget(std::string_view name) const {
    return name.empty() ? window : control(name);
}

AnsiText WindowHost::textAttribute(std::string_view name, batch::ControlAttribute attribute) {
    using batch::ControlAttribute;
    switch (attribute) {
    case ControlAttribute::Tag: {
        QWidget* tagged = control(name);
        if (!tagged) {
            return {};
        }
        const QByteArray value = tagged->property(tagProperty).toByteArray();
        return AnsiText(value.constData(), static_cast<std::size_t>(value.size()));
    }
    case ControlAttribute::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(control(name))) {
            return ansiText(edit->text());
        }
        return textAttribute(name, ControlAttribute::Caption);
    case ControlAttribute::Caption: {
        QWidget* shown = widget(name);
        if (auto* button = qobject_cast<QAbstractButton*>(shown)) {
            return ansiText(button->text());
        }
        if (auto* label = qobject_cast<QLabel*>(shown)) {
            return ansiText(label->text());
        }
        if (auto* edit = qobject_cast<QLineEdit*>(shown)) {
            return ansiText(edit->text());
        }
        return shown ? ansiText(shown->windowTitle()) : AnsiText();
    }
    default:
        return std::to_string(numberAttribute(name, attribute));
    }
}

void WindowHost::setTextAttribute(std::string_view name, batch::ControlAttribute attribute,
                                  const AnsiText& value) {
    using batch::ControlAttribute;
    switch (attribute) {
    case ControlAttribute::Tag:
        if (QWidget* tagged = control(name)) {
            tagged->setProperty(tagProperty, bytes(value));
        }
        break;
    case ControlAttribute::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(control(name))) {
            edit->setText(qtText(value));
        } else {
            setWidgetCaption(widget(name), value);
        }
        break;
    case ControlAttribute::Caption:
        setWidgetCaption(widget(name), value);
        break;
    default:
        break;
    }
}

void WindowHost::setWidgetCaption(QWidget* shown, const AnsiText& caption) {
    if (auto* button = qobject_cast<QAbstractButton*>(shown)) {
        button->setText(qtText(caption));
    } else if (auto* label = qobject_cast<QLabel*>(shown)) {
        label->setText(qtText(caption));
        // Painted now: a run sets the caption just before converting a file synchronously, and
        // a scheduled repaint would only show after that file.
        label->repaint();
    } else if (auto* edit = qobject_cast<QLineEdit*>(shown)) {
        edit->setText(qtText(caption));
    } else if (shown) {
        shown->setWindowTitle(qtText(caption));
    }
}

bool WindowHost::flagAttribute(std::string_view name, batch::ControlAttribute attribute) {
    switch (attribute) {
    case batch::ControlAttribute::Selected: {
        auto* button = qobject_cast<QAbstractButton*>(control(name));
        return button && button->isChecked();
    }
    case batch::ControlAttribute::Disabled: {
        QWidget* target = control(name);
        return target && !target->isEnabled();
    }
    default:
        return false;
    }
}

void WindowHost::setFlagAttribute(std::string_view name, batch::ControlAttribute attribute,
                                  bool value) {
    if (attribute == batch::ControlAttribute::Selected) {
        setWidgetSelected(control(name), value);
    } else if (attribute == batch::ControlAttribute::Disabled) {
        if (QWidget* target = control(name)) {
            target->setEnabled(!value);
        }
    }
}

void WindowHost::setWidgetSelected(QWidget* target, bool isSelected) {
    auto* button = qobject_cast<QAbstractButton*>(target);
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

int WindowHost::numberAttribute(std::string_view name, batch::ControlAttribute attribute) {
    using batch::ControlAttribute;
    if (isProgressAttribute(attribute)) {
        auto* bar = qobject_cast<QProgressBar*>(control(name));
        return bar ? progressValue(bar, attribute) : 0;
    }
    QWidget* placed = widget(name);
    if (!placed) {
        return 0;
    }
    const QRect frame = placed->isWindow() ? placed->frameGeometry() : placed->geometry();
    switch (attribute) {
    case ControlAttribute::PlacementState:
        return placed->isMinimized() ? 2 : placed->isMaximized() ? 3 : 0;
    case ControlAttribute::Left:
        return frame.x();
    case ControlAttribute::Top:
        return frame.y();
    case ControlAttribute::Width:
        return frame.width();
    case ControlAttribute::Height:
        return frame.height();
    default:
        return 0;
    }
}

void WindowHost::setNumberAttribute(std::string_view name, batch::ControlAttribute attribute,
                                    int value) {
    using batch::ControlAttribute;
    if (isProgressAttribute(attribute)) {
        if (auto* bar = qobject_cast<QProgressBar*>(control(name))) {
            setProgressValue(bar, attribute, value);
        }
        return;
    }
    QWidget* placed = widget(name);
    if (!placed) {
        return;
    }
    switch (attribute) {
    case ControlAttribute::Left:
        placed->move(value, placed->y());
        break;
    case ControlAttribute::Top:
        placed->move(placed->x(), value);
        break;
    case ControlAttribute::PlacementState:
        if (value == 2) {
            placed->showMinimized();
        } else if (value == 3) {
            placed->showMaximized();
        }
        break;
    default:
        // The window has a fixed size.
        break;
    }
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
                                                const AnsiText& title, const AnsiText& details) {
    // Also after the close request: the settings store's alarm may come while the settings are
    // saved on close. A run shows nothing once its pump has told it the window is going away.
    if (!dialogs.showMessage) {
        return platform::MessageAnswer::Ok;
    }
    return dialogs.showMessage(text, style, title, details);
}

bool WindowHost::openFolder(const AnsiText& folder) {
    // A window going away has nobody left to tell.
    if (closing() || !dialogs.openFolder)
        return true;
    return dialogs.openFolder(folder);
}

void WindowHost::openWebPage(const AnsiText& target) {
    if (dialogs.openWebPage) {
        dialogs.openWebPage(target);
    }
}

bool WindowHost::confirmConversion(const AnsiText& question) {
    return dialogs.confirmConversion && dialogs.confirmConversion(question);
}

} // namespace ui

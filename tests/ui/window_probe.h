// What a user sees of the window's controls, read from the widgets themselves, and the gestures
// that set them as the settings would.
#pragma once

#include <string_view>

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QString>

#include "platform/ansi_text.h"
#include "ui/main_window.h"

namespace ui::testing {

inline QWidget* widgetOf(const MainWindow& window, std::string_view name) {
    return window.control(name);
}

inline bool isChecked(const MainWindow& window, std::string_view name) {
    const auto* button = qobject_cast<const QAbstractButton*>(widgetOf(window, name));
    return button && button->isChecked();
}

// Selects or clears one radio or check box; clearing the checked radio of a group leaves the
// group with none, as a settings file marking every radio false does.
inline void setChecked(MainWindow& window, std::string_view name, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(widgetOf(window, name));
    if (!button)
        return;
    const bool exclusive = button->autoExclusive();
    if (!checked)
        button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

// The caption a button or label shows.
inline platform::AnsiText captionOf(const MainWindow& window, std::string_view name) {
    QWidget* widget = widgetOf(window, name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return ansiText(button->text());
    if (auto* label = qobject_cast<QLabel*>(widget))
        return ansiText(label->text());
    return {};
}

inline int barValue(const MainWindow& window) {
    const auto* bar = qobject_cast<const QProgressBar*>(widgetOf(window, "进度条"));
    return bar ? bar->value() : -1;
}

} // namespace ui::testing

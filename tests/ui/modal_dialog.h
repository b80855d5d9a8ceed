// Plays a user's part in a modal dialog that the code under test opens and waits on.
#pragma once

#include <functional>
#include <memory>

#include <QApplication>
#include <QTimer>

// Acts on the next modal dialog of type Dialog as soon as it is shown.
template <typename Dialog> void whenShown(std::function<void(Dialog*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            act(dialog);
            *poll = nullptr; // the poll holds itself while it waits; done, let it go
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

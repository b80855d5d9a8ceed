#include "ui/show_mode.h"

namespace ui {

int clampShowMode(std::optional<int> showMode) {
    if (!showMode)
        return 2;
    if (*showMode > 6)
        return 6;
    if (*showMode <= 0)
        return 1;
    return *showMode;
}

ShowState windowShowState(std::optional<int> showMode) {
    switch (clampShowMode(showMode)) {
    case 1:
        return ShowState::Hide;
    case 3:
        return ShowState::ShowMinimized;
    case 4:
        return ShowState::ShowMaximized;
    case 5:
        return ShowState::ShowNoActivate;
    case 6:
        return ShowState::Minimize;
    default:
        return ShowState::ShowNormal;
    }
}

} // namespace ui

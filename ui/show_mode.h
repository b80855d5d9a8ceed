// The show mode a caller may pass when starting a program (1 hidden .. 6 minimised) and the
// window show state it stands for.
#pragma once

#include <optional>

namespace ui {

// Window show states, valued as the system's SW_ codes.
enum class ShowState : int {
    Hide = 0,
    ShowNormal = 1,
    ShowMinimized = 2,
    ShowMaximized = 3,
    ShowNoActivate = 4,
    Minimize = 6,
};

// 2 when not given; a given mode above 6 becomes 6, one of 0 or less becomes 1.
int clampShowMode(std::optional<int> showMode);

// The show state of a show mode: 1 Hide, 2 ShowNormal, 3 ShowMinimized, 4 ShowMaximized,
// 5 ShowNoActivate, 6 Minimize. Modes outside 1..6 are clamped first.
ShowState windowShowState(std::optional<int> showMode);

} // namespace ui

#include "ui/show_mode.h"

#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using ui::ShowState;

TEST(ShowMode, ClampsAndMapsEveryMode) {
    struct Row {
        std::optional<int> given;
        int mode;
        ShowState state;
    };
    const std::vector<Row> rows = {{std::nullopt, 2, ShowState::ShowNormal},
                                   {-1, 1, ShowState::Hide},
                                   {0, 1, ShowState::Hide},
                                   {1, 1, ShowState::Hide},
                                   {2, 2, ShowState::ShowNormal},
                                   {3, 3, ShowState::ShowMinimized},
                                   {4, 4, ShowState::ShowMaximized},
                                   {5, 5, ShowState::ShowNoActivate},
                                   {6, 6, ShowState::Minimize},
                                   {7, 6, ShowState::Minimize},
                                   {9, 6, ShowState::Minimize},
                                   {-2147483647 - 1, 1, ShowState::Hide}};
    for (const Row& row : rows) {
        EXPECT_EQ(ui::clampShowMode(row.given), row.mode) << row.given.value_or(-99);
        EXPECT_EQ(ui::windowShowState(row.given), row.state) << row.given.value_or(-99);
    }
}

} // namespace

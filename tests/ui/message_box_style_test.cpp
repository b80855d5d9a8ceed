#include "ui/message_box_style.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageModality;
using platform::MessageStyle;

struct ShownRow {
    const char* name;
    MessageStyle style;
    MessageStyle expected;
};

class ShownMessageStyleTest : public testing::TestWithParam<ShownRow> {};

TEST_P(ShownMessageStyleTest, AddsIconAndModality) {
    EXPECT_EQ(ui::shownMessageStyle(GetParam().style), GetParam().expected);
}

constexpr auto yesNo = MessageButtons::YesNo;
constexpr auto systemModal = MessageModality::System;
INSTANTIATE_TEST_SUITE_P(
    Rows, ShownMessageStyleTest,
    testing::Values(
        ShownRow{"BatchReportYesNo",
                 platform::yesNoMessage,
                 {.buttons = yesNo, .icon = MessageIcon::Information, .modality = systemModal}},
        ShownRow{"PlainGetsInformation",
                 platform::okMessage,
                 {.icon = MessageIcon::Information, .modality = systemModal}},
        ShownRow{"WarningKept",
                 {.icon = MessageIcon::Warning},
                 {.icon = MessageIcon::Warning, .modality = systemModal}},
        ShownRow{"SystemModalBecomesTaskModal",
                 platform::systemModalWarning,
                 {.icon = MessageIcon::Warning, .modality = MessageModality::Task}},
        ShownRow{"TaskModalWrapsToApplication",
                 platform::taskModalMessage,
                 {.icon = MessageIcon::Information, .modality = MessageModality::Application}},
        ShownRow{"RestKept",
                 {.buttons = yesNo, .defaultButton = 1, .topmost = true},
                 {.buttons = yesNo,
                  .icon = MessageIcon::Information,
                  .defaultButton = 1,
                  .modality = systemModal,
                  .topmost = true}}),
    [](const auto& row) { return std::string(row.param.name); });

struct LayoutRow {
    const char* name;
    MessageStyle style;
    std::vector<MessageAnswer> buttons;
    size_t defaultButton;
    bool escapable;
};

class MessageBoxLayoutTest : public testing::TestWithParam<LayoutRow> {};

TEST_P(MessageBoxLayoutTest, ReadsTheStyle) {
    const LayoutRow& row = GetParam();
    ui::MessageBoxLayout layout = ui::messageBoxLayout(row.style);
    EXPECT_EQ(layout.buttons, row.buttons);
    EXPECT_EQ(layout.icon, row.style.icon);
    EXPECT_EQ(layout.defaultButton, row.defaultButton);
    EXPECT_EQ(layout.modality, row.style.modality);
    EXPECT_EQ(layout.topmost, row.style.topmost);
    EXPECT_EQ(layout.escapable, row.escapable);
}

using A = MessageAnswer;
using Bs = MessageButtons;
INSTANTIATE_TEST_SUITE_P(
    Rows, MessageBoxLayoutTest,
    testing::Values(
        LayoutRow{"BatchReport",
                  {.buttons = Bs::YesNo, .icon = MessageIcon::Information, .modality = systemModal},
                  {A::Yes, A::No},
                  0,
                  false},
        LayoutRow{"OkOnly", {.icon = MessageIcon::Information}, {A::Ok}, 0, true},
        LayoutRow{"OkCancelError",
                  {.buttons = Bs::OkCancel, .icon = MessageIcon::Error},
                  {A::Ok, A::Cancel},
                  0,
                  true},
        LayoutRow{"AbortRetryIgnoreThirdDefault",
                  {.buttons = Bs::AbortRetryIgnore, .defaultButton = 2},
                  {A::Abort, A::Retry, A::Ignore},
                  2,
                  false},
        LayoutRow{"YesNoCancelSecondDefault",
                  {.buttons = Bs::YesNoCancel,
                   .icon = MessageIcon::Warning,
                   .defaultButton = 1,
                   .modality = MessageModality::Task},
                  {A::Yes, A::No, A::Cancel},
                  1,
                  true},
        LayoutRow{"RetryCancel", {.buttons = Bs::RetryCancel}, {A::Retry, A::Cancel}, 0, true},
        LayoutRow{"CancelTryContinue",
                  {.buttons = Bs::CancelTryAgainContinue},
                  {A::Cancel, A::TryAgain, A::Continue},
                  0,
                  true},
        LayoutRow{"DefaultBeyondLastIsFirst",
                  {.buttons = Bs::YesNo, .defaultButton = 3},
                  {A::Yes, A::No},
                  0,
                  false},
        LayoutRow{"Topmost", {.topmost = true}, {A::Ok}, 0, true}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

#include "ui/message_box_style.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using ui::BoxButton;
using ui::BoxIcon;
using ui::BoxModality;

struct StyleRow {
    const char* name;
    int style;
    int expected;
};

class MessageBoxStyleTest : public testing::TestWithParam<StyleRow> {};

TEST_P(MessageBoxStyleTest, AddsIconAndModality) {
    EXPECT_EQ(ui::messageBoxStyle(GetParam().style), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MessageBoxStyleTest,
                         testing::Values(StyleRow{"BatchReportYesNo", 4, 0x1044},
                                         StyleRow{"PlainGetsInformation", 0, 0x1040},
                                         StyleRow{"WarningKept", 0x30, 0x1030},
                                         StyleRow{"ErrorKept", 0x14, 0x1014},
                                         StyleRow{"QuestionKept", 0x23, 0x1023},
                                         StyleRow{"UserIconBitIsNoIconRequest", 0x80, 0x10C0},
                                         StyleRow{"AddedNotOred", 0x1040, 0x2040}),
                         [](const auto& row) { return std::string(row.param.name); });

struct LayoutRow {
    const char* name;
    int style;
    std::vector<BoxButton> buttons;
    BoxIcon icon;
    size_t defaultButton;
    BoxModality modality;
    bool escapable;
};

class MessageBoxLayoutTest : public testing::TestWithParam<LayoutRow> {};

TEST_P(MessageBoxLayoutTest, ReadsStyleBits) {
    const LayoutRow& row = GetParam();
    ui::MessageBoxLayout layout = ui::messageBoxLayout(row.style);
    EXPECT_EQ(layout.buttons, row.buttons);
    EXPECT_EQ(layout.icon, row.icon);
    EXPECT_EQ(layout.defaultButton, row.defaultButton);
    EXPECT_EQ(layout.modality, row.modality);
    EXPECT_EQ(layout.escapable, row.escapable);
}

using B = BoxButton;
INSTANTIATE_TEST_SUITE_P(
    Rows, MessageBoxLayoutTest,
    testing::Values(
        LayoutRow{"BatchReport",
                  0x1044,
                  {B::Yes, B::No},
                  BoxIcon::Information,
                  0,
                  BoxModality::System,
                  false},
        LayoutRow{"OkOnly", 0x1040, {B::Ok}, BoxIcon::Information, 0, BoxModality::System, true},
        LayoutRow{"OkCancelError",
                  0x11,
                  {B::Ok, B::Cancel},
                  BoxIcon::Error,
                  0,
                  BoxModality::Application,
                  true},
        LayoutRow{"AbortRetryIgnoreThirdDefault",
                  0x222,
                  {B::Abort, B::Retry, B::Ignore},
                  BoxIcon::Question,
                  2,
                  BoxModality::Application,
                  false},
        LayoutRow{"YesNoCancelSecondDefault",
                  0x2133,
                  {B::Yes, B::No, B::Cancel},
                  BoxIcon::Warning,
                  1,
                  BoxModality::Task,
                  true},
        LayoutRow{"RetryCancel",
                  0x1045,
                  {B::Retry, B::Cancel},
                  BoxIcon::Information,
                  0,
                  BoxModality::System,
                  true},
        LayoutRow{"CancelTryContinue",
                  0x46,
                  {B::Cancel, B::TryAgain, B::Continue},
                  BoxIcon::Information,
                  0,
                  BoxModality::Application,
                  true},
        LayoutRow{"UnknownGroupIsOk",
                  0x4F,
                  {B::Ok},
                  BoxIcon::Information,
                  0,
                  BoxModality::Application,
                  true},
        LayoutRow{"DefaultBeyondLastIsFirst",
                  0x344,
                  {B::Yes, B::No},
                  BoxIcon::Information,
                  0,
                  BoxModality::Application,
                  false},
        LayoutRow{
            "UnknownIconIsNone", 0x50, {B::Ok}, BoxIcon::None, 0, BoxModality::Application, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MessageBoxLayout, TopmostBit) {
    EXPECT_TRUE(ui::messageBoxLayout(0x41040).topmost);
    EXPECT_FALSE(ui::messageBoxLayout(0x1040).topmost);
}

TEST(MessageAnswerFromSystem, MapsEverySystemAnswer) {
    using platform::MessageAnswer;
    const std::vector<std::pair<int, MessageAnswer>> rows = {
        {1, MessageAnswer::Ok},    {2, MessageAnswer::Cancel}, {3, MessageAnswer::Abort},
        {4, MessageAnswer::Retry}, {5, MessageAnswer::Ignore}, {6, MessageAnswer::Yes},
        {7, MessageAnswer::No},    {0, MessageAnswer::Ok},     {10, MessageAnswer::Ok},
        {11, MessageAnswer::Ok},   {-1, MessageAnswer::Ok},    {8, MessageAnswer::Ok}};
    for (const auto& [system, answer] : rows)
        EXPECT_EQ(ui::messageAnswerFromSystem(system), answer) << "system answer " << system;
}

} // namespace

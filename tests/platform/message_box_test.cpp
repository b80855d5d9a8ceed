#include "platform/message_box.h"

#include <gtest/gtest.h>

namespace {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageModality;
using platform::MessageStyle;

// The classic style word as hosts pass it, read bit group by bit group; what it does not know
// reads as the plainest box.
TEST(MessageStyle, classicWordIsReadByItsBitGroups) {
    const struct {
        int word;
        MessageStyle style;
    } rows[] = {
        {0, {}},
        {4, {.buttons = MessageButtons::YesNo}},
        {0x1030, {.icon = MessageIcon::Warning, .modality = MessageModality::System}},
        {0x2000, {.modality = MessageModality::Task}},
        {0x2133,
         {.buttons = MessageButtons::YesNoCancel,
          .icon = MessageIcon::Warning,
          .defaultButton = 1,
          .modality = MessageModality::Task}},
        {0x216,
         {.buttons = MessageButtons::CancelTryAgainContinue,
          .icon = MessageIcon::Error,
          .defaultButton = 2}},
        {0x41040,
         {.icon = MessageIcon::Information, .modality = MessageModality::System, .topmost = true}},
        {0x4F, {.icon = MessageIcon::Information}}, // unknown button group: OK alone
        {0x50, {}},                                 // unknown icon: none
        {0x3000, {}},                               // both modality bits: the application's
    };
    for (const auto& row : rows)
        EXPECT_EQ(platform::messageStyleFromClassic(row.word), row.style) << std::hex << row.word;
}

// The program's named styles are the words it always passed, and every word read in full is
// made again unchanged.
TEST(MessageStyle, classicWordIsMadeAgain) {
    EXPECT_EQ(platform::classicMessageStyle(platform::okMessage), 0);
    EXPECT_EQ(platform::classicMessageStyle(platform::yesNoMessage), 4);
    EXPECT_EQ(platform::classicMessageStyle(platform::systemModalWarning), 0x1030);
    EXPECT_EQ(platform::classicMessageStyle(platform::taskModalMessage), 0x2000);
    for (int word : {0x1, 0x22, 0x133, 0x2146, 0x41045, 0xF00})
        EXPECT_EQ(platform::classicMessageStyle(platform::messageStyleFromClassic(word)), word)
            << std::hex << word;
}

} // namespace

#include "ui/folder_picker_options.h"

#include <optional>

#include <gtest/gtest.h>

namespace {

TEST(FolderPickerFlags, DefaultsAndPassedArguments) {
    EXPECT_EQ(ui::folderPickerFlags(std::nullopt, std::nullopt, std::nullopt), 0x50);
    EXPECT_EQ(ui::folderPickerFlags(true, std::nullopt, std::nullopt), 0x4050);
    EXPECT_EQ(ui::folderPickerFlags(false, false, std::nullopt), 0x40);
    EXPECT_EQ(ui::folderPickerFlags(std::nullopt, true, false), 0x10);
    EXPECT_EQ(ui::folderPickerFlags(true, false, false), 0x4000);
}

TEST(FolderPickerOptions, ReadsFlags) {
    EXPECT_FALSE(ui::folderPickerOptions(0x50).showFiles);
    EXPECT_TRUE(ui::folderPickerOptions(0x50).canCreateFolders);
    EXPECT_TRUE(ui::folderPickerOptions(0x4010).showFiles);
    EXPECT_FALSE(ui::folderPickerOptions(0x4010).canCreateFolders);
}

TEST(FolderPickerTitle, GivenEmptyTitleIsKept) {
    EXPECT_EQ(ui::folderPickerTitle(std::nullopt), platform::ansi("请选择一个文件夹"));
    EXPECT_EQ(ui::folderPickerTitle(platform::AnsiText()), "");
    EXPECT_EQ(ui::folderPickerTitle(platform::ansi("选文件夹")), platform::ansi("选文件夹"));
}

} // namespace

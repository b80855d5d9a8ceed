#include "ui/folder_picker_options.h"

namespace ui {
namespace {

constexpr int editBoxFlag = 0x10;
constexpr int newStyleFlag = 0x40;
constexpr int includeFilesFlag = 0x4000;

} // namespace

int folderPickerFlags(std::optional<bool> includeFiles, std::optional<bool> editBox,
                      std::optional<bool> newStyle) {
    int flags = 0;
    if (editBox.value_or(true))
        flags |= editBoxFlag;
    if (newStyle.value_or(true))
        flags |= newStyleFlag;
    if (includeFiles.value_or(false))
        flags |= includeFilesFlag;
    return flags;
}

FolderPickerOptions folderPickerOptions(int flags) {
    FolderPickerOptions options;
    options.showFiles = (flags & includeFilesFlag) != 0;
    options.canCreateFolders = (flags & newStyleFlag) != 0;
    return options;
}

platform::AnsiText folderPickerTitle(const std::optional<platform::AnsiText>& title) {
    return title ? *title : platform::ansi("请选择一个文件夹");
}

} // namespace ui

// The folder picker's optional arguments as the classic browse flags, and what the flags mean for
// the toolkit's directory dialog. Pure; ui/shell_actions shows the dialog.
#pragma once

#include <optional>

#include "platform/ansi_text.h"

namespace ui {

// 0x10 edit box (default on), 0x40 new dialog style (default on), 0x4000 files listed too
// (default off); the defaults give 0x50.
int folderPickerFlags(std::optional<bool> includeFiles, std::optional<bool> editBox,
                      std::optional<bool> newStyle);

struct FolderPickerOptions {
    bool showFiles = false;       // files are listed beside the folders (0x4000)
    bool canCreateFolders = true; // the new style offers a "new folder" button (0x40)
    // The edit box (0x10) needs no option: the toolkit's dialog always has one.
};

FolderPickerOptions folderPickerOptions(int flags);

// The given title, also when empty, or "请选择一个文件夹" when none was given.
platform::AnsiText folderPickerTitle(const std::optional<platform::AnsiText>& title);

} // namespace ui

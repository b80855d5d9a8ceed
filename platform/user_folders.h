// Where the program may keep its files: the folder of its executable (portable use) and the
// user's configuration folder, and whether a folder takes new files.
#pragma once

#include <optional>

#include "platform/ansi_text.h"

namespace platform {

// Folder holding the running executable, without a trailing separator; nothing when the
// system does not tell or the path cannot be represented.
std::optional<AnsiText> executableFolder();

// $XDG_CONFIG_HOME when it is set to an absolute path, otherwise the home folder + "/.config";
// empty when neither is known.
AnsiText userConfigFolder();

// Whether a new file can be created in `folder` (tried for real: permission bits do not tell
// the whole story, e.g. for root or on a read-only mount).
bool isFolderWritable(const AnsiText& folder);

// Creates `folder` and every missing level above it; true when it exists afterwards.
bool createFolderLevels(const AnsiText& folder);

} // namespace platform

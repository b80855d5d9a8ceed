// Where the program may keep its files besides the folder of its executable: the user's
// configuration folder, and whether a folder takes new files.
#pragma once

#include "platform/ansi_text.h"

namespace platform {

// $XDG_CONFIG_HOME when it is set to an absolute path, otherwise the home folder + "/.config";
// empty when neither is known.
AnsiText userConfigFolder();

// Whether a new file can be created in `folder` (tried for real: permission bits do not tell
// the whole story, e.g. for root or on a read-only mount).
bool isFolderWritable(const AnsiText& folder);

// Whether the file at `path` exists and can be opened for editing: a regular file that opens
// for writing. Tried for real; a missing file is never created.
bool isFileEditable(const AnsiText& path);

} // namespace platform

// Folder lookups and single-level folder creation by AnsiText path.
#pragma once

#include "platform/ansi_text.h"

#include <string_view>

namespace platform {

// True when a directory lookup of exactly this name finds an entry (folder, file or other).
bool pathExists(std::string_view path);

// True when the path names a folder (following symbolic links).
bool isFolder(std::string_view path);

// Creates one folder level (no parents). False when it cannot be created or the name cannot be
// represented on the file system.
bool makeFolder(std::string_view path);

// The folder the program's executable lies in, without a trailing separator; empty when the
// system does not say.
AnsiText executableFolder();

// The process's working folder, for making command-line paths absolute.
AnsiText currentFolder();

} // namespace platform

// Folder lookups and folder creation by AnsiText path.
#pragma once

#include <span>
#include <string_view>

#include "platform/ansi_text.h"

namespace platform {

// True when a directory lookup of exactly this name finds an entry (folder, file or other).
bool pathExists(std::string_view path);

// True when the path names a folder (following symbolic links).
bool isFolder(std::string_view path);

// True when the path itself is a symbolic link (wherever it leads).
bool isSymbolicLink(std::string_view path);

// Creates one folder level (no parents); true when a folder is there afterwards, also when it
// was there before. False when it cannot be created, something else is in the way, or the name
// cannot be represented on the file system.
bool makeFolder(std::string_view path);

// Creates every level of the folders named by the path, up to its last separator (found
// character-wise). A prefix naming the file-system root (empty on Linux, a drive such as D: on
// Windows) is skipped, as is one that already exists, whatever it is. False when a level cannot
// be created; errno then tells why (ENOTDIR when a file stands in the way). `madeLast`, when
// given, tells whether this call made the last level itself: nothing else was in it then.
bool createFolderPath(std::string_view path, bool* madeLast = nullptr);

// Waits until everything written to the file systems holding `folders` is on the disk: the
// files in them and their names alike, with one sync per file system however many folders
// share it. False when a folder cannot be opened or a sync fails.
bool syncFileSystemsOf(std::span<const AnsiText> folders);

// The folder the program's executable lies in, without a trailing separator; empty when the
// system does not say.
AnsiText executableFolder();

// The process's working folder, for making command-line paths absolute.
AnsiText currentFolder();

} // namespace platform

// Pieces of source paths the batch run needs: the folder a file lies in, the name the progress
// caption shows, and the result folder created level by level.
#pragma once

#include "platform/ansi_text.h"

#include <string_view>

namespace batch {

using platform::AnsiText;

// The bytes before the last separator; empty when the path has none.
AnsiText directoryOfPath(std::string_view path);

// The name after the last separator, cut before its last "." (readme.old.txt -> readme.old;
// .htaccess -> empty; a name without a dot stays whole).
AnsiText baseNameOfPath(std::string_view path);

// Creates every level of the folders named by the path, up to its last separator. A prefix
// naming the file-system root (empty on Linux, a drive such as D: on Windows) is skipped, as is
// one that already exists. False when a level cannot be created.
bool createFolderPath(std::string_view path);

} // namespace batch

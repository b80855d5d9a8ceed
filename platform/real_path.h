// The system's own reading of a path: links followed, "." and ".." settled.
#pragma once

#include <optional>
#include <string>

#include "platform/ansi_text.h"

namespace platform {

// The absolute path of an existing file or folder with every link, "." and ".." resolved as
// opening it would; empty when it does not exist, cannot be reached, or is not GB18030.
AnsiText realPath(const AnsiText& path);

// False when `a` and `b` cannot lead to one file: either does not exist, or they lead to
// different files. Two stats, where comparing their real paths walks every folder of both.
bool mayBeSameFile(const AnsiText& a, const AnsiText& b);

// The same for a path in the file system's own form; nullopt with errno set when it cannot be
// resolved.
std::optional<std::string> realNativePath(const std::string& native);

// `path` made absolute against `workingFolder`, without "." components or doubled separators. A
// ".." is settled by the system, which follows a link before it as opening the path would; when
// the folder cannot be resolved the ".." stays, so the path still names what the system would
// open.
AnsiText absolutePath(const AnsiText& path, const AnsiText& workingFolder);

} // namespace platform

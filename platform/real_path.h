// The system's own reading of a path: links followed, "." and ".." settled.
#pragma once

#include "platform/ansi_text.h"

namespace platform {

// The absolute path of an existing file or folder with every link, "." and ".." resolved as
// opening it would; empty when it does not exist, cannot be reached, or is not GB18030.
AnsiText realPath(const AnsiText& path);

} // namespace platform

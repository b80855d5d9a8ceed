// What showing a path in the file explorer amounts to: starting a program directly, or the
// explorer command line with its switches. Pure; ui/shell_actions carries it out.
#pragma once

#include "platform/ansi_text.h"

namespace ui {

struct ExplorerRequest {
    // The target is a program (".exe" in any letter case, with runExecutables): start it
    // directly, unquoted, with no explorer involved.
    bool runDirectly = false;
    // The explorer is to select the target inside its folder (neither runExecutables nor asRoot).
    bool select = false;
    // The path, or its parent folder when asRoot asked for it.
    platform::AnsiText target;
    // What a Windows build runs: the target itself when runDirectly, else
    // explorer /n|/e,[/select,|/root,]"target".
    platform::AnsiText commandLine;
};

// asRoot shortens the path to the part before its last separator (found character-wise; a path
// without one stays whole). The separator is the platform's unless a test names another.
ExplorerRequest explorerRequest(const platform::AnsiText& path, bool newWindow, bool runExecutables,
                                bool asRoot, char separator = platform::pathSeparator);

// The command line alone.
platform::AnsiText explorerCommandLine(const platform::AnsiText& path, bool newWindow,
                                       bool runExecutables, bool asRoot,
                                       char separator = platform::pathSeparator);

} // namespace ui

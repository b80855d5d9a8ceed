// Turns a folder and the text of the filter box into the list of files a folder run converts.
// Only files that lie directly in the folder are looked at, so the result folder of an earlier
// run, being a sub-folder, never becomes part of a list; nor does a killed run's hidden
// temporary file, when the folder scanned is itself a result folder.
#pragma once

#include <functional>
#include <vector>

#include "platform/ansi_text.h"

namespace batch {

// How a filter scan tests a name, fixed once per scan from the filter.
enum class FolderScanMode {
    AllFiles,  // "*.*" or "*" (an empty filter counts as "*"): every file
    Extension, // "*.ext" with no other "*": the name's last bytes against .ext, ASCII case folded
    Wildcard,  // anything else: wildcardToRegex(filter), searched unanchored, case ignored
};

// Called once per folder entry so that the window can process its pending events during a long
// scan (repaints, clicks). It returns false when the host is going away (the window was closed):
// the scan then ends with what it has. An empty function stands for a host without events.
using PumpEvents = std::function<bool()>;

struct [[nodiscard]] FolderScanResult {
    // Full paths (folder + separator + name) in the order the system listed the entries.
    std::vector<platform::AnsiText> files;
    // Files the filter took whose names the file system holds in a form the program cannot
    // represent (no valid UTF-8). Full paths with U+FFFD for each bad byte: for reporting them
    // as failed, never for opening.
    std::vector<platform::AnsiText> unrepresentable;
    // True when the host went away during the scan, so the lists hold only the entries before.
    bool cutShort = false;
};

// The mode a filter scan uses for `filter` (exactly as typed; empty counts as "*").
FolderScanMode folderScanMode(const platform::AnsiText& filter);

// The filter as a regular expression: the characters \ ^ $ + . { } [ ] = ( ) " escaped, "*"
// made ".*", "?" made ".?" (zero or one character); "|" stays, so it separates alternatives.
// A double-byte character is copied whole, so its second byte is never escaped.
platform::AnsiText wildcardToRegex(const platform::AnsiText& filter);

// The files directly in `folder` that the filter takes (see FolderScanMode). A missing or
// unreadable folder, or a file given as folder, gives an empty list.
FolderScanResult listFolderByFilter(const platform::AnsiText& folder,
                                    const platform::AnsiText& filter,
                                    const PumpEvents& pumpEvents = {});

// The files directly in `folder` whose names match `filter` by the system's wildcard rules (an
// empty filter counts as "*.*"). A filter that is no valid file-name pattern, such as one
// holding "|", gives an empty list.
FolderScanResult listFolderByPattern(const platform::AnsiText& folder,
                                     const platform::AnsiText& filter,
                                     const PumpEvents& pumpEvents = {});

} // namespace batch

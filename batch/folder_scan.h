// Turns a folder and the text of the filter box into the list of files a folder run converts:
// the files directly in the folder, or those of its whole tree. The result folder of an earlier
// run never becomes part of a list (a flat scan does not look into sub-folders, a tree scan
// never enters one of that name); nor does a killed run's hidden temporary file, nor a backup.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"

namespace batch {

// The folder a run writes its outputs into, beside its sources (UTF-8).
inline constexpr std::string_view resultFolderName = "转换结果";

// The suffix a replaced source's original is kept under unless the command line names another;
// names ending in it (and numbered backups, NAME.~N~) are never taken by a scan.
inline constexpr std::string_view defaultBackupSuffix = "~";

// Whether a scan looks into the folder's sub-folders.
enum class SubFolders {
    Skip,    // the files directly in the folder
    Include, // also every sub-folder's, at any depth, except folders named resultFolderName and
             // links to folders; a folder's files come before its sub-folders, and sub-folders
             // are walked in the order the system lists them
};

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
    // represent (no valid UTF-8), and in a tree scan the sub-folders not entered for that
    // reason. Full paths with U+FFFD for each bad byte: for reporting them as failed, never for
    // opening.
    std::vector<platform::AnsiText> unrepresentable;
    // For a scan with SubFolders::Include, the folder scanned with a trailing separator: every
    // path above lies below it, and a run keeps each output at the same place relative to it.
    // Empty for a flat scan.
    platform::AnsiText treeRoot;
    // True when the host went away during the scan, so the lists hold only the entries before.
    bool cutShort = false;
};

// The mode a filter scan uses for `filter` (exactly as typed; empty counts as "*").
FolderScanMode folderScanMode(const platform::AnsiText& filter);

// The filter as a regular expression: the characters \ ^ $ + . { } [ ] = ( ) " escaped, "*"
// made ".*", "?" made ".?" (zero or one character); "|" stays, so it separates alternatives.
// A double-byte character is copied whole, so its second byte is never escaped.
platform::AnsiText wildcardToRegex(const platform::AnsiText& filter);

// The files in `folder` (and with SubFolders::Include in its tree) that the filter takes (see
// FolderScanMode). A missing or unreadable folder, or a file given as folder, gives an empty
// list; an unreadable sub-folder adds nothing.
FolderScanResult listFolderByFilter(const platform::AnsiText& folder,
                                    const platform::AnsiText& filter,
                                    const PumpEvents& pumpEvents = {},
                                    SubFolders subFolders = SubFolders::Skip);

// The files in `folder` (and with SubFolders::Include in its tree) whose names match `filter` by
// the system's wildcard rules (an empty filter counts as "*.*"). A filter that is no valid
// file-name pattern, such as one holding "|", gives an empty list.
FolderScanResult listFolderByPattern(const platform::AnsiText& folder,
                                     const platform::AnsiText& filter,
                                     const PumpEvents& pumpEvents = {},
                                     SubFolders subFolders = SubFolders::Skip);

} // namespace batch

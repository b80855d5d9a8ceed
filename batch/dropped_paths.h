// Paths handed to the window from outside (dropped on it, or given on its command line when a
// file manager opens files with the program) turned into a run, as if the open dialog or the
// folder picker had chosen them.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_session.h"
#include "batch/button_window.h"
#include "batch/folder_scan.h"
#include "platform/ansi_text.h"

namespace batch {

// The folder when `nativePaths` (the file system's bytes) is one folder alone; empty otherwise.
platform::AnsiText droppedFolderAlone(const std::vector<std::string>& nativePaths,
                                      const platform::AnsiText& workingFolder);

// The files a drop converts, in the order dropped: a file as it is, a folder as the files the
// filter box's scan takes in it. A path the program cannot represent is listed as
// unrepresentable, never opened. Relative paths are taken against `workingFolder`.
FolderScanResult listDroppedPaths(const std::vector<std::string>& nativePaths,
                                  const platform::AnsiText& filter,
                                  const platform::AnsiText& workingFolder,
                                  const PumpEvents& pumpEvents = {});

// Converts the dropped paths with the window's choices: one folder alone runs as the folder
// button's run, anything else as the file button's, each remembering its folder as its dialog
// would. False, and nothing happens, while a button's handler is active.
bool startDroppedBatch(const ButtonWindow& window, BatchSession& session,
                       const std::vector<std::string>& nativePaths);

} // namespace batch

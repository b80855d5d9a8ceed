// The two batch buttons' handlers and the run they drive: every file of a list converted into
// the result folder "转换结果" beside the first file, with progress, a stop request and the
// completion report.
#pragma once

#include "batch/batch_host.h"
#include "platform/ansi_text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace batch {

using platform::AnsiText;

// One flag for the whole program, shared by both buttons: cleared right before a run starts,
// set by a click on the button of the run in progress, never reset when a run ends.
extern bool stopRequested;

// The captions that double as each button's state (leading blanks included).
struct ButtonCaptions {
    AnsiText idle, running, stopping;
};
const ButtonCaptions& fileButtonCaptions();
const ButtonCaptions& folderButtonCaptions();

// How a run went: what the report says and what the command line's exit status needs.
struct [[nodiscard]] BatchSummary {
    int count = 0;                     // files in the list
    int converted = 0;                 // files converted completely
    std::vector<AnsiText> failedNames; // file names (no folder) of the files that failed
    AnsiText resultFolder;             // ends in a separator
    std::int64_t elapsedMilliseconds = 0;
    AnsiText report;         // the completion report's text; empty when none was shown
    bool stopped = false;    // a stop request ended the run before its last file
    bool hostClosed = false; // the window went away during the run
};

// Click on "按钮批量转换": while its run is active, a stop request; otherwise the open dialog,
// then a run over the chosen files.
void startFileBatch(BatchHost& host);

// Click (useFilterScan true) or right-button release (false) on "按钮批量转换文件夹": while its
// run is active, a stop request; otherwise the folder picker, the filter or wildcard scan, then
// a run over the files found.
void startFolderBatch(BatchHost& host, bool useFilterScan);

// True while a button handler is in its dialog, picker, scan or run; clicks that would start a
// second one are then ignored, so runs never nest.
bool batchHandlerActive();

// Where the command line's run differs from the window's.
struct RunStyle {
    bool askToOpenResult = true;     // the report ends with the question, answered Yes or No
    bool unreachedFilesFail = false; // a stopped run reports the files it never reached as failed
};

// Converts `files` (full paths) into the result folder beside the first one. `unrepresentable`
// names files a scan found but cannot open (reported as failed, never opened); when they are
// all there is, the result folder is beside the first of them. Nothing happens when both lists
// are empty.
BatchSummary runBatch(BatchHost& host, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable = {}, RunStyle style = {});

// The completion report: elapsed time, result folder, the failures line when files failed (the
// first five names, then "等" when there are more), and unless left out the question whether
// to open the folder.
AnsiText completionReport(std::int64_t elapsedMilliseconds, const AnsiText& resultFolder,
                          const std::vector<AnsiText>& failedNames, bool withQuestion = true);

} // namespace batch

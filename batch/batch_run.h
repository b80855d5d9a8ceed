// The two batch buttons' handlers and the run they drive: every file of a list converted into
// the result folder "转换结果" beside it, with progress, a stop request and the completion
// report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_host.h"
#include "batch/batch_session.h"
#include "batch/file_workers.h"
#include "batch/folder_scan.h"
#include "batch/run_problems.h"
#include "engine/single_file_conversion.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace batch {

using platform::AnsiText;

// The captions that show each button's state (UTF-8, leading blanks included).
struct ButtonCaptions {
    std::string_view idle, running, stopping;
};
inline constexpr ButtonCaptions fileButtonCaptions{"批量转换", "点我停止", "停止中.."};
inline constexpr ButtonCaptions folderButtonCaptions{"   批量转换(文件夹方式)", "    点我停止",
                                                     "   停止中.."};

// A file that failed and why.
struct FailedFile {
    AnsiText name; // file name, no folder
    platform::FileStatus status;
};

// A result folder that could not be made, and the error number that says why.
struct UnmadeFolder {
    AnsiText folder; // ends in a separator
    int error = 0;
};

// How a run went: what the report says and what the command line's exit status needs.
struct [[nodiscard]] BatchSummary {
    int count = 0;                       // files in the list
    int converted = 0;                   // files converted completely
    std::vector<AnsiText> failedNames;   // file names (no folder) of the files that failed
    std::vector<FailedFile> failures;    // the same files, in the same order, with their reasons
    AnsiText resultFolder;               // the first of resultFolders; empty when none was made
    std::vector<AnsiText> resultFolders; // each ends in a separator; in the order of their files
    std::vector<UnmadeFolder> unmadeFolders; // the result folders that could not be made
    std::int64_t elapsedMilliseconds = 0;
    AnsiText report;         // the completion report's text; empty when none was shown
    bool stopped = false;    // a stop request ended the run before its last file
    bool hostClosed = false; // the window went away during the run
};

// Click on "按钮批量转换": while its run is active, a stop request; while another handler is
// active, nothing; otherwise the open dialog, then a run over the chosen files.
void startFileBatch(BatchHost& host, BatchSession& session);

// Click (useFilterScan true) or right-button release (false) on "按钮批量转换文件夹": while its
// run is active, a stop request; while another handler is active, nothing; otherwise the
// folder picker, the filter or wildcard scan, then a run over the files found.
void startFolderBatch(BatchHost& host, BatchSession& session, bool useFilterScan);

// The part every button's run shares once its handler holds a non-empty list: `button` becomes
// the stop button, the other one is disabled for the run, and both are restored afterwards
// unless the window went away meanwhile.
void runFromButton(BatchHost& host, BatchSession& session, BatchSession::Handler& handler,
                   std::string_view button, std::string_view otherButton,
                   const ButtonCaptions& captions, const FolderScanResult& list);

// Where the command line's run differs from the window's.
struct RunStyle {
    bool askToOpenResult = true;     // the report ends with the question, answered Yes or No
    bool unreachedFilesFail = false; // a stopped run reports the files it never reached as failed
    int jobs = 0;                    // files converted at once; below 1, one per core
    // Stands in for the script conversion of every file, on the worker converting it (tests: a
    // slow step that heeds the file's abandon flag).
    ScriptStepOverride scriptOverride = {};
};

// Converts `files` (full paths) into the result folder beside them; files from several folders
// each into the one beside its own folder. A later source whose output would replace that of an
// earlier, different one fails (the same source listed again converts again). `unrepresentable`
// names files a scan found but cannot open (reported as failed, never opened); when they are
// all there is, the result folder is beside the first of them. Nothing happens when both lists
// are empty. Files convert on `style.jobs` worker threads while this thread keeps the host's
// events going; everything the host is told comes in list order. Once `session` has a stop
// request or the host goes away, the files converting are abandoned and no more start.
BatchSummary runBatch(BatchHost& host, BatchSession& session, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable = {}, RunStyle style = {});

// Converts what a folder scan found. After a flat scan as above; after a tree scan the result
// folder lies in the scan's root and each output keeps its place relative to the root
// (root/sub/a.txt becomes root/转换结果/sub/a.txt), its folders created as they are needed.
BatchSummary runBatch(BatchHost& host, BatchSession& session, const FolderScanResult& scan,
                      RunStyle style = {});

// The script step of a file converted on the host's thread: the script group is read when the
// step runs.
engine::ScriptStep scriptStep(BatchHost& host);

// The completion report: elapsed time, every result folder, the failures line when files failed
// (the first five names, then "等" when there are more), and unless left out the question
// whether to open the (first) folder.
AnsiText completionReport(std::int64_t elapsedMilliseconds,
                          const std::vector<AnsiText>& resultFolders,
                          const std::vector<AnsiText>& failedNames, bool withQuestion = true,
                          const std::vector<UnmadeFolder>& unmadeFolders = {});

// The report's details: one line "<name>：<reason>" per failed file, every one of them named;
// control characters in a name show as "?", so that no name can pass for another line.
AnsiText failureDetails(const std::vector<FailedFile>& failures);

} // namespace batch

// The two batch buttons' handlers and the run they drive: every file of a list converted into
// the result folder "转换结果" beside it, with progress, a stop request and the completion
// report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_session.h"
#include "batch/button_window.h"
#include "batch/folder_scan.h"
#include "batch/run_observer.h"
#include "batch/run_options.h"
#include "batch/run_problems.h"
#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

// Click on "按钮批量转换": while its run is active, a stop request; while another handler is
// active, nothing; otherwise the open dialog, then a run over the chosen files.
void startFileBatch(const ButtonWindow& window, BatchSession& session);

// Click (useFilterScan true) or right-button release (false) on "按钮批量转换文件夹": while its
// run is active, a stop request; while another handler is active, nothing; otherwise the
// folder picker, the filter or wildcard scan, then a run over the files found.
void startFolderBatch(const ButtonWindow& window, BatchSession& session, bool useFilterScan);

// The files a click on `button` takes: the open dialog's choice, or the folder the picker chose
// scanned by the filter (useFilterScan) or by the wildcard pattern, sub-folders as the window
// says. The button remembers the folder. Empty when cancelled, or when the scan found nothing or
// was cut short.
FolderScanResult filesOfButton(const ButtonWindow& window, BatchButton button, bool useFilterScan);

// The part every button's run shares once its handler holds a non-empty list: `button` becomes
// the stop button, the other one is disabled for the run, and both are restored afterwards
// unless the window went away meanwhile. A run that would replace sources asks first
// (replaceQuestion); a no leaves everything as it was.
void runFromButton(const ButtonWindow& window, BatchSession& session,
                   BatchSession::Handler& handler, BatchButton button,
                   const FolderScanResult& list);

// The question before a run replaces `count` sources in place, each original kept under its
// name followed by `backupSuffix` (none when empty).
AnsiText replaceQuestion(std::size_t count, const std::optional<AnsiText>& backupSuffix);

// Makes the folder (ending in the separator) and its parents; 0 when it is there as a folder
// afterwards, else the error number that says why not (ENOTDIR when a file stands in its place).
// `madeNow`, when given, tells whether this call made the folder itself.
int madeFolderError(const AnsiText& folder, bool* madeNow = nullptr);

// Converts what a list or a folder scan holds with `options`. Each file goes into the result
// folder beside it; after a tree scan the result folder lies in the scan's root and each output
// keeps its place relative to the root (root/sub/a.txt becomes root/转换结果/sub/a.txt), its
// folders created as they are needed. A later source whose output would replace that of an
// earlier, different one fails (the same source listed again converts again). The list's
// unrepresentable names are reported as failed, never opened; when they are all there is, the
// result folder is beside the first of them. Nothing happens when the list is empty.
//
// With `options.outputFolder` that folder takes the place of every result folder (a tree's
// outputs keep their places below it), and a file whose output would be the source itself fails
// (OutputIsSource). With `options.inPlace` no result folder is made: each source is replaced by
// its conversion only when that is complete (engine::convertFileInPlace), and a source listed
// again fails (OutputTaken).
//
// Files convert on `options.jobs` worker threads while this thread runs `pumpEvents` (may be
// empty) every few milliseconds; `observer` is told everything in list order. Once `session`'s
// stop is requested, or the pump says the front end is going away, the files converting are
// abandoned and no more start; after the latter the observer hears nothing more.
BatchSummary runBatch(const FolderScanResult& list, const RunOptions& options,
                      RunObserver& observer, BatchSession& session,
                      const PumpEvents& pumpEvents = {});

// What the progress shows for file `index` (1-based) of `count`: "(25:3) readme.old", the total
// first, then the file's name without its last extension.
AnsiText progressCaption(int count, int index, const AnsiText& path);

// The completion report: elapsed time, every result folder, the folders that could not be made,
// the failures line when files failed (the first five names, then "等" when there are more), and
// when asked the question whether to open the (first) folder.
AnsiText completionReport(const BatchSummary& summary, bool withQuestion);

// The report's details: one line "<name>：<reason>" per failed file, every one of them named;
// control characters in a name show as "?", so that no name can pass for another line.
AnsiText failureDetails(const std::vector<FailedFile>& failures);

} // namespace batch

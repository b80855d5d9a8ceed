// A look before converting: the files a batch button would take, each through the engine's dry
// run with the run's options, on the workers and in list order, with a stop. Nothing is written;
// the window shows the findings and the command line prints them.
#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>
#include <vector>

#include "batch/batch_session.h"
#include "batch/button_window.h"
#include "batch/folder_scan.h"
#include "batch/run_options.h"
#include "engine/conversion_check.h"
#include "engine/work_control.h"
#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

// One file's check.
using CheckOne =
    std::function<engine::ConversionCheck(const AnsiText& path, const engine::WorkControl&)>;

// The checks of `files` on `jobs` workers (below 1: one per core), each handed to `checked` with
// its index, in list order, as it and those before it are done. Files start while the bytes in
// hand fit the budget a run has. `keepGoing` is asked between waits, every few milliseconds; once
// it answers false, or `stop` is requested, the files in hand are given up and no more start.
// True when every file was checked.
bool checkInOrder(const std::vector<AnsiText>& files, int jobs, const CheckOne& check,
                  std::stop_token stop, const std::function<bool()>& keepGoing,
                  const std::function<void(std::size_t, engine::ConversionCheck)>& checked);

// What the check of one listed file found.
struct FileCheck {
    AnsiText sourcePath;
    engine::ConversionCheck check;
};

// The rows a list's check gives, in this order: the unrepresentable names (never opened), then
// the files in the list's order.
std::vector<AnsiText> checkedPaths(const FolderScanResult& list);

// Checks what `list` holds with `options` (the script step as it is chosen now), handing each
// row's FileCheck to `checked` with its row (checkedPaths) in order. `pump` runs every few
// milliseconds; when it answers false, or `stop` is requested, the files in hand are given up.
// True when every row was checked.
bool checkList(const FolderScanResult& list, const RunOptions& options, std::stop_token stop,
               const PumpEvents& pump, const std::function<void(std::size_t, FileCheck)>& checked);

// A file's place as a report names it: below the tree's root after a tree scan, else its name.
AnsiText nameInList(const AnsiText& treeRoot, const AnsiText& path);

// How the window names an encoding: its radio's caption ("ANSI", "Unicode", ...), Big5 by name.
AnsiText encodingCaption(engine::TextEncoding encoding);

// What a check found, in a line: "完整", or the reason, then how many characters and where the
// first stands ("，共 2 个字符，第一个在第 3 行第 5 列：们"; bytes in hex when no character).
AnsiText checkFinding(const engine::ConversionCheck& check);

// Where the window shows a check and the user decides.
class CheckReview {
public:
    virtual ~CheckReview() = default;
    // Shows the checks of `list` with `options` as they come (checkList, with `session`'s stop
    // and `pump`) and waits for the user: true to convert the listed files, false to leave them.
    virtual bool reviewChecks(const FolderScanResult& list, const RunOptions& options,
                              BatchSession& session, const PumpEvents& pump) = 0;
};

// 检查 from the window: the files `button` would take, chosen as a click on it chooses them (the
// folder by the filter scan), are checked and shown by `review`; when the user converts them, they
// are that button's run. Nothing happens while another handler is active or when nothing was
// chosen.
void checkThenRun(const ButtonWindow& window, BatchSession& session, BatchButton button,
                  CheckReview& review);

} // namespace batch

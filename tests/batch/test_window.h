// A window stand-in for the batch tests: the choices a run is made with, the buttons' states and
// remembered folders, dialogs answered from preset values, and everything a run tells recorded.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "batch/batch_run.h"
#include "batch/button_window.h"
#include "engine/single_file_conversion.h"

namespace batch::fakes {

class TestWindow : public ButtonPanel, public BatchDialogs, public RunObserver {
public:
    // The choices runOptions answers; the script mode is read as each file starts.
    engine::TextEncoding input = engine::TextEncoding::Auto;
    engine::TextEncoding output = engine::TextEncoding::Auto;
    engine::ScriptMode script = engine::ScriptMode::None;
    std::optional<engine::ScriptStep> scriptStep; // stands in for the script conversion
    bool smartDetection = false;
    bool subFolders = false;
    int jobs = 0;
    bool unreachedFilesFail = false;
    engine::WriteOptions write;
    AnsiText outputFolder;
    bool inPlace = false;
    std::optional<AnsiText> backupSuffix;
    AnsiText filter = "*.*";

    // What the dialogs answer, and what they were asked.
    std::vector<AnsiText> filesToChoose;
    AnsiText folderToPick;
    std::vector<AnsiText> replaceQuestions; // every question before replacing sources
    bool replaceAnswer = true;
    AnsiText lastDialogTitle;
    AnsiText lastDialogFolder;

    // Run at every pump, as a window's pending clicks would be; return false to act as a window
    // that was closed.
    std::function<bool()> onPump;
    int pumpCount = 0;

    // The buttons as shown.
    std::array<AnsiText, 2> remembered;
    std::array<ButtonState, 2> states{ButtonState::Idle, ButtonState::Idle};
    std::array<bool, 2> enabled{true, true};

    // What runs told.
    std::vector<AnsiText> progressCaptions;
    std::vector<FileOutcome> outcomes;
    std::vector<BatchSummary> summaries;
    ButtonState fileButtonAtReport = ButtonState::Idle;

    ButtonWindow buttonWindow() {
        return {*this, *this, *this, [this] {
                    ++pumpCount;
                    return !onPump || onPump();
                }};
    }

    RunOptions runOptions() override {
        RunOptions options;
        options.input = input;
        options.output = output;
        options.script = scriptStep ? ScriptChoice([this] { return *scriptStep; })
                                    : scriptReadPerFile([this] { return script; });
        options.detection =
            smartDetection ? engine::DetectionRule::Smart : engine::DetectionRule::Classic;
        options.subFolders = subFolders ? SubFolders::Include : SubFolders::Skip;
        options.jobs = jobs;
        options.unreachedFilesFail = unreachedFilesFail;
        options.write = write;
        options.outputFolder = outputFolder;
        options.inPlace = inPlace;
        options.backupSuffix = backupSuffix;
        return options;
    }
    AnsiText filterText() override { return filter; }
    AnsiText rememberedFolder(BatchButton button) override { return remembered[at(button)]; }
    void rememberFolder(BatchButton button, const AnsiText& folder) override {
        remembered[at(button)] = folder;
    }
    void showState(BatchButton button, ButtonState state) override { states[at(button)] = state; }
    void setEnabled(BatchButton button, bool on) override { enabled[at(button)] = on; }

    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText&,
                                      const AnsiText& initialFolder) override {
        lastDialogTitle = title;
        lastDialogFolder = initialFolder;
        return filesToChoose;
    }
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override {
        lastDialogTitle = title;
        lastDialogFolder = initialFolder;
        return folderToPick;
    }
    bool confirmReplacing(const AnsiText& question) override {
        replaceQuestions.push_back(question);
        return replaceAnswer;
    }

    void runStarted(int files) override { count = files; }
    void fileStarted(int index, const AnsiText& path) override {
        progressCaptions.push_back(progressCaption(count, index, path));
    }
    void fileFinished(const FileOutcome& outcome) override { outcomes.push_back(outcome); }
    void runFinished(const BatchSummary& summary) override {
        summaries.push_back(summary);
        fileButtonAtReport = states[0];
    }

    // The report of the last run as the window shows it, and its details.
    AnsiText report() const {
        return summaries.empty()
                   ? AnsiText()
                   : completionReport(summaries.back(), !summaries.back().resultFolders.empty());
    }
    AnsiText details() const {
        return summaries.empty() ? AnsiText() : failureDetails(summaries.back().failures);
    }

    // A run of `files` with the choices above, as a button's handler starts it.
    BatchSummary run(BatchSession& session, const std::vector<AnsiText>& files) {
        FolderScanResult list;
        list.files = files;
        return run(session, list);
    }
    BatchSummary run(BatchSession& session, const FolderScanResult& list) {
        return runBatch(list, runOptions(), *this, session, buttonWindow().pumpEvents);
    }

private:
    static std::size_t at(BatchButton button) { return button == BatchButton::Files ? 0 : 1; }
    int count = 0;
};

// The names of the files a run reports as failed, in its order.
inline std::vector<AnsiText> failedNames(const BatchSummary& summary) {
    std::vector<AnsiText> names;
    for (const FailedFile& failed : summary.failures)
        names.push_back(failed.name);
    return names;
}

} // namespace batch::fakes

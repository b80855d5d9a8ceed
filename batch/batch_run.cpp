#include "batch/batch_run.h"

#include <utility>

#include "batch/choices.h"
#include "batch/elapsed_time_text.h"
#include "batch/folder_scan.h"
#include "engine/script_conversion.h"
#include "engine/single_file_conversion.h"
#include "platform/file_system.h"
#include "platform/monotonic_clock.h"
#include "platform/path_scan.h"
#include "platform/temporary_leftovers.h"

namespace batch {

using engine::ScriptMode;
using engine::TextEncoding;
using platform::ansi;
using platform::baseNameOfPath;
using platform::createFolderPath;
using platform::directoryOfPath;
using platform::fileNameOfPath;

namespace {

// Read before every file, so a change made during a run applies from the next file on.
ScriptMode readScriptMode(BatchHost& host) {
    return static_cast<ScriptMode>(selectedValue(host, ChoiceGroup::Script));
}

AnsiText progressCaption(int count, int index, const AnsiText& path) {
    return "(" + std::to_string(count) + ":" + std::to_string(index) + ") " + baseNameOfPath(path);
}

// One file through the engine. `detected` carries over from the previous file.
FileOutcome convertFile(BatchHost& host, const AnsiText& path, const AnsiText& resultFolder,
                        TextEncoding input, TextEncoding output, TextEncoding& detected) {
    engine::FileConversion conversion =
        engine::convertFile(path, input, output, resultFolder, detected, scriptStep(host));
    FileOutcome outcome;
    outcome.sourcePath = path;
    outcome.outputPath = resultFolder + fileNameOfPath(path);
    outcome.detected = conversion.detected;
    outcome.written = conversion.written;
    outcome.status = conversion.status;
    return outcome;
}

} // namespace

engine::ScriptStep scriptStep(BatchHost& host) {
    return [&host](AnsiText& text) {
        ScriptMode mode = readScriptMode(host);
        if (mode == ScriptMode::None)
            return platform::FileProblem::None;
        engine::ScriptResult converted = engine::convertScript(mode, text);
        text = std::move(converted.text);
        return converted.problem;
    };
}

AnsiText completionReport(std::int64_t elapsedMilliseconds, const AnsiText& resultFolder,
                          const std::vector<AnsiText>& failedNames, bool withQuestion) {
    AnsiText report = ansi("转换完成，耗时 ") + elapsedTimeText(elapsedMilliseconds) +
                      ansi("\r\n转换后的文件保存在这个目录：") + resultFolder;
    if (!failedNames.empty()) {
        constexpr size_t namesShown = 5;
        report +=
            ansi("\r\n有 ") + std::to_string(failedNames.size()) + ansi(" 个文件未能完整转换：");
        for (size_t i = 0; i < failedNames.size() && i < namesShown; ++i) {
            if (i > 0)
                report += ansi("、");
            report += failedNames[i];
        }
        if (failedNames.size() > namesShown)
            report += ansi("等");
    }
    return withQuestion ? report + ansi("\r\n\r\n请问需要打开它吗？") : report;
}

BatchSummary runBatch(BatchHost& host, BatchSession& session, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable, RunStyle style) {
    BatchSummary summary;
    summary.count = static_cast<int>(files.size());
    if (files.empty() && unrepresentable.empty())
        return summary;
    host.setMaximum(control::progressBar, summary.count);

    const auto input = static_cast<TextEncoding>(selectedValue(host, ChoiceGroup::Input));
    const auto output = static_cast<TextEncoding>(selectedValue(host, ChoiceGroup::Output));
    // An unrepresentable path's folder part is as it came from the scan; only its name is not.
    const AnsiText& first = files.empty() ? unrepresentable.front() : files.front();
    summary.resultFolder = directoryOfPath(first) + platform::pathSeparator + ansi("转换结果") +
                           platform::pathSeparator;
    (void)createFolderPath(summary.resultFolder); // a failure shows in every file's write
    {
        // Outputs of these names that a killed run was writing left hidden temporary files;
        // this run replaces those outputs, so their leftovers go now.
        std::vector<AnsiText> names;
        names.reserve(files.size());
        for (const AnsiText& path : files)
            names.push_back(fileNameOfPath(path));
        (void)platform::removeTemporaryLeftovers(summary.resultFolder, names);
    }
    const std::int64_t start = platform::monotonicMilliseconds();

    for (const AnsiText& name : unrepresentable) {
        summary.failedNames.push_back(fileNameOfPath(name));
        FileOutcome outcome;
        outcome.sourcePath = name;
        outcome.status = {platform::FileProblem::NameNotRepresentable};
        host.fileFinished(outcome);
    }

    TextEncoding detected = TextEncoding::Auto;
    for (int i = 1; i <= summary.count; ++i) {
        if (session.stopRequested) {
            summary.stopped = true;
            if (style.unreachedFilesFail)
                for (int j = i; j <= summary.count; ++j)
                    summary.failedNames.push_back(
                        fileNameOfPath(files[static_cast<size_t>(j - 1)]));
            break;
        }
        if (!host.pumpEvents()) {
            // The window is closing: the file in hand is done; nothing more is touched.
            summary.hostClosed = true;
            break;
        }
        const AnsiText& path = files[static_cast<size_t>(i - 1)];
        host.setPosition(control::progressBar, i);
        host.setCaption(control::progressCaption, progressCaption(summary.count, i, path));

        FileOutcome outcome =
            convertFile(host, path, summary.resultFolder, input, output, detected);
        outcome.index = i;
        outcome.count = summary.count;
        if (!outcome.status.ok())
            summary.failedNames.push_back(fileNameOfPath(path));
        else
            ++summary.converted;
        host.fileFinished(outcome);
    }
    summary.elapsedMilliseconds = platform::monotonicMilliseconds() - start;
    if (summary.hostClosed)
        return summary;

    summary.report = completionReport(summary.elapsedMilliseconds, summary.resultFolder,
                                      summary.failedNames, style.askToOpenResult);
    constexpr int okButton = 0;
    constexpr int yesNoButtons = 4;
    const platform::MessageAnswer answer =
        host.showMessage(summary.report, style.askToOpenResult ? yesNoButtons : okButton, {});
    if (style.askToOpenResult && answer == platform::MessageAnswer::Yes)
        host.openFolder(summary.resultFolder);
    host.setCaption(control::progressCaption, AnsiText());
    host.setPosition(control::progressBar, 0);
    return summary;
}

namespace {

// The part both handlers share once they hold a non-empty list: the button becomes the stop
// button, the other one is disabled for the run, and both are restored afterwards unless the
// window went away meanwhile.
void runFromButton(BatchHost& host, BatchSession& session, BatchSession::Handler& handler,
                   std::string_view button, std::string_view otherButton,
                   const ButtonCaptions& captions, const std::vector<AnsiText>& files,
                   const std::vector<AnsiText>& unrepresentable = {}) {
    handler.runStarts();
    host.setCaption(button, ansi(captions.running));
    session.stopRequested = false;
    host.setDisabled(otherButton, true);
    BatchSummary summary = runBatch(host, session, files, unrepresentable);
    if (summary.hostClosed)
        return;
    host.setDisabled(otherButton, false);
    host.setCaption(button, ansi(captions.idle));
}

// A click on the button of the run in progress asks that run to stop.
bool requestStopIfRunning(BatchHost& host, BatchSession& session, std::string_view button,
                          const ButtonCaptions& captions) {
    if (!session.runs(button))
        return false;
    host.setCaption(button, ansi(captions.stopping));
    session.stopRequested = true;
    return true;
}

} // namespace

void startFileBatch(BatchHost& host, BatchSession& session) {
    const ButtonCaptions& captions = fileButtonCaptions;
    if (requestStopIfRunning(host, session, control::fileButton, captions) ||
        session.handlerActive())
        return;
    BatchSession::Handler handler(session, control::fileButton);
    std::vector<AnsiText> files = host.chooseFiles(
        ansi("选择要批量转换的多个文件："),
        ansi("文本文件(*.txt)|*.txt|网页文件(*.htm;*.html)|*.htm;*.html|全部文件(*.*)|*.*"),
        host.tag(control::fileButton));
    if (files.empty())
        return;
    host.setTag(control::fileButton, directoryOfPath(files.front()));
    runFromButton(host, session, handler, control::fileButton, control::folderButton, captions,
                  files);
}

void startFolderBatch(BatchHost& host, BatchSession& session, bool useFilterScan) {
    const ButtonCaptions& captions = folderButtonCaptions;
    if (requestStopIfRunning(host, session, control::folderButton, captions) ||
        session.handlerActive())
        return;
    BatchSession::Handler handler(session, control::folderButton);
    AnsiText title =
        ansi("选择要批量转换的文件(") + host.text(control::filterEdit) + ansi(")所在文件夹：");
    AnsiText folder = host.pickFolder(host.tag(control::folderButton), title);
    if (folder.empty())
        return;
    host.setTag(control::folderButton, folder);

    AnsiText filter = host.text(control::filterEdit);
    PumpEvents pump = [&host] { return host.pumpEvents(); };
    FolderScanResult scan = useFilterScan ? listFolderByFilter(folder, filter, pump)
                                          : listFolderByPattern(folder, filter, pump);
    // Files found but unrepresentable still make a run, so that the report names them.
    if ((scan.files.empty() && scan.unrepresentable.empty()) || scan.cutShort)
        return;
    runFromButton(host, session, handler, control::folderButton, control::fileButton, captions,
                  scan.files, scan.unrepresentable);
}

} // namespace batch

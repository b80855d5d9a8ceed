#include "batch/batch_run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "batch/choices.h"
#include "batch/elapsed_time_text.h"
#include "engine/script_conversion.h"
#include "engine/single_file_conversion.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/monotonic_clock.h"
#include "platform/path_scan.h"
#include "platform/real_path.h"
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

// Read as each file is started, so a change made during a run applies from the next file
// started on (with several workers, files start ahead of the one the progress shows).
ScriptMode readScriptMode(BatchHost& host) {
    return static_cast<ScriptMode>(selectedValue(host, ChoiceGroup::Script));
}

AnsiText progressCaption(int count, int index, const AnsiText& path) {
    return "(" + std::to_string(count) + ":" + std::to_string(index) + ") " + baseNameOfPath(path);
}

// Where a file's output goes: the result folder, below which a tree run repeats the file's
// folder relative to the tree root.
AnsiText outputFolderOf(const AnsiText& path, const AnsiText& treeRoot,
                        const AnsiText& resultFolder) {
    if (treeRoot.empty() || !path.starts_with(treeRoot))
        return resultFolder;
    const AnsiText relative = directoryOfPath(std::string_view(path).substr(treeRoot.size()));
    return relative.empty() ? resultFolder : resultFolder + relative + platform::pathSeparator;
}

// Makes the folder and its parents; 0 when it is there as a folder afterwards, else the error
// number that says why not (ENOTDIR when a file stands in its place).
int madeFolderError(const AnsiText& folder) {
    if (!createFolderPath(folder))
        return errno != 0 ? errno : EIO;
    return platform::isFolder(folder) ? 0 : ENOTDIR;
}

// The result folders of a run, each made once, as spelled and as the system resolves them: two
// spellings of one folder (through a link, say) list it once.
class ResultFolders {
public:
    void add(const AnsiText& spelled) {
        auto [it, fresh] = folders.try_emplace(spelled);
        if (!fresh)
            return;
        Folder& folder = it->second;
        folder.resolved = spelled;
        if ((folder.error = madeFolderError(spelled)) != 0) {
            // Its files fail for the folder's own reason, and the report never names it as
            // holding results.
            unmade.push_back({spelled, folder.error});
            return;
        }
        if (const AnsiText real = platform::realPath(spelled); !real.empty())
            folder.resolved = real + platform::pathSeparator;
        if (std::ranges::find(listedResolved, folder.resolved) == listedResolved.end()) {
            listed.push_back(spelled);
            listedResolved.push_back(folder.resolved);
        }
    }
    bool contains(const AnsiText& spelled) const { return folders.contains(spelled); }
    const AnsiText& resolvedOf(const AnsiText& spelled) const {
        return folders.at(spelled).resolved;
    }
    // The error that kept the folder from being made; 0 when it exists.
    int errorOf(const AnsiText& spelled) const { return folders.at(spelled).error; }
    std::vector<AnsiText> listed;     // made, in the order added
    std::vector<UnmadeFolder> unmade; // could not be made, in the order added

private:
    struct Folder {
        AnsiText resolved; // as spelled when it could not be made or resolved
        int error = 0;
    };
    std::map<AnsiText, Folder> folders;
    std::vector<AnsiText> listedResolved;
};

// Which files may not be converted because an earlier file, another source, writes the same
// output (two spellings of one result folder). The same source listed again is not one of them:
// it takes the earlier one's output folder, so that the workers write the two one after the
// other.
template <class ResultFolderOf>
std::vector<bool> outputsTaken(std::vector<FileJob>& jobs, const ResultFolders& folders,
                               const ResultFolderOf& resultFolderOf) {
    std::vector<bool> taken(jobs.size(), false);
    std::map<AnsiText, std::size_t> writer; // an output's resolved place -> the file writing it
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const AnsiText& source = jobs[i].sourcePath;
        const AnsiText folder = resultFolderOf(source);
        const AnsiText place = folders.resolvedOf(folder) +
                               jobs[i].outputFolder.substr(folder.size()) + fileNameOfPath(source);
        const auto [it, fresh] = writer.try_emplace(place, i);
        if (fresh)
            continue;
        const AnsiText& earlier = jobs[it->second].sourcePath;
        const AnsiText real = platform::realPath(source);
        if (earlier == source || (!real.empty() && real == platform::realPath(earlier)))
            jobs[i].outputFolder = jobs[it->second].outputFolder;
        else
            taken[i] = true;
    }
    return taken;
}

BatchSummary runFiles(BatchHost& host, BatchSession& session, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable, const AnsiText& treeRoot,
                      RunStyle style);

} // namespace

engine::ScriptStep scriptStep(BatchHost& host) {
    return [&host](AnsiText& text, engine::TextEncoding decodedFrom,
                   const engine::WorkControl& control) {
        return engine::convertScriptInPlace(readScriptMode(host), text, decodedFrom, control);
    };
}

AnsiText completionReport(std::int64_t elapsedMilliseconds,
                          const std::vector<AnsiText>& resultFolders,
                          const std::vector<AnsiText>& failedNames, bool withQuestion,
                          const std::vector<UnmadeFolder>& unmadeFolders) {
    AnsiText report = ansi("转换完成，耗时 ") + elapsedTimeText(elapsedMilliseconds);
    const bool several = resultFolders.size() > 1;
    if (several) {
        report += ansi("\r\n转换后的文件保存在这些目录：");
        for (const AnsiText& folder : resultFolders)
            report += "\r\n" + folder;
    } else if (!resultFolders.empty() || unmadeFolders.empty()) {
        report += ansi("\r\n转换后的文件保存在这个目录：") +
                  (resultFolders.empty() ? AnsiText() : resultFolders.front());
    }
    for (const UnmadeFolder& unmade : unmadeFolders) {
        AnsiText folder = unmade.folder;
        if (folder.size() > 1 && folder.back() == platform::pathSeparator)
            folder.pop_back();
        report += ansi("\r\n无法创建输出文件夹 ") + folder + ansi("：") +
                  platform::describeSystemError(unmade.error);
    }
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
    if (!withQuestion)
        return report;
    return report + ansi(several ? "\r\n\r\n请问需要打开第一个吗？" : "\r\n\r\n请问需要打开它吗？");
}

AnsiText failureDetails(const std::vector<FailedFile>& failures) {
    AnsiText details;
    for (const FailedFile& failed : failures) {
        if (!details.empty())
            details += '\n';
        // No byte of a multi-byte character is below 0x30, so this never cuts one.
        for (const char c : failed.name)
            details += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        details += ansi("：") + platform::describeProblem(failed.status);
    }
    return details;
}

BatchSummary runBatch(BatchHost& host, BatchSession& session, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable, RunStyle style) {
    return runFiles(host, session, files, unrepresentable, {}, style);
}

BatchSummary runBatch(BatchHost& host, BatchSession& session, const FolderScanResult& scan,
                      RunStyle style) {
    return runFiles(host, session, scan.files, scan.unrepresentable, scan.treeRoot, style);
}

namespace {

BatchSummary runFiles(BatchHost& host, BatchSession& session, const std::vector<AnsiText>& files,
                      const std::vector<AnsiText>& unrepresentable, const AnsiText& treeRoot,
                      RunStyle style) {
    BatchSummary summary;
    summary.count = static_cast<int>(files.size());
    if (files.empty() && unrepresentable.empty())
        return summary;
    host.setMaximum(control::progressBar, summary.count);

    const auto input = static_cast<TextEncoding>(selectedValue(host, ChoiceGroup::Input));
    const auto output = static_cast<TextEncoding>(selectedValue(host, ChoiceGroup::Output));
    // Unlike the script group, read once: every file of a run is detected the same way.
    const auto rule = host.selected(control::smartDetectionBox) ? engine::DetectionRule::Smart
                                                                : engine::DetectionRule::Classic;
    // A tree's result folder is in its root; any other file's beside the file, so that files
    // from several folders (a drop, "Open with", the command line) never meet in one.
    auto resultFolderOf = [&treeRoot](const AnsiText& path) {
        const AnsiText base =
            treeRoot.empty() ? directoryOfPath(path) + platform::pathSeparator : treeRoot;
        return base + ansi(resultFolderName) + platform::pathSeparator;
    };
    ResultFolders folders;
    std::vector<FileJob> jobs(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const AnsiText folder = resultFolderOf(files[i]);
        folders.add(folder);
        jobs[i].sourcePath = files[i];
        jobs[i].outputFolder = outputFolderOf(files[i], treeRoot, folder);
    }
    // An unrepresentable path's folder part is as it came from the scan; only its name is not.
    if (files.empty())
        folders.add(resultFolderOf(unrepresentable.front()));
    summary.resultFolders = folders.listed;
    summary.unmadeFolders = folders.unmade;
    summary.resultFolder =
        summary.resultFolders.empty() ? AnsiText() : summary.resultFolders.front();
    // Files refused before converting: another source writes the same output, or the folder
    // for the output could not be made.
    std::vector<std::optional<platform::FileStatus>> refused(jobs.size());
    {
        const std::vector<bool> taken = outputsTaken(jobs, folders, resultFolderOf);
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            if (const int error = folders.errorOf(resultFolderOf(files[i])); error != 0)
                refused[i] = {batch::problems::ResultFolderUncreatable, error};
            else if (taken[i])
                refused[i] = {batch::problems::OutputTaken};
        }
    }
    {
        // Outputs of these names that a killed run was writing left hidden temporary files;
        // this run replaces those outputs, so their leftovers go now.
        std::map<AnsiText, std::vector<AnsiText>> namesByFolder;
        for (const FileJob& job : jobs)
            namesByFolder[job.outputFolder].push_back(fileNameOfPath(job.sourcePath));
        for (const auto& [folder, names] : namesByFolder)
            (void)platform::removeTemporaryLeftovers(folder, names);
    }
    const std::int64_t start = platform::monotonicMilliseconds();
    // A tree's files are named by their place below its root, so that two of one name differ.
    auto failed = [&summary, &treeRoot](const AnsiText& path, const platform::FileStatus& status) {
        const AnsiText name = !treeRoot.empty() && path.starts_with(treeRoot)
                                  ? path.substr(treeRoot.size())
                                  : fileNameOfPath(path);
        summary.failedNames.push_back(name);
        summary.failures.push_back({name, status});
    };

    for (const AnsiText& name : unrepresentable) {
        FileOutcome outcome;
        outcome.sourcePath = name;
        outcome.status = {batch::problems::NameNotRepresentable};
        failed(name, outcome.status);
        host.fileFinished(outcome);
    }

    std::int64_t largest = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        jobs[i].size = std::max<std::int64_t>(platform::fileLength(files[i]), 0);
        largest = std::max(largest, jobs[i].size);
    }
    FileWorkers workers(style.jobs, files.size(), {input, output, rule, style.scriptOverride},
                        memoryBudget(largest));

    std::size_t started = 0;
    bool stopping = false;
    // Called on this thread only: the stop click and the close come through the host's events.
    auto pumpAndCheck = [&] {
        if (summary.hostClosed)
            return;
        if (!host.pumpEvents()) {
            // The window is going away: nothing more is touched, nothing more is shown.
            summary.hostClosed = true;
            stopping = true;
        } else if (!stopping && session.stopRequested) {
            summary.stopped = true;
            stopping = true;
        }
        if (stopping)
            workers.abandon();
    };
    auto startReady = [&] {
        while (!stopping && started < jobs.size()) {
            FileJob& job = jobs[started];
            if (refused[started]) {
                ++started; // fails without converting
                continue;
            }
            if (!workers.mayStart(job))
                break;
            job.script = readScriptMode(host);
            if (!folders.contains(job.outputFolder)) {
                if (const int error = madeFolderError(job.outputFolder); error != 0) {
                    refused[started++] = {batch::problems::ResultFolderUncreatable, error};
                    continue;
                }
            }
            workers.start(started++, job);
        }
    };

    TextEncoding detected = TextEncoding::Auto;
    for (std::size_t i = 0; i < files.size(); ++i) {
        pumpAndCheck();
        if (i >= started && stopping)
            break; // never started
        const int position = static_cast<int>(i) + 1;
        if (!stopping) {
            host.setPosition(control::progressBar, position);
            host.setCaption(control::progressCaption,
                            progressCaption(summary.count, position, files[i]));
        }
        startReady();
        FileOutcome outcome;
        outcome.index = position;
        outcome.count = summary.count;
        outcome.sourcePath = files[i];
        outcome.outputPath = jobs[i].outputFolder + fileNameOfPath(files[i]);
        if (refused[i]) {
            outcome.status = *refused[i];
            failed(files[i], outcome.status);
            if (!summary.hostClosed)
                host.fileFinished(outcome);
            continue;
        }
        int shownPermille = 0;
        constexpr std::chrono::milliseconds pumpInterval{25};
        while (!workers.waitFor(i, pumpInterval)) {
            pumpAndCheck();
            startReady();
            if (const int permille = workers.permille(i); !stopping && permille != shownPermille) {
                host.setNumberAttribute(control::progressBar, ControlAttribute::PositionPermille,
                                        permille);
                shownPermille = permille;
            }
        }
        if (!workers.begun(i)) {
            // Still queued when the run stopped: as if never started.
            if (summary.stopped && style.unreachedFilesFail)
                failed(files[i], {batch::problems::NotReached});
            continue;
        }
        const engine::FileConversion conversion = workers.result(i);
        // An unread source shows the encoding of the file before it, as one worker going
        // through the list in order would have carried it over.
        outcome.detected =
            conversion.detected == TextEncoding::Auto ? detected : conversion.detected;
        detected = outcome.detected;
        outcome.written = conversion.written;
        outcome.status = conversion.status;
        if (!outcome.status.ok())
            failed(files[i], outcome.status);
        else
            ++summary.converted;
        if (!summary.hostClosed)
            host.fileFinished(outcome);
    }
    if (summary.stopped && style.unreachedFilesFail)
        for (std::size_t j = started; j < files.size(); ++j)
            failed(files[j], {batch::problems::NotReached});
    {
        // New outputs were not synced one by one; their folders' file systems are, once, before
        // the run says it is done.
        std::set<AnsiText> written;
        for (std::size_t j = 0; j < started; ++j)
            if (!refused[j])
                written.insert(jobs[j].outputFolder);
        const std::vector<AnsiText> writtenFolders(written.begin(), written.end());
        (void)platform::syncFileSystemsOf(writtenFolders);
    }
    summary.elapsedMilliseconds = platform::monotonicMilliseconds() - start;
    if (summary.hostClosed)
        return summary;

    if (!summary.stopped) {
        // The bar shows the finished run in full while the report is read.
        host.setPosition(control::progressBar, summary.count);
        host.setNumberAttribute(control::progressBar, ControlAttribute::PositionPermille, 1000);
    }
    // Only a folder that exists is offered.
    const bool ask = style.askToOpenResult && !summary.resultFolders.empty();
    summary.report = completionReport(summary.elapsedMilliseconds, summary.resultFolders,
                                      summary.failedNames, ask, summary.unmadeFolders);
    constexpr int okButton = 0;
    constexpr int yesNoButtons = 4;
    const platform::MessageAnswer answer = host.showMessage(
        summary.report, ask ? yesNoButtons : okButton, {}, failureDetails(summary.failures));
    if (ask && answer == platform::MessageAnswer::Yes && !host.openFolder(summary.resultFolder))
        (void)host.showMessage(ansi("无法打开文件夹 ") + summary.resultFolder +
                                   ansi("：没有可以打开它的文件管理器"),
                               okButton, {});
    host.setCaption(control::progressCaption, AnsiText());
    host.setPosition(control::progressBar, 0);
    return summary;
}

} // namespace

// The part both handlers share once they hold a non-empty list: the button becomes the stop
// button, the other one is disabled for the run, and both are restored afterwards unless the
// window went away meanwhile.
void runFromButton(BatchHost& host, BatchSession& session, BatchSession::Handler& handler,
                   std::string_view button, std::string_view otherButton,
                   const ButtonCaptions& captions, const FolderScanResult& list) {
    handler.runStarts();
    host.setCaption(button, ansi(captions.running));
    session.stopRequested = false;
    host.setDisabled(otherButton, true);
    BatchSummary summary = runBatch(host, session, list);
    if (summary.hostClosed)
        return;
    host.setDisabled(otherButton, false);
    host.setCaption(button, ansi(captions.idle));
}

namespace {

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
    FolderScanResult chosen;
    chosen.files = std::move(files);
    runFromButton(host, session, handler, control::fileButton, control::folderButton, captions,
                  chosen);
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
    const SubFolders subFolders =
        host.selected(control::subFoldersBox) ? SubFolders::Include : SubFolders::Skip;
    FolderScanResult scan = useFilterScan ? listFolderByFilter(folder, filter, pump, subFolders)
                                          : listFolderByPattern(folder, filter, pump, subFolders);
    // Files found but unrepresentable still make a run, so that the report names them.
    if ((scan.files.empty() && scan.unrepresentable.empty()) || scan.cutShort)
        return;
    runFromButton(host, session, handler, control::folderButton, control::fileButton, captions,
                  scan);
}

} // namespace batch

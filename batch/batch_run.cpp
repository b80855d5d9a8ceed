#include "batch/batch_run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "batch/batch_check.h"
#include "batch/elapsed_time_text.h"
#include "batch/file_workers.h"
#include "engine/single_file_conversion.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/monotonic_clock.h"
#include "platform/path_scan.h"
#include "platform/real_path.h"
#include "platform/temporary_leftovers.h"
#include "platform/text_steps.h"

namespace batch {

using engine::TextEncoding;
using platform::ansi;
using platform::createFolderPath;
using platform::directoryOfPath;
using platform::fileNameOfPath;

int madeFolderError(const AnsiText& folder, bool* madeNow) {
    if (!createFolderPath(folder, madeNow))
        return errno != 0 ? errno : EIO;
    return platform::isFolder(folder) ? 0 : ENOTDIR;
}

namespace {

// Where a file's output goes: the result folder, below which a tree run repeats the file's
// folder relative to the tree root.
AnsiText outputFolderOf(const AnsiText& path, const AnsiText& treeRoot,
                        const AnsiText& resultFolder) {
    if (treeRoot.empty() || !path.starts_with(treeRoot))
        return resultFolder;
    const AnsiText relative = directoryOfPath(std::string_view(path).substr(treeRoot.size()));
    return relative.empty() ? resultFolder : resultFolder + relative + platform::pathSeparator;
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
        if ((folder.error = madeFolderError(spelled, &folder.madeNow)) != 0) {
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
    // Whether this run made the folder (as this spelling): nothing in or below it was there
    // before, so no output in it can be a source.
    bool madeNow(const AnsiText& spelled) const { return folders.at(spelled).madeNow; }
    // The listed folders (as spelled) whose resolved places are among `written`.
    std::vector<AnsiText> listedAmong(const std::set<AnsiText>& written) const {
        std::vector<AnsiText> among;
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (written.contains(listedResolved[i]))
                among.push_back(listed[i]);
        return among;
    }
    std::vector<AnsiText> listed;     // made, in the order added
    std::vector<UnmadeFolder> unmade; // could not be made, in the order added

private:
    struct Folder {
        AnsiText resolved; // as spelled when it could not be made or resolved
        int error = 0;
        bool madeNow = false;
    };
    std::map<AnsiText, Folder> folders;
    std::vector<AnsiText> listedResolved;
};

// Which files may not be converted because an earlier file, another source, writes the same
// output (two spellings of one result folder). The same source listed again is not one of them:
// it takes the earlier one's output folder, so that the workers write the two one after the
// other.
// Where a job's output goes, with its result folder as the system resolves it.
AnsiText resolvedOutput(const FileJob& job, const AnsiText& folder, const ResultFolders& folders) {
    return folders.resolvedOf(folder) + job.outputFolder.substr(folder.size()) +
           fileNameOfPath(job.sourcePath);
}

template <class ResultFolderOf>
std::vector<bool> outputsTaken(std::vector<FileJob>& jobs, const ResultFolders& folders,
                               const ResultFolderOf& resultFolderOf,
                               const std::vector<std::optional<platform::FileStatus>>& refused) {
    std::vector<bool> taken(jobs.size(), false);
    std::map<AnsiText, std::size_t> writer; // an output's resolved place -> the file writing it
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (refused[i])
            continue;
        const AnsiText& source = jobs[i].sourcePath;
        const AnsiText place = resolvedOutput(jobs[i], resultFolderOf(source), folders);
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

// Whether the job's output is its source itself (through a chosen folder, or a link): writing it
// would overwrite the source. An output that does not exist yet is never one.
bool outputIsSource(const FileJob& job) {
    const AnsiText outputPath = job.outputFolder + fileNameOfPath(job.sourcePath);
    if (!platform::mayBeSameFile(outputPath, job.sourcePath))
        return false;
    const AnsiText output = platform::realPath(outputPath);
    return !output.empty() && output == platform::realPath(job.sourcePath);
}

// What a run does before its first file: every output placed, every result folder made, and the
// files refused before converting (their output folder could not be made, or another source
// writes the same output).
struct RunPlan {
    std::vector<FileJob> jobs;
    std::vector<std::optional<platform::FileStatus>> refused;
    ResultFolders folders;
    std::vector<AnsiText> resultFolders; // each job's, as spelled; empty in place
};

// Why a source that could not be examined cannot be opened either, or nothing: it is refused
// before anything is made for it, so that a missing source creates no result folder.
std::vector<std::optional<platform::FileStatus>>
unopenableSources(const std::vector<AnsiText>& files, const std::vector<std::int64_t>& sizes) {
    std::vector<std::optional<platform::FileStatus>> refused(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (sizes[i] >= 0)
            continue;
        const platform::SourceFile file(files[i]);
        if (!file.status().ok())
            refused[i] = file.status();
    }
    return refused;
}

// The resolved place of every listed source, told by its folder's resolved path and its name:
// one lookup per folder.
std::set<AnsiText> resolvedSources(const std::vector<FileJob>& jobs) {
    std::map<AnsiText, AnsiText> resolvedFolders;
    std::set<AnsiText> places;
    for (const FileJob& job : jobs) {
        const AnsiText folder = directoryOfPath(job.sourcePath) + platform::pathSeparator;
        auto [it, fresh] = resolvedFolders.try_emplace(folder, folder);
        if (fresh)
            if (const AnsiText real = platform::realPath(folder); !real.empty())
                it->second = real + platform::pathSeparator;
        places.insert(it->second + fileNameOfPath(job.sourcePath));
    }
    return places;
}

// In place, each source is its own output: a source listed again (by any spelling) is refused,
// so that no file is converted twice over.
// A backup an earlier run kept is never replaced in place, whatever this run's suffix.
RunPlan planInPlace(const FolderScanResult& list, const RunOptions& options) {
    RunPlan plan;
    const std::vector<AnsiText>& files = list.files;
    plan.jobs.resize(files.size());
    std::set<AnsiText> sources;
    const std::vector<std::int64_t> sizes = platform::fileLengths(files);
    plan.refused = unopenableSources(files, sizes);
    const AnsiText suffix = options.backupSuffix.value_or(AnsiText(defaultBackupSuffix));
    for (std::size_t i = 0; i < files.size(); ++i) {
        plan.jobs[i].sourcePath = files[i];
        plan.jobs[i].outputFolder = directoryOfPath(files[i]) + platform::pathSeparator;
        plan.jobs[i].size = std::max<std::int64_t>(sizes[i], 0);
        if (plan.refused[i])
            continue;
        const AnsiText real = platform::realPath(files[i]);
        if (platform::isBackupName(fileNameOfPath(files[i]), suffix) ||
            platform::isBackupName(fileNameOfPath(files[i]), defaultBackupSuffix))
            plan.refused[i] = {batch::problems::SourceIsBackup};
        else if (!sources.insert(real.empty() ? files[i] : real).second)
            plan.refused[i] = {batch::problems::OutputTaken};
    }
    return plan;
}

RunPlan planRun(const FolderScanResult& list, const RunOptions& options) {
    if (options.inPlace)
        return planInPlace(list, options);
    const AnsiText& treeRoot = list.treeRoot;
    AnsiText chosenFolder = options.outputFolder;
    if (!chosenFolder.empty() && chosenFolder.back() != platform::pathSeparator)
        chosenFolder += platform::pathSeparator;
    // A tree's result folder is in its root; any other file's beside the file, so that files
    // from several folders (a drop, "Open with", the command line) never meet in one. A chosen
    // folder takes every output.
    auto resultFolderOf = [&treeRoot, &chosenFolder](const AnsiText& path) {
        if (!chosenFolder.empty())
            return chosenFolder;
        const AnsiText base =
            treeRoot.empty() ? directoryOfPath(path) + platform::pathSeparator : treeRoot;
        return base + ansi(resultFolderName) + platform::pathSeparator;
    };
    RunPlan plan;
    const std::vector<AnsiText>& files = list.files;
    plan.jobs.resize(files.size());
    plan.resultFolders.resize(files.size());
    const std::vector<std::int64_t> sizes = platform::fileLengths(files);
    plan.refused = unopenableSources(files, sizes);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const AnsiText folder = resultFolderOf(files[i]);
        if (!plan.refused[i])
            plan.folders.add(folder);
        plan.resultFolders[i] = folder;
        plan.jobs[i].sourcePath = files[i];
        plan.jobs[i].outputFolder = outputFolderOf(files[i], treeRoot, folder);
        plan.jobs[i].size = std::max<std::int64_t>(sizes[i], 0);
    }
    // An unrepresentable path's folder part is as it came from the scan; only its name is not.
    if (files.empty())
        plan.folders.add(resultFolderOf(list.unrepresentable.front()));
    const std::vector<bool> taken =
        outputsTaken(plan.jobs, plan.folders, resultFolderOf, plan.refused);
    const std::set<AnsiText> sources = resolvedSources(plan.jobs);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (plan.refused[i])
            continue;
        const AnsiText& folder = plan.resultFolders[i];
        if (const int error = plan.folders.errorOf(folder); error != 0)
            plan.refused[i] = {batch::problems::ResultFolderUncreatable, error};
        else if (taken[i])
            plan.refused[i] = {batch::problems::OutputTaken};
        else if (!plan.folders.madeNow(folder) && outputIsSource(plan.jobs[i]))
            plan.refused[i] = {batch::problems::OutputIsSource};
        else if (!plan.folders.madeNow(folder) &&
                 sources.contains(resolvedOutput(plan.jobs[i], folder, plan.folders)))
            plan.refused[i] = {batch::problems::OutputIsListedSource};
    }
    return plan;
}

// A tree scanned for a run whose chosen output folder lies inside it finds that run's earlier
// results there: they are never sources.
FolderScanResult withoutOutputFolder(const FolderScanResult& list, const RunOptions& options) {
    if (list.treeRoot.empty() || options.outputFolder.empty() || options.inPlace)
        return list;
    AnsiText output = platform::realPath(options.outputFolder);
    if (output.empty())
        return list; // not made yet: nothing in it
    output += platform::pathSeparator;
    FolderScanResult kept = list;
    std::map<AnsiText, bool> inside; // a source folder -> whether it lies in the output folder
    std::erase_if(kept.files, [&](const AnsiText& path) {
        const AnsiText folder = directoryOfPath(path);
        auto [it, fresh] = inside.try_emplace(folder, false);
        if (fresh) {
            const AnsiText real = platform::realPath(folder);
            it->second = !real.empty() && (real + platform::pathSeparator).starts_with(output);
        }
        return it->second;
    });
    return kept;
}

// Outputs (and backups) of these names that a killed run was writing left hidden temporary files;
// this run replaces them, so their leftovers go now.
void removeLeftoversOf(const std::vector<FileJob>& jobs, const RunOptions& options) {
    std::map<AnsiText, std::vector<AnsiText>> namesByFolder;
    for (const FileJob& job : jobs) {
        std::vector<AnsiText>& names = namesByFolder[job.outputFolder];
        names.push_back(fileNameOfPath(job.sourcePath));
        if (options.inPlace && options.backupSuffix)
            names.push_back(names.back() + *options.backupSuffix);
    }
    for (const auto& [folder, names] : namesByFolder)
        (void)platform::removeTemporaryLeftovers(folder, names);
}

// New outputs were not synced one by one; their folders' file systems are, once, before the run
// says it is done.
void syncWrittenFolders(const RunPlan& plan, std::size_t started) {
    std::set<AnsiText> written;
    for (std::size_t j = 0; j < started; ++j)
        if (!plan.refused[j])
            written.insert(plan.jobs[j].outputFolder);
    const std::vector<AnsiText> writtenFolders(written.begin(), written.end());
    (void)platform::syncFileSystemsOf(writtenFolders);
}

// The run's loop on its own thread: starts files on the workers as they have room, collects
// them in list order, and keeps the front end's events going meanwhile.
class InOrderRun {
public:
    InOrderRun(const FolderScanResult& files, const RunOptions& choices, RunObserver& told,
               BatchSession& runSession, const PumpEvents& pump, RunPlan& runPlan,
               BatchSummary& result)
        : list(files), options(choices), observer(told), session(runSession), pumpEvents(pump),
          plan(runPlan), summary(result),
          workers(choices.jobs, files.files.size(),
                  {choices.input, choices.output, choices.detection, choices.write, choices.inPlace,
                   choices.backupSuffix},
                  runSession.stopToken(), memoryBudget(largestSize(runPlan.jobs))) {}

    void reportUnrepresentable() {
        for (const AnsiText& name : list.unrepresentable) {
            FileOutcome outcome;
            outcome.sourcePath = name;
            outcome.status = {batch::problems::NameNotRepresentable};
            fail(name, outcome.status);
            observer.fileFinished(outcome);
        }
    }

    void collectAll() {
        const std::vector<AnsiText>& files = list.files;
        for (std::size_t i = 0; i < files.size(); ++i) {
            pumpAndCheck();
            if (i >= started && stopping)
                break; // never started
            const int position = static_cast<int>(i) + 1;
            if (!stopping)
                observer.fileStarted(position, files[i]);
            startReady();
            collect(i);
        }
        if (summary.stopped && options.unreachedFilesFail)
            for (std::size_t j = started; j < files.size(); ++j)
                finishUnreached(j);
    }

    std::size_t startedCount() const { return started; }
    // The resolved result folders this run put at least one output into.
    std::set<AnsiText> writtenInto;

private:
    static std::int64_t largestSize(const std::vector<FileJob>& jobs) {
        std::int64_t largest = 0;
        for (const FileJob& job : jobs)
            largest = std::max(largest, job.size);
        return largest;
    }

    // A tree's files are named by their place below its root, so that two of one name differ.
    void fail(const AnsiText& path, const platform::FileStatus& status) {
        summary.failures.push_back({nameInList(list.treeRoot, path), status});
    }

    // Called on this thread only: the stop click and the close come through the front end's
    // events.
    void pumpAndCheck() {
        if (summary.hostClosed)
            return;
        if (pumpEvents && !pumpEvents()) {
            // The window is going away: nothing more is touched, nothing more is shown.
            summary.hostClosed = true;
            stopping = true;
            session.requestStop();
        } else if (!stopping && session.stopRequested()) {
            summary.stopped = true;
            stopping = true;
        }
    }

    void startReady() {
        while (!stopping && started < plan.jobs.size()) {
            FileJob& job = plan.jobs[started];
            if (plan.refused[started]) {
                ++started; // fails without converting
                continue;
            }
            if (!workers.mayStart(job))
                break;
            job.script = options.scriptForNextFile();
            if (!options.inPlace && !plan.folders.contains(job.outputFolder)) {
                if (const int error = madeFolderError(job.outputFolder); error != 0) {
                    plan.refused[started++] = {batch::problems::ResultFolderUncreatable, error};
                    continue;
                }
            }
            workers.start(started++, job);
        }
    }

    FileOutcome outcomeOf(std::size_t i) const {
        FileOutcome outcome;
        outcome.index = static_cast<int>(i) + 1;
        outcome.count = summary.count;
        outcome.sourcePath = list.files[i];
        outcome.outputPath = plan.jobs[i].outputFolder + fileNameOfPath(list.files[i]);
        return outcome;
    }

    // A file the stop kept from starting, where the run counts it as failed: it gets its record
    // like any other, so that a reader of the records misses none of the files.
    void finishUnreached(std::size_t i) {
        FileOutcome outcome = outcomeOf(i);
        outcome.status = {batch::problems::NotReached};
        finish(outcome);
    }

    void collect(std::size_t i) {
        FileOutcome outcome = outcomeOf(i);
        if (plan.refused[i]) {
            // Unread, as a file that fails to open: it shows the encoding of the file before.
            outcome.detected = detected;
            outcome.status = *plan.refused[i];
            finish(outcome);
            return;
        }
        int shownPermille = 0;
        constexpr std::chrono::milliseconds pumpInterval{25};
        while (!workers.waitFor(i, pumpInterval)) {
            pumpAndCheck();
            startReady();
            if (const int permille = workers.permille(i); !stopping && permille != shownPermille) {
                observer.fileProgress(outcome.index, permille);
                shownPermille = permille;
            }
        }
        if (!workers.begun(i)) {
            // Still queued when the run stopped: as if never started.
            if (summary.stopped && options.unreachedFilesFail)
                finishUnreached(i);
            return;
        }
        const engine::FileConversion conversion = workers.result(i);
        // An unread source shows the encoding of the file before it, as one worker going
        // through the list in order would have carried it over.
        outcome.detected =
            conversion.detected == TextEncoding::Auto ? detected : conversion.detected;
        detected = outcome.detected;
        outcome.written = conversion.written;
        outcome.status = conversion.status;
        finish(outcome);
    }

    void finish(const FileOutcome& outcome) {
        if (!outcome.status.ok())
            fail(outcome.sourcePath, outcome.status);
        else
            ++summary.converted;
        // Only a folder this run put an output into is offered afterwards.
        if (const std::size_t i = static_cast<std::size_t>(outcome.index) - 1;
            outcome.index > 0 && !options.inPlace &&
            !platform::isSourceProblem(outcome.status.problem))
            writtenInto.insert(plan.folders.resolvedOf(plan.resultFolders[i]));
        if (!summary.hostClosed)
            observer.fileFinished(outcome);
    }

    const FolderScanResult& list;
    const RunOptions& options;
    RunObserver& observer;
    BatchSession& session;
    const PumpEvents& pumpEvents;
    RunPlan& plan;
    BatchSummary& summary;
    std::size_t started = 0;
    bool stopping = false;
    TextEncoding detected = TextEncoding::Auto;
    // Last, so that its workers are joined before what they use goes.
    FileWorkers workers;
};

} // namespace

BatchSummary runBatch(const FolderScanResult& scanned, const RunOptions& options,
                      RunObserver& observer, BatchSession& session, const PumpEvents& pumpEvents) {
    const FolderScanResult list = withoutOutputFolder(scanned, options);
    BatchSummary summary;
    summary.count = static_cast<int>(list.files.size());
    if (list.files.empty() && list.unrepresentable.empty())
        return summary;
    observer.runStarted(summary.count);
    RunPlan plan = planRun(list, options);
    summary.unmadeFolders = plan.folders.unmade;
    removeLeftoversOf(plan.jobs, options);

    const std::int64_t start = platform::monotonicMilliseconds();
    std::size_t started = 0;
    {
        InOrderRun run(list, options, observer, session, pumpEvents, plan, summary);
        run.reportUnrepresentable();
        run.collectAll();
        started = run.startedCount();
        summary.resultFolders = plan.folders.listedAmong(run.writtenInto);
    }
    syncWrittenFolders(plan, started);
    summary.elapsedMilliseconds = platform::monotonicMilliseconds() - start;
    if (!summary.hostClosed)
        observer.runFinished(summary);
    return summary;
}

AnsiText replaceQuestion(std::size_t count, const std::optional<AnsiText>& backupSuffix) {
    AnsiText question =
        ansi("将就地替换 ") + std::to_string(count) + ansi(" 个原文件（只替换能完整转换的文件）");
    if (backupSuffix && !backupSuffix->empty())
        question += ansi("，原文件备份为“文件名") + *backupSuffix +
                    ansi("”（已有备份时另存为“文件名.~1~”等，不覆盖）");
    else
        question += ansi("，不保留备份");
    return question + ansi("。\r\n\r\n要继续吗？");
}

AnsiText progressCaption(int count, int index, const AnsiText& path) {
    return "(" + std::to_string(count) + ":" + std::to_string(index) + ") " +
           platform::baseNameOfPath(path);
}

AnsiText completionReport(const BatchSummary& summary, bool withQuestion) {
    const std::vector<AnsiText>& resultFolders = summary.resultFolders;
    AnsiText report;
    if (summary.stopped) {
        // Files the stop kept from starting count among those not converted.
        const int notConverted = summary.count - summary.converted;
        report = ansi("已停止，耗时 ") + elapsedTimeText(summary.elapsedMilliseconds) +
                 ansi("：完整转换了 ") + std::to_string(summary.converted) + ansi(" 个文件，") +
                 std::to_string(notConverted) + ansi(" 个没有转换或未能完整转换");
    } else {
        report = ansi("转换完成，耗时 ") + elapsedTimeText(summary.elapsedMilliseconds);
    }
    const bool several = resultFolders.size() > 1;
    if (several) {
        report += ansi("\r\n转换后的文件保存在这些目录：");
        for (const AnsiText& folder : resultFolders)
            report += "\r\n" + folder;
    } else if (!resultFolders.empty()) {
        // None when the sources were replaced in place.
        report += ansi("\r\n转换后的文件保存在这个目录：") + summary.firstResultFolder();
    }
    for (const UnmadeFolder& unmade : summary.unmadeFolders) {
        AnsiText folder = unmade.folder;
        if (folder.size() > 1 && folder.back() == platform::pathSeparator)
            folder.pop_back();
        report += ansi("\r\n无法创建输出文件夹 ") + folder + ansi("：") +
                  platform::describeSystemError(unmade.error);
    }
    if (const std::vector<FailedFile>& failed = summary.failures; !failed.empty()) {
        constexpr size_t namesShown = 5;
        report += ansi("\r\n有 ") + std::to_string(failed.size()) + ansi(" 个文件未能完整转换：");
        for (size_t i = 0; i < failed.size() && i < namesShown; ++i) {
            if (i > 0)
                report += ansi("、");
            report += failed[i].name;
        }
        if (failed.size() > namesShown)
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
            details += platform::isControlByte(static_cast<unsigned char>(c)) ? '?' : c;
        details += ansi("：") + platform::describeProblem(failed.status);
    }
    return details;
}

void runFromButton(const ButtonWindow& window, BatchSession& session,
                   BatchSession::Handler& handler, BatchButton button,
                   const FolderScanResult& list) {
    const BatchButton other =
        button == BatchButton::Files ? BatchButton::Folder : BatchButton::Files;
    // The choices as the run starts; the script choice is still read per file.
    const RunOptions options = window.panel.runOptions();
    if (options.inPlace && !list.files.empty() &&
        !window.dialogs.confirmReplacing(replaceQuestion(list.files.size(), options.backupSuffix)))
        return;
    handler.runStarts();
    window.panel.showState(button, ButtonState::Running);
    session.renewStopRequest();
    window.panel.setEnabled(other, false);
    const BatchSummary summary =
        runBatch(list, options, window.observer, session, window.pumpEvents);
    if (summary.hostClosed)
        return;
    window.panel.setEnabled(other, true);
    window.panel.showState(button, ButtonState::Idle);
}

namespace {

// A click on the button of the run in progress asks that run to stop.
bool requestStopIfRunning(const ButtonWindow& window, BatchSession& session, BatchButton button) {
    if (!session.runs(button))
        return false;
    window.panel.showState(button, ButtonState::Stopping);
    session.requestStop();
    return true;
}

} // namespace

FolderScanResult filesOfButton(const ButtonWindow& window, BatchButton button, bool useFilterScan) {
    FolderScanResult chosen;
    if (button == BatchButton::Files) {
        chosen.files = window.dialogs.chooseFiles(
            ansi("选择要批量转换的多个文件："),
            ansi("文本文件(*.txt)|*.txt|网页文件(*.htm;*.html)|*.htm;*.html|全部文件(*.*)|*.*"),
            window.panel.rememberedFolder(button));
        if (!chosen.files.empty())
            window.panel.rememberFolder(button, directoryOfPath(chosen.files.front()));
        return chosen;
    }
    const AnsiText title =
        ansi("选择要批量转换的文件(") + window.panel.filterText() + ansi(")所在文件夹：");
    const AnsiText folder = window.dialogs.pickFolder(window.panel.rememberedFolder(button), title);
    if (folder.empty())
        return chosen;
    window.panel.rememberFolder(button, folder);

    const AnsiText filter = window.panel.filterText();
    const SubFolders subFolders = window.panel.runOptions().subFolders;
    FolderScanResult scan =
        useFilterScan ? listFolderByFilter(folder, filter, window.pumpEvents, subFolders)
                      : listFolderByPattern(folder, filter, window.pumpEvents, subFolders);
    // Files found but unrepresentable still make a run, so that the report names them.
    if (scan.cutShort)
        return chosen;
    return scan;
}

void startFileBatch(const ButtonWindow& window, BatchSession& session) {
    constexpr BatchButton button = BatchButton::Files;
    if (requestStopIfRunning(window, session, button) || session.handlerActive())
        return;
    BatchSession::Handler handler(session, button);
    const FolderScanResult chosen = filesOfButton(window, button, true);
    if (!chosen.files.empty())
        runFromButton(window, session, handler, button, chosen);
}

void startFolderBatch(const ButtonWindow& window, BatchSession& session, bool useFilterScan) {
    constexpr BatchButton button = BatchButton::Folder;
    if (requestStopIfRunning(window, session, button) || session.handlerActive())
        return;
    BatchSession::Handler handler(session, button);
    const FolderScanResult scan = filesOfButton(window, button, useFilterScan);
    if (!scan.files.empty() || !scan.unrepresentable.empty())
        runFromButton(window, session, handler, button, scan);
}

} // namespace batch

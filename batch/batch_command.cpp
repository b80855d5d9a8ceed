#include "batch/batch_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>

#include <CLI/CLI.hpp>

#include "batch/batch_run.h"
#include "batch/batch_session.h"
#include "batch/choices.h"
#include "batch/file_workers.h"
#include "batch/folder_scan.h"
#include "batch/json_text.h"
#include "engine/conversion_check.h"
#include "platform/directory_listing.h"
#include "platform/file_access.h"
#include "platform/file_problem.h"
#include "platform/file_system.h"
#include "platform/heap_release.h"
#include "platform/interrupt_signal.h"
#include "platform/real_path.h"
#include "platform/text_steps.h"
#include "platform/worker_pool.h"
#include "qfx_version.h"

namespace batch {

namespace {

// A text as the terminal gets it: UTF-8, with control characters written as \n, \r, \t or
// \xHH, so that a name holding a line break still prints as one line and one holding an
// escape sequence cannot drive the terminal. Outside `keepLineBreaks` (the report), a backslash
// is doubled, so that no name reads as another name's escaped form.
std::string terminalText(const AnsiText& text, bool keepLineBreaks = false) {
    const std::string utf8 = platform::utf8FromAnsi(text).value_or(text);
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' && !keepLineBreaks) {
            out += "\\\\";
        } else if (c == '\n' && keepLineBreaks) {
            out += c;
        } else if (platform::isControlByte(byte)) {
            out += platform::escapedControl(byte, platform::ControlEscape::C);
        } else {
            out += c;
        }
    }
    return out;
}

// Prints one line per file and the report, and shows the file in hand on a terminal.
class CommandObserver : public RunObserver {
public:
    CommandObserver(std::ostream& outStream, std::ostream& errStream, bool progress)
        : out(outStream), err(errStream), showProgress(progress) {}

    void runStarted(int files) override { count = files; }

    void fileStarted(int index, const AnsiText& path) override {
        if (showProgress) {
            // \33[K clears what a longer earlier caption left on the line.
            err << '\r' << terminalText(progressCaption(count, index, path)) << "\33[K"
                << std::flush;
        }
    }

    void fileFinished(const FileOutcome& outcome) override {
        clearProgress();
        // A source that was never read has no encodings to tell.
        if (!platform::isSourceProblem(outcome.status.problem))
            out << engine::encodingName(outcome.detected) << " -> "
                << engine::encodingName(outcome.written) << "  ";
        else
            out << "- -> -  ";
        // The English text leads, as scripts read it; the window's Chinese reason follows.
        if (outcome.status.ok())
            out << "ok";
        else
            out << "failed: "
                << platform::describeProblemInEnglish(outcome.status,
                                                      engine::encodingName(outcome.detected))
                << " (" << terminalText(platform::describeProblem(outcome.status)) << ")";
        out << "  " << terminalText(outcome.sourcePath) << '\n'
            << std::flush; // a line once written survives whatever ends the process
    }

    // Only the report is printed: its details repeat the reasons the file lines gave.
    void runFinished(const BatchSummary& summary) override {
        clearProgress();
        AnsiText lines = completionReport(summary, false);
        std::erase(lines, '\r');
        out << terminalText(lines, true) << '\n' << std::flush;
    }

private:
    void clearProgress() {
        if (showProgress)
            err << '\r' << "\33[K" << std::flush;
    }

    std::ostream& out;
    std::ostream& err;
    bool showProgress;
    int count = 0;
};

// The names a group's option takes, the default first: "auto (default) | ansi | ...".
std::string choiceNames(ChoiceGroup group) {
    std::string names;
    for (const Choice& choice : choiceTable) {
        if (choice.group != group)
            continue;
        names += names.empty() ? "" : " | ";
        names += commandLineName(choice);
        names += isDefaultChoice(choice) ? " (default)" : "";
    }
    return names;
}

// The input encoding's extra name: automatic detection with the statistical detector on.
constexpr std::string_view detectName = "detect";

// The options as typed, before their values are checked against the choices.
struct TypedOptions {
    std::string in = "auto";
    std::string out = "auto";
    std::string script = "none";
    std::string folder;
    std::string filter;
    std::vector<std::string> files;
    bool patternScan = false;
    bool recursive = false;
    bool check = false;
    bool json = false;
    int jobs = 0;
    bool version = false;
};

// The one table of options: parsing and --help both come from it.
void describeOptions(CLI::App& app, TypedOptions& typed) {
    app.description(
        "Converts text files between encodings into the folder 转换结果 beside each file, "
        "or inside DIR, as the window's batch run does:\n"
        "  qingfengxia-batch [OPTIONS] FILE...\n"
        "  qingfengxia-batch [OPTIONS] --folder DIR [--filter TEXT] [--pattern-scan] "
        "[--recursive]");
    app.footer(
        "  ENC:  " + choiceNames(ChoiceGroup::Input) +
        "\n  MODE: " + choiceNames(ChoiceGroup::Script) +
        "\nExit status: 0 every file converted (or would convert) completely, 1 some did "
        "not, 2 a usage error; stopped by Ctrl-C, SIGTERM or a closed standard output, it ends by "
        "that signal (128 + its number).");
    // A repeated option counts once, its last value, as before the options had a table.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("-i,--in", typed.in,
                   "input encoding: ENC, or detect (auto with statistical detection for text "
                   "that would be read as ANSI)")
        ->type_name("ENC");
    app.add_option("-o,--out", typed.out, "output encoding (auto: the encoding read)")
        ->type_name("ENC");
    app.add_option("-s,--script", typed.script, "Chinese script conversion")->type_name("MODE");
    app.add_option("--folder", typed.folder, "convert the files of DIR instead of FILE...")
        ->type_name("DIR");
    app.add_option("-f,--filter", typed.filter,
                   "with --folder: the filter of the scan (default *.*; empty takes every file)")
        ->type_name("TEXT");
    app.add_flag("--pattern-scan", typed.patternScan,
                 "with --folder: list by the wildcard rule instead of the filter scan");
    app.add_flag("-r,--recursive", typed.recursive,
                 "with --folder: take the sub-folders too, outputs at their relative places");
    app.add_flag("--check", typed.check,
                 "convert and write nothing; tell per file what a conversion would come to");
    app.add_flag("--json", typed.json, "with --check: one JSON object per line");
    app.add_option("-j,--jobs", typed.jobs,
                   "convert N files at once (default: one per core); a large file uses them all")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    app.add_flag("--version", typed.version, "print the version and exit");
    app.add_option("FILE", typed.files, "files to convert, in this order")->type_name("");
}

// What a check found, in a line like the converter's own: encodings, then "complete" or why
// not, then the path.
void printCheck(std::ostream& out, const AnsiText& path, const engine::ConversionCheck& check) {
    if (!platform::isSourceProblem(check.status.problem))
        out << engine::encodingName(check.detected) << " -> " << engine::encodingName(check.written)
            << "  ";
    else
        out << "- -> -  ";
    if (check.complete()) {
        out << "complete";
    } else {
        out << "incomplete: "
            << platform::describeProblemInEnglish(check.status,
                                                  engine::encodingName(check.detected));
        if (check.first) {
            const auto character = platform::ansiFromUtf8(check.first->utf8);
            out << "; " << check.affected << (check.affected == 1 ? " character" : " characters")
                << ", the first at line " << check.first->line << ", column " << check.first->column
                << ": "
                << (check.first->utf8.empty() || !character
                        ? platform::hexBytes(check.first->bytes, "\\x")
                        : terminalText(*character));
        }
    }
    out << "  " << terminalText(path) << '\n' << std::flush;
}

// The same facts as one JSON object.
void printCheckAsJson(std::ostream& out, const AnsiText& path,
                      const engine::ConversionCheck& check) {
    const bool read = !platform::isSourceProblem(check.status.problem);
    auto name = [read](engine::TextEncoding encoding) {
        return read ? '"' + std::string(engine::encodingName(encoding)) + '"' : std::string("null");
    };
    out << "{\"path\":" << jsonString(path) << ",\"read\":" << name(check.detected)
        << ",\"written\":" << name(check.written)
        << ",\"complete\":" << (check.complete() ? "true" : "false");
    if (!check.complete()) {
        const std::string reason =
            platform::describeProblemInEnglish(check.status, engine::encodingName(check.detected));
        out << ",\"reason\":" << jsonString(platform::ansiFromUtf8(reason).value_or(reason))
            << ",\"affected\":" << check.affected;
    }
    if (check.first) {
        const auto character = platform::ansiFromUtf8(check.first->utf8);
        out << ",\"first\":{\"line\":" << check.first->line << ",\"column\":" << check.first->column
            << ",\"character\":"
            << (check.first->utf8.empty() || !character ? "null" : jsonString(*character))
            << ",\"bytes\":\"" << platform::hexBytes(check.first->bytes, "") << "\"}";
    }
    out << "}\n" << std::flush;
}

using CheckOne =
    std::function<engine::ConversionCheck(const AnsiText&, const engine::WorkControl&)>;

// The checks of `files` on `jobs` workers (below 1: one per core), given to `print` in list
// order as each and those before it are done. Files start while the bytes in hand fit the
// budget a run has. Ctrl-C or SIGTERM gives up the files in hand and returns the signal; 0 when
// every file was checked.
int checkInOrder(
    const std::vector<AnsiText>& files, int jobs, const CheckOne& check,
    const std::function<void(const AnsiText&, const engine::ConversionCheck&)>& print) {
    std::vector<std::int64_t> sizes(files.size());
    std::int64_t largest = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        sizes[i] = std::max<std::int64_t>(platform::fileLength(files[i]), 0);
        largest = std::max(largest, sizes[i]);
    }
    const std::int64_t budget = memoryBudget(largest);
    platform::giveLargeBuffersBack();
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::optional<engine::ConversionCheck>> results(files.size());
    std::int64_t bytesInHand = 0;
    // After what its tasks use, so that its workers are joined before that goes.
    platform::WorkerPool pool(jobs);
    const engine::WorkControl control{&pool, stop.get_token(), nullptr};
    std::size_t started = 0;
    std::size_t printed = 0;
    while (printed < files.size()) {
        if (platform::interruptSignal() != 0)
            break;
        std::unique_lock lock(mutex);
        while (started < files.size() && started - printed < 2 * std::size_t(pool.size()) &&
               (started == printed || bytesInHand + sizes[started] <= budget)) {
            bytesInHand += sizes[started];
            pool.submit([&, control, i = started] {
                engine::ConversionCheck result;
                result.status = {engine::problems::Abandoned};
                if (!ranWithinMemory([&] {
                        if (!control.abandoned())
                            result = check(files[i], control);
                    })) {
                    result = engine::ConversionCheck{};
                    result.status = {batch::problems::OutOfMemory};
                }
                const std::lock_guard done(mutex);
                results[i] = std::move(result);
                bytesInHand -= sizes[i];
                finished.notify_all();
            });
            ++started;
        }
        // Woken by a finished file; a signal is seen within the timeout.
        finished.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return results[printed].has_value(); });
        while (printed < started && results[printed]) {
            const engine::ConversionCheck result = std::move(*results[printed]);
            lock.unlock();
            print(files[printed], result);
            lock.lock();
            ++printed;
        }
    }
    stop.request_stop();
    return platform::interruptSignal();
}

// --check: every file through the engine's dry run with the run's options, in the list's order:
// an unrepresentable name at its place in `at` (how many files come before it; first when `at`
// is empty). Nothing is written, so there is no result folder.
int checkFiles(const RunOptions& options, const std::vector<AnsiText>& files,
               const std::vector<AnsiText>& unrepresentable, const std::vector<std::size_t>& at,
               bool json, std::ostream& out) {
    auto print = [&](const AnsiText& path, const engine::ConversionCheck& check) {
        json ? printCheckAsJson(out, path, check) : printCheck(out, path, check);
        return check.complete();
    };
    bool complete = true;
    std::size_t nextName = 0;
    // The unrepresentable names whose place comes before file `index`.
    auto printNamesBefore = [&](std::size_t index) {
        for (;
             nextName < unrepresentable.size() && (at.size() <= nextName || at[nextName] <= index);
             ++nextName) {
            engine::ConversionCheck check;
            check.status = {batch::problems::NameNotRepresentable};
            complete = print(unrepresentable[nextName], check) && complete;
        }
    };
    const engine::ScriptStep script = options.script ? options.script() : engine::ScriptStep();
    std::size_t printedFiles = 0;
    const int signal = checkInOrder(
        files, options.jobs,
        [&](const AnsiText& path, const engine::WorkControl& control) {
            return engine::checkConversion(path, options.input, options.output, script,
                                           options.detection, control);
        },
        [&](const AnsiText& path, const engine::ConversionCheck& check) {
            printNamesBefore(printedFiles++);
            complete = print(path, check) && complete;
        });
    if (signal != 0)
        return exitInterrupted + signal;
    printNamesBefore(files.size());
    return complete ? exitAllConverted : exitSomeFailed;
}

// The choices the options name, checked against the choice table; false with the error set.
bool readChoices(const TypedOptions& typed, BatchArguments& parsed) {
    parsed.smartDetection = typed.in == detectName;
    const Choice* input =
        findChoiceByName(ChoiceGroup::Input, parsed.smartDetection ? "auto" : typed.in);
    if (!input) {
        parsed.error = "unknown encoding '" + typed.in + "' for --in";
        return false;
    }
    parsed.input = static_cast<engine::TextEncoding>(input->value);
    const Choice* output = findChoiceByName(ChoiceGroup::Output, typed.out);
    if (!output) {
        parsed.error = "unknown encoding '" + typed.out + "' for --out";
        return false;
    }
    parsed.output = static_cast<engine::TextEncoding>(output->value);
    const Choice* script = findChoiceByName(ChoiceGroup::Script, typed.script);
    if (!script) {
        parsed.error = "unknown script mode '" + typed.script + "' for --script";
        return false;
    }
    parsed.script = static_cast<engine::ScriptMode>(script->value);
    return true;
}

// The folder, the filter and the files, made absolute against `workingFolder`; false with the
// error set.
bool readPaths(const TypedOptions& typed, bool folderGiven, bool filterGiven,
               const AnsiText& workingFolder, BatchArguments& parsed) {
    if (folderGiven) {
        auto folder = platform::ansiFromUtf8(typed.folder);
        if (!folder || folder->empty()) {
            parsed.error = "--folder needs a value in UTF-8";
            return false;
        }
        parsed.folder = platform::absolutePath(*folder, workingFolder);
    }
    if (filterGiven) {
        // An empty filter takes every file, as an empty filter box does.
        auto filter = platform::ansiFromUtf8(typed.filter);
        if (!filter) {
            parsed.error = "--filter needs a value in UTF-8";
            return false;
        }
        parsed.filter = *filter;
    }
    for (const std::string& argument : typed.files) {
        if (auto path = platform::ansiPath(argument); path && !path->empty())
            parsed.files.push_back(platform::absolutePath(*path, workingFolder));
        else if (!argument.empty()) {
            parsed.unrepresentable.push_back(platform::displayName(argument));
            parsed.unrepresentableAt.push_back(parsed.files.size());
        } else {
            parsed.error = "an empty file name";
            return false;
        }
    }
    return true;
}

// The usage error of options that do not go together; empty when they do.
std::string conflictOf(const BatchArguments& parsed, bool folderGiven, bool filterGiven) {
    if (folderGiven && (!parsed.files.empty() || !parsed.unrepresentable.empty()))
        return "give either files or --folder, not both";
    if (!folderGiven && (parsed.patternScan || filterGiven || parsed.recursive))
        return "--filter, --pattern-scan and --recursive need --folder";
    if (parsed.json && !parsed.check)
        return "--json needs --check";
    if (!folderGiven && parsed.files.empty() && parsed.unrepresentable.empty())
        return "no files given";
    if (parsed.files.empty() && !parsed.unrepresentable.empty())
        return "no file name is valid UTF-8";
    return {};
}

} // namespace

std::string batchVersion() {
    return std::string("qingfengxia-batch ") + QFX_VERSION;
}

std::string batchUsage() {
    TypedOptions typed;
    CLI::App app("", "qingfengxia-batch");
    describeOptions(app, typed);
    return app.help();
}

BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder) {
    BatchArguments parsed;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    TypedOptions typed;
    CLI::App app("", "qingfengxia-batch");
    try {
        describeOptions(app, typed);
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.help = true;
        return parsed;
    } catch (const CLI::Error& error) {
        return fail(error.what());
    }
    if (typed.version) {
        parsed.version = true;
        return parsed;
    }

    const bool folderGiven = app.count("--folder") > 0;
    const bool filterGiven = app.count("--filter") > 0;
    parsed.patternScan = typed.patternScan;
    parsed.recursive = typed.recursive;
    parsed.check = typed.check;
    parsed.json = typed.json;
    parsed.jobs = typed.jobs;
    if (!readChoices(typed, parsed) ||
        !readPaths(typed, folderGiven, filterGiven, workingFolder, parsed))
        return parsed;
    parsed.error = conflictOf(parsed, folderGiven, filterGiven);
    return parsed;
}

RunOptions runOptionsOf(const BatchArguments& arguments) {
    RunOptions options;
    options.input = arguments.input;
    options.output = arguments.output;
    options.script = fixedScript(arguments.script);
    options.detection =
        arguments.smartDetection ? engine::DetectionRule::Smart : engine::DetectionRule::Classic;
    options.subFolders = arguments.recursive ? SubFolders::Include : SubFolders::Skip;
    options.jobs = arguments.jobs;
    // The exit status counts what a stop left undone.
    options.unreachedFilesFail = true;
    return options;
}

int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr) {
    BatchArguments parsed = parseBatchArguments(arguments, platform::currentFolder());
    if (parsed.help || parsed.version) {
        out << (parsed.help ? batchUsage() : batchVersion() + '\n');
        return exitAllConverted;
    }
    if (!parsed.error.empty()) {
        err << "qingfengxia-batch: " << parsed.error
            << "\nRun 'qingfengxia-batch --help' for the options.\n";
        return exitUsageError;
    }

    const RunOptions options = runOptionsOf(parsed);
    FolderScanResult list;
    list.files = parsed.files;
    list.unrepresentable = parsed.unrepresentable;
    if (!parsed.folder.empty()) {
        if (!platform::isFolder(parsed.folder)) {
            err << "qingfengxia-batch: not a folder: " << terminalText(parsed.folder) << '\n';
            return exitUsageError;
        }
        // --check lists the same files as a run.
        list = parsed.patternScan
                   ? listFolderByPattern(parsed.folder, parsed.filter, {}, options.subFolders)
                   : listFolderByFilter(parsed.folder, parsed.filter, {}, options.subFolders);
        if (list.files.empty() && list.unrepresentable.empty()) {
            out << "no files match " << terminalText(parsed.filter) << " in "
                << terminalText(parsed.folder) << '\n';
            return exitAllConverted;
        }
    }
    if (parsed.check)
        return checkFiles(options, list.files, list.unrepresentable, parsed.unrepresentableAt,
                          parsed.json, out);
    BatchSession session;
    // The command line's only stop request is Ctrl-C or SIGTERM; the run sees it at its next
    // pump and abandons the files converting.
    const PumpEvents noteInterrupt = [&session] {
        if (platform::interruptSignal() != 0)
            session.requestStop();
        return true;
    };
    (void)noteInterrupt();
    CommandObserver observer(out, err, progressOnErr);
    const BatchSummary summary = runBatch(list, options, observer, session, noteInterrupt);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    return summary.failures.empty() ? exitAllConverted : exitSomeFailed;
}

} // namespace batch

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
#include "batch/choices.h"
#include "batch/file_workers.h"
#include "batch/folder_scan.h"
#include "batch/headless_host.h"
#include "batch/json_text.h"
#include "engine/conversion_check.h"
#include "platform/directory_listing.h"
#include "platform/file_access.h"
#include "platform/file_problem.h"
#include "platform/file_system.h"
#include "platform/heap_release.h"
#include "platform/interrupt_signal.h"
#include "platform/real_path.h"
#include "platform/worker_pool.h"
#include "qfx_version.h"

namespace batch {

namespace {

// A text as the terminal gets it: UTF-8, with control characters written as \n, \r, \t or
// \xHH, so that a name holding a line break still prints as one line and one holding an
// escape sequence cannot drive the terminal. Outside `keepLineBreaks` (the report), a backslash
// is doubled, so that no name reads as another name's escaped form.
std::string shown(const AnsiText& text, bool keepLineBreaks = false) {
    const std::string utf8 = platform::utf8FromAnsi(text).value_or(text);
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' && !keepLineBreaks) {
            out += "\\\\";
        } else if (c == '\n' && keepLineBreaks) {
            out += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

// Prints one line per file and keeps the report instead of asking.
class CommandHost : public HeadlessHost {
public:
    CommandHost(BatchSession& runSession, std::ostream& outStream, std::ostream& errStream,
                bool progress)
        : session(runSession), out(outStream), err(errStream), showProgress(progress) {}

    void setTextAttribute(std::string_view name, ControlAttribute attribute,
                          const AnsiText& value) override {
        HeadlessHost::setTextAttribute(name, attribute, value);
        if (showProgress && name == control::progressCaption &&
            attribute == ControlAttribute::Caption) {
            // \33[K clears what a longer earlier caption left on the line.
            err << '\r' << shown(value) << "\33[K" << std::flush;
        }
    }

    // The command line's only stop request is Ctrl-C or SIGTERM; a run sees it at its next pump
    // and abandons the files converting.
    bool pumpEvents() override {
        noteInterrupt();
        return HeadlessHost::pumpEvents();
    }

    void fileFinished(const FileOutcome& outcome) override {
        noteInterrupt();
        if (showProgress)
            err << '\r' << "\33[K" << std::flush;
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
                << " (" << shown(platform::describeProblem(outcome.status)) << ")";
        out << "  " << shown(outcome.sourcePath) << '\n'
            << std::flush; // a line once written survives whatever ends the process
    }

    // Only the report is printed: its details repeat the reasons the file lines gave.
    platform::MessageAnswer showMessage(const AnsiText& message, int style, const AnsiText& title,
                                        const AnsiText& details = {}) override {
        if (showProgress)
            err << '\r' << "\33[K" << std::flush;
        AnsiText lines = message;
        std::erase(lines, '\r');
        const std::string report = shown(lines, true);
        out << report << '\n' << std::flush;
        return HeadlessHost::showMessage(message, style, title, details);
    }

private:
    void noteInterrupt() {
        if (platform::interruptSignal() != 0)
            session.stopRequested = true;
    }

    BatchSession& session;
    std::ostream& out;
    std::ostream& err;
    bool showProgress;
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

// Bytes in hexadecimal, each behind `prefix`: "\\xe4\\xbd" for people, "e4bd" for JSON.
std::string hexBytes(std::string_view bytes, std::string_view prefix) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += prefix;
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
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
                << (check.first->utf8.empty() || !character ? hexBytes(check.first->bytes, "\\x")
                                                            : shown(*character));
        }
    }
    out << "  " << shown(path) << '\n' << std::flush;
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
            << ",\"bytes\":\"" << hexBytes(check.first->bytes, "") << "\"}";
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
    std::atomic<bool> abandon{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::optional<engine::ConversionCheck>> results(files.size());
    std::int64_t bytesInHand = 0;
    // After what its tasks use, so that its workers are joined before that goes.
    platform::WorkerPool pool(jobs);
    const engine::WorkControl control{&pool, &abandon, nullptr};
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
    abandon = true;
    return platform::interruptSignal();
}

// --check: every file through the engine's dry run with the choices the host holds, as a run
// would read them, in the list's order: an unrepresentable name at its place in `at` (how many
// files come before it; first when `at` is empty). Nothing is written, so there is no result
// folder.
int checkFiles(BatchHost& host, const std::vector<AnsiText>& files,
               const std::vector<AnsiText>& unrepresentable, const std::vector<std::size_t>& at,
               bool json, std::ostream& out, int jobs) {
    const auto input = static_cast<engine::TextEncoding>(selectedValue(host, ChoiceGroup::Input));
    const auto output = static_cast<engine::TextEncoding>(selectedValue(host, ChoiceGroup::Output));
    const auto rule = host.selected(control::smartDetectionBox) ? engine::DetectionRule::Smart
                                                                : engine::DetectionRule::Classic;
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
    const engine::ScriptStep script = scriptStep(host);
    std::size_t printedFiles = 0;
    const int signal = checkInOrder(
        files, jobs,
        [&](const AnsiText& path, const engine::WorkControl& control) {
            return engine::checkConversion(path, input, output, script, rule, control);
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
    parsed.smartDetection = typed.in == detectName;
    const Choice* input =
        findChoiceByName(ChoiceGroup::Input, parsed.smartDetection ? "auto" : typed.in);
    if (!input)
        return fail("unknown encoding '" + typed.in + "' for --in");
    parsed.input = static_cast<engine::TextEncoding>(input->value);
    const Choice* output = findChoiceByName(ChoiceGroup::Output, typed.out);
    if (!output)
        return fail("unknown encoding '" + typed.out + "' for --out");
    parsed.output = static_cast<engine::TextEncoding>(output->value);
    const Choice* script = findChoiceByName(ChoiceGroup::Script, typed.script);
    if (!script)
        return fail("unknown script mode '" + typed.script + "' for --script");
    parsed.script = static_cast<engine::ScriptMode>(script->value);

    if (folderGiven) {
        auto folder = platform::ansiFromUtf8(typed.folder);
        if (!folder || folder->empty())
            return fail("--folder needs a value in UTF-8");
        parsed.folder = platform::absolutePath(*folder, workingFolder);
    }
    if (filterGiven) {
        // An empty filter takes every file, as an empty filter box does.
        auto filter = platform::ansiFromUtf8(typed.filter);
        if (!filter)
            return fail("--filter needs a value in UTF-8");
        parsed.filter = *filter;
    }
    parsed.patternScan = typed.patternScan;
    parsed.recursive = typed.recursive;
    parsed.check = typed.check;
    parsed.json = typed.json;
    parsed.jobs = typed.jobs;

    for (const std::string& argument : typed.files) {
        if (auto path = platform::ansiPath(argument); path && !path->empty())
            parsed.files.push_back(platform::absolutePath(*path, workingFolder));
        else if (!argument.empty()) {
            parsed.unrepresentable.push_back(platform::displayName(argument));
            parsed.unrepresentableAt.push_back(parsed.files.size());
        } else
            return fail("an empty file name");
    }
    if (folderGiven && (!parsed.files.empty() || !parsed.unrepresentable.empty()))
        return fail("give either files or --folder, not both");
    if (!folderGiven && (parsed.patternScan || filterGiven || parsed.recursive))
        return fail("--filter, --pattern-scan and --recursive need --folder");
    if (parsed.json && !parsed.check)
        return fail("--json needs --check");
    if (!folderGiven && parsed.files.empty() && parsed.unrepresentable.empty())
        return fail("no files given");
    if (parsed.files.empty() && !parsed.unrepresentable.empty())
        return fail("no file name is valid UTF-8");
    return parsed;
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

    BatchSession session;
    CommandHost host(session, out, err, progressOnErr);
    host.chooseInput(parsed.input);
    host.chooseOutput(parsed.output);
    host.chooseScript(parsed.script);
    host.setSelected(control::smartDetectionBox, parsed.smartDetection);
    host.setSelected(control::subFoldersBox, parsed.recursive);

    FolderScanResult list;
    list.files = parsed.files;
    list.unrepresentable = parsed.unrepresentable;
    if (!parsed.folder.empty()) {
        if (!platform::isFolder(parsed.folder)) {
            err << "qingfengxia-batch: not a folder: " << shown(parsed.folder) << '\n';
            return exitUsageError;
        }
        // --check lists the same files as a run.
        const SubFolders subFolders =
            host.selected(control::subFoldersBox) ? SubFolders::Include : SubFolders::Skip;
        list = parsed.patternScan
                   ? listFolderByPattern(parsed.folder, parsed.filter, {}, subFolders)
                   : listFolderByFilter(parsed.folder, parsed.filter, {}, subFolders);
        if (list.files.empty() && list.unrepresentable.empty()) {
            out << "no files match " << shown(parsed.filter) << " in " << shown(parsed.folder)
                << '\n';
            return exitAllConverted;
        }
    }
    if (parsed.check)
        return checkFiles(host, list.files, list.unrepresentable, parsed.unrepresentableAt,
                          parsed.json, out, parsed.jobs);
    session.stopRequested = platform::interruptSignal() != 0;
    const RunStyle style{.askToOpenResult = false, .unreachedFilesFail = true, .jobs = parsed.jobs};
    BatchSummary summary = runBatch(host, session, list, style);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    return summary.failedNames.empty() ? exitAllConverted : exitSomeFailed;
}

} // namespace batch

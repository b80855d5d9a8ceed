#include "batch/batch_command.h"

#include <array>
#include <optional>
#include <ostream>

#include "batch/batch_run.h"
#include "batch/choices.h"
#include "batch/folder_scan.h"
#include "batch/headless_host.h"
#include "platform/directory_listing.h"
#include "platform/file_problem.h"
#include "platform/file_system.h"
#include "platform/interrupt_signal.h"
#include "platform/real_path.h"

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

    // The command line's only stop request is Ctrl-C or SIGTERM; a run sees it before its next
    // file.
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

} // namespace

std::string batchUsage() {
    // --in and --out offer the same encodings.
    return "usage: qingfengxia-batch [--in ENC] [--out ENC] [--script MODE] FILE...\n"
           "       qingfengxia-batch [--in ENC] [--out ENC] [--script MODE] --folder DIR "
           "[--filter TEXT] [--pattern-scan]\n"
           "  ENC:  " +
           choiceNames(ChoiceGroup::Input) + "\n  MODE: " + choiceNames(ChoiceGroup::Script) +
           "\nResults go to the folder 转换结果 beside the first file (or inside DIR).\n";
}

BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder) {
    BatchArguments parsed;
    bool optionsEnded = false;
    bool folderGiven = false;
    bool filterGiven = false;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument.starts_with("--")) {
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            if (argument == "--help") {
                parsed.help = true;
                continue;
            }
            if (argument == "--pattern-scan") {
                parsed.patternScan = true;
                continue;
            }
            static constexpr std::array<std::string_view, 5> withValue{"--in", "--out", "--script",
                                                                       "--folder", "--filter"};
            if (std::find(withValue.begin(), withValue.end(), argument) == withValue.end())
                return fail("unknown option " + argument);
            if (i + 1 >= arguments.size())
                return fail("option " + argument + " needs a value");
            const std::string& value = arguments[++i];
            if (argument == "--in" || argument == "--out") {
                const bool in = argument == "--in";
                const Choice* choice =
                    findChoiceByName(in ? ChoiceGroup::Input : ChoiceGroup::Output, value);
                if (!choice)
                    return fail("unknown encoding '" + value + "' for " + argument);
                (in ? parsed.input : parsed.output) =
                    static_cast<engine::TextEncoding>(choice->value);
            } else if (argument == "--script") {
                const Choice* choice = findChoiceByName(ChoiceGroup::Script, value);
                if (!choice)
                    return fail("unknown script mode '" + value + "'");
                parsed.script = static_cast<engine::ScriptMode>(choice->value);
            } else {
                auto text = platform::ansiFromUtf8(value);
                // An empty filter takes every file, as an empty filter box does.
                if (!text || (text->empty() && argument == "--folder"))
                    return fail(argument + " needs a value in UTF-8");
                if (argument == "--folder") {
                    parsed.folder = platform::absolutePath(*text, workingFolder);
                    folderGiven = true;
                } else {
                    parsed.filter = *text;
                    filterGiven = true;
                }
            }
            continue;
        }
        if (auto path = platform::ansiPath(argument); path && !path->empty())
            parsed.files.push_back(platform::absolutePath(*path, workingFolder));
        else if (!argument.empty())
            parsed.unrepresentable.push_back(platform::displayName(argument));
        else
            return fail("an empty file name");
    }
    if (parsed.help)
        return parsed;
    if (folderGiven && (!parsed.files.empty() || !parsed.unrepresentable.empty()))
        return fail("give either files or --folder, not both");
    if (!folderGiven && (parsed.patternScan || filterGiven))
        return fail("--filter and --pattern-scan need --folder");
    if (!folderGiven && parsed.files.empty() && parsed.unrepresentable.empty())
        return fail("no files given");
    if (parsed.files.empty() && !parsed.unrepresentable.empty())
        return fail("no file name is valid UTF-8");
    return parsed;
}

int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr) {
    BatchArguments parsed = parseBatchArguments(arguments, platform::currentFolder());
    if (parsed.help) {
        out << batchUsage();
        return exitAllConverted;
    }
    if (!parsed.error.empty()) {
        err << "qingfengxia-batch: " << parsed.error << '\n' << batchUsage();
        return exitUsageError;
    }

    BatchSession session;
    CommandHost host(session, out, err, progressOnErr);
    host.chooseInput(parsed.input);
    host.chooseOutput(parsed.output);
    host.chooseScript(parsed.script);

    std::vector<AnsiText> files = parsed.files;
    std::vector<AnsiText> unrepresentable = parsed.unrepresentable;
    if (!parsed.folder.empty()) {
        if (!platform::isFolder(parsed.folder)) {
            err << "qingfengxia-batch: not a folder: " << shown(parsed.folder) << '\n';
            return exitUsageError;
        }
        FolderScanResult scan = parsed.patternScan
                                    ? listFolderByPattern(parsed.folder, parsed.filter)
                                    : listFolderByFilter(parsed.folder, parsed.filter);
        files = std::move(scan.files);
        unrepresentable = std::move(scan.unrepresentable);
        if (files.empty() && unrepresentable.empty()) {
            out << "no files match " << shown(parsed.filter) << " in " << shown(parsed.folder)
                << '\n';
            return exitAllConverted;
        }
    }
    session.stopRequested = platform::interruptSignal() != 0;
    const RunStyle style{.askToOpenResult = false, .unreachedFilesFail = true};
    BatchSummary summary = runBatch(host, session, files, unrepresentable, style);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    return summary.failedNames.empty() ? exitAllConverted : exitSomeFailed;
}

} // namespace batch

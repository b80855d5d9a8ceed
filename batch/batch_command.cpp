#include "batch/batch_command.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <ostream>

#include <CLI/CLI.hpp>

#include "batch/batch_check.h"
#include "batch/batch_run.h"
#include "batch/batch_session.h"
#include "batch/choices.h"
#include "batch/encoding_names.h"
#include "batch/folder_scan.h"
#include "batch/json_text.h"
#include "engine/conversion_check.h"
#include "platform/directory_listing.h"
#include "platform/file_access.h"
#include "platform/file_problem.h"
#include "platform/file_system.h"
#include "platform/interrupt_signal.h"
#include "platform/real_path.h"
#include "platform/standard_streams.h"
#include "platform/text_steps.h"

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

// The stable code of a file's problem and the name of the error number behind it, as JSON
// members; both null when there is none.
std::string problemMembers(const platform::FileStatus& status) {
    const std::string errorName = platform::systemErrorName(status.error);
    return ",\"problem\":" +
           (status.ok() ? std::string("null") : '"' + std::string(status.problem.code()) + '"') +
           ",\"errno\":" + (errorName.empty() ? std::string("null") : '"' + errorName + '"');
}

// Why a file failed, in the command line's English.
std::string englishReason(const platform::FileStatus& status, engine::TextEncoding detected) {
    return platform::describeProblemInEnglish(status, engine::encodingName(detected));
}

// An encoding as a JSON value: its short name, or null for a source that was not read.
std::string encodingMember(bool read, engine::TextEncoding encoding) {
    return read ? '"' + std::string(engine::encodingName(encoding)) + '"' : std::string("null");
}

// A diagnostic as the command line gives it: "qingfengxia-batch: PATH: reason".
void printDiagnostic(std::ostream& err, const AnsiText& path, std::string_view reason) {
    err << "qingfengxia-batch: " << terminalText(path) << ": " << reason << '\n' << std::flush;
}

// Prints one line per file on standard output, and the summary and a diagnostic per failed file
// on standard error; shows the file in hand on a terminal.
// A line's encoding columns: what the file was read and written in or, for a source never read,
// what was asked for ("auto" where the file would have decided).
std::string encodingColumns(bool read, engine::TextEncoding detected, engine::TextEncoding written,
                            const RunOptions& asked) {
    return std::string(engine::encodingName(read ? detected : asked.input)) + " -> " +
           std::string(engine::encodingName(read ? written : asked.output)) + "  ";
}

class CommandObserver : public RunObserver {
public:
    CommandObserver(std::ostream& outStream, std::ostream& errStream, const RunOptions& runOptions,
                    bool progress, bool quietRun, bool jsonLines)
        : out(outStream), err(errStream), options(runOptions), showProgress(progress),
          quiet(quietRun), json(jsonLines) {}

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
        if (!outcome.status.ok())
            printDiagnostic(err, outcome.sourcePath,
                            englishReason(outcome.status, outcome.detected));
        if (quiet && outcome.status.ok())
            return;
        if (json) {
            printOutcomeAsJson(outcome);
            return;
        }
        out << encodingColumns(!platform::isSourceProblem(outcome.status.problem), outcome.detected,
                               outcome.written, options);
        // The English text leads, as scripts read it; the window's Chinese reason follows.
        if (outcome.status.ok())
            out << "ok";
        else
            out << "failed: " << englishReason(outcome.status, outcome.detected) << " ("
                << terminalText(platform::describeProblem(outcome.status)) << ")";
        out << "  " << terminalText(outcome.sourcePath) << '\n'
            << std::flush; // a line once written survives whatever ends the process
    }

    // Only the report is printed: its details repeat the reasons the file lines gave.
    void runFinished(const BatchSummary& summary) override {
        clearProgress();
        if (quiet)
            return;
        AnsiText lines = completionReport(summary, false);
        std::erase(lines, '\r');
        err << terminalText(lines, true) << '\n' << std::flush;
    }

private:
    // The file's line as one JSON object.
    void printOutcomeAsJson(const FileOutcome& outcome) {
        const bool read = !platform::isSourceProblem(outcome.status.problem);
        out << "{\"path\":" << jsonString(outcome.sourcePath)
            << ",\"output\":" << (read ? jsonString(outcome.outputPath) : std::string("null"))
            << ",\"read\":" << encodingMember(read, outcome.detected)
            << ",\"written\":" << encodingMember(read, outcome.written)
            << ",\"ok\":" << (outcome.status.ok() ? "true" : "false");
        if (!outcome.status.ok()) {
            const std::string reason = englishReason(outcome.status, outcome.detected);
            out << ",\"reason\":" << jsonString(platform::ansiFromUtf8(reason).value_or(reason));
        }
        out << problemMembers(outcome.status) << "}\n" << std::flush;
    }

    void clearProgress() {
        if (showProgress)
            err << '\r' << "\33[K" << std::flush;
    }

    std::ostream& out;
    std::ostream& err;
    const RunOptions& options;
    bool showProgress;
    bool quiet;
    bool json;
    int count = 0;
};

// What a check found, in a line like the converter's own: encodings, then "complete" or why
// not, then the path.
void printCheck(std::ostream& out, const AnsiText& path, const engine::ConversionCheck& check,
                const RunOptions& options) {
    out << encodingColumns(!platform::isSourceProblem(check.status.problem), check.detected,
                           check.written, options);
    if (check.complete()) {
        out << "complete";
    } else {
        out << "incomplete: " << englishReason(check.status, check.detected);
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
    out << "{\"path\":" << jsonString(path) << ",\"read\":" << encodingMember(read, check.detected)
        << ",\"written\":" << encodingMember(read, check.written)
        << ",\"complete\":" << (check.complete() ? "true" : "false");
    if (!check.complete()) {
        const std::string reason = englishReason(check.status, check.detected);
        out << ",\"reason\":" << jsonString(platform::ansiFromUtf8(reason).value_or(reason))
            << ",\"affected\":" << check.affected << problemMembers(check.status);
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

// --check: every file through the engine's dry run with the run's options, in the list's order:
// an unrepresentable name at its place in `at` (how many files come before it; first when `at`
// is empty). Nothing is written, so there is no result folder.
int checkFiles(const RunOptions& options, const std::vector<AnsiText>& files,
               const std::vector<AnsiText>& unrepresentable, const std::vector<std::size_t>& at,
               bool json, std::ostream& out) {
    auto print = [&](const AnsiText& path, const engine::ConversionCheck& check) {
        json ? printCheckAsJson(out, path, check) : printCheck(out, path, check, options);
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
    const engine::ScriptStep script = options.scriptForNextFile();
    std::size_t printedFiles = 0;
    (void)checkInOrder(
        files, options.jobs,
        [&](const AnsiText& path, const engine::WorkControl& control) {
            return engine::checkConversion(path, options.input, options.output, script,
                                           options.detection, control, options.write);
        },
        {}, [] { return platform::interruptSignal() == 0; },
        [&](std::size_t index, const engine::ConversionCheck& check) {
            printNamesBefore(printedFiles++);
            complete = print(files[index], check) && complete;
        });
    const int signal = platform::interruptSignal();
    if (signal != 0)
        return exitInterrupted + signal;
    printNamesBefore(files.size());
    return complete ? exitAllConverted : exitSomeFailed;
}

// Standard input converted to standard output; the exit status of a run of one file.
int convertStandardInput(const RunOptions& options, const engine::StreamReader& input,
                         const engine::StreamWriter& textOut, std::ostream& err) {
    const engine::StreamConversion stream =
        engine::convertStream(input, textOut, options.input, options.output,
                              options.scriptForNextFile(), options.detection, options.write);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    if (stream.status.ok())
        return exitAllConverted;
    printDiagnostic(err, "-", englishReason(stream.status, stream.detected));
    return exitSomeFailed;
}

// The one input (a file, or standard input when `source` is empty) converted into the output
// file as a stream is, as iconv -o writes: the file is put in place when the input was read to
// its end, whatever replaced characters it holds; a source that cannot be read, a failed write
// or a stop leave an earlier file of that name as it was.
int convertIntoFile(const RunOptions& options, const AnsiText& source, const AnsiText& target,
                    const engine::StreamReader& standardInput, std::ostream& err) {
    std::optional<platform::SourceFile> file;
    engine::StreamReader input = standardInput;
    if (!source.empty()) {
        file.emplace(source);
        if (!file->status().ok()) {
            printDiagnostic(err, source, englishReason(file->status(), engine::TextEncoding::Auto));
            return exitSomeFailed;
        }
        // Writing over the file being read would lose it before it is read.
        if (const AnsiText real = platform::realPath(target);
            !real.empty() && real == platform::realPath(source)) {
            printDiagnostic(err, target, "is the input itself: give another output file");
            return exitUsageError;
        }
        input = [&file](char* buffer, std::size_t size) -> std::ptrdiff_t {
            return file->read({buffer, size});
        };
    }
    platform::ReplacingFile output(target, file ? std::optional<unsigned>(file->permissions())
                                                : std::nullopt);
    if (!output.status().ok()) {
        printDiagnostic(err, target, englishReason(output.status(), engine::TextEncoding::Auto));
        return exitSomeFailed;
    }
    const engine::StreamConversion stream = engine::convertStream(
        input, [&output](std::string_view bytes) { return output.write(bytes); }, options.input,
        options.output, options.scriptForNextFile(), options.detection, options.write);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    const AnsiText shown = source.empty() ? AnsiText("-") : source;
    if (platform::isSourceProblem(stream.status.problem)) {
        printDiagnostic(err, shown, englishReason(stream.status, stream.detected));
        return exitSomeFailed;
    }
    if (const platform::FileStatus committed = output.commit(); !committed.ok()) {
        printDiagnostic(err, target, englishReason(committed, stream.detected));
        return exitSomeFailed;
    }
    if (stream.status.ok())
        return exitAllConverted;
    printDiagnostic(err, shown, englishReason(stream.status, stream.detected));
    return exitSomeFailed;
}

} // namespace

int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr) {
    return runBatchCommand(arguments, out, err, progressOnErr, platform::readStandardInput,
                           platform::writeStandardOutput, platform::standardInputIsTerminal());
}

int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr, const engine::StreamReader& input,
                    const engine::StreamWriter& textOut, bool inputIsTerminal) {
    BatchArguments parsed = parseBatchArguments(arguments, platform::currentFolder());
    if (parsed.error.empty() && parsed.stream == StreamSource::Implied && inputIsTerminal)
        parsed.error = "no files given (give FILE..., --folder DIR, or text on standard input)";
    if (parsed.help || parsed.version || parsed.list) {
        out << (parsed.help   ? batchUsage()
                : parsed.list ? encodingNameList()
                              : batchVersion() + '\n');
        return exitAllConverted;
    }
    if (!parsed.error.empty()) {
        err << "qingfengxia-batch: " << parsed.error
            << "\nRun 'qingfengxia-batch --help' for the options.\n";
        return exitUsageError;
    }

    const RunOptions options = runOptionsOf(parsed);
    if (!parsed.outputFile.empty())
        return convertIntoFile(options, parsed.files.empty() ? AnsiText() : parsed.files.front(),
                               parsed.outputFile, input, err);
    if (parsed.stream != StreamSource::None)
        return convertStandardInput(options, input, textOut, err);
    FolderScanResult list;
    list.files = parsed.files;
    list.unrepresentable = parsed.unrepresentable;
    if (!parsed.folder.empty()) {
        if (!platform::isFolder(parsed.folder)) {
            printDiagnostic(err, parsed.folder, "not a folder");
            return exitUsageError;
        }
        // --check lists the same files as a run.
        list = parsed.patternScan
                   ? listFolderByPattern(parsed.folder, parsed.filter, {}, options.subFolders)
                   : listFolderByFilter(parsed.folder, parsed.filter, {}, options.subFolders);
        if (list.files.empty() && list.unrepresentable.empty()) {
            if (!parsed.quiet)
                printDiagnostic(err, parsed.folder,
                                "no files match " + terminalText(parsed.filter));
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
    CommandObserver observer(out, err, options, progressOnErr, parsed.quiet, parsed.json);
    const BatchSummary summary = runBatch(list, options, observer, session, noteInterrupt);
    if (const int signal = platform::interruptSignal(); signal != 0)
        return exitInterrupted + signal;
    return summary.failures.empty() ? exitAllConverted : exitSomeFailed;
}

} // namespace batch

#include "batch/batch_command.h"

#include "batch/batch_run.h"
#include "batch/folder_scan.h"
#include "batch/headless_host.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"

#include <array>
#include <optional>
#include <ostream>

namespace batch {

using engine::ScriptMode;
using engine::TextEncoding;

namespace {

std::optional<TextEncoding> encodingByName(std::string_view name) {
    for (TextEncoding encoding : {TextEncoding::Auto, TextEncoding::Ansi, TextEncoding::Utf8,
                                  TextEncoding::Utf16LE, TextEncoding::Utf16BE})
        if (engine::encodingName(encoding) == name)
            return encoding;
    return std::nullopt;
}

std::optional<ScriptMode> scriptModeByName(std::string_view name) {
    for (int value = 0; value <= static_cast<int>(ScriptMode::Big5ToTraditional); ++value) {
        auto mode = static_cast<ScriptMode>(value);
        if (engine::scriptModeName(mode) == name)
            return mode;
    }
    return std::nullopt;
}

AnsiText absolutePath(const AnsiText& path, const AnsiText& workingFolder) {
    if (!path.empty() && path.front() == platform::pathSeparator)
        return path;
    return workingFolder + platform::pathSeparator + path;
}

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
    CommandHost(std::ostream& outStream, std::ostream& errStream, bool progress)
        : out(outStream), err(errStream), showProgress(progress) {}

    void setCaption(std::string_view name, const AnsiText& value) override {
        HeadlessHost::setCaption(name, value);
        if (showProgress && name == control::progressCaption) {
            // \33[K clears what a longer earlier caption left on the line.
            err << '\r' << shown(value) << "\33[K" << std::flush;
        }
    }

    void fileFinished(const FileOutcome& outcome) override {
        // A source that was never read has no encodings to tell.
        if (outcome.sourceRead)
            out << engine::encodingName(outcome.detected) << " -> "
                << engine::encodingName(outcome.written) << "  ";
        else
            out << "- -> -  ";
        out << (outcome.failed ? "failed: " + outcome.reason : std::string("ok")) << "  "
            << shown(outcome.sourcePath) << '\n';
    }

    platform::MessageAnswer showMessage(const AnsiText& message, int style,
                                        const AnsiText& title) override {
        if (showProgress)
            err << '\r' << "\33[K" << std::flush;
        AnsiText lines = message;
        std::erase(lines, '\r');
        const std::string report = shown(lines, true);
        out << report << '\n';
        return HeadlessHost::showMessage(message, style, title);
    }

private:
    std::ostream& out;
    std::ostream& err;
    bool showProgress;
};

} // namespace

std::string batchUsage() {
    return "usage: qingfengxia-batch [--in ENC] [--out ENC] [--script MODE] FILE...\n"
           "       qingfengxia-batch [--in ENC] [--out ENC] [--script MODE] --folder DIR "
           "[--filter TEXT] [--pattern-scan]\n"
           "  ENC:  auto (default) | ansi | utf8 | utf16le | utf16be\n"
           "  MODE: none (default) | s2t | t2s | s2big5 | t2big5 | big52s | big52t\n"
           "Results go to the folder 转换结果 beside the first file (or inside DIR).\n";
}

BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder) {
    BatchArguments parsed;
    bool optionsEnded = false;
    bool folderGiven = false;
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
                auto encoding = encodingByName(value);
                if (!encoding)
                    return fail("unknown encoding '" + value + "' for " + argument);
                (argument == "--in" ? parsed.input : parsed.output) = *encoding;
            } else if (argument == "--script") {
                auto mode = scriptModeByName(value);
                if (!mode)
                    return fail("unknown script mode '" + value + "'");
                parsed.script = *mode;
            } else {
                auto text = platform::ansiFromUtf8(value);
                if (!text || text->empty())
                    return fail(argument + " needs a value in UTF-8");
                if (argument == "--folder") {
                    parsed.folder = absolutePath(*text, workingFolder);
                    folderGiven = true;
                } else {
                    parsed.filter = *text;
                }
            }
            continue;
        }
        if (auto path = platform::ansiPath(argument); path && !path->empty())
            parsed.files.push_back(absolutePath(*path, workingFolder));
        else if (!argument.empty())
            parsed.unrepresentable.push_back(platform::displayName(argument));
        else
            return fail("an empty file name");
    }
    if (parsed.help)
        return parsed;
    if (folderGiven && (!parsed.files.empty() || !parsed.unrepresentable.empty()))
        return fail("give either files or --folder, not both");
    if (!folderGiven && (parsed.patternScan || parsed.filter != "*.*"))
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

    CommandHost host(out, err, progressOnErr);
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
    stopRequested = false;
    BatchSummary summary = runBatch(host, files, unrepresentable);
    return summary.failedNames.empty() ? exitAllConverted : exitSomeFailed;
}

} // namespace batch

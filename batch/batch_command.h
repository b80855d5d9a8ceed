// The command-line batch converter: the same run as the window's, with options instead of radio
// buttons and one printed line per file instead of the progress bar.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/script_conversion.h"
#include "engine/text_encoding.h"
#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

struct [[nodiscard]] BatchArguments {
    engine::TextEncoding input = engine::TextEncoding::Auto;
    engine::TextEncoding output = engine::TextEncoding::Auto;
    engine::ScriptMode script = engine::ScriptMode::None;
    std::vector<AnsiText> files;           // absolute paths, in the given order
    std::vector<AnsiText> unrepresentable; // file arguments that are no valid UTF-8
    AnsiText folder;                       // --folder, absolute; empty in file mode
    AnsiText filter = "*.*";
    bool patternScan = false;
    bool help = false;
    std::string error; // a usage error, in English; empty when the arguments are sound
};

// Parses the arguments after the program name. Relative paths are made absolute against
// `workingFolder`, so the result folder is never derived from an empty folder, and lose their
// "." and ".." components, so that reports show the folder plainly.
BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder);

// The usage text printed with a usage error and for --help.
std::string batchUsage();

// Exit statuses: every file converted, some failed, a usage error (nothing converted).
inline constexpr int exitAllConverted = 0;
inline constexpr int exitSomeFailed = 1;
inline constexpr int exitUsageError = 2;
// Ended by a signal (Ctrl-C, SIGTERM) after the file in hand: this plus the signal's number.
inline constexpr int exitInterrupted = 128;

// Runs the converter on the arguments after the program name; returns the exit status. Lines go
// to `out`, each flushed as written, the progress line to `err` when `progressOnErr` is set (a
// terminal), usage errors to `err`. A signal noted by platform::catchInterruptSignals stops the
// run after the file in hand; the files not reached are reported as failed.
int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr);

} // namespace batch

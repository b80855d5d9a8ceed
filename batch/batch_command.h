// The command-line batch converter: the same run as the window's, with options instead of radio
// buttons and one printed line per file instead of the progress bar.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "batch/run_options.h"
#include "engine/script_conversion.h"
#include "engine/stream_conversion.h"
#include "engine/text_encoding.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

// Where a run without files reads: nowhere (files or a folder were given), standard input because
// "-" named it, or because nothing else was named (taken only when it is no terminal).
enum class StreamSource { None, Named, Implied };

struct [[nodiscard]] BatchArguments {
    engine::TextEncoding input = engine::TextEncoding::Auto;
    engine::TextEncoding output = engine::TextEncoding::Auto;
    engine::ScriptMode script = engine::ScriptMode::None;
    std::vector<AnsiText> files;                // absolute paths, in the given order
    std::vector<AnsiText> unrepresentable;      // file arguments that are no valid UTF-8, as given
    std::vector<std::size_t> unrepresentableAt; // for each of them, how many files came before
    AnsiText folder;                            // --folder, absolute; empty in file mode
    AnsiText filter = "*.*";
    bool patternScan = false;
    bool smartDetection = false;       // --in detect: input Auto with the statistical detector on
    bool recursive = false;            // --recursive: the folder's sub-folders too
    bool check = false;                // --check: convert nothing, tell what a conversion would do
    bool json = false;                 // --json: the check's lines as JSON objects
    bool quiet = false;                // --quiet: no line for a complete file, no summary
    std::optional<bool> byteOrderMark; // --bom / --no-bom, the later one; neither: nullopt
    StreamSource stream = StreamSource::None;
    engine::LineEnding lineEnding = engine::LineEnding::Keep; // --eol
    AnsiText outputFolder; // --output-dir, absolute; empty: 转换结果
    AnsiText outputFile;   // -o FILE, absolute: the one input's conversion goes there, as iconv's
    bool inPlace = false;  // --in-place
    std::optional<AnsiText> backupSuffix; // --backup[=SUFFIX]
    int jobs = 0;                         // --jobs: files converted at once; 0, one per core
    bool help = false;
    bool version = false;
    bool list = false; // --list: print the encoding names
    std::string error; // a usage error, in English; empty when the arguments are sound
};

// Parses the arguments after the program name. Relative paths are made absolute against
// `workingFolder`, so the result folder is never derived from an empty folder, and lose their
// "." and ".." components, so that reports show the folder plainly.
BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder);

// The run's options the arguments name.
RunOptions runOptionsOf(const BatchArguments& arguments);

// The help text, made from the option table, that --help prints.
std::string batchUsage();

// What --version prints.
std::string batchVersion();

// Exit statuses: every file converted, some failed, a usage error (nothing converted). With
// --check: every file would convert completely, some would not.
inline constexpr int exitAllConverted = 0;
inline constexpr int exitSomeFailed = 1;
inline constexpr int exitUsageError = 2;
// Stopped by a signal (Ctrl-C, SIGTERM, a closed standard output): this plus the signal's number;
// the program then ends by the signal itself.
inline constexpr int exitInterrupted = 128;

// Runs the converter on the arguments after the program name; returns the exit status. Lines go
// to `out`, each flushed as written, the progress line to `err` when `progressOnErr` is set (a
// terminal), usage errors to `err`. With --check nothing is converted or written, not even the
// result folder: one line per file tells the encodings and whether the conversion would be
// complete. Files convert --jobs at a time, their lines printed in list order. A signal noted by
// platform::catchInterruptSignals abandons the files converting (each reported as failed, no
// output of it put in place) and the files not reached are reported as failed.
int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr);

// The same with standard input and the converted text's way out given: what the stream mode
// reads and writes, and whether the input is a terminal (then it is read only when "-" names it).
int runBatchCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    bool progressOnErr, const engine::StreamReader& input,
                    const engine::StreamWriter& textOut, bool inputIsTerminal);

} // namespace batch

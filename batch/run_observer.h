// What a run tells its front end, in the list's order: the window turns it into the progress
// bar, its caption and the report box; the command line into one line per file.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace batch {

using platform::AnsiText;

// How one file of a run went.
struct FileOutcome {
    int index = 0;       // 1-based position in the run; 0 for a name a scan could not represent
    int count = 0;       // files in the run
    AnsiText sourcePath; // full path of the source
    AnsiText outputPath; // where the result was (or would have been) written
    engine::TextEncoding detected = engine::TextEncoding::Auto;
    engine::TextEncoding written = engine::TextEncoding::Auto;
    // None when the file was converted completely; a source problem means it was not read.
    platform::FileStatus status;
};

// A file that failed and why.
struct FailedFile {
    AnsiText name; // file name, no folder (in a tree run, its place below the root)
    platform::FileStatus status;
};

// A result folder that could not be made, and the error number that says why.
struct UnmadeFolder {
    AnsiText folder; // ends in a separator
    int error = 0;
};

// How a run went: what the report says and what the command line's exit status needs.
struct [[nodiscard]] BatchSummary {
    int count = 0;                       // files in the list
    int converted = 0;                   // files converted completely
    std::vector<FailedFile> failures;    // in the list's order, with their reasons
    std::vector<AnsiText> resultFolders; // each ends in a separator; in the order of their files
    std::vector<UnmadeFolder> unmadeFolders; // the result folders that could not be made
    std::int64_t elapsedMilliseconds = 0;
    bool stopped = false;    // a stop request ended the run before its last file
    bool hostClosed = false; // the front end went away during the run

    // The folder the report offers to open; empty when none was made.
    AnsiText firstResultFolder() const {
        return resultFolders.empty() ? AnsiText() : resultFolders.front();
    }
};

// Every call comes on the run's own thread, in the list's order. Once the front end's event pump
// has said it is going away, nothing more is told.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Before the first file, with the number of files in the list.
    virtual void runStarted(int /*count*/) {}
    // File `index` (1-based) is the one the progress shows now.
    virtual void fileStarted(int /*index*/, const AnsiText& /*path*/) {}
    // How much of file `index` is done, 0 to 1000; only ever rises within a file.
    virtual void fileProgress(int /*index*/, int /*permille*/) {}
    virtual void fileFinished(const FileOutcome&) {}
    // After the last file, or the stop; the summary makes the report (completionReport).
    virtual void runFinished(const BatchSummary&) {}
};

} // namespace batch

// The conversions of a run on worker threads. The run's own thread (the host's) starts files in
// list order and collects their results in the same order; the workers never see the host.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

#include "batch/run_problems.h"
#include "engine/script_conversion.h"
#include "engine/single_file_conversion.h"
#include "engine/work_control.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"
#include "platform/worker_pool.h"

namespace batch {

using platform::AnsiText;

// What every file of a run is converted with.
struct ConversionSettings {
    engine::TextEncoding input = engine::TextEncoding::Auto;
    engine::TextEncoding output = engine::TextEncoding::Auto;
    engine::DetectionRule rule = engine::DetectionRule::Classic;
    engine::WriteOptions write;
    // Each source replaced by its complete conversion (the job's output folder is then its own);
    // with a backup suffix the original is kept as source + suffix.
    bool inPlace = false;
    std::optional<AnsiText> backupSuffix;
};

// One file to convert: its source, the folder its output goes to, and the script step chosen for
// it when it was started.
struct FileJob {
    AnsiText sourcePath;
    AnsiText outputFolder;
    engine::ScriptStep script; // empty: no script conversion
    std::int64_t size = 0;     // the source's length, for the memory budget
};

// Runs a file's work on a worker; false when memory ran out on the way. A worker's task must not
// end the program: memory running out fails that file alone, and what it was writing is removed
// as the work unwinds.
bool ranWithinMemory(const std::function<void()>& work);

// The in-flight source bytes a run allows: two large files never convert at once, while small
// ones share the budget.
std::int64_t memoryBudget(std::int64_t largestFile);

class FileWorkers {
public:
    // `jobs` workers (below 1: one per core) for the `fileCount` files of a run. Once `stop` is
    // requested, every file converting is given up between its steps and none may start any more.
    FileWorkers(int jobs, std::size_t fileCount, ConversionSettings settings, std::stop_token stop,
                std::int64_t budget);
    // Waits for every started file; a stop request first makes that quick.
    ~FileWorkers();
    FileWorkers(const FileWorkers&) = delete;
    FileWorkers& operator=(const FileWorkers&) = delete;

    // Whether `job` may start now: the workers' queue has room, its bytes fit the budget (a file
    // alone always fits), and no file writing the same output is converting, so a source listed
    // twice is written once after the other.
    bool mayStart(const FileJob& job) const;
    // Starts file `index` (each index once, in increasing order).
    void start(std::size_t index, FileJob job);

    // Waits at most `timeout` for file `index`; true once it is done. Returns early (false) when
    // a worker may run out of files, so that the caller starts more.
    bool waitFor(std::size_t index, std::chrono::milliseconds timeout);
    // The result of a file waitFor reported done.
    engine::FileConversion result(std::size_t index) const;
    // Whether a file waitFor reported done was begun: one still queued when the run was
    // abandoned never is, and counts as never started.
    bool begun(std::size_t index) const;
    // How far file `index` has come, 0 to 1000.
    int permille(std::size_t index) const;

private:
    struct Entry {
        std::atomic<int> permille{0};
        engine::FileConversion conversion; // set under the mutex once done
        bool done = false;
        bool begun = false;
    };
    void convert(std::size_t index, const FileJob& job);
    void finish(std::size_t index, const FileJob& job);

    const ConversionSettings settings;
    const std::int64_t budget;
    const std::stop_token stop;
    mutable std::mutex mutex;
    std::condition_variable finished;
    std::vector<Entry> entries;
    int inHand = 0; // files started and not done, those still queued for a worker included
    std::size_t startedCount = 0;
    std::size_t awaited = 0; // the file waitFor waits for
    bool roomFreed = false;  // a worker may run dry since waitFor last returned
    std::int64_t bytesConverting = 0;
    std::set<AnsiText> outputsConverting;
    // Last, so that it ends (joining the workers) before what they use goes.
    platform::WorkerPool pool;
};

} // namespace batch

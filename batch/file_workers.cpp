#include "batch/file_workers.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/heap_release.h"
#include "platform/path_scan.h"

namespace batch {

namespace {

AnsiText outputPathOf(const FileJob& job) {
    return job.outputFolder + platform::fileNameOfPath(job.sourcePath);
}

// Files queued per worker: a worker done with a file takes the next at once instead of waiting
// for the run's thread to wake and hand it one, which for files of a few KB costs about as much
// as converting them.
constexpr int filesQueuedPerWorker = 4;

} // namespace

bool ranWithinMemory(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) { // a size beyond what a string or vector can hold
        return false;
    }
}

std::int64_t memoryBudget(std::int64_t largestFile) {
    // A file in hand takes about twice its size and more: the source read, the text decoded,
    // the script step's result. Small files share a little room; a large one converts alone
    // (its pieces keep every worker busy), so that a run stays within a few times its largest
    // file at any number of workers.
    constexpr std::int64_t smallFilesShare = std::int64_t{16} << 20;
    return std::max(largestFile, smallFilesShare);
}

FileWorkers::FileWorkers(int jobs, std::size_t fileCount, ConversionSettings conversionSettings,
                         std::int64_t bytesAllowed)
    : settings(std::move(conversionSettings)), budget(bytesAllowed), entries(fileCount),
      pool(jobs) {
    platform::giveLargeBuffersBack();
}

FileWorkers::~FileWorkers() = default;

bool FileWorkers::mayStart(const FileJob& job) const {
    std::lock_guard lock(mutex);
    if (abandonFlag.load() || converting >= pool.size() * filesQueuedPerWorker)
        return false;
    if (converting > 0 && bytesConverting + job.size > budget)
        return false;
    return !outputsConverting.contains(outputPathOf(job));
}

void FileWorkers::start(std::size_t index, FileJob job) {
    {
        std::lock_guard lock(mutex);
        ++converting;
        ++startedCount;
        bytesConverting += job.size;
        outputsConverting.insert(outputPathOf(job));
    }
    pool.submit([this, index, job = std::move(job)] { convert(index, job); });
}

void FileWorkers::convert(std::size_t index, const FileJob& job) {
    Entry& entry = entries[index];
    if (abandonFlag.load()) {
        finish(index, job); // still queued when the run stopped: never begun
        return;
    }
    const engine::WorkControl control{&pool, &abandonFlag, &entry.permille};
    const engine::ScriptStep step =
        settings.scriptOverride ? settings.scriptOverride : engine::scriptStepOf(job.script);
    // Each file starts afresh; the run fills in what an unread source would have carried over.
    engine::TextEncoding detected = engine::TextEncoding::Auto;
    engine::FileConversion conversion;
    if (!ranWithinMemory([&] {
            conversion =
                engine::convertFile(job.sourcePath, settings.input, settings.output,
                                    job.outputFolder, detected, step, settings.rule, control);
        }))
        conversion = {.status = {batch::problems::OutOfMemory}};
    {
        std::lock_guard lock(mutex);
        entry.conversion = conversion;
        entry.begun = true;
    }
    finish(index, job);
}

void FileWorkers::finish(std::size_t index, const FileJob& job) {
    bool wake = false;
    {
        std::lock_guard lock(mutex);
        entries[index].done = true;
        --converting;
        bytesConverting -= job.size;
        outputsConverting.erase(outputPathOf(job));
        // The run's thread is woken for the file it waits for, or to start more when a worker
        // may run dry; any other finished file it collects when it comes to it.
        if (converting < pool.size() && startedCount < entries.size())
            roomFreed = true;
        wake = index == awaited || roomFreed;
    }
    if (wake)
        finished.notify_all();
}

bool FileWorkers::waitFor(std::size_t index, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    awaited = index;
    finished.wait_for(lock, timeout, [&] { return entries[index].done || roomFreed; });
    roomFreed = false;
    return entries[index].done;
}

engine::FileConversion FileWorkers::result(std::size_t index) const {
    std::lock_guard lock(mutex);
    return entries[index].conversion;
}

bool FileWorkers::begun(std::size_t index) const {
    std::lock_guard lock(mutex);
    return entries[index].begun;
}

int FileWorkers::permille(std::size_t index) const {
    return entries[index].permille.load(std::memory_order_relaxed);
}

void FileWorkers::abandon() {
    abandonFlag = true;
}

} // namespace batch

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
constexpr int filesQueuedPerWorker = 16;

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
                         std::stop_token stopToken, std::int64_t bytesAllowed)
    : settings(std::move(conversionSettings)), budget(bytesAllowed), stop(std::move(stopToken)),
      entries(fileCount), pool(jobs) {
    platform::giveLargeBuffersBack();
}

FileWorkers::~FileWorkers() = default;

bool FileWorkers::mayStart(const FileJob& job) const {
    std::lock_guard lock(mutex);
    if (stop.stop_requested() || inHand >= pool.size() * filesQueuedPerWorker)
        return false;
    if (inHand > 0 && bytesConverting + job.size > budget)
        return false;
    return !outputsConverting.contains(outputPathOf(job));
}

void FileWorkers::start(std::size_t index, FileJob job) {
    {
        std::lock_guard lock(mutex);
        ++inHand;
        ++startedCount;
        bytesConverting += job.size;
        outputsConverting.insert(outputPathOf(job));
    }
    pool.submit([this, index, job = std::move(job)] { convert(index, job); });
}

void FileWorkers::convert(std::size_t index, const FileJob& job) {
    Entry& entry = entries[index];
    if (stop.stop_requested()) {
        finish(index, job); // still queued when the run stopped: never begun
        return;
    }
    const engine::WorkControl control{&pool, stop, &entry.permille};
    // The run fills in what an unread source (detected Auto) would have carried over.
    engine::FileConversion conversion;
    if (!ranWithinMemory([&] {
            if (settings.inPlace)
                conversion = engine::convertFileInPlace(
                    job.sourcePath, settings.input, settings.output, job.script, settings.rule,
                    control, settings.write,
                    settings.backupSuffix ? job.sourcePath + *settings.backupSuffix : AnsiText());
            else
                conversion = engine::convertFile(job.sourcePath, settings.input, settings.output,
                                                 job.outputFolder, job.script, settings.rule,
                                                 control, settings.write);
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
        --inHand;
        bytesConverting -= job.size;
        outputsConverting.erase(outputPathOf(job));
        // The run's thread is woken to start more when a worker may run dry, and for the file
        // it waits for once half the queue is free or nothing is left to start: it then
        // collects a run of finished files at one waking, not one waking per file.
        const bool allStarted = startedCount == entries.size();
        if (inHand < pool.size() && !allStarted)
            roomFreed = true;
        wake = roomFreed || (index == awaited &&
                             (allStarted || inHand <= pool.size() * filesQueuedPerWorker / 2));
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

} // namespace batch

// Threads that convert while the window keeps answering: a fixed set of workers taking tasks in
// the order given, and a loop over numbered pieces that the calling thread shares with whichever
// workers are idle, so a task may split its own work without waiting on a busy pool.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// The cores this process may run on (its affinity), at least 1.
int usableCoreCount();

class WorkerPool {
public:
    // `threads` below 1 means one per usable core.
    explicit WorkerPool(int threads);
    // Runs what was submitted to the end, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int size() const { return static_cast<int>(threads.size()); }

    // Queues a task; tasks start in the order submitted. A task must not throw.
    void submit(std::function<void()> task);

    // Calls body(i) once for every i below `count` and returns when all calls are done. The
    // calling thread takes pieces too, so this finishes even when every worker is busy, and may
    // be called from inside a task. Pieces are taken in increasing order. A piece that throws
    // (memory running out) does not end the program: the others still run, and the first
    // exception is rethrown here, on the calling thread.
    void forEachPiece(std::size_t count, const std::function<void(std::size_t)>& body);

private:
    void work();

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> queue;
    bool ending = false;
    std::vector<std::thread> threads;
};

} // namespace platform

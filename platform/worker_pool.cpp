#include "platform/worker_pool.h"

#include <atomic>
#include <exception>
#include <memory>

#include <sched.h>

namespace platform {

int usableCoreCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

WorkerPool::WorkerPool(int count) {
    if (count < 1)
        count = usableCoreCount();
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        threads.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex);
        ending = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

void WorkerPool::submit(std::function<void()> task) {
    {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(task));
    }
    wake.notify_one();
}

void WorkerPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return ending || !queue.empty(); });
            if (queue.empty())
                return;
            task = std::move(queue.front());
            queue.pop_front();
        }
        task();
    }
}

namespace {

// Shared by the caller and its helpers; a helper that starts after every piece was taken finds
// nothing to do, so the caller never waits on a helper still queued behind other tasks.
struct PieceLoop {
    std::atomic<std::size_t> next{0};
    std::size_t count = 0;
    const std::function<void(std::size_t)>* body = nullptr;
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t done = 0;
    std::exception_ptr failure; // the first piece that threw, rethrown on the caller's thread

    void takePieces() {
        std::size_t taken = 0;
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                (*body)(i);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
            }
            ++taken;
        }
        if (taken == 0)
            return;
        std::lock_guard lock(mutex);
        done += taken;
        if (done == count)
            finished.notify_all();
    }
};

} // namespace

void WorkerPool::forEachPiece(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0)
        return;
    auto loop = std::make_shared<PieceLoop>();
    loop->count = count;
    loop->body = &body;
    const std::size_t helpers = std::min(count - 1, threads.size());
    for (std::size_t i = 0; i < helpers; ++i)
        submit([loop] { loop->takePieces(); });
    loop->takePieces();
    std::unique_lock lock(loop->mutex);
    loop->finished.wait(lock, [&] { return loop->done == count; });
    if (loop->failure)
        std::rethrow_exception(loop->failure);
}

} // namespace platform

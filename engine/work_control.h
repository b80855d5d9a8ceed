// What a conversion gets from the run it belongs to: workers to share a large file's pieces
// with, a flag that abandons the file, and a gauge of how far the file has come.
#pragma once

#include <atomic>

#include "platform/worker_pool.h"

namespace engine {

struct WorkControl {
    // Idle workers take pieces of a large file; without a pool the calling thread does all.
    platform::WorkerPool* pool = nullptr;
    // Once set, the file is given up between pieces: nothing is put in place, the temporary
    // output is removed and the result says Abandoned.
    const std::atomic<bool>* abandon = nullptr;
    // Raised from 0 towards 1000 as the file's pieces are done; never lowered.
    std::atomic<int>* permille = nullptr;

    bool abandoned() const { return abandon && abandon->load(std::memory_order_relaxed); }
    void reach(int value) const {
        if (!permille)
            return;
        int seen = permille->load(std::memory_order_relaxed);
        while (seen < value && !permille->compare_exchange_weak(seen, value)) {
        }
    }
};

} // namespace engine

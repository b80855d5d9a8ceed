// What a conversion gets from the run it belongs to: workers to share a large file's pieces
// with, a stop that abandons the file, and a gauge of how far the file has come.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <stop_token>

#include "platform/worker_pool.h"

namespace engine {

struct WorkControl {
    // Idle workers take pieces of a large file; without a pool the calling thread does all.
    platform::WorkerPool* pool = nullptr;
    // Once a stop is requested, the file is given up between pieces: nothing is put in place,
    // the temporary output is removed and the result says Abandoned.
    std::stop_token stop;
    // Raised from 0 towards 1000 as the file's pieces are done; never lowered.
    std::atomic<int>* permille = nullptr;
    // Bytes per piece of a large text; 0 takes the engine's own size. Tests make it small.
    std::size_t pieceSize = 0;
    // The stretch of the gauge the current step fills, so that decoding, the script step and
    // encoding each move the bar over their own share.
    int shareFrom = 0;
    int shareTo = 1000;

    bool abandoned() const { return stop.stop_requested(); }
    void reach(int value) const {
        if (!permille)
            return;
        int seen = permille->load(std::memory_order_relaxed);
        while (seen < value && !permille->compare_exchange_weak(seen, value)) {
        }
    }
    // `done` of `total` pieces of the current step are finished.
    void reachPart(std::size_t done, std::size_t total) const {
        if (total > 0)
            reach(shareFrom + static_cast<int>(static_cast<long long>(shareTo - shareFrom) *
                                               static_cast<long long>(std::min(done, total)) /
                                               static_cast<long long>(total)));
    }
    // The same control narrowed to the stretch [from, to] of the current share, in permille of it.
    WorkControl share(int from, int to) const {
        WorkControl part = *this;
        part.shareFrom = shareFrom + (shareTo - shareFrom) * from / 1000;
        part.shareTo = shareFrom + (shareTo - shareFrom) * to / 1000;
        return part;
    }
};

} // namespace engine

#include "platform/worker_pool.h"

#include <atomic>
#include <vector>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Every worker busy in a task that splits its own work into pieces: the loop must still finish,
// each piece run exactly once, whatever the pool's size.
TEST(WorkerPool, PieceLoopsInsideBusyTasksFinishWithEveryPieceOnce) {
    for (const int threads : {1, 2, 4}) {
        constexpr int tasks = 6;
        constexpr std::size_t pieces = 50;
        std::vector<std::atomic<int>> runs(tasks * pieces);
        {
            WorkerPool pool(threads);
            for (int t = 0; t < tasks; ++t)
                pool.submit([&pool, &runs, t] {
                    pool.forEachPiece(pieces,
                                      [&runs, t](std::size_t i) { ++runs[t * pieces + i]; });
                });
        }
        for (std::size_t i = 0; i < runs.size(); ++i)
            ASSERT_EQ(runs[i].load(), 1) << "threads " << threads << ", piece " << i;
    }
}

} // namespace

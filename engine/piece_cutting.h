// Where a large text may be cut into pieces that convert on several cores: no character may
// straddle a cut, so each piece converts exactly as its stretch of the whole text would, and the
// pieces' results joined are the whole text's result.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/text_encoding.h"
#include "engine/work_control.h"

namespace engine {

// Large enough that handing a piece to a worker costs nothing worth counting, small enough that
// two cores share a file of a few pieces evenly and a stop is seen soon.
constexpr std::size_t defaultPieceSize = std::size_t{2} << 20;

// The piece size the control asks for, or the default.
std::size_t pieceSizeOf(const WorkControl& control);

// True when a text of `length` bytes is worth cutting: the control lends workers and the text
// holds at least two pieces.
bool cutsInPieces(const WorkControl& control, std::size_t length);

// The ends of the pieces of `data` in `encoding` as the charset converter reads it, increasing,
// the last one data.size(); none for empty data. A piece ends at the first place at or after
// `pieceSize` bytes where no character can straddle the cut: for UTF-16 an even offset whose
// unit is not a low surrogate; for the byte encodings a place the bytes around it prove a
// boundary, or else one found by counting characters from the piece's start, so that a text
// without line feeds is cut too.
std::vector<std::size_t> pieceEnds(std::string_view data, TextEncoding encoding,
                                   std::size_t pieceSize);

// The same for a text the system's code pages 936 or 950 read (the fallbacks, the Big5 steps),
// where a lead byte takes whatever non-zero byte follows it.
std::vector<std::size_t> codePagePieceEnds(std::string_view data, std::size_t pieceSize);

// Calls body(i) for every piece below `count`, on the control's workers when it has them.
void forEachPiece(const WorkControl& control, std::size_t count,
                  const std::function<void(std::size_t)>& body);

// Makes every piece below `count` on the control's workers, all handed out at once, and gives
// each result to take(i, result) in increasing order of i, on whichever thread finished the piece
// next in line while the others go on making later ones: no thread waits at a barrier. make(i)
// gives std::nullopt to stop the run, and so does take(i, result) giving false. A thread runs at
// most a few pieces per worker ahead of the next one taken, which bounds the results held.
// Returns the number of pieces taken: `count` when none stopped the run.
template <typename Result, typename Make, typename Take>
std::size_t forEachPieceInOrder(const WorkControl& control, std::size_t count, Make make,
                                Take take) {
    const std::size_t ahead =
        2 * static_cast<std::size_t>(control.pool ? control.pool->size() : 1) + 1;
    std::mutex mutex;
    std::condition_variable taken;
    std::vector<std::optional<Result>> ready(count);
    std::size_t next = 0; // the piece taken next
    bool stopped = false;
    forEachPiece(control, count, [&](std::size_t i) {
        {
            std::unique_lock lock(mutex);
            taken.wait(lock, [&] { return stopped || i < next + ahead; });
            if (stopped)
                return;
        }
        // A piece that throws stops the run, so that no thread waits for it to be taken.
        auto stopOnThrow = [&](auto step) {
            try {
                return step();
            } catch (...) {
                const std::lock_guard lock(mutex);
                stopped = true;
                taken.notify_all();
                throw;
            }
        };
        std::optional<Result> made = stopOnThrow([&] { return make(i); });
        std::unique_lock lock(mutex);
        if (!made) {
            stopped = true;
            taken.notify_all();
            return;
        }
        ready[i] = std::move(made);
        // Only the thread that leaves the piece next in line takes; the others leave theirs.
        if (i != next)
            return;
        while (!stopped && next < count && ready[next]) {
            Result result = std::move(*ready[next]);
            ready[next].reset();
            lock.unlock();
            const bool kept = stopOnThrow([&] { return take(next, result); });
            lock.lock();
            if (!kept) {
                stopped = true;
            } else {
                ++next;
            }
            taken.notify_all();
        }
    });
    return next;
}

} // namespace engine

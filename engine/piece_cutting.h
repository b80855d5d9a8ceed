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

// How a text is read, as far as where its characters may end is concerned.
enum class PieceRule {
    Utf8,
    Utf16LE,
    Utf16BE,
    // GB18030 or Big5 through the charset converter, which rejects any invalid sequence.
    Converter,
    // Code page 936 or 950 as the system reads it (the fallbacks, the Big5 steps): a lead byte
    // takes whatever non-zero byte follows it.
    CodePage,
    // GB18030 for the Simplified/Traditional mapping, which needs whole phrases: a piece ends
    // after the last line feed within `pieceSize`, else after the first one within four times
    // that, else (a longer line) after the last one-byte character within four times that.
    Lines,
};

// The rule for a text the charset converter reads in `encoding`.
PieceRule pieceRuleOf(TextEncoding encoding);

// The ends of the pieces of `data` under `rule`, increasing, the last one data.size(); none for
// empty data. Except under Lines, a piece ends at the first place at or after `pieceSize` bytes
// where no character can straddle the cut: for UTF-16 an even offset whose unit is not a low
// surrogate; for the byte encodings a place the bytes around it prove a boundary, or else one
// found by counting characters from the piece's start, so that a text without line feeds is cut
// too.
std::vector<std::size_t> pieceEnds(std::string_view data, PieceRule rule, std::size_t pieceSize);

// The first offset at or after `from` (at least 4) where a character of `data` under `rule`
// (Utf8, Utf16LE, Utf16BE, Converter) begins, as the bytes around it alone tell, `data` being a
// stretch of a longer text that starts at an even offset of it; nothing when no place before
// the stretch's end tells. The places are those pieceEnds takes by the bytes around them, so
// stretches that overlap agree on them.
std::optional<std::size_t> boundaryAround(std::string_view data, std::size_t from, PieceRule rule);

// Calls body(i) for every piece below `count`, on the control's workers when it has them.
void forEachPiece(const WorkControl& control, std::size_t count,
                  const std::function<void(std::size_t)>& body);

// Converts the pieces of a text that end at `ends` on the control's workers, all handed out at
// once, and writes them in order: make(start, end) gives a piece's result, and take(i, result)
// gets the results in increasing order of i, on whichever thread finished the piece next in line
// while the others go on making later ones: no thread waits at a barrier. make giving
// std::nullopt stops the run, and so do take giving false and the control's stop, which is seen
// before each piece is made. The control's gauge moves as pieces are taken. A thread runs at
// most a few pieces per worker ahead of the next one taken, which bounds the results held.
// Returns the number of pieces taken: ends.size() when none stopped the run.
template <typename Result, typename Make, typename Take>
std::size_t convertPiecesInOrder(const WorkControl& control, const std::vector<std::size_t>& ends,
                                 Make make, Take take) {
    const std::size_t count = ends.size();
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
        std::optional<Result> made = stopOnThrow([&]() -> std::optional<Result> {
            if (control.abandoned())
                return std::nullopt;
            return make(i == 0 ? 0 : ends[i - 1], ends[i]);
        });
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
            if (kept)
                control.reachPart(next + 1, count);
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

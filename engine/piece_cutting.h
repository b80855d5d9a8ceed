// Where a large text may be cut into pieces that convert on several cores: no character may
// straddle a cut, so each piece converts exactly as its stretch of the whole text would, and the
// pieces' results joined are the whole text's result.
#pragma once

#include <cstddef>
#include <functional>
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

// The ends of the pieces of `data` in `encoding`, increasing, the last one data.size(); none for
// empty data. A piece ends at the first allowed cut at or after `pieceSize` bytes: after a line
// feed for the byte encodings (GB18030, UTF-8, Big5, Big5-HKSCS: a line feed is never part of a
// longer character in them), at an even offset whose unit is not a low surrogate for UTF-16.
// Data without such a place stays one piece.
std::vector<std::size_t> pieceEnds(std::string_view data, TextEncoding encoding,
                                   std::size_t pieceSize);

// Calls body(i) for every piece below `count`, on the control's workers when it has them.
void forEachPiece(const WorkControl& control, std::size_t count,
                  const std::function<void(std::size_t)>& body);

} // namespace engine

// UTF-16 to UTF-8 eight units at a time, with SSSE3 where the processor has it: the busiest
// conversion into UTF-8 whose characters mix one, two and three bytes too often for a loop that
// decides per character.
#pragma once

#include <cstdint>

namespace engine::table_detail {

// Moves whole blocks of eight units from `in` to `out` as UTF-8 while no unit of a block lies
// in [slowFirst, slowLast] (which must take in the surrogates) and `outEnd` leaves room for a
// block's 32 bytes; `in` and `out` advance past what was moved. Moves nothing where the
// processor (or the build's target) lacks the instructions.
template <bool bigEndian>
void moveUtf16BlocksToUtf8(const unsigned char*& in, const unsigned char* end, char*& out,
                           const char* outEnd, std::uint16_t slowFirst, std::uint16_t slowLast);

} // namespace engine::table_detail

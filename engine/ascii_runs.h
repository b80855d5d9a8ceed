// Moving ASCII stretches of the table conversions 16 source bytes at a time, with SSE2 where the
// build has it and plainly otherwise: a template each conversion loop takes for its own units and
// byte orders.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine::table_detail {

// How many source bytes of ASCII were moved from `in` to `out` (at most `length`; up to 32
// bytes beyond what `out` advances by may be written, within `outRoom`).
template <int sourceUnit, bool sourceBig, int targetUnit, bool targetBig>
std::size_t moveAscii(const unsigned char* in, std::size_t length, char*& out,
                      std::size_t outRoom) {
    std::size_t moved = 0;
#if defined(__SSE2__)
    while (length - moved >= 16 && outRoom >= 32) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + moved));
        if constexpr (sourceUnit == 1) {
            // A block with a non-ASCII byte still gives the ASCII bytes in front of it.
            const int high = _mm_movemask_epi8(block);
            const int ascii = high == 0 ? 16 : __builtin_ctz(static_cast<unsigned>(high));
            if constexpr (targetUnit == 1) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
                out += ascii;
            } else {
                const __m128i zero = _mm_setzero_si128();
                const __m128i first =
                    targetBig ? _mm_unpacklo_epi8(zero, block) : _mm_unpacklo_epi8(block, zero);
                const __m128i second =
                    targetBig ? _mm_unpackhi_epi8(zero, block) : _mm_unpackhi_epi8(block, zero);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), second);
                out += 2 * ascii;
            }
            if (ascii < 16)
                return moved + static_cast<std::size_t>(ascii);
        } else {
            // Eight units, each below 0x80 in value: only their ASCII bytes are nonzero.
            const __m128i units =
                sourceBig ? _mm_or_si128(_mm_srli_epi16(block, 8), _mm_slli_epi16(block, 8))
                          : block;
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(-128)),
                                                  _mm_setzero_si128())) != 0xFFFF)
                break;
            if constexpr (targetUnit == 1) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
                out += 8;
            } else {
                const __m128i written =
                    targetBig ? _mm_or_si128(_mm_srli_epi16(units, 8), _mm_slli_epi16(units, 8))
                              : units;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), written);
                out += 16;
            }
        }
        moved += 16;
        outRoom -= 32;
    }
#else
    while (length - moved >= 16 && outRoom >= 32) {
        bool ascii = true;
        for (int i = 0; i < 16 && ascii; i += sourceUnit) {
            const unsigned value = sourceUnit == 1 ? in[moved + i]
                                   : sourceBig     ? in[moved + i] << 8 | in[moved + i + 1]
                                                   : in[moved + i + 1] << 8 | in[moved + i];
            ascii = value < 0x80;
        }
        if (!ascii)
            break;
        for (int i = 0; i < 16; i += sourceUnit) {
            const char c = static_cast<char>(sourceUnit == 1 ? in[moved + i]
                                             : sourceBig     ? in[moved + i + 1]
                                                             : in[moved + i]);
            if constexpr (targetUnit == 1) {
                *out++ = c;
            } else {
                out[targetBig ? 0 : 1] = 0;
                out[targetBig ? 1 : 0] = c;
                out += 2;
            }
        }
        moved += 16;
        outRoom -= 32;
    }
#endif
    return moved;
}

} // namespace engine::table_detail

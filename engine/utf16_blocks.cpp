#include "engine/utf16_blocks.h"

#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#define QFX_UTF16_BLOCKS 1
#include <tmmintrin.h>
#endif

namespace engine::table_detail {

#if defined(QFX_UTF16_BLOCKS)

namespace {

// For four units, each 1, 2 or 3 UTF-8 bytes long and laid out in a four-byte lane, the shuffle
// that packs their bytes together and how many there are; indexed by which units are ASCII (low
// four bits) and which are below 0x800 (high four bits).
struct Packing {
    alignas(16) std::array<unsigned char, 16> shuffle;
    unsigned char length;
};

constexpr std::array<Packing, 256> makePackings() {
    std::array<Packing, 256> packings{};
    for (int index = 0; index < 256; ++index) {
        Packing& packing = packings[static_cast<std::size_t>(index)];
        packing.shuffle.fill(0x80); // pshufb writes a zero for these
        int length = 0;
        for (int unit = 0; unit < 4; ++unit) {
            const int bytes = (index >> unit & 1) ? 1 : (index >> (unit + 4) & 1) ? 2 : 3;
            for (int byte = 0; byte < bytes; ++byte)
                packing.shuffle[static_cast<std::size_t>(length++)] =
                    static_cast<unsigned char>(4 * unit + byte);
        }
        packing.length = static_cast<unsigned char>(length);
    }
    return packings;
}

alignas(64) constexpr std::array<Packing, 256> packings = makePackings();

template <bool bigEndian>
__attribute__((target("ssse3"))) void moveBlocks(const unsigned char*& in, const unsigned char* end,
                                                 char*& out, const char* outEnd,
                                                 std::uint16_t slowFirst, std::uint16_t slowLast) {
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i first = _mm_set1_epi16(static_cast<short>(slowFirst));
    // unit - slowFirst > slowLast - slowFirst unsigned, as a signed comparison with the top bits
    // flipped: the unit is outside the slow range.
    const __m128i span = _mm_set1_epi16(static_cast<short>((slowLast - slowFirst) ^ 0x8000));
    const __m128i swap = _mm_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
    const __m128i zero = _mm_setzero_si128();
    const __m128i low6 = _mm_set1_epi16(0x3F);
    while (end - in >= 16 && outEnd - out >= 32) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        if constexpr (bigEndian)
            units = _mm_shuffle_epi8(units, swap);
        const __m128i offset = _mm_xor_si128(_mm_sub_epi16(units, first), flip);
        if (_mm_movemask_epi8(_mm_cmpgt_epi16(offset, span)) != 0xFFFF)
            return;
        const __m128i ascii =
            _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80))), zero);
        const __m128i small =
            _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xF800))), zero);
        // Each unit's first two bytes (first byte low) and its third, for every length.
        const __m128i last = _mm_or_si128(_mm_and_si128(units, low6), _mm_set1_epi16(0x80));
        const __m128i middle =
            _mm_or_si128(_mm_and_si128(_mm_srli_epi16(units, 6), low6), _mm_set1_epi16(0x80));
        const __m128i three =
            _mm_or_si128(_mm_or_si128(_mm_srli_epi16(units, 12), _mm_set1_epi16(0xE0)),
                         _mm_slli_epi16(middle, 8));
        const __m128i two = _mm_or_si128(
            _mm_or_si128(_mm_srli_epi16(units, 6), _mm_set1_epi16(0xC0)), _mm_slli_epi16(last, 8));
        const __m128i leading =
            _mm_or_si128(_mm_and_si128(ascii, units),
                         _mm_andnot_si128(ascii, _mm_or_si128(_mm_and_si128(small, two),
                                                              _mm_andnot_si128(small, three))));
        const __m128i third = _mm_andnot_si128(small, last);
        const int asciiBits = _mm_movemask_epi8(_mm_packs_epi16(ascii, zero));
        const int smallBits = _mm_movemask_epi8(_mm_packs_epi16(small, zero));
        const Packing& low =
            packings[static_cast<std::size_t>((asciiBits & 15) | (smallBits & 15) << 4)];
        const Packing& high =
            packings[static_cast<std::size_t>((asciiBits >> 4) | (smallBits >> 4) << 4)];
        const __m128i lowLanes = _mm_unpacklo_epi16(leading, third);
        const __m128i highLanes = _mm_unpackhi_epi16(leading, third);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_shuffle_epi8(lowLanes, _mm_load_si128(reinterpret_cast<const __m128i*>(
                                                        low.shuffle.data()))));
        out += low.length;
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out),
            _mm_shuffle_epi8(
                highLanes, _mm_load_si128(reinterpret_cast<const __m128i*>(high.shuffle.data()))));
        out += high.length;
        in += 16;
    }
}

} // namespace

template <bool bigEndian>
void moveUtf16BlocksToUtf8(const unsigned char*& in, const unsigned char* end, char*& out,
                           const char* outEnd, std::uint16_t slowFirst, std::uint16_t slowLast) {
    static const bool processorHasSsse3 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    if (processorHasSsse3)
        moveBlocks<bigEndian>(in, end, out, outEnd, slowFirst, slowLast);
}

#else

template <bool bigEndian>
void moveUtf16BlocksToUtf8(const unsigned char*&, const unsigned char*, char*&, const char*,
                           std::uint16_t, std::uint16_t) {}

#endif

template void moveUtf16BlocksToUtf8<false>(const unsigned char*&, const unsigned char*, char*&,
                                           const char*, std::uint16_t, std::uint16_t);
template void moveUtf16BlocksToUtf8<true>(const unsigned char*&, const unsigned char*, char*&,
                                          const char*, std::uint16_t, std::uint16_t);

} // namespace engine::table_detail

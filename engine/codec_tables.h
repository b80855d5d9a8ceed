// The tables of the multi-byte sets (GB18030, Big5, Big5-HKSCS) as iconv converts them, read out
// of iconv once per process, with GB18030's four-byte codes computed by rule. The decoders and
// encoders of the table conversions look characters up here.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace engine::table_detail {

enum class Codec { Utf8, Utf16LE, Utf16BE, Gb18030, Big5, Big5Hkscs };

// The codec of a set's name as iconv takes it (any case), or nothing for a set the tables lack.
std::optional<Codec> codecNamed(std::string_view name);

inline bool isMultiByte(Codec codec) {
    return codec == Codec::Gb18030 || codec == Codec::Big5 || codec == Codec::Big5Hkscs;
}

using Byte = unsigned char;

inline constexpr std::uint32_t none = 0xFFFFFFFF;
// An encoder entry for a character iconv drops without a trace (the tag characters, in the
// sets that lack them).
inline constexpr std::uint32_t dropped = 0xFFFFFFFE;
// A pair entry with this bit stands for two code points: the rest indexes `composed`.
inline constexpr std::uint32_t twoCodePoints = 0x80000000;

// GB18030's four-byte codes in order: index = ((b1-81)*10 + b2-30)*1260 + (b3-81)*10 + b4-30.
// Below bmpFourByteCount they spell the BMP characters the shorter codes leave out, in ranges;
// from supplementaryStart on they spell U+10000 onwards, one after the other.
inline constexpr std::uint32_t bmpFourByteCount = 39420;
inline constexpr std::uint32_t supplementaryStart = 189000;

inline std::uint32_t fourByteCode(std::uint32_t index) {
    const std::uint32_t b4 = 0x30 + index % 10;
    index /= 10;
    const std::uint32_t b3 = 0x81 + index % 126;
    index /= 126;
    const std::uint32_t b2 = 0x30 + index % 10;
    const std::uint32_t b1 = 0x81 + index / 10;
    return b1 << 24 | b2 << 16 | b3 << 8 | b4;
}

// One multi-byte character set both ways, as iconv converts it.
class MultiByteTable {
public:
    explicit MultiByteTable(Codec codec);

    bool usable() const { return ready; }
    // Whether bytes below 0x80 are themselves both ways, so ASCII can be copied.
    bool asciiIsItself() const { return asciiSame; }

    const std::array<char32_t, 2>& composition(std::uint32_t entry) const {
        return composed[entry & ~twoCodePoints];
    }
    bool hasFourByteCodes() const { return gb18030; }
    // The code point of four-byte code number `index`, or none.
    std::uint32_t fourByte(std::uint32_t index) const {
        if (index >= supplementaryStart && index < supplementaryStart + 0x100000)
            return 0x10000 + index - supplementaryStart;
        if (index >= bmpFourByteCount)
            return none;
        auto range = std::upper_bound(ranges.begin(), ranges.end(), index,
                                      [](std::uint32_t i, const Range& r) { return i < r.index; });
        if (range == ranges.begin())
            return none;
        --range;
        return index - range->index < range->count ? range->cp + (index - range->index) : none;
    }

    const std::uint32_t* singleEntries() const { return singles.data(); }
    // Indexed by (lead - 0x80) << 8 | trail.
    const std::uint32_t* pairEntries() const { return pairs.data(); }
    const std::uint32_t* bmpEntries() const { return bmp.data(); }
    // Like pairEntries: UTF-8 bytes and length as the constructor packs them, or 0 for the
    // general way.
    const std::uint32_t* utf8PairEntries() const { return utf8Pairs.data(); }
    bool composes() const { return !compositions.empty(); }

    // The code of a code point, its bytes high first (one, two or four of them), or none.
    std::uint32_t encode(char32_t cp) const {
        if (cp < 0x10000)
            return bmp[cp];
        auto found = std::lower_bound(
            supplementary.begin(), supplementary.end(), cp,
            [](const std::pair<char32_t, std::uint32_t>& e, char32_t c) { return e.first < c; });
        if (found != supplementary.end() && found->first == cp)
            return found->second;
        if (gb18030)
            return cp < 0x110000 ? fourByteCode(cp - 0x10000 + supplementaryStart) : none;
        return none;
    }
    // The one code point `code` (as encode gives it) reads as, or none.
    std::uint32_t decodeCode(std::uint32_t code) const {
        if (code >= 0x1000000) {
            const Byte b[4] = {static_cast<Byte>(code >> 24), static_cast<Byte>(code >> 16),
                               static_cast<Byte>(code >> 8), static_cast<Byte>(code)};
            if (!gb18030 || b[0] < 0x81 || b[1] < 0x30 || b[1] > 0x39 || b[2] < 0x81 ||
                b[3] < 0x30 || b[3] > 0x39)
                return none;
            return fourByte(((b[0] - 0x81u) * 10 + (b[1] - 0x30u)) * 1260 + (b[2] - 0x81u) * 10 +
                            (b[3] - 0x30u));
        }
        if (code >= 0x100) {
            if (code >> 8 < 0x80 || code >> 8 > 0xFF)
                return none;
            const std::uint32_t entry = pairs[((code >> 8) - 0x80u) << 8 | (code & 0xFF)];
            return entry & twoCodePoints ? none : entry;
        }
        return singles[code];
    }
    // Whether a code point goes into this set and back as itself, written at once (not held to
    // combine with the next one).
    bool keeps(char32_t cp) const {
        if (composes() && mayCompose(cp))
            return false;
        const std::uint32_t code = encode(cp);
        return code != none && code != dropped && decodeCode(code) == cp;
    }
    // Whether a code point may combine with the next one into one code.
    bool mayCompose(char32_t cp) const {
        return std::any_of(compositions.begin(), compositions.end(),
                           [cp](const Composition& c) { return c.first == cp; });
    }
    std::uint32_t composedCode(char32_t first, char32_t second) const {
        for (const Composition& c : compositions)
            if (c.first == first && c.second == second)
                return c.code;
        return none;
    }

private:
    struct Range {
        std::uint32_t index;
        std::uint32_t cp;
        std::uint32_t count;
    };
    struct Composition {
        char32_t first;
        char32_t second;
        std::uint32_t code;
    };

    void readDecoding(const char* name);
    void readEncoding(const char* name, const std::vector<char32_t>& candidates);

    bool ready = false;
    bool asciiSame = true;
    bool gb18030;
    std::array<std::uint32_t, 256> singles{};
    std::vector<std::uint32_t> pairs;
    std::vector<std::uint32_t> utf8Pairs;
    std::vector<std::array<char32_t, 2>> composed;
    std::vector<Range> ranges;
    std::vector<std::uint32_t> bmp;
    std::vector<std::pair<char32_t, std::uint32_t>> supplementary;
    std::vector<Composition> compositions;
};

// The table of a multi-byte codec, built on first use and shared by every thread after; for any
// other codec, GB18030's.
const MultiByteTable& tableOf(Codec codec);

} // namespace engine::table_detail

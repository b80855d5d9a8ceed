// The decoders and encoders of the table conversions, one character at a time, in a header so
// that each conversion loop inlines them: a decoder reads one character into code points, an
// encoder writes code points and may hold one back to combine with the next.
#pragma once

#include <array>
#include <cstdint>

#include "engine/codec_tables.h"

namespace engine::table_detail {

// ---- Decoders: one character from `in` into code points; false on invalid or cut input.

struct Utf8Decoder {
    static constexpr int unit = 1;
    [[gnu::always_inline]] bool next(const Byte*& in, const Byte* end, char32_t* cps,
                                     int& count) const {
        const Byte b = in[0];
        count = 1;
        if (b < 0x80) {
            cps[0] = b;
            ++in;
            return true;
        }
        int length;
        char32_t cp;
        char32_t least;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, cp = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, cp = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, cp = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - in < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((in[i] & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (in[i] & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        cps[0] = cp;
        in += length;
        return true;
    }
};

template <bool bigEndian> struct Utf16Decoder {
    static constexpr int unit = 2;
    static char32_t unitAt(const Byte* at) {
        return bigEndian ? static_cast<char32_t>(at[0] << 8 | at[1])
                         : static_cast<char32_t>(at[1] << 8 | at[0]);
    }
    [[gnu::always_inline]] bool next(const Byte*& in, const Byte* end, char32_t* cps,
                                     int& count) const {
        if (end - in < 2)
            return false;
        const char32_t first = unitAt(in);
        count = 1;
        if (first < 0xD800 || first > 0xDFFF) {
            cps[0] = first;
            in += 2;
            return true;
        }
        if (first > 0xDBFF || end - in < 4)
            return false;
        const char32_t second = unitAt(in + 2);
        if (second < 0xDC00 || second > 0xDFFF)
            return false;
        cps[0] = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
        in += 4;
        return true;
    }
};

struct MultiByteDecoder {
    static constexpr int unit = 1;
    // Copied out of the table, so that the loop keeps them in registers: stores through the
    // output's char pointer would otherwise make the compiler fetch them again for every byte.
    const std::uint32_t* singles;
    const std::uint32_t* pairs;
    const std::uint32_t* utf8Pairs;
    bool fourByteCodes;
    const MultiByteTable* table;

    explicit MultiByteDecoder(const MultiByteTable& from)
        : singles(from.singleEntries()), pairs(from.pairEntries()),
          utf8Pairs(from.utf8PairEntries()), fourByteCodes(from.hasFourByteCodes()), table(&from) {}

    [[gnu::always_inline]] bool next(const Byte*& in, const Byte* end, char32_t* cps,
                                     int& count) const {
        const Byte b = in[0];
        count = 1;
        if (const std::uint32_t alone = singles[b]; alone != none) {
            cps[0] = alone;
            ++in;
            return true;
        }
        if (end - in < 2 || b < 0x80)
            return false;
        const Byte trail = in[1];
        if (fourByteCodes && trail >= 0x30 && trail <= 0x39)
            return nextFourByte(in, end, cps);
        const std::uint32_t entry = pairs[(b - 0x80u) << 8 | trail];
        if (entry == none)
            return false;
        if (entry & twoCodePoints) {
            const std::array<char32_t, 2>& both = table->composition(entry);
            cps[0] = both[0];
            cps[1] = both[1];
            count = 2;
        } else {
            cps[0] = entry;
        }
        in += 2;
        return true;
    }
    // Rare in text: kept out of the loop.
    [[gnu::noinline]] bool nextFourByte(const Byte*& in, const Byte* end, char32_t* cps) const {
        const Byte b = in[0];
        if (end - in < 4 || b < 0x81 || b > 0xFE || in[2] < 0x81 || in[2] > 0xFE || in[3] < 0x30 ||
            in[3] > 0x39)
            return false;
        const std::uint32_t index =
            ((b - 0x81u) * 10 + (in[1] - 0x30u)) * 1260 + (in[2] - 0x81u) * 10 + (in[3] - 0x30u);
        const std::uint32_t cp = table->fourByte(index);
        if (cp == none)
            return false;
        cps[0] = cp;
        in += 4;
        return true;
    }
};

// ---- Encoders: code points into `out`; false when the target has no code for one.

struct Utf8Encoder {
    static constexpr int unit = 1;
    [[gnu::always_inline]] bool put(char32_t cp, char*& out) {
        if (cp < 0x80) {
            *out++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out++ = static_cast<char>(0xC0 | cp >> 6);
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out++ = static_cast<char>(0xE0 | cp >> 12);
            *out++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | cp >> 18);
            *out++ = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
        return true;
    }
    bool flush(char*&) { return true; }
    bool holds() const { return false; }
};

template <bool bigEndian> struct Utf16Encoder {
    static constexpr int unit = 2;
    static void putUnit(char32_t u, char*& out) {
        out[bigEndian ? 0 : 1] = static_cast<char>(u >> 8);
        out[bigEndian ? 1 : 0] = static_cast<char>(u & 0xFF);
        out += 2;
    }
    [[gnu::always_inline]] bool put(char32_t cp, char*& out) {
        if (cp < 0x10000) {
            putUnit(cp, out);
        } else {
            putUnit(0xD800 + ((cp - 0x10000) >> 10), out);
            putUnit(0xDC00 + ((cp - 0x10000) & 0x3FF), out);
        }
        return true;
    }
    bool flush(char*&) { return true; }
    bool holds() const { return false; }
};

// Holds back a character that may combine with the next one, as iconv does, and writes it
// alone when the next does not combine or the text ends.
struct MultiByteEncoder {
    static constexpr int unit = 1;
    const std::uint32_t* bmp; // copied out of the table, as in MultiByteDecoder
    bool composing;
    const MultiByteTable* table;
    char32_t pending = 0;
    bool holding = false;

    explicit MultiByteEncoder(const MultiByteTable& to)
        : bmp(to.bmpEntries()), composing(to.composes()), table(&to) {}

    static void putCode(std::uint32_t code, char*& out) {
        if (code == dropped)
            return;
        if (code >= 0x1000000) {
            out[0] = static_cast<char>(code >> 24);
            out[1] = static_cast<char>(code >> 16);
            out[2] = static_cast<char>(code >> 8);
            out[3] = static_cast<char>(code);
            out += 4;
        } else if (code >= 0x100) {
            out[0] = static_cast<char>(code >> 8);
            out[1] = static_cast<char>(code);
            out += 2;
        } else {
            *out++ = static_cast<char>(code);
        }
    }
    [[gnu::always_inline]] bool put(char32_t cp, char*& out) {
        if (composing)
            return putComposing(cp, out);
        const std::uint32_t code = cp < 0x10000 ? bmp[cp] : table->encode(cp);
        if (code == none)
            return false;
        putCode(code, out);
        return true;
    }
    [[gnu::noinline]] bool putComposing(char32_t cp, char*& out) {
        if (holding) {
            holding = false;
            if (const std::uint32_t code = table->composedCode(pending, cp); code != none) {
                putCode(code, out);
                return true;
            }
            putCode(table->encode(pending), out);
        }
        const std::uint32_t code = table->encode(cp);
        if (code == none)
            return false;
        if (table->mayCompose(cp)) {
            pending = cp;
            holding = true;
            return true;
        }
        putCode(code, out);
        return true;
    }
    // Whether a character waits to be written: nothing may go out before it.
    bool holds() const { return holding; }
    bool flush(char*& out) {
        if (holding) {
            holding = false;
            putCode(table->encode(pending), out);
        }
        return true;
    }
};

} // namespace engine::table_detail

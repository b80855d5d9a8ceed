// The table conversions themselves: one loop per pair of decoder and encoder, with shortcuts for
// the commonest characters of the busiest pairs, and the choice of loop by the sets' names.
#include "engine/table_codecs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>

#include "engine/ascii_runs.h"
#include "engine/codec_steps.h"
#include "engine/codec_tables.h"
#include "engine/utf16_blocks.h"

namespace engine {

using namespace table_detail;

namespace {

template <class Decoder> constexpr bool bigEndianSource = false;
template <> constexpr bool bigEndianSource<Utf16Decoder<true>> = true;
template <class Encoder> constexpr bool bigEndianTarget = false;
template <> constexpr bool bigEndianTarget<Utf16Encoder<true>> = true;

// The characters the internal GB18030 text keeps as they are (MultiByteTable::keeps), the BMP
// ones looked up, the rest asked of the table.
class InternalKeeps {
public:
    explicit InternalKeeps(const MultiByteTable& internal) : table(&internal) {
        for (char32_t cp = 0; cp < 0x10000; ++cp)
            if (internal.keeps(cp))
                bmp[cp >> 6] |= std::uint64_t{1} << (cp & 63);
        asciiKept =
            internal.asciiIsItself() && bmp[0] == ~std::uint64_t{0} && bmp[1] == ~std::uint64_t{0};
        // The units that are surrogates or not kept lie within [slowFirst, slowLast]: only a
        // few private-use ones above the surrogates are not kept.
        for (char32_t cp = 0; cp < 0x10000; ++cp) {
            if ((cp >= 0xD800 && cp <= 0xDFFF) || contains(cp))
                continue;
            slowFirst = std::min(slowFirst, static_cast<std::uint16_t>(cp));
            slowLast = std::max(slowLast, static_cast<std::uint16_t>(cp));
        }
    }
    bool contains(char32_t cp) const {
        return cp < 0x10000 ? (bmp[cp >> 6] >> (cp & 63) & 1) != 0 : table->keeps(cp);
    }
    bool keepsAscii() const { return asciiKept; }
    std::uint16_t slowFirst = 0xD800;
    std::uint16_t slowLast = 0xDFFF;

private:
    std::array<std::uint64_t, 0x10000 / 64> bmp{};
    const MultiByteTable* table;
    bool asciiKept = false;
};

// An encoder that takes only characters the internal text keeps: a conversion straight from one
// set to another through it gives what the way through the internal text gives, character for
// character, and stops where that way could give something else.
template <class Encoder> struct ThroughInternal {
    static constexpr int unit = Encoder::unit;
    Encoder target;
    const InternalKeeps* keeps;
    [[gnu::always_inline]] bool put(char32_t cp, char*& out) {
        return keeps->contains(cp) && target.put(cp, out);
    }
    bool flush(char*& out) { return target.flush(out); }
    bool holds() const { return target.holds(); }
};
template <class Encoder>
constexpr bool bigEndianTarget<ThroughInternal<Encoder>> = bigEndianTarget<Encoder>;

template <class Decoder> bool startsAscii(const Byte* in, const Byte* end) {
    if constexpr (Decoder::unit == 2)
        return end - in >= 2 && Decoder::unitAt(in) < 0x80;
    else
        return *in < 0x80;
}

// The index of the two-byte code at `in` (its lead byte 80 or above) in a decoder's tables.
[[gnu::always_inline]] inline std::uint32_t pairIndex(const Byte* in) {
    return (in[0] - 0x80u) << 8 | in[1];
}

// Writes the encoder's code for `cp` (in the BMP) when that code is two bytes; false otherwise.
template <class Encoder>
[[gnu::always_inline]] inline bool putTwoByteCode(const Encoder& encoder, char32_t cp, char*& out) {
    const std::uint32_t code = encoder.bmp[cp];
    if (code < 0x100 || code > 0xFFFF)
        return false;
    out[0] = static_cast<char>(code >> 8);
    out[1] = static_cast<char>(code);
    out += 2;
    return true;
}

// Writes a decoder's packed UTF-8 entry: up to three bytes, their count in the last byte.
[[gnu::always_inline]] inline void putPackedUtf8(std::uint32_t entry, char*& out) {
    std::memcpy(out, &entry, 4);
    out += std::endian::native == std::endian::little ? entry >> 24 : entry & 0xFF;
}

// Shortcuts for the commonest characters of the busiest pairs, taken before the general way;
// false leaves the character to it.
template <class Decoder, class Encoder>
[[gnu::always_inline]] inline bool fastStep(const Decoder& decoder, const Encoder& encoder,
                                            const Byte*& in, const Byte* end, char*& out,
                                            const char* outEnd) {
    constexpr bool throughInternal = std::is_same_v<Encoder, ThroughInternal<Utf8Encoder>>;
    if constexpr (std::is_same_v<Decoder, MultiByteDecoder> &&
                  (std::is_same_v<Encoder, Utf8Encoder> || throughInternal)) {
        // A stretch of two-byte codes (that the internal text keeps, on the way through it)
        // straight to their UTF-8 bytes, at most 16 of them, so that the step stays within its
        // room.
        const Byte* at = in;
        for (int i = 0; i < 16 && end - at >= 2 && at[0] >= 0x80; ++i) {
            const std::uint32_t index = pairIndex(at);
            const std::uint32_t entry = decoder.utf8Pairs[index];
            if (entry == 0)
                break;
            if constexpr (throughInternal)
                if (!encoder.keeps->contains(decoder.pairs[index]))
                    break;
            putPackedUtf8(entry, out);
            at += 2;
        }
        const bool moved = at != in;
        in = at;
        return moved;
    } else if constexpr (std::is_same_v<Decoder, Utf8Decoder> &&
                         std::is_same_v<Encoder, MultiByteEncoder>) {
        // A stretch of three-byte UTF-8 characters (all of CJK) to two-byte codes, at most 16
        // of them, so that the step stays within its room.
        if (encoder.composing)
            return false;
        const Byte* at = in;
        for (int i = 0; i < 16 && end - at >= 3; ++i) {
            const Byte b = at[0];
            if ((b & 0xF0) != 0xE0 || (at[1] & 0xC0) != 0x80 || (at[2] & 0xC0) != 0x80)
                break;
            const char32_t cp = (b & 0x0Fu) << 12 | (at[1] & 0x3Fu) << 6 | (at[2] & 0x3Fu);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || !putTwoByteCode(encoder, cp, out))
                break;
            at += 3;
        }
        const bool moved = at != in;
        in = at;
        return moved;
    } else if constexpr (std::is_same_v<Decoder, MultiByteDecoder> &&
                         std::is_same_v<Encoder, MultiByteEncoder>) {
        // A two-byte code of one set to a two-byte code of the other.
        const Byte b = in[0];
        if (b < 0x80 || end - in < 2 || encoder.composing)
            return false;
        const std::uint32_t cp = decoder.pairs[pairIndex(in)];
        if (cp > 0xFFFF || !putTwoByteCode(encoder, cp, out))
            return false;
        in += 2;
        return true;
    } else if constexpr (Decoder::unit == 2 && std::is_same_v<Encoder, MultiByteEncoder>) {
        // A UTF-16 unit outside the surrogates to a two-byte code.
        if (end - in < 2 || encoder.composing)
            return false;
        const char32_t unit = Decoder::unitAt(in);
        if ((unit >= 0xD800 && unit <= 0xDFFF) || !putTwoByteCode(encoder, unit, out))
            return false;
        in += 2;
        return true;
    } else if constexpr (std::is_same_v<Decoder, MultiByteDecoder> &&
                         (std::is_same_v<Encoder, Utf16Encoder<false>> ||
                          std::is_same_v<Encoder, Utf16Encoder<true>>)) {
        // A two-byte code to one UTF-16 unit.
        const Byte b = in[0];
        if (b < 0x80 || end - in < 2)
            return false;
        const std::uint32_t cp = decoder.pairs[pairIndex(in)];
        if (cp > 0xFFFF)
            return false;
        Encoder::putUnit(cp, out);
        in += 2;
        return true;
    } else if constexpr (Decoder::unit == 2 && throughInternal) {
        // Blocks of eight units the internal text keeps, as far as they go and the room allows;
        // then a stretch of units of three UTF-8 bytes each (all of CJK) it keeps, at most 16 of
        // them, so that the step stays within its room.
        const Byte* const start = in;
        const char* const blocksEnd = outEnd - 48; // the stretch's room
        moveUtf16BlocksToUtf8<bigEndianSource<Decoder>>(
            in, end, out, blocksEnd, encoder.keeps->slowFirst, encoder.keeps->slowLast);
        const Byte* const stop = in + 2 * std::min<std::ptrdiff_t>(16, (end - in) / 2);
        const Byte* at = in;
        for (; at < stop; at += 2) {
            const char32_t unit = Decoder::unitAt(at);
            if (unit < 0x800 || (unit >= 0xD800 && unit <= 0xDFFF) ||
                !encoder.keeps->contains(unit))
                break;
            out[0] = static_cast<char>(0xE0 | unit >> 12);
            out[1] = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
            out[2] = static_cast<char>(0x80 | (unit & 0x3F));
            out += 3;
        }
        in = at;
        return in != start;
    } else {
        (void)decoder, (void)encoder, (void)in, (void)end, (void)out, (void)outEnd;
        return false;
    }
}

// No step writes more than this: a held character and a composed code, or two UTF-8
// characters, or an ASCII block widened to UTF-16.
constexpr std::size_t stepRoom = 64;
constexpr std::size_t preferredRoom = std::size_t{1} << 16;

template <class Decoder, class Encoder>
ConversionStatus convertWith(std::string_view data, const Decoder decoder, Encoder encoder,
                             bool asciiFast, ByteSink& sink, std::uint64_t limit) {
    const Byte* in = reinterpret_cast<const Byte*>(data.data());
    const Byte* const end = in + data.size();
    std::uint64_t produced = 0;
    bool flushed = false;
    for (;;) {
        const std::span<char> space =
            sink.room(std::min(preferredRoom, stepRoom + 4 * data.size()));
        char* out = space.data();
        char* const outEnd = space.data() + space.size();
        bool valid = true;
        while (in < end && outEnd - out >= static_cast<std::ptrdiff_t>(stepRoom)) {
            if (asciiFast && !encoder.holds() && startsAscii<Decoder>(in, end)) {
                // Room is kept for the step after the last block and for the flush.
                const std::size_t moved = moveAscii<Decoder::unit, bigEndianSource<Decoder>,
                                                    Encoder::unit, bigEndianTarget<Encoder>>(
                    in, static_cast<std::size_t>(end - in), out,
                    static_cast<std::size_t>(outEnd - out) - 16);
                in += moved;
                if (moved > 0)
                    continue;
            }
            if (fastStep(decoder, encoder, in, end, out, outEnd))
                continue;
            char32_t cps[2];
            int count = 0;
            if (!decoder.next(in, end, cps, count)) {
                valid = false;
                break;
            }
            for (int i = 0; i < count && valid; ++i)
                valid = encoder.put(cps[i], out);
            if (!valid)
                break;
        }
        if (valid && in == end && !flushed) {
            flushed = true;
            valid = encoder.flush(out);
        }
        const auto count = static_cast<std::size_t>(out - space.data());
        produced += count;
        if (produced > limit)
            return ConversionStatus::OutputTooLarge;
        if (count > 0 && !sink.wrote(count))
            return ConversionStatus::SinkFailed;
        if (!valid)
            return ConversionStatus::Invalid;
        if (flushed)
            return ConversionStatus::Ok;
    }
}

template <class Decoder>
ConversionStatus convertFrom(std::string_view data, const Decoder decoder, bool asciiSource,
                             Codec to, ByteSink& sink, std::uint64_t limit) {
    switch (to) {
    case Codec::Utf8:
        return convertWith(data, decoder, Utf8Encoder{}, asciiSource, sink, limit);
    case Codec::Utf16LE:
        return convertWith(data, decoder, Utf16Encoder<false>{}, asciiSource, sink, limit);
    case Codec::Utf16BE:
        return convertWith(data, decoder, Utf16Encoder<true>{}, asciiSource, sink, limit);
    default: {
        const MultiByteTable& table = tableOf(to);
        return convertWith(data, decoder, MultiByteEncoder(table),
                           asciiSource && table.asciiIsItself(), sink, limit);
    }
    }
}

template <class Decoder>
ConversionStatus convertStraightFrom(std::string_view data, const Decoder decoder, bool asciiSource,
                                     Codec to, ByteSink& sink, std::uint64_t limit) {
    static const InternalKeeps keeps(tableOf(Codec::Gb18030));
    const bool ascii = asciiSource && keeps.keepsAscii();
    switch (to) {
    case Codec::Utf8:
        return convertWith(data, decoder, ThroughInternal<Utf8Encoder>{{}, &keeps}, ascii, sink,
                           limit);
    case Codec::Utf16LE:
        return convertWith(data, decoder, ThroughInternal<Utf16Encoder<false>>{{}, &keeps}, ascii,
                           sink, limit);
    case Codec::Utf16BE:
        return convertWith(data, decoder, ThroughInternal<Utf16Encoder<true>>{{}, &keeps}, ascii,
                           sink, limit);
    default: {
        const MultiByteTable& table = tableOf(to);
        return convertWith(data, decoder,
                           ThroughInternal<MultiByteEncoder>{MultiByteEncoder(table), &keeps},
                           ascii && table.asciiIsItself(), sink, limit);
    }
    }
}

// The pairs the tables cover: the internal text and each other supported set, both ways.
std::optional<std::pair<Codec, Codec>> coveredPair(std::string_view from, std::string_view to) {
    const std::optional<Codec> source = codecNamed(from);
    const std::optional<Codec> target = codecNamed(to);
    if (!source || !target || *source == *target ||
        (*source != Codec::Gb18030 && *target != Codec::Gb18030))
        return std::nullopt;
    if ((isMultiByte(*source) && !tableOf(*source).usable()) ||
        (isMultiByte(*target) && !tableOf(*target).usable()))
        return std::nullopt;
    return std::pair(*source, *target);
}

} // namespace

bool tableCodecCovers(std::string_view from, std::string_view to) {
    return coveredPair(from, to).has_value();
}

std::optional<ConversionStatus> convertByTable(std::string_view data, std::string_view from,
                                               std::string_view to, ByteSink& sink,
                                               std::uint64_t limit) {
    const std::optional<std::pair<Codec, Codec>> pair = coveredPair(from, to);
    if (!pair)
        return std::nullopt;
    if (data.empty())
        return ConversionStatus::Ok;
    const auto [source, target] = *pair;
    switch (source) {
    case Codec::Utf8:
        return convertFrom(data, Utf8Decoder{}, true, target, sink, limit);
    case Codec::Utf16LE:
        return convertFrom(data, Utf16Decoder<false>{}, true, target, sink, limit);
    case Codec::Utf16BE:
        return convertFrom(data, Utf16Decoder<true>{}, true, target, sink, limit);
    default: {
        const MultiByteTable& table = tableOf(source);
        return convertFrom(data, MultiByteDecoder(table), table.asciiIsItself(), target, sink,
                           limit);
    }
    }
}

std::optional<ConversionStatus> convertStraight(std::string_view data, std::string_view from,
                                                std::string_view to, ByteSink& sink,
                                                std::uint64_t limit) {
    const std::optional<Codec> source = codecNamed(from);
    const std::optional<Codec> target = codecNamed(to);
    if (!source || !target || *source == Codec::Gb18030 || *target == Codec::Gb18030 ||
        !coveredPair(from, "GB18030") || !coveredPair("GB18030", to))
        return std::nullopt;
    if (data.empty())
        return ConversionStatus::Ok;
    switch (*source) {
    case Codec::Utf8:
        return convertStraightFrom(data, Utf8Decoder{}, true, *target, sink, limit);
    case Codec::Utf16LE:
        return convertStraightFrom(data, Utf16Decoder<false>{}, true, *target, sink, limit);
    case Codec::Utf16BE:
        return convertStraightFrom(data, Utf16Decoder<true>{}, true, *target, sink, limit);
    default: {
        const MultiByteTable& table = tableOf(*source);
        return convertStraightFrom(data, MultiByteDecoder(table), table.asciiIsItself(), *target,
                                   sink, limit);
    }
    }
}

} // namespace engine

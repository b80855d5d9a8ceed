#include "engine/table_codecs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/iconv_handle.h"

namespace engine {

namespace {

enum class Codec { Utf8, Utf16LE, Utf16BE, Gb18030, Big5, Big5Hkscs };

struct CodecName {
    std::string_view name;
    Codec codec;
};

constexpr std::array<CodecName, 6> codecNames{{
    {"UTF-8", Codec::Utf8},
    {"UTF-16LE", Codec::Utf16LE},
    {"UTF-16BE", Codec::Utf16BE},
    {"GB18030", Codec::Gb18030},
    {"BIG5", Codec::Big5},
    {"BIG5-HKSCS", Codec::Big5Hkscs},
}};

std::optional<Codec> codecNamed(std::string_view name) {
    for (const CodecName& row : codecNames)
        if (std::equal(name.begin(), name.end(), row.name.begin(), row.name.end(),
                       [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; }))
            return row.codec;
    return std::nullopt;
}

bool isMultiByte(Codec codec) {
    return codec == Codec::Gb18030 || codec == Codec::Big5 || codec == Codec::Big5Hkscs;
}

using Byte = unsigned char;

constexpr std::uint32_t none = 0xFFFFFFFF;
// An encoder entry for a character iconv drops without a trace (the tag characters, in the
// sets that lack them).
constexpr std::uint32_t dropped = 0xFFFFFFFE;

// Characters beyond the BMP that iconv writes otherwise than by rule: the tag characters, and
// the six that GB18030 writes in two bytes (its four-byte rule would give others).
constexpr char32_t oneWaySupplementary[] = {0x20087, 0x20089, 0x200CC, 0x215D7, 0x2298F, 0x241FE};
constexpr char32_t firstTag = 0xE0000;
constexpr char32_t lastTag = 0xE007F;
// A pair entry with this bit stands for two code points: the rest indexes `composed`.
constexpr std::uint32_t twoCodePoints = 0x80000000;

// GB18030's four-byte codes in order: index = ((b1-81)*10 + b2-30)*1260 + (b3-81)*10 + b4-30.
// Below bmpFourByteCount they spell the BMP characters the shorter codes leave out, in ranges;
// from supplementaryStart on they spell U+10000 onwards, one after the other.
constexpr std::uint32_t bmpFourByteCount = 39420;
constexpr std::uint32_t supplementaryStart = 189000;

std::uint32_t fourByteCode(std::uint32_t index) {
    const std::uint32_t b4 = 0x30 + index % 10;
    index /= 10;
    const std::uint32_t b3 = 0x81 + index % 126;
    index /= 126;
    const std::uint32_t b2 = 0x30 + index % 10;
    const std::uint32_t b1 = 0x81 + index / 10;
    return b1 << 24 | b2 << 16 | b3 << 8 | b4;
}

std::string codeBytes(std::uint32_t code, int length) {
    std::string bytes;
    for (int i = length - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>(code >> (8 * i)));
    return bytes;
}

// Converts each item (a string in `from`) alone, all in one pass through iconv: each item is
// followed by a line feed, and the output between line feeds is its result. An item iconv
// rejects gives nothing. Line feeds take one unit of `unit` bytes in `to`, the last of them
// 0x0A, which no multi-byte code of the supported sets contains.
std::vector<std::optional<std::string>> convertEach(const char* to, const char* from,
                                                    const std::vector<std::string>& items,
                                                    std::string_view lineFeed, std::size_t unit,
                                                    bool& ok) {
    std::vector<std::optional<std::string>> results(items.size());
    const platform::IconvHandle handle(to, from);
    ok = handle.valid();
    if (!ok || items.empty())
        return results;
    std::string input;
    std::vector<std::size_t> starts;
    for (const std::string& item : items) {
        starts.push_back(input.size());
        input += item;
        input += lineFeed;
    }
    starts.push_back(input.size());
    // A line feed in UTF-32 is four bytes, and no item gives more than four per input byte.
    std::string output(input.size() * 4 + 64, '\0');
    std::size_t produced = 0;
    std::size_t parsedTo = 0; // output bytes already handed out
    std::size_t nextItem = 0; // the item the output from parsedTo belongs to
    // Hands out the output up to `limit`, item by item, skipping the items that failed.
    auto parse = [&](std::size_t limit, const std::vector<bool>& failed) {
        std::size_t itemStart = parsedTo;
        for (std::size_t at = parsedTo; at + unit <= limit; at += unit) {
            if (output[at + unit - 1] != '\x0A' ||
                std::any_of(output.begin() + static_cast<std::ptrdiff_t>(at),
                            output.begin() + static_cast<std::ptrdiff_t>(at + unit - 1),
                            [](char c) { return c != 0; }))
                continue;
            while (nextItem < items.size() && failed[nextItem])
                ++nextItem;
            if (nextItem < items.size())
                results[nextItem++] = output.substr(itemStart, at - itemStart);
            itemStart = at + unit;
        }
        parsedTo = itemStart;
    };
    std::vector<bool> failed(items.size(), false);
    std::size_t position = 0;
    while (position < input.size()) {
        char* in = input.data() + position;
        std::size_t inLeft = input.size() - position;
        char* out = output.data() + produced;
        std::size_t outLeft = output.size() - produced;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &out, &outLeft);
        produced = static_cast<std::size_t>(out - output.data());
        position = static_cast<std::size_t>(in - input.data());
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL) {
            ok = false;
            return results;
        }
        const auto item = static_cast<std::size_t>(
            std::upper_bound(starts.begin(), starts.end(), position) - starts.begin() - 1);
        failed[item] = true;
        parse(produced, failed);
        produced = parsedTo; // what the failed item gave before iconv stopped
        position = starts[item + 1];
        handle.resetState();
    }
    char* out = output.data() + produced;
    std::size_t outLeft = output.size() - produced;
    iconv(handle.get(), nullptr, nullptr, &out, &outLeft);
    parse(static_cast<std::size_t>(out - output.data()), failed);
    return results;
}

std::string utf32(char32_t cp) {
    return {static_cast<char>(cp >> 24), static_cast<char>(cp >> 16), static_cast<char>(cp >> 8),
            static_cast<char>(cp)};
}

// The code points of UTF-32BE bytes.
std::vector<char32_t> codePoints(std::string_view bytes) {
    std::vector<char32_t> result;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4)
        result.push_back(static_cast<char32_t>(static_cast<unsigned char>(bytes[at]) << 24 |
                                               static_cast<unsigned char>(bytes[at + 1]) << 16 |
                                               static_cast<unsigned char>(bytes[at + 2]) << 8 |
                                               static_cast<unsigned char>(bytes[at + 3])));
    return result;
}

// The code point of each item of `width` bytes laid end to end in `input`, read from `from` in
// one pass through iconv, or none for an item it rejects: the quick way for sets whose every
// code reads as one code point, where the n-th code point belongs to the n-th item accepted.
// Nothing when some item read otherwise (then convertEach tells the items apart).
std::optional<std::vector<std::uint32_t>> readEachAsOne(const char* from, std::string_view input,
                                                        std::size_t width) {
    const platform::IconvHandle handle("UTF-32BE", from);
    if (!handle.valid())
        return std::nullopt;
    const std::size_t count = input.size() / width;
    std::vector<std::uint32_t> result(count, none);
    std::vector<bool> rejected(count, false);
    std::string output(4 * count + 16, '\0');
    std::size_t position = 0;
    std::size_t produced = 0;
    while (position < input.size()) {
        char* in = const_cast<char*>(input.data()) + position;
        std::size_t inLeft = input.size() - position;
        char* out = output.data() + produced;
        std::size_t outLeft = output.size() - produced;
        const std::size_t rc = iconv(handle.get(), &in, &inLeft, &out, &outLeft);
        produced = static_cast<std::size_t>(out - output.data());
        position = static_cast<std::size_t>(in - input.data());
        if (rc != static_cast<std::size_t>(-1))
            break;
        if ((errno != EILSEQ && errno != EINVAL) || position % width != 0)
            return std::nullopt;
        rejected[position / width] = true;
        position += width;
        handle.resetState();
    }
    const std::vector<char32_t> cps = codePoints(std::string_view(output).substr(0, produced));
    std::size_t next = 0;
    for (std::size_t item = 0; item < count; ++item) {
        if (rejected[item])
            continue;
        if (next == cps.size())
            return std::nullopt;
        result[item] = cps[next++];
    }
    if (next != cps.size())
        return std::nullopt;
    return result;
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
    // Like pairEntries: UTF-8 bytes and length as built above, or 0 for the general way.
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

MultiByteTable::MultiByteTable(Codec codec)
    : gb18030(codec == Codec::Gb18030), pairs(128 * 256, none), bmp(0x10000, none) {
    const char* name = codec == Codec::Gb18030 ? "GB18030"
                       : codec == Codec::Big5  ? "BIG5"
                                               : "BIG5-HKSCS";
    ready = true;
    readDecoding(name);
    if (!ready)
        return;
    // The encoder is the decoder turned round where exactly one code reads as a character. iconv
    // is asked about the rest: characters that several codes read as, for GB18030 the BMP
    // characters no code reads as, and the characters beyond the BMP it writes otherwise than
    // by rule. (The comparison with iconv in the tests covers every character, so a character
    // iconv wrote otherwise than the turned-round decoder would show there.)
    std::vector<std::uint8_t> readers(0x10000, 0);
    std::vector<std::pair<char32_t, std::uint32_t>> beyond;
    auto reads = [&](char32_t cp, std::uint32_t code) {
        if (cp < 0x10000) {
            if (readers[cp] < 2 && ++readers[cp] == 1)
                bmp[cp] = code;
        } else {
            beyond.emplace_back(cp, code);
        }
    };
    for (unsigned byte = 0; byte < 0x100; ++byte)
        if (singles[byte] != none)
            reads(singles[byte], byte);
    for (std::size_t slot = 0; slot < pairs.size(); ++slot)
        if (pairs[slot] != none && !(pairs[slot] & twoCodePoints))
            reads(pairs[slot], static_cast<std::uint32_t>(0x8000 + slot));
    for (const Range& range : ranges)
        for (std::uint32_t i = 0; i < range.count; ++i)
            reads(range.cp + i, fourByteCode(range.index + i));
    std::vector<char32_t> candidates(std::begin(oneWaySupplementary),
                                     std::end(oneWaySupplementary));
    for (char32_t tag = firstTag; tag <= lastTag; ++tag)
        candidates.push_back(tag);
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
        const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
        if (readers[cp] > 1 || (gb18030 && readers[cp] == 0 && !surrogate)) {
            bmp[cp] = none;
            candidates.push_back(cp);
        }
    }
    // Beyond the BMP (Big5-HKSCS): a character read by one code only keeps it.
    std::sort(beyond.begin(), beyond.end());
    for (std::size_t i = 0; i < beyond.size(); ++i) {
        const bool alone = (i == 0 || beyond[i - 1].first != beyond[i].first) &&
                           (i + 1 == beyond.size() || beyond[i + 1].first != beyond[i].first);
        if (alone)
            supplementary.push_back(beyond[i]);
        else
            candidates.push_back(beyond[i].first);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::erase_if(supplementary, [&](const std::pair<char32_t, std::uint32_t>& entry) {
        return std::binary_search(candidates.begin(), candidates.end(), entry.first);
    });
    readEncoding(name, candidates);
    std::sort(supplementary.begin(), supplementary.end());
    for (unsigned byte = 0; byte < 0x80; ++byte)
        asciiSame = asciiSame && singles[byte] == byte && bmp[byte] == byte;
    // Each two-byte code of one BMP character with its UTF-8 bytes in memory order, the length
    // in the fourth byte: the commonest conversion then writes four bytes and moves on by the
    // length, without taking the code point apart.
    utf8Pairs.assign(pairs.size(), 0);
    for (std::size_t slot = 0; slot < pairs.size(); ++slot) {
        const std::uint32_t cp = pairs[slot];
        if (cp == none || cp < 0x80 || cp > 0xFFFF)
            continue;
        const std::array<unsigned char, 4> bytes =
            cp < 0x800
                ? std::array<unsigned char, 4>{static_cast<unsigned char>(0xC0 | cp >> 6),
                                               static_cast<unsigned char>(0x80 | (cp & 0x3F)), 0, 2}
                : std::array<unsigned char, 4>{static_cast<unsigned char>(0xE0 | cp >> 12),
                                               static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F)),
                                               static_cast<unsigned char>(0x80 | (cp & 0x3F)), 3};
        std::memcpy(&utf8Pairs[slot], bytes.data(), 4);
    }
}

void MultiByteTable::readDecoding(const char* name) {
    // ASCII alone, since a line feed cannot stand between line feeds.
    for (unsigned byte = 0; byte < 0x80; ++byte) {
        std::string result;
        const bool converted =
            platform::convertStrict("UTF-32BE", name, std::string(1, static_cast<char>(byte)),
                                    result) &&
            result.size() == 4;
        singles[byte] = converted ? codePoints(result)[0] : none;
    }
    std::vector<std::string> items;
    for (unsigned byte = 0x80; byte < 0x100; ++byte)
        items.push_back(std::string(1, static_cast<char>(byte)));
    bool ok = false;
    std::vector<std::optional<std::string>> results =
        convertEach("UTF-32BE", name, items, "\n", 4, ok);
    if (!(ready = ok))
        return;
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        const std::optional<std::string>& result = results[byte - 0x80];
        singles[byte] = result && result->size() == 4 ? codePoints(*result)[0] : none;
    }
    // Bytes that are no character alone lead a code; their followers from 0x30 on are tried
    // (below that no set has a trail byte).
    items.clear();
    std::vector<unsigned> codes;
    std::string laid;
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
        if (singles[lead] != none)
            continue;
        for (unsigned trail = 0x30; trail < 0x100; ++trail) {
            if (gb18030 && trail < 0x40)
                continue; // a digit makes a four-byte code
            laid += codeBytes(lead << 8 | trail, 2);
            codes.push_back(lead << 8 | trail);
        }
    }
    auto slotOf = [](unsigned code) { return ((code >> 8) - 0x80u) << 8 | (code & 0xFF); };
    if (const std::optional<std::vector<std::uint32_t>> quick = readEachAsOne(name, laid, 2)) {
        for (std::size_t i = 0; i < codes.size(); ++i)
            pairs[slotOf(codes[i])] = (*quick)[i];
    } else {
        for (std::size_t at = 0; at < laid.size(); at += 2)
            items.push_back(laid.substr(at, 2));
        results = convertEach("UTF-32BE", name, items, "\n", 4, ok);
        if (!(ready = ok))
            return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!results[i])
            continue;
        const std::vector<char32_t> cps = codePoints(*results[i]);
        const std::size_t slot = slotOf(codes[i]);
        if (cps.size() == 1) {
            pairs[slot] = cps[0];
        } else if (cps.size() == 2) {
            pairs[slot] = twoCodePoints | static_cast<std::uint32_t>(composed.size());
            composed.push_back({cps[0], cps[1]});
        } else {
            ready = false; // no code of these sets reads as more
        }
    }
    if (!gb18030)
        return;
    laid.clear();
    for (std::uint32_t index = 0; index < bmpFourByteCount; ++index)
        laid += codeBytes(fourByteCode(index), 4);
    const std::optional<std::vector<std::uint32_t>> fourByteCps = readEachAsOne(name, laid, 4);
    if (!(ready = fourByteCps.has_value()))
        return;
    for (std::uint32_t index = 0; index < bmpFourByteCount; ++index) {
        const std::uint32_t cp = (*fourByteCps)[index];
        if (cp == none)
            continue;
        if (!ranges.empty() && ranges.back().index + ranges.back().count == index &&
            ranges.back().cp + ranges.back().count == cp)
            ++ranges.back().count;
        else
            ranges.push_back({index, cp, 1});
    }
}

void MultiByteTable::readEncoding(const char* name, const std::vector<char32_t>& candidates) {
    std::vector<std::string> items;
    std::vector<char32_t> wide;
    for (const char32_t cp : candidates) {
        if (cp >= 0x80) {
            items.push_back(utf32(cp));
            wide.push_back(cp);
            continue;
        }
        std::string result;
        if (platform::convertStrict(name, "UTF-32BE", utf32(cp), result) && result.size() == 1)
            bmp[cp] = static_cast<unsigned char>(result[0]);
    }
    for (const std::array<char32_t, 2>& pair : composed)
        items.push_back(utf32(pair[0]) + utf32(pair[1]));
    bool ok = false;
    const std::vector<std::optional<std::string>> results =
        convertEach(name, "UTF-32BE", items, utf32(U'\n'), 1, ok);
    if (!(ready = ok))
        return;
    auto packed = [](const std::string& bytes) {
        std::uint32_t code = 0;
        for (const char c : bytes)
            code = code << 8 | static_cast<unsigned char>(c);
        return code;
    };
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (!results[i])
            continue;
        if (results[i]->size() > 4 || results[i]->size() == 3) {
            ready = false;
            continue;
        }
        const std::uint32_t code = results[i]->empty() ? dropped : packed(*results[i]);
        if (wide[i] < 0x10000)
            bmp[wide[i]] = code;
        else
            supplementary.emplace_back(wide[i], code);
    }
    for (std::size_t i = 0; i < composed.size(); ++i) {
        const std::optional<std::string>& result = results[wide.size() + i];
        // A pair that comes out as one code is written that way when it follows in the text.
        if (result && result->size() == 2)
            compositions.push_back({composed[i][0], composed[i][1], packed(*result)});
    }
}

const MultiByteTable& tableOf(Codec codec) {
    switch (codec) {
    case Codec::Big5: {
        static const MultiByteTable table(Codec::Big5);
        return table;
    }
    case Codec::Big5Hkscs: {
        static const MultiByteTable table(Codec::Big5Hkscs);
        return table;
    }
    default: {
        static const MultiByteTable table(Codec::Gb18030);
        return table;
    }
    }
}

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

// ---- ASCII stretches: 16 source bytes at a time while all of them are ASCII.

// How many source bytes of ASCII were moved from `in` to `out` (at most `length`; up to 32
// bytes beyond what `out` advances by may be written, within `outRoom`).
template <int sourceUnit, bool sourceBig, int targetUnit, bool targetBig>
std::size_t moveAscii(const Byte* in, std::size_t length, char*& out, std::size_t outRoom) {
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
    }
    bool contains(char32_t cp) const {
        return cp < 0x10000 ? (bmp[cp >> 6] >> (cp & 63) & 1) != 0 : table->keeps(cp);
    }
    bool keepsAscii() const { return asciiKept; }

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
                                            const Byte*& in, const Byte* end, char*& out) {
    if constexpr (std::is_same_v<Decoder, MultiByteDecoder> &&
                  std::is_same_v<Encoder, Utf8Encoder>) {
        // A two-byte code straight to its UTF-8 bytes.
        const Byte b = in[0];
        if (b < 0x80 || end - in < 2)
            return false;
        const std::uint32_t entry = decoder.utf8Pairs[pairIndex(in)];
        if (entry == 0)
            return false;
        putPackedUtf8(entry, out);
        in += 2;
        return true;
    } else if constexpr (std::is_same_v<Decoder, Utf8Decoder> &&
                         std::is_same_v<Encoder, MultiByteEncoder>) {
        // A three-byte UTF-8 character (all of CJK) to a two-byte code.
        const Byte b = in[0];
        if ((b & 0xF0) != 0xE0 || end - in < 3 || (in[1] & 0xC0) != 0x80 ||
            (in[2] & 0xC0) != 0x80 || encoder.composing)
            return false;
        const char32_t cp = (b & 0x0Fu) << 12 | (in[1] & 0x3Fu) << 6 | (in[2] & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || !putTwoByteCode(encoder, cp, out))
            return false;
        in += 3;
        return true;
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
    } else if constexpr (std::is_same_v<Decoder, MultiByteDecoder> &&
                         std::is_same_v<Encoder, ThroughInternal<Utf8Encoder>>) {
        // A two-byte code the internal text keeps straight to its UTF-8 bytes.
        const Byte b = in[0];
        if (b < 0x80 || end - in < 2)
            return false;
        const std::uint32_t index = pairIndex(in);
        const std::uint32_t entry = decoder.utf8Pairs[index];
        if (entry == 0 || !encoder.keeps->contains(decoder.pairs[index]))
            return false;
        putPackedUtf8(entry, out);
        in += 2;
        return true;
    } else if constexpr (Decoder::unit == 2 &&
                         std::is_same_v<Encoder, ThroughInternal<Utf8Encoder>>) {
        // A stretch of units of three UTF-8 bytes each (all of CJK) the internal text keeps, at
        // most 16 of them, so that the step stays within its room.
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
        const bool moved = at != in;
        in = at;
        return moved;
    } else {
        (void)decoder, (void)encoder, (void)in, (void)end, (void)out;
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
            if (fastStep(decoder, encoder, in, end, out))
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

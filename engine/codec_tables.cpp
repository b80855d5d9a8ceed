// Reads the multi-byte sets' tables out of iconv: each code converted alone, many in one pass,
// so that building them costs a few iconv calls rather than one per code.
#include "engine/codec_tables.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <string>

#include "platform/iconv_handle.h"

namespace engine::table_detail {

namespace {

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

// Characters beyond the BMP that iconv writes otherwise than by rule: the tag characters, and
// the six that GB18030 writes in two bytes (its four-byte rule would give others).
constexpr char32_t oneWaySupplementary[] = {0x20087, 0x20089, 0x200CC, 0x215D7, 0x2298F, 0x241FE};
constexpr char32_t firstTag = 0xE0000;
constexpr char32_t lastTag = 0xE007F;

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

} // namespace

std::optional<Codec> codecNamed(std::string_view name) {
    for (const CodecName& row : codecNames)
        if (std::equal(name.begin(), name.end(), row.name.begin(), row.name.end(),
                       [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; }))
            return row.codec;
    return std::nullopt;
}

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

} // namespace engine::table_detail

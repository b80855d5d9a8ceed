#include "engine/table_codecs.h"

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/iconv_handle.h"

using namespace engine;

namespace {

// iconv itself, the reference the tables must match: the converted bytes, or nothing.
class Reference {
public:
    Reference(const char* from, const char* to) : handle(to, from) {}
    std::optional<std::string> operator()(std::string_view data) {
        handle.resetState();
        std::string out(data.size() * 4 + 16, '\0');
        char* in = const_cast<char*>(data.data());
        std::size_t inLeft = data.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        if (iconv(handle.get(), &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1) ||
            iconv(handle.get(), nullptr, nullptr, &o, &outLeft) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(static_cast<std::size_t>(o - out.data()));
        return out;
    }

private:
    platform::IconvHandle handle;
};

// Hands out exactly the room asked for, so every stop for room is met.
class NarrowSink final : public ByteSink {
public:
    std::span<char> room(std::size_t atLeast) override {
        scratch.assign(atLeast, '\0');
        return {scratch.data(), scratch.size()};
    }
    bool wrote(std::size_t count) override { return append({scratch.data(), count}); }
    bool append(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    bool truncate(std::size_t length) override {
        bytes_.resize(std::min(length, bytes_.size()));
        return true;
    }
    std::size_t size() const override { return bytes_.size(); }
    std::string bytes_;

private:
    std::string scratch;
};

std::optional<std::string> byTable(std::string_view data, const char* from, const char* to,
                                   bool narrow = false) {
    ByteCollector collector(data.size());
    NarrowSink small;
    ByteSink& sink = narrow ? static_cast<ByteSink&>(small) : collector;
    const std::optional<ConversionStatus> status =
        convertByTable(data, from, to, sink, convertedSizeLimit(data.size()));
    if (!status)
        ADD_FAILURE() << from << " to " << to << " is not covered";
    if (status != ConversionStatus::Ok)
        return std::nullopt;
    return narrow ? small.bytes_ : collector.take();
}

std::string bytesOf(std::uint32_t code, int length) {
    std::string bytes;
    for (int i = length - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>(code >> (8 * i)));
    return bytes;
}

// Every byte, every two bytes with a high first byte, and GB18030's whole four-byte space.
std::vector<std::string> everyGb18030Sequence() {
    std::vector<std::string> all;
    for (unsigned b = 0; b < 0x100; ++b)
        all.push_back(bytesOf(b, 1));
    for (unsigned code = 0x8000; code < 0x10000; ++code)
        all.push_back(bytesOf(code, 2));
    for (unsigned b1 = 0x81; b1 <= 0xFE; ++b1)
        for (unsigned b2 = 0x30; b2 <= 0x39; ++b2)
            for (unsigned b3 = 0x81; b3 <= 0xFE; ++b3)
                for (unsigned b4 = 0x30; b4 <= 0x39; ++b4)
                    all.push_back(bytesOf(b1 << 24 | b2 << 16 | b3 << 8 | b4, 4));
    return all;
}

// Every code point of the BMP and beyond, lone surrogates included, in `encoding` (UTF-8 by hand,
// so that surrogates can be spelt).
std::string spelt(char32_t cp, const char* encoding) {
    const std::string_view name(encoding);
    if (name == "UTF-8") {
        if (cp < 0x80)
            return bytesOf(cp, 1);
        if (cp < 0x800)
            return bytesOf((0xC0 | cp >> 6) << 8 | (0x80 | (cp & 0x3F)), 2);
        if (cp < 0x10000)
            return bytesOf(
                (0xE0 | cp >> 12) << 16 | (0x80 | (cp >> 6 & 0x3F)) << 8 | (0x80 | (cp & 0x3F)), 3);
        return bytesOf((0xF0 | cp >> 18) << 24 | (0x80 | (cp >> 12 & 0x3F)) << 16 |
                           (0x80 | (cp >> 6 & 0x3F)) << 8 | (0x80 | (cp & 0x3F)),
                       4);
    }
    std::vector<char32_t> units{cp};
    if (cp >= 0x10000)
        units = {0xD800 + ((cp - 0x10000) >> 10), 0xDC00 + ((cp - 0x10000) & 0x3FF)};
    std::string bytes;
    for (const char32_t unit : units)
        bytes += name == "UTF-16BE" ? bytesOf(unit, 2) : bytesOf((unit & 0xFF) << 8 | unit >> 8, 2);
    return bytes;
}

std::string shown(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// Compares table and iconv on each item; reports the first few differences.
void compareEach(const std::vector<std::string>& items, const char* from, const char* to) {
    Reference reference(from, to);
    int differences = 0;
    for (const std::string& item : items) {
        const std::optional<std::string> expected = reference(item);
        const std::optional<std::string> actual = byTable(item, from, to);
        if (expected != actual && ++differences <= 5)
            ADD_FAILURE() << from << " to " << to << ": " << shown(item) << " gives "
                          << (actual ? shown(*actual) : "nothing") << ", iconv "
                          << (expected ? shown(*expected) : "nothing");
    }
    EXPECT_EQ(differences, 0) << from << " to " << to;
}

TEST(TableCodecs, everyGb18030SequenceReadsAsIconvReadsIt) {
    const std::vector<std::string> all = everyGb18030Sequence();
    compareEach(all, "GB18030", "UTF-8");
    // What reads at all reads the same into UTF-16 of either order: all of it in one text.
    Reference valid("GB18030", "UTF-8");
    std::string text;
    for (const std::string& item : all)
        if (valid(item))
            text += item;
    for (const char* to : {"UTF-16LE", "UTF-16BE"})
        EXPECT_EQ(byTable(text, "GB18030", to), Reference("GB18030", to)(text)) << to;
}

// Every character GB18030 has (which is every scalar value) into Big5 and Big5-HKSCS: the
// characters those sets lack fail as iconv fails on them.
TEST(TableCodecs, everyCharacterWritesAsIconvWritesIt) {
    std::vector<std::string> characters;
    Reference valid("GB18030", "UTF-8");
    for (const std::string& item : everyGb18030Sequence())
        if (valid(item))
            characters.push_back(item);
    for (const char* to : {"BIG5", "BIG5-HKSCS"})
        compareEach(characters, "GB18030", to);
}

// Every scalar value and every lone surrogate, in each Unicode form, into the internal text.
TEST(TableCodecs, everyCodePointReadsAsIconvReadsIt) {
    for (const char* from : {"UTF-8", "UTF-16LE", "UTF-16BE"}) {
        std::vector<std::string> items;
        for (char32_t cp = 0; cp < 0x110000; ++cp)
            items.push_back(spelt(cp, from));
        compareEach(items, from, "GB18030");
    }
}

TEST(TableCodecs, everyBig5PairReadsAsIconvReadsIt) {
    std::vector<std::string> items;
    for (unsigned code = 0; code < 0x100; ++code)
        items.push_back(bytesOf(code, 1));
    for (unsigned code = 0x8000; code < 0x10000; ++code)
        items.push_back(bytesOf(code, 2));
    for (const char* from : {"BIG5", "BIG5-HKSCS"})
        compareEach(items, from, "GB18030");
}

// The Big5-HKSCS codes for a letter with a combining mark, and the letter followed by
// something else: the letter waits for what follows it.
TEST(TableCodecs, combiningPairsWriteAsIconvWritesThem) {
    Reference toText("UTF-8", "GB18030");
    std::vector<std::string> items;
    for (const char* first : {"\xC3\x8A", "\xC3\xAA", "a"})
        for (const char* second : {"\xCC\x84", "\xCC\x8C", "\xC3\x8A", "a", "\xE4\xB8\xAD", "",
                                   "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"})
            items.push_back(*toText(std::string(first) + second));
    compareEach(items, "GB18030", "BIG5-HKSCS");
}

// Random texts: valid characters of the source with stray bytes among them, ASCII stretches
// long enough for the block moves, every pair the tables cover, into a sink with room to spare
// and one with only the room asked for.
TEST(TableCodecs, seededRandomTextsConvertAsIconvConvertsThem) {
    std::mt19937 random(20261208);
    const std::vector<std::string> all = everyGb18030Sequence();
    Reference valid("GB18030", "UTF-8");
    std::vector<std::string> characters;
    for (const std::string& item : all)
        if (valid(item))
            characters.push_back(item);
    const char* const others[] = {"UTF-8", "UTF-16LE", "UTF-16BE", "BIG5", "BIG5-HKSCS"};
    int differences = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) {
            switch (random() % 8) {
            case 0:
                text.append(random() % 40, static_cast<char>('a' + random() % 26));
                break;
            case 1:
                text.push_back(static_cast<char>(random() % 256)); // often invalid
                break;
            case 2:
                text += characters[random() % 200]; // ASCII and Latin letters
                break;
            default:
                text += characters[random() % characters.size()];
            }
        }
        const char* other = others[round % 5];
        const bool narrow = round % 2 == 1;
        // Into the other set, and the other set's reading of the same bytes back.
        const std::optional<std::string> written = Reference("GB18030", other)(text);
        const std::string source = written ? *written : text;
        const std::pair<std::string, std::pair<const char*, const char*>> cases[] = {
            {text, {"GB18030", other}}, {source, {other, "GB18030"}}};
        for (const auto& [data, names] : cases) {
            const std::optional<std::string> expected = Reference(names.first, names.second)(data);
            if (byTable(data, names.first, names.second, narrow) != expected && ++differences <= 5)
                ADD_FAILURE() << names.first << " to " << names.second << ": " << shown(data);
        }
    }
    EXPECT_EQ(differences, 0);
}

// Random texts of characters that GB18030 keeps as they are and some it does not (private-use
// ones it has no code for), some that combine in Big5-HKSCS, long ASCII stretches
// and stray bytes, from every set straight into every set, the same one included: where the
// straight way converts, it gives what the way through GB18030 gives.
TEST(TableCodecs, straightConversionGivesTheWayThroughGb18030) {
    std::mt19937 random(20261209);
    const char* const sets[] = {"UTF-8", "UTF-16LE", "UTF-16BE", "BIG5", "BIG5-HKSCS"};
    const char32_t unusual[] = {0xE78D, 0xE816, 0xE864, 0x20087, 0x241FE, 0xE0041, 0xE5E5,
                                0x1E3F, 0xFFFD, 0x00CA, 0x0304,  0x030C,  0xFEFF,  0x10FFFF};
    int straight = 0;
    int differences = 0;
    for (int round = 0; round < 3000; ++round) {
        const char* from = sets[round % 5];
        const char* to = sets[round / 5 % 5];
        Reference spell("UTF-8", from);
        std::string source;
        const int count = static_cast<int>(random() % 30);
        for (int i = 0; i < count; ++i) {
            char32_t cp;
            switch (random() % 8) {
            case 0:
                source += *spell(std::string(random() % 40, static_cast<char>('a' + i % 26)));
                continue;
            case 1:
                if (round % 3 == 0) // a third of the texts have a stray byte now and then
                    source.push_back(static_cast<char>(random() % 256));
                continue;
            case 2:
                cp = unusual[random() % std::size(unusual)];
                break;
            case 3:
                cp = static_cast<char32_t>(0x10000 + random() % 0x100000);
                break;
            case 4:
                cp = static_cast<char32_t>(random() % 0x10000);
                break;
            default:
                cp = static_cast<char32_t>(0x4E00 + random() % 0x5200);
            }
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            if (const std::optional<std::string> spelt_ = spell(spelt(cp, "UTF-8")))
                source += *spelt_;
        }
        ByteCollector collector(source.size());
        const std::optional<ConversionStatus> status =
            convertStraight(source, from, to, collector, convertedSizeLimit(source.size()));
        ASSERT_TRUE(status.has_value()) << from << " to " << to;
        if (status != ConversionStatus::Ok)
            continue;
        ++straight;
        const std::optional<std::string> text = byTable(source, from, "GB18030");
        const std::optional<std::string> expected =
            text ? byTable(*text, "GB18030", to) : std::nullopt;
        if (expected != collector.take() && ++differences <= 5)
            ADD_FAILURE() << from << " to " << to << ": " << shown(source);
    }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(straight, 600); // the comparison ran on many texts
}

TEST(TableCodecs, coverOnlyTheInternalTextAndTheSetsItIsWrittenIn) {
    EXPECT_TRUE(tableCodecCovers("utf-8", "gb18030"));
    EXPECT_TRUE(tableCodecCovers("GB18030", "BIG5-HKSCS"));
    EXPECT_FALSE(tableCodecCovers("UTF-8", "UTF-16LE"));
    EXPECT_FALSE(tableCodecCovers("GB18030", "GB18030"));
    EXPECT_FALSE(tableCodecCovers("GB18030", "ISO-8859-1"));
    ByteCollector sink(0);
    EXPECT_FALSE(convertStraight("a", "UTF-8", "GB18030", sink, 10));
    EXPECT_FALSE(convertStraight("a", "UTF-8", "ISO-8859-1", sink, 10));
}

} // namespace

#include "engine/charset_conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/iconv_handle.h"

using namespace engine;
using namespace std::string_literals;

namespace {

struct ConvertRow {
    const char* name;
    std::string data;
    const char* from;
    const char* to;
    std::string expected;
    bool ok;
};

class ConvertCharsetTest : public testing::TestWithParam<ConvertRow> {};

TEST_P(ConvertCharsetTest, givesAllOrNothing) {
    const ConvertRow& row = GetParam();
    bool ok = !row.ok;
    EXPECT_EQ(convertCharset(row.data, row.from, row.to, &ok), row.expected);
    EXPECT_EQ(ok, row.ok);
}

INSTANTIATE_TEST_SUITE_P(
    CharsetConversion, ConvertCharsetTest,
    testing::Values(
        ConvertRow{"namesIgnoreCase", "\xE4\xB8\xAD", "utf-8", "gb18030", "\xD6\xD0", true},
        ConvertRow{"markNotConsumed",
                   "\xEF\xBB\xBF"
                   "a",
                   "UTF-8", "UTF-16LE",
                   "\xFF\xFE"
                   "a\0"s,
                   true},
        ConvertRow{"zeroBytesPass", "a\0b"s, "UTF-8", "GB18030", "a\0b"s, true},
        ConvertRow{"unknownPair", "a", "UTF-8", "NO-SUCH-CHARSET", "", false},
        ConvertRow{"unknownPairEvenWhenEmpty", "", "NO-SUCH", "UTF-8", "", false},
        ConvertRow{"emptyIsOk", "", "UTF-8", "GB18030", "", true},
        ConvertRow{"invalidAtStart",
                   "\xFF"
                   "abc",
                   "UTF-8", "GB18030", "", false},
        // Ê with a combining macron is one Big5-HKSCS code, emitted only when the converter is
        // flushed at the end.
        ConvertRow{"hkscsCombiningFlushed", "\x88\x62", "BIG5-HKSCS", "UTF-8", "\xC3\x8A\xCC\x84",
                   true},
        ConvertRow{"hkscsCombiningEncoded", "\xC3\x8A\xCC\x84", "UTF-8", "BIG5-HKSCS", "\x88\x62",
                   true},
        ConvertRow{"hkscsPendingAtEnd", "\xC3\x8A", "UTF-8", "BIG5-HKSCS", "\x88\x66", true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CharsetConversion, growthRuleBoundsTheOutput) {
    EXPECT_EQ(convertedSizeLimit(0), 11u * 128);
    EXPECT_EQ(convertedSizeLimit(1), 1u + 11 * 128);
    EXPECT_EQ(convertedSizeLimit(1000), 1000u + 11 * (500 + 128));
}

TEST(CharsetConversion, largeGrowingOutputMatchesAStrictConversion) {
    // ASCII into UTF-16 doubles the size: the output outgrows the first buffer several times.
    std::string data;
    for (int i = 0; i < 300000; ++i)
        data += i % 7 ? "abc" : "\xE4\xB8\xAD";
    std::string expected;
    ASSERT_TRUE(platform::convertStrict("UTF-16BE", "UTF-8", data, expected));
    EXPECT_EQ(convertCharset(data, "UTF-8", "UTF-16BE"), expected);
}

TEST(CharsetConversion, keptDescriptorStartsCleanAfterAFailure) {
    EXPECT_EQ(convertCharset("\xC3\x8A", "UTF-8", "BIG5-HKSCS"), "\x88\x66");
    EXPECT_EQ(convertCharset("\xC3\x8A\xFF", "UTF-8", "BIG5-HKSCS"), "");
    // A pending Ê from the failed call must not combine with this call's macron.
    EXPECT_EQ(convertCharset("a", "UTF-8", "BIG5-HKSCS"), "a");
    EXPECT_EQ(convertCharset("\xC3\x8A", "UTF-8", "BIG5-HKSCS"), "\x88\x66");
}

TEST(ByteCollector, keepsAppendedAndConvertedBytesInOrder) {
    ByteCollector collector(4);
    EXPECT_TRUE(collector.append("\xEF\xBB\xBF"));
    EXPECT_EQ(convertCharsetInto(std::string(1000, 'x'), "GB18030", "UTF-8", collector),
              ConversionStatus::Ok);
    EXPECT_EQ(collector.size(), 1003u);
    EXPECT_EQ(collector.firstByte(), 0xEF);
    EXPECT_EQ(collector.take(), "\xEF\xBB\xBF" + std::string(1000, 'x'));
}

TEST(ByteCollector, truncateDropsAcrossPieces) {
    ByteCollector collector;
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(collector.append(std::string(100, static_cast<char>('a' + i % 26))));
    EXPECT_TRUE(collector.truncate(250));
    EXPECT_TRUE(collector.append("!"));
    EXPECT_EQ(collector.take(),
              std::string(100, 'a') + std::string(100, 'b') + std::string(50, 'c') + "!");
}

TEST(ByteCollector, takeCanCutAtTheFirstZero) {
    ByteCollector collector;
    EXPECT_TRUE(collector.append("ab"));
    EXPECT_TRUE(collector.append("c\0d"s));
    EXPECT_EQ(collector.take(true), "abc");
}

} // namespace

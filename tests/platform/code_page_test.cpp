#include "platform/code_page.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/iconv_handle.h"

using namespace platform;

namespace {

// Runs the measuring call, then the filling call with exactly that room, as callers do.
std::u16string decode(unsigned page, const std::string& bytes, bool* replaced = nullptr,
                      int length = -2) {
    const int n = length == -2 ? static_cast<int>(bytes.size()) : length;
    const int need = multiByteToWideChar(page, bytes.c_str(), n, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(need), u'\0');
    if (need == 0)
        return units;
    EXPECT_EQ(multiByteToWideChar(page, bytes.c_str(), n, units.data(), need, replaced), need);
    return units;
}

std::string encode(unsigned page, const std::u16string& units, const char* defaultChar = nullptr,
                   bool* used = nullptr) {
    const int n = static_cast<int>(units.size());
    const int need = wideCharToMultiByte(page, units.c_str(), n, nullptr, 0, defaultChar);
    std::string bytes(static_cast<std::size_t>(need), '\0');
    if (need == 0)
        return bytes;
    EXPECT_EQ(wideCharToMultiByte(page, units.c_str(), n, bytes.data(), need, defaultChar, used),
              need);
    return bytes;
}

struct DecodeRow {
    const char* name;
    unsigned page;
    std::string bytes;
    std::u16string expected;
    bool replaced;
};

class DecodeTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeTest, givesTheClassicUnits) {
    const DecodeRow& row = GetParam();
    bool replaced = !row.replaced;
    EXPECT_EQ(decode(row.page, row.bytes, &replaced), row.expected);
    EXPECT_EQ(replaced, row.replaced);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    CodePage, DecodeTest,
    testing::Values(
        DecodeRow{"gbkText", 936, "a\xD6\xD0\xCE\xC4", u"a中文", false},
        DecodeRow{"ansiIsGbk", 0, "\xD6\xD0", u"中", false},
        DecodeRow{"gbkEuroSingleByte", 936, "\x80", u"\u20AC", false},
        DecodeRow{"gbkBadTrailTakesBoth", 936, "\x81\x20x", u"?x", true},
        DecodeRow{"gbkLoneLeadAtEnd", 936, "a\x81", u"a?", true},
        DecodeRow{"gbkFourByteSequenceIsTwoMarks", 936, "\x81\x30\x81\x30", u"??", true},
        DecodeRow{"gbkLeadBeforeZeroKeepsZero", 936, "\x81\0b"s, u"?\0b"s, true},
        DecodeRow{"big5Text", 950, "\xA4\xA4\xA4\xE5", u"中文", false},
        DecodeRow{"big5UnassignedPair", 950, "\xA3\xC0", u"?", true},
        DecodeRow{"big5DoubleLineBothCodes", 950, "\xA2\xA4\xF9\xF9", u"\u2550\u2550", false},
        DecodeRow{"utf8Text", 65001,
                  "\xE4\xB8\xAD"
                  "a",
                  u"中a", false},
        DecodeRow{"utf8Supplementary", 65001, "\xF0\xA0\x80\x80", u"\xD840\xDC00", false},
        DecodeRow{"utf8StrayByte", 65001,
                  "a\xFF"
                  "b",
                  u"a\uFFFDb", true},
        DecodeRow{"utf8TruncatedIsOneMark", 65001, "\xE4\xB8", u"\uFFFD", true},
        DecodeRow{"utf8BrokenBeforeAscii", 65001,
                  "\xE4\xB8"
                  "A",
                  u"\uFFFDA", true},
        DecodeRow{"utf8EncodedSurrogate", 65001, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", true},
        DecodeRow{"utf8Overlong", 65001, "\xC0\xAF", u"\uFFFD\uFFFD", true},
        DecodeRow{"utf8GbkBytes", 65001, "\xD6\xD0", u"\uFFFD\uFFFD", true}),
    [](const auto& param) { return std::string(param.param.name); });

struct EncodeRow {
    const char* name;
    unsigned page;
    std::u16string units;
    const char* defaultChar;
    std::string expected;
    bool usedDefault;
};

class EncodeTest : public testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeTest, givesTheClassicBytes) {
    const EncodeRow& row = GetParam();
    bool used = !row.usedDefault;
    EXPECT_EQ(encode(row.page, row.units, row.defaultChar, row.page == 65001 ? nullptr : &used),
              row.expected);
    if (row.page != 65001) {
        EXPECT_EQ(used, row.usedDefault);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, EncodeTest,
    testing::Values(
        EncodeRow{"gbkText", 936, u"a中文", nullptr, "a\xD6\xD0\xCE\xC4", false},
        EncodeRow{"gbkEuro", 0, u"\u20AC", nullptr, "\x80", false},
        EncodeRow{"gbkLacksCharacter", 936, u"a\u0E01b", nullptr, "a?b", true},
        EncodeRow{"gbkSurrogatePairIsMarkPerUnit", 936, u"\xD83D\xDE00!", nullptr,
                  "??"
                  "!",
                  true},
        EncodeRow{"big5SurrogatePairIsDefaultPerUnit", 950, u"\xD840\xDC00", "", "\0\0"s, true},
        EncodeRow{"gbkLoneSurrogate", 936, u"\xDC00", nullptr, "?", true},
        EncodeRow{"big5Text", 950, u"中文", nullptr, "\xA4\xA4\xA4\xE5", false},
        EncodeRow{"big5DoubleLinesAsLaterCodes", 950, u"a\u2550\u255E\u2561\u256A中", nullptr,
                  "a\xF9\xF9\xF9\xE9\xF9\xEB\xF9\xEA\xA4\xA4", false},
        EncodeRow{"big5LacksSimplified", 950, u"简中", nullptr, "?\xA4\xA4", true},
        EncodeRow{"zeroDefaultCharacter", 950, u"简中", "", "\0\xA4\xA4"s, true},
        // Look-alikes are never written in place of a missing character.
        EncodeRow{"gbkNoBestFitCent", 936, u"\u00A2", nullptr, "?", true},
        EncodeRow{"gbkNoBestFitCopyright", 936, u"\u00A9", nullptr, "?", true},
        EncodeRow{"big5NoBestFitParenthesizedOne", 950, u"\u3220", nullptr, "?", true},
        EncodeRow{"utf8Text", 65001, u"中a", nullptr,
                  "\xE4\xB8\xAD"
                  "a",
                  false},
        EncodeRow{"utf8Pair", 65001, u"\xD840\xDC00", nullptr, "\xF0\xA0\x80\x80", false},
        EncodeRow{"utf8LoneSurrogate", 65001, u"\xD840x", nullptr, "\xEF\xBF\xBDx", false}),
    [](const auto& param) { return std::string(param.param.name); });

// The user-defined characters, read as the Private Use Area row by row over the trail bytes
// and written back the same way: each area's first and last code, and the row and trail-run
// changes in between.
struct UserDefinedRow {
    const char* name;
    unsigned page;
    std::string bytes;
    char16_t unit;
};

class UserDefinedTest : public testing::TestWithParam<UserDefinedRow> {};

TEST_P(UserDefinedTest, mapsToPrivateUseAreaBothWays) {
    const UserDefinedRow& row = GetParam();
    bool replaced = true;
    EXPECT_EQ(decode(row.page, row.bytes, &replaced), std::u16string(1, row.unit));
    EXPECT_FALSE(replaced);
    bool used = true;
    EXPECT_EQ(encode(row.page, std::u16string(1, row.unit), nullptr, &used), row.bytes);
    EXPECT_FALSE(used);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage, UserDefinedTest,
    testing::Values(UserDefinedRow{"gbkFirstAreaFirst", 936, "\xAA\xA1", 0xE000},
                    UserDefinedRow{"gbkFirstAreaRowEnd", 936, "\xAA\xFE", 0xE05D},
                    UserDefinedRow{"gbkFirstAreaNextRow", 936, "\xAB\xA1", 0xE05E},
                    UserDefinedRow{"gbkFirstAreaLast", 936, "\xAF\xFE", 0xE233},
                    UserDefinedRow{"gbkSecondAreaFirst", 936, "\xF8\xA1", 0xE234},
                    UserDefinedRow{"gbkSecondAreaLast", 936, "\xFE\xFE", 0xE4C5},
                    UserDefinedRow{"gbkThirdAreaFirst", 936, "\xA1\x40", 0xE4C6},
                    UserDefinedRow{"gbkThirdAreaRunEnd", 936, "\xA1\x7E", 0xE504},
                    UserDefinedRow{"gbkThirdAreaSecondRun", 936, "\xA1\x80", 0xE505},
                    UserDefinedRow{"gbkThirdAreaNextRow", 936, "\xA2\x40", 0xE526},
                    UserDefinedRow{"gbkThirdAreaLast", 936, "\xA7\xA0", 0xE765},
                    UserDefinedRow{"gbkByteFF", 936, "\xFF", 0xF8F5},
                    UserDefinedRow{"gbkEmptyPairFirst", 936, "\xA2\xAB", 0xE766},
                    UserDefinedRow{"gbkEmptyPairRunChange", 936, "\xA2\xE3", 0xE76C},
                    UserDefinedRow{"gbkEmptyPairAfterHanzi", 936, "\xD7\xFA", 0xE810},
                    UserDefinedRow{"gbkEmptyPairLast", 936, "\xFE\xA0", 0xE864},
                    UserDefinedRow{"ansiIsGbk", 0, "\xAA\xA1", 0xE000},
                    UserDefinedRow{"big5FirstAreaFirst", 950, "\xFA\x40", 0xE000},
                    UserDefinedRow{"big5FirstAreaRunEnd", 950, "\xFA\x7E", 0xE03E},
                    UserDefinedRow{"big5FirstAreaSecondRun", 950, "\xFA\xA1", 0xE03F},
                    UserDefinedRow{"big5FirstAreaNextRow", 950, "\xFB\x40", 0xE09D},
                    UserDefinedRow{"big5FirstAreaLast", 950, "\xFE\xFE", 0xE310},
                    UserDefinedRow{"big5SecondAreaFirst", 950, "\x8E\x40", 0xE311},
                    UserDefinedRow{"big5SecondAreaLast", 950, "\xA0\xFE", 0xEEB7},
                    UserDefinedRow{"big5ThirdAreaFirst", 950, "\x81\x40", 0xEEB8},
                    UserDefinedRow{"big5ThirdAreaLast", 950, "\x8D\xFE", 0xF6B0},
                    UserDefinedRow{"big5ByteFF", 950, "\xFF", 0xF8F8}),
    [](const auto& param) { return std::string(param.param.name); });

// Over the whole Private Use Area: every code a page writes reads back as itself, and the areas
// hold exactly as many codes as their rows give (for 950 with the range iconv already knows).
TEST(CodePage, privateUseAreaRoundTripsWithoutGapsOrOverlaps) {
    for (const auto& [page, expectedCount] : {std::pair{936u, 564 + 658 + 672 + 255 + 1},
                                              std::pair{950u, 785 + 2983 + 2041 + 408 + 1}}) {
        int count = 0;
        for (char32_t code = 0xE000; code <= 0xF8FF; ++code) {
            const std::u16string unit(1, static_cast<char16_t>(code));
            const std::string bytes = encode(page, unit, "");
            if (bytes == std::string(1, '\0'))
                continue;
            ++count;
            EXPECT_EQ(decode(page, bytes), unit)
                << page << " U+" << std::hex << static_cast<unsigned>(code);
        }
        EXPECT_EQ(count, expectedCount) << page;
    }
}

// GB18030 reads the same empty GBK pairs as these units, except those it later gave characters
// of their own; each one it still keeps private must agree.
TEST(CodePage, emptyGbkPairsAgreeWithGb18030) {
    int agreeing = 0;
    for (char16_t unit = 0xE766; unit <= 0xE864; ++unit) {
        const std::string bytes = encode(936, std::u16string(1, unit), "");
        ASSERT_EQ(bytes.size(), 2u) << std::hex << unsigned(unit);
        std::string reference;
        ASSERT_TRUE(convertStrict("UTF-16LE", "GB18030", bytes, reference));
        if (reference.size() != 2)
            continue; // a character beyond the BMP
        const char16_t read = static_cast<char16_t>(static_cast<unsigned char>(reference[0]) |
                                                    static_cast<unsigned char>(reference[1]) << 8);
        if (read >= 0xE000 && read <= 0xF8FF) {
            EXPECT_EQ(read, unit);
            ++agreeing;
        }
    }
    EXPECT_GE(agreeing, 140);
}

TEST(CodePage, zeroTerminatedLengthCountsTheTerminator) {
    EXPECT_EQ(multiByteToWideChar(936,
                                  "\xD6\xD0"
                                  "a",
                                  zeroTerminated, nullptr, 0),
              3);
    char16_t units[3] = {1, 1, 1};
    EXPECT_EQ(multiByteToWideChar(936,
                                  "\xD6\xD0"
                                  "a",
                                  zeroTerminated, units, 3),
              3);
    EXPECT_EQ(units[0], u'中');
    EXPECT_EQ(units[2], 0);
    EXPECT_EQ(wideCharToMultiByte(936, u"中", zeroTerminated, nullptr, 0), 3);
}

TEST(CodePage, tooSmallBufferFailsTheFillingCall) {
    char16_t units[1];
    EXPECT_EQ(multiByteToWideChar(65001, "ab", 2, units, 1), 0);
    char bytes[1];
    EXPECT_EQ(wideCharToMultiByte(936, u"中", 1, bytes, 1), 0);
}

TEST(CodePage, refusesWhatTheClassicServiceRefuses) {
    EXPECT_EQ(multiByteToWideChar(1252, "a", 1, nullptr, 0), 0);
    EXPECT_EQ(multiByteToWideChar(936, "a", 0, nullptr, 0), 0);
    EXPECT_EQ(wideCharToMultiByte(65001, u"a", 1, nullptr, 0, "?"), 0);
    bool used = false;
    EXPECT_EQ(wideCharToMultiByte(65001, u"a", 1, nullptr, 0, nullptr, &used), 0);
}

TEST(CodePage, largeGbkTextRoundTrips) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "\xC7\xE0\xB7\xE3 line\r\n";
    const std::u16string units = decode(936, text);
    EXPECT_EQ(units.size(), 20000u * 9);
    EXPECT_EQ(encode(936, units), text);
}

} // namespace

// The encoder keeps each character's bytes once it has asked iconv for them; the whole plane
// through it must equal iconv's own conversion of the characters the code page has, in one go.
class WholePlane : public testing::TestWithParam<std::pair<unsigned, const char*>> {};

TEST_P(WholePlane, remembersExactlyWhatIconvSays) {
    const auto [page, charset] = GetParam();
    std::u16string all, mappable;
    for (char32_t code = 1; code <= 0xFFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        const char16_t unit = static_cast<char16_t>(code);
        std::string alone;
        const bool known = convertStrict(
            charset, "UTF-16LE", std::string_view(reinterpret_cast<const char*>(&unit), 2), alone);
        // The user-defined characters, which iconv lacks, and Big5's double lines, written as
        // the later of their two codes, are the rows above.
        if (!known && code >= 0xE000 && code <= 0xF8FF)
            continue;
        if (page == 950 && (code == 0x2550 || code == 0x255E || code == 0x2561 || code == 0x256A))
            continue;
        all.push_back(unit);
        if (known)
            mappable.push_back(unit);
    }
    std::string expected;
    ASSERT_TRUE(convertStrict(
        charset, "UTF-16LE",
        std::string_view(reinterpret_cast<const char*>(mappable.data()), mappable.size() * 2),
        expected));
    const int n = static_cast<int>(all.size());
    const int need = wideCharToMultiByte(page, all.c_str(), n, nullptr, 0, "");
    std::string bytes(static_cast<size_t>(need), '\0');
    bool used = false;
    ASSERT_EQ(wideCharToMultiByte(page, all.c_str(), n, bytes.data(), need, "", &used), need);
    EXPECT_TRUE(used);
    // The zero default character marks each missing one; drop them to compare.
    std::erase(bytes, '\0');
    EXPECT_EQ(bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(CodePages, WholePlane,
                         testing::Values(std::pair<unsigned, const char*>{936, "CP936"},
                                         std::pair<unsigned, const char*>{950, "CP950"}),
                         [](const auto& row) { return std::to_string(row.param.first); });

#include "platform/code_page.h"

#include "platform/iconv_handle.h"

#include <string>

#include <gtest/gtest.h>

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
        DecodeRow{"gbkUnassignedPair", 936, "\xAA\xA1", u"?", true},
        DecodeRow{"gbkLoneLeadAtEnd", 936, "a\x81", u"a?", true},
        DecodeRow{"gbkByteFF", 936, "\xFF", u"?", true},
        DecodeRow{"gbkFourByteSequenceIsTwoMarks", 936, "\x81\x30\x81\x30", u"??", true},
        DecodeRow{"gbkLeadBeforeZeroKeepsZero", 936, "\x81\0b"s, u"?\0b"s, true},
        DecodeRow{"big5Text", 950, "\xA4\xA4\xA4\xE5", u"中文", false},
        DecodeRow{"big5UserAreaIsMark", 950, "\x81\x40", u"?", true},
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
        EncodeRow{"gbkSurrogatePairIsOneMark", 936, u"\xD840\xDC00!", nullptr, "?!", true},
        EncodeRow{"gbkLoneSurrogate", 936, u"\xDC00", nullptr, "?", true},
        EncodeRow{"big5Text", 950, u"中文", nullptr, "\xA4\xA4\xA4\xE5", false},
        EncodeRow{"big5LacksSimplified", 950, u"简中", nullptr, "?\xA4\xA4", true},
        EncodeRow{"zeroDefaultCharacter", 950, u"简中", "", "\0\xA4\xA4"s, true},
        EncodeRow{"utf8Text", 65001, u"中a", nullptr,
                  "\xE4\xB8\xAD"
                  "a",
                  false},
        EncodeRow{"utf8Pair", 65001, u"\xD840\xDC00", nullptr, "\xF0\xA0\x80\x80", false},
        EncodeRow{"utf8LoneSurrogate", 65001, u"\xD840x", nullptr, "\xEF\xBF\xBDx", false}),
    [](const auto& param) { return std::string(param.param.name); });

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
        all.push_back(static_cast<char16_t>(code));
        const char16_t unit = static_cast<char16_t>(code);
        std::string alone;
        if (convertStrict(charset, "UTF-16LE",
                          std::string_view(reinterpret_cast<const char*>(&unit), 2), alone))
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

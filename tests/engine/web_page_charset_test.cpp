#include "engine/web_page_charset.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/ansi_text.h"

using namespace engine;
using namespace std::string_literals;

namespace {

using C = WebPageCharset;

struct PageRow {
    const char* name;
    std::string page;
    WebPageCharset expected;
};

class DetectWebPageCharsetTest : public testing::TestWithParam<PageRow> {};

TEST_P(DetectWebPageCharsetTest, readsTheDeclaration) {
    EXPECT_EQ(detectWebPageCharset(GetParam().page), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WebPageCharset, DetectWebPageCharsetTest,
    testing::Values(
        PageRow{"quotedUtf8", "<html><head><meta charset=\"utf-8\"></head>", C::Utf8},
        PageRow{"singleQuotedUtf8", "<head><meta charset='UTF-8' /></head>", C::Utf8},
        PageRow{"contentTypeInCapitals",
                "<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\">"
                "</HEAD>",
                C::Utf8},
        PageRow{"unquotedBig5", "<head><meta charset=big5></head>", C::Big5},
        PageRow{"unquotedHkscsReadsAsBig5", "<head><meta charset=Big5-HKSCS></head>", C::Big5},
        PageRow{"doubleQuotedHkscs", "<head><meta charset=\"big5-hkscs\"></head>", C::Big5Hkscs},
        PageRow{"singleQuotedHkscs", "<head><meta charset='Big5-HKSCS'></head>", C::Big5Hkscs},
        PageRow{"gb2312MatchesNothing", "<head><meta charset=gb2312></head>", C::None},
        PageRow{"laterTagDecides",
                "<head><meta name=author content=x><meta charset=gb2312>"
                "<meta charset=\"utf-8\"></head>",
                C::Utf8},
        PageRow{"utf8TriedBeforeBig5InOneTag", "<head><meta charset=big5 charset=utf-8></head>",
                C::Utf8},
        PageRow{"firstMatchingTagWins", "<head><meta charset=big5><meta charset=utf-8></head>",
                C::Big5},
        PageRow{"emptyTagStopsTheSearch", "<head><meta><meta charset=utf-8></head>", C::None},
        PageRow{"outsideTheHeadIgnored",
                "<head><title>t</title></head><body><meta charset=utf-8></body>", C::None},
        PageRow{"noHeadSearchedWhole", "<html><meta charset=utf-8>", C::Utf8},
        PageRow{"headWithAttributesSearchedWhole",
                "<head lang=zh><title>t</title></head><meta charset=utf-8>", C::Utf8},
        PageRow{"emptyHeadSearchedWhole", "<head></head><meta charset=utf-8>", C::Utf8},
        PageRow{"unclosedHeadSearchedWhole", "<head><meta charset=utf-8>", C::Utf8},
        // The head is the region: the tag's ">" behind "</head>" is not looked at.
        PageRow{"tagClosedOnlyAfterTheHead", "<head><meta charset=utf-8</head>>", C::None},
        PageRow{"tagHiddenInSecondByte", "\x81<meta charset=utf-8>", C::None},
        PageRow{"chinesePage",
                "<head><title>\xD6\xD0\xCE\xC4</title><meta charset=\"big5\"></head>", C::Big5},
        PageRow{"plainText", "just text", C::None}, PageRow{"empty", "", C::None}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WebPageCharset, textBetweenMovesPastTheEndMarker) {
    std::int64_t position = 0;
    EXPECT_EQ(textBetween("x<a>1</a><a>2</a>", "<a>", "</a>", position), "1");
    EXPECT_EQ(position, 10);
    EXPECT_EQ(textBetween("x<a>1</a><a>2</a>", "<A>", "</A>", position), "2");
    EXPECT_EQ(position, 18);
    EXPECT_EQ(textBetween("x<a>1</a><a>2</a>", "<a>", "</a>", position), "");
    EXPECT_EQ(position, 18);
}

TEST(WebPageCharset, textBetweenLeavesThePositionWhenAMarkerIsMissing) {
    std::int64_t position = 2;
    EXPECT_EQ(textBetween("<a>text", "<a>", "</a>", position), "");
    EXPECT_EQ(position, 2);
    EXPECT_EQ(textBetween("text</a>", "<a>", "</a>", position), "");
    EXPECT_EQ(position, 2);
}

TEST(WebPageCharset, textBetweenFindsNothingBetweenAdjacentMarkers) {
    std::int64_t position = -5;
    EXPECT_EQ(textBetween("<a></a>rest", "<a>", "</a>", position), "");
    EXPECT_EQ(position, 8);
}

TEST(WebPageCharset, textBetweenExpandsDoubledQuotesInMarkers) {
    std::int64_t position = 0;
    EXPECT_EQ(textBetween("v=\"x\" w", "v=''", "''", position), "x");
}

TEST(WebPageCharset, textBetweenRetriesWithoutDoubleQuotes) {
    std::int64_t position = 0;
    EXPECT_EQ(textBetween("charset=utf-8;", "charset=''", ";", position), "utf-8");
    EXPECT_EQ(position, 15);
}

TEST(WebPageCharset, textBetweenEmptyMarkersStandForTheEnds) {
    const std::int64_t sentinel = static_cast<std::int64_t>(platform::ansi("#砚舟头#").size());
    std::int64_t position = 0;
    EXPECT_EQ(textBetween("head:tail", "", ":", position), "head");
    EXPECT_EQ(position, sentinel + 6);
    position = 0;
    EXPECT_EQ(textBetween("head:tail", ":", "", position), "tail");
    position = 0;
    EXPECT_EQ(textBetween("whole", "", "", position), "whole");
}

TEST(WebPageCharset, textBetweenSkipsMarkersInsideDoubleByteCharacters) {
    std::int64_t position = 0;
    // 0x81 0x3C is one character whose second byte looks like "<".
    EXPECT_EQ(textBetween("\x81<a>x<a>y;", "<a>", ";", position), "y");
}

struct ListRow {
    const char* name;
    std::string text;
    std::string list;
    bool any;
    bool expected;
};

class MatchesListTest : public testing::TestWithParam<ListRow> {};

TEST_P(MatchesListTest, findsItems) {
    const ListRow& row = GetParam();
    EXPECT_EQ(matchesList(row.text, row.list, row.any), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WebPageCharset, MatchesListTest,
    testing::Values(ListRow{"anyFound", "a b c", "x[fg]B", true, true},
                    ListRow{"anyMissing", "a b c", "x[fg]y", true, false},
                    ListRow{"allFound", "a b c", "A[fg]c", false, true},
                    ListRow{"allOneMissing", "a b c", "a[fg]x", false, false},
                    ListRow{"quotesExpanded", "charset=\"utf-8\"", "charset=''UTF-8''", true, true},
                    ListRow{"trailingSeparatorIsNoItem", "abc", "x[fg]", true, false},
                    ListRow{"trailingSeparatorAll", "abc", "a[fg]", false, true},
                    ListRow{"emptyListAny", "abc", "", true, false},
                    ListRow{"emptyListAll", "abc", "", false, true},
                    ListRow{"emptyMiddleItemIsFound", "abc", "x[fg][fg]y", true, true},
                    ListRow{"separatorInsideCharacterNotSplit", "\x81[fg]", "\x81[fg]", true,
                            true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WebPageCharset, expandDoubledQuotesGoesLeftToRightWithoutOverlap) {
    EXPECT_EQ(expandDoubledQuotes("''"), "\"");
    EXPECT_EQ(expandDoubledQuotes("'''"), "\"'");
    EXPECT_EQ(expandDoubledQuotes("''''"), "\"\"");
    EXPECT_EQ(expandDoubledQuotes("a'b"), "a'b");
    EXPECT_EQ(expandDoubledQuotes("\x81'''"), "\x81'\"");
}

} // namespace

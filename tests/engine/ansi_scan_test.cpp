#include "engine/ansi_scan.h"

#include <string>

#include <gtest/gtest.h>

using namespace engine;
using namespace std::string_literals;

namespace {

struct ViewRow {
    const char* name;
    std::string data;
    std::string expected;
};

class AnsiTextViewTest : public testing::TestWithParam<ViewRow> {};

TEST_P(AnsiTextViewTest, cutsWhereTheTextEnds) {
    EXPECT_EQ(ansiTextCopy(GetParam().data), GetParam().expected);
    EXPECT_EQ(ansiTextLength(GetParam().data), GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    AnsiScan, AnsiTextViewTest,
    testing::Values(ViewRow{"empty", "", ""}, ViewRow{"plain", "ab\xD6\xD0", "ab\xD6\xD0"},
                    ViewRow{"zeroEnds", "ab\0cd"s, "ab"}, ViewRow{"zeroFirst", "\0ab"s, ""},
                    ViewRow{"eofMarkEnds",
                            "ab\x1A"
                            "cd",
                            "ab"},
                    ViewRow{"eofMarkFirst",
                            "\x1A"
                            "ab",
                            ""},
                    ViewRow{"eofMarkAsSecondByteStays",
                            "\x81\x1A"
                            "c\x1A"
                            "d",
                            "\x81\x1A"
                            "c"},
                    ViewRow{"zeroAfterLeadEndsBeforeLead", "ab\xD6\0c"s, "ab"},
                    ViewRow{"zeroAfterCharacterEndsAtZero", "\xD6\xD0\0c"s, "\xD6\xD0"},
                    ViewRow{"loneLeadAtEndStays", "ab\xD6", "ab\xD6"},
                    ViewRow{"highSecondByteStillPairs", "\x81\x81\x1A", "\x81\x81"},
                    ViewRow{"longHighRunParity",
                            std::string(1001, '\x81') + "\x1A"
                                                        "x",
                            std::string(1001, '\x81') + "\x1A"
                                                        "x"},
                    ViewRow{"longHighRunEven",
                            std::string(1000, '\x81') + "\x1A"
                                                        "x",
                            std::string(1000, '\x81')}),
    [](const auto& param) { return std::string(param.param.name); });

struct FindRow {
    const char* name;
    std::string text;
    std::string marker;
    std::size_t from;
    bool caseless;
    std::size_t expected;
};

class FindMarkerTest : public testing::TestWithParam<FindRow> {};

TEST_P(FindMarkerTest, findsOnlyAtCharacterStarts) {
    const FindRow& row = GetParam();
    EXPECT_EQ(findMarker(row.text, row.marker, row.from, row.caseless), row.expected);
}

constexpr auto none = std::string_view::npos;

INSTANTIATE_TEST_SUITE_P(
    AnsiScan, FindMarkerTest,
    testing::Values(FindRow{"caseIgnored", "x<HeAd>", "<head>", 0, true, 1},
                    FindRow{"caseKept", "x<HeAd>", "<head>", 0, false, none},
                    FindRow{"fromSkipsEarlier", "<a><a>", "<a>", 1, true, 3},
                    FindRow{"secondByteIsNotAscii", "\x81<a>", "<a>", 0, true, none},
                    FindRow{"afterPairFound", "\x81\x81<a>", "<a>", 0, true, 2},
                    FindRow{"doubleByteMarker", "a\xD6\xD0\xCE\xC4", "\xCE\xC4", 0, true, 3},
                    FindRow{"doubleByteMarkerMisaligned", "\xB0\xD6\xD0\xCE", "\xD6\xD0", 0, true,
                            none},
                    FindRow{"secondByteLetterNotFolded",
                            "\x81"
                            "a",
                            "\x81"
                            "A",
                            0, true, none},
                    FindRow{"emptyMarker", "abc", "", 2, true, 2},
                    FindRow{"fromBeyondEnd", "abc", "a", 4, true, none},
                    FindRow{"markerLongerThanRest", "ab<he", "<head>", 0, true, none}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CharacterStarts, answersOutOfOrderQueriesToo) {
    CharacterStarts starts("a\x81\x82\x83\x84"
                           "b");
    EXPECT_TRUE(starts.isStart(4 - 1));
    EXPECT_FALSE(starts.isStart(4));
    EXPECT_TRUE(starts.isStart(1));
    EXPECT_FALSE(starts.isStart(2));
    EXPECT_TRUE(starts.isStart(5));
}

} // namespace

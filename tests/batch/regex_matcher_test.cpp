#include "batch/regex_matcher.h"

#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

using batch::RegexMatcher;
using platform::ansi;

namespace {

struct CountRow {
    const char* rowName;
    std::string pattern; // UTF-8, turned into AnsiText
    std::optional<bool> ignoreCase;
    std::optional<bool> multiline;
    std::optional<bool> global;
    std::string text; // UTF-8, turned into AnsiText
    int count;
};

void PrintTo(const CountRow& row, std::ostream* os) {
    *os << row.rowName;
}

class RegexMatcherCount : public testing::TestWithParam<CountRow> {};

TEST_P(RegexMatcherCount, countsMatches) {
    const CountRow& row = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.create(ansi(row.pattern), row.ignoreCase, row.multiline, row.global));
    EXPECT_EQ(matcher.countMatches(ansi(row.text)), row.count);
}

const auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Rows, RegexMatcherCount,
    testing::Values(CountRow{"caseIgnoredWhenNotGiven", "abc", none, none, none, "xABCx", 1},
                    CountRow{"caseKeptWhenFalse", "abc", false, none, none, "xABCx", 0},
                    CountRow{"caseIgnoredBeyondAscii", "élan", none, none, none, "ÉLAN.txt", 1},
                    CountRow{"everyMatchWhenNotGiven", "a", none, none, none, "banana", 3},
                    CountRow{"firstMatchOnlyWhenNotGlobal", "a", none, none, false, "banana", 1},
                    CountRow{"unanchoredSearch", "a.*", none, none, none, "data.txt", 1},
                    CountRow{"alternatives", ".*\\.txt|.*\\.htm", none, none, none, "page.HTM", 1},
                    CountRow{"emptyMatchOnEmptyText", ".?", none, none, none, "", 1},
                    CountRow{"emptyMatchesBetweenCharacters", "x?", none, none, none, "ab", 3},
                    // An empty match must step over a whole character, never into its middle.
                    CountRow{"emptyMatchesStepOverChineseCharacters", "x?", none, none, none,
                             "中文", 3},
                    CountRow{"chineseMatchesCounted", "文", none, none, none, "文文文", 3},
                    CountRow{"lineStartsWhenNotGiven", "^b", none, none, none, "a\nb", 1},
                    CountRow{"textStartOnlyWhenNotMultiline", "^b", none, false, none, "a\nb", 0}),
    [](const testing::TestParamInfo<CountRow>& row) { return row.param.rowName; });

} // namespace

TEST(RegexMatcher, withoutExpressionNothingMatches) {
    RegexMatcher matcher;
    EXPECT_FALSE(matcher.hasExpression());
    EXPECT_EQ(matcher.countMatches("anything"), 0);
}

TEST(RegexMatcher, patternThatDoesNotCompileLeavesNoExpression) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.create("a"));
    for (const char* bad : {"(", "[", "a{2,1}", "\x81"}) {
        EXPECT_FALSE(matcher.create(bad)) << bad;
        EXPECT_FALSE(matcher.hasExpression()) << bad;
        EXPECT_EQ(matcher.countMatches("a(["), 0) << bad;
    }
}

TEST(RegexMatcher, textThatIsNoGb18030HasNoMatches) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.create(".?"));
    EXPECT_EQ(matcher.countMatches("a\x81"), 0);
}

TEST(RegexMatcher, movedMatcherKeepsItsExpression) {
    RegexMatcher first;
    ASSERT_TRUE(first.create("a", true, true, false));
    RegexMatcher second = std::move(first);
    EXPECT_EQ(second.countMatches("aaa"), 1);
}

#include "batch/elapsed_time_text.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platform/ansi_text.h"

namespace {

struct ElapsedRow {
    const char* name;
    int64_t milliseconds;
    const char* expected; // UTF-8
};

struct RowName {
    std::string operator()(const testing::TestParamInfo<ElapsedRow>& row) const {
        return row.param.name;
    }
};

class ElapsedTimeTextTest : public testing::TestWithParam<ElapsedRow> {};

TEST_P(ElapsedTimeTextTest, ShowsLargestReachedUnit) {
    const ElapsedRow& row = GetParam();
    EXPECT_EQ(batch::elapsedTimeText(row.milliseconds), platform::ansi(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ElapsedTimeTextTest,
    testing::Values(
        ElapsedRow{"Zero", 0, "0 毫秒"}, ElapsedRow{"JustUnderSecond", 999, "999 毫秒"},
        ElapsedRow{"OneSecond", 1000, "1 秒"}, ElapsedRow{"RoundsDownBelowHalf", 1004, "1 秒"},
        ElapsedRow{"StoredHalfRoundsUp", 1005, "1.01 秒"},
        ElapsedRow{"TwoDecimals", 1530, "1.53 秒"},
        ElapsedRow{"JustUnderMinute", 59994, "59.99 秒"},
        ElapsedRow{"RoundsUpToLimitInSmallerUnit", 59995, "60 秒"},
        ElapsedRow{"OneMinute", 60000, "1 分"}, ElapsedRow{"RepeatingFraction", 61000, "1.02 分"},
        ElapsedRow{"OneAndAHalfMinutes", 90000, "1.5 分"},
        ElapsedRow{"JustUnderHour", 3599999, "60 分"}, ElapsedRow{"OneHour", 3600000, "1 时"},
        ElapsedRow{"JustUnderDay", 86399999, "24 时"}, ElapsedRow{"OneDay", 86400000, "1 天"},
        ElapsedRow{"LastMillisecondInDays", 2591999991, "30 天"},
        ElapsedRow{"ToleranceReachesMonth", 2591999992, "1 月"},
        ElapsedRow{"OneMonth", 2592000000, "1 月"},
        ElapsedRow{"LastMillisecondInMonths", 31103999740, "12 月"},
        ElapsedRow{"ToleranceReachesYear", 31103999741, "1 年"},
        ElapsedRow{"OneYear", 31104000000, "1 年"},
        ElapsedRow{"OneAndAHalfYears", 46656000000, "1.5 年"},
        ElapsedRow{"NegativeStaysInMilliseconds", -1, "-1 毫秒"},
        ElapsedRow{"LargeNegative", -5000000, "-5000000 毫秒"},
        ElapsedRow{"LongestRunStillYears", INT64_MAX, "296533308.8 年"}),
    RowName());

TEST(TwoDecimals, RoundsHalvesAwayFromZero) {
    EXPECT_DOUBLE_EQ(batch::twoDecimals(1.005), 1.01);
    EXPECT_DOUBLE_EQ(batch::twoDecimals(-1.005), -1.01);
    EXPECT_DOUBLE_EQ(batch::twoDecimals(2.344999), 2.34);
    EXPECT_EQ(batch::twoDecimals(0.0), 0.0);
}

TEST(NumberText, WritesShortestGeneralForm) {
    EXPECT_EQ(batch::numberText(530), "530");
    EXPECT_EQ(batch::numberText(1.5), "1.5");
    EXPECT_EQ(batch::numberText(60), "60");
    EXPECT_EQ(batch::numberText(-2.25), "-2.25");
    EXPECT_EQ(batch::numberText(1e20), "1e+20");
    EXPECT_EQ(batch::numberText(1234567890123.0), "1234567890123");
}

} // namespace

// The check of a list on the workers: a stop, or a front end that stops answering, ends it before
// the last file, and what was handed stays in list order. The window cannot time its stop click,
// so this is where stopping is pinned down.
#include "batch/batch_check.h"

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::AnsiText;

struct StopRow {
    const char* name;
    bool byToken; // the stop request; otherwise keepGoing answering false
};

class CheckStopTest : public ::testing::TestWithParam<StopRow> {};

TEST_P(CheckStopTest, NoFileIsHandedAfterTheStop) {
    const std::vector<AnsiText> files(40, "/nonexistent/file.txt");
    std::stop_source stop;
    bool stopped = false;
    std::vector<std::size_t> handed;
    std::atomic<int> checks = 0;
    const bool all = batch::checkInOrder(
        files, 2,
        [&checks](const AnsiText&, const engine::WorkControl&) {
            ++checks;
            return engine::ConversionCheck{};
        },
        stop.get_token(), [&stopped] { return !stopped; },
        [&](std::size_t index, engine::ConversionCheck) {
            handed.push_back(index);
            if (index == 2) {
                stopped = true;
                if (GetParam().byToken)
                    stop.request_stop();
            }
        });
    EXPECT_FALSE(all);
    // A stop request takes effect at once; the front end's answer at its next asking, after the
    // files already done are handed.
    if (GetParam().byToken) {
        EXPECT_EQ(handed.size(), 3u);
    }
    EXPECT_LT(handed.size(), 8u);
    for (std::size_t i = 0; i < handed.size(); ++i)
        EXPECT_EQ(handed[i], i);
    EXPECT_LT(checks.load(), 40);
}

INSTANTIATE_TEST_SUITE_P(Ways, CheckStopTest,
                         ::testing::Values(StopRow{"StopRequested", true},
                                           StopRow{"FrontEndGone", false}),
                         [](const ::testing::TestParamInfo<StopRow>& row) {
                             return std::string(row.param.name);
                         });

} // namespace

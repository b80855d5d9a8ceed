#include "batch/elapsed_time_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace batch {
namespace {

struct TimeStep {
    double divisor; // 1 for the first step: milliseconds are shown as they are
    double limit;   // the value stays in this unit while it is below this
    const char* unit;
};

// Years have no limit: whatever reaches them is shown in years.
constexpr std::array<TimeStep, 7> timeSteps{{
    {1, 1000, " 毫秒"},
    {1000, 60, " 秒"},
    {60, 60, " 分"},
    {60, 24, " 时"},
    {24, 30, " 天"},
    {30, 12, " 月"},
    {12, INFINITY, " 年"},
}};

// A value no more than this below a limit counts as having reached it.
constexpr double limitTolerance = 0.0000001;

} // namespace

double twoDecimals(double x) {
    if (x == 0)
        return 0;
    double scaled = std::fabs(x) * 100 + 0.000000000001;
    double whole = 0;
    double fraction = std::modf(scaled, &whole);
    double rounded = (fraction >= 0.5 ? whole + 1 : whole) / 100;
    return std::copysign(rounded, x);
}

platform::AnsiText numberText(double v) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                      std::chars_format::general, 13);
    if (error != std::errc())
        return {};
    return platform::AnsiText(buffer.data(), end);
}

platform::AnsiText elapsedTimeText(int64_t milliseconds) {
    double v = static_cast<double>(milliseconds);
    for (const TimeStep& step : timeSteps) {
        v /= step.divisor;
        if (v - step.limit < -limitTolerance || std::isinf(step.limit))
            return numberText(twoDecimals(v)) + platform::ansi(step.unit);
    }
    return {}; // not reached: the last step always answers
}

} // namespace batch

// The duration shown in the completion report of a batch run: one number with at most two
// decimals and the largest Chinese unit the duration reaches, e.g. "1.53 秒".
#pragma once

#include <cstdint>

#include "platform/ansi_text.h"

namespace batch {

// The duration as "<number> <unit>", unit 毫秒, 秒, 分, 时, 天, 月 (30 days) or 年 (12 such
// months). The unit is chosen on the unrounded value, so 59,995 ms reads "60 秒". A negative
// count stays in milliseconds.
platform::AnsiText elapsedTimeText(int64_t milliseconds);

// Rounds to two decimals, halves away from zero, nudged up by 1e-12 (in hundredths) so that
// 1.005, stored just below, still rounds to 1.01.
double twoDecimals(double x);

// The value as printf's "%.13g" writes it in the C locale: 530, 1.5, 1.53, -1. Independent of
// the process locale, which the window toolkit sets from the environment.
platform::AnsiText numberText(double v);

} // namespace batch

// A millisecond clock that never jumps or wraps, for the run's elapsed time.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point (system boot); only differences mean anything.
std::int64_t monotonicMilliseconds();

} // namespace platform

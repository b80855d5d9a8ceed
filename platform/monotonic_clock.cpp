#include "platform/monotonic_clock.h"

#include <chrono>

namespace platform {

std::int64_t monotonicMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace platform

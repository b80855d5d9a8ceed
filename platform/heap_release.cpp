#include "platform/heap_release.h"

#include <mutex>

#include <malloc.h>

namespace platform {

void giveLargeBuffersBack() {
    static std::once_flag once;
    // A fixed threshold also ends the allocator's raising it after each large buffer freed.
    std::call_once(once, [] { (void)mallopt(M_MMAP_THRESHOLD, 1 << 20); });
}

} // namespace platform

// The program's one cache of iconv conversion descriptors. Opening a descriptor costs more than
// converting a short text, and a run converts paths, captions and contents of many files, so
// each (to, from) pair is opened once and then lent out again and again.
//
// The cache is per thread: a descriptor carries conversion state and must never serve two
// threads at once, and a per-thread cache hands one out without any lock on the hot path. A
// thread's descriptors are closed when the thread ends. Pairs iconv does not know are not kept.
#pragma once

#include <string>
#include <string_view>

#include <iconv.h>

#include "platform/iconv_handle.h"

namespace platform {

// A descriptor lent by the calling thread's cache for one conversion, in its initial shift
// state; it returns to the cache when the lease ends. A second lease of the same pair while the
// first is held gets a descriptor of its own. A lease stays on the thread that took it.
class IconvLease {
public:
    IconvLease(std::string_view to, std::string_view from);
    ~IconvLease();
    IconvLease(const IconvLease&) = delete;
    IconvLease& operator=(const IconvLease&) = delete;

    // Whether iconv knows the pair.
    bool valid() const { return entry.handle.valid(); }
    iconv_t get() const { return entry.handle.get(); }
    // Back to the initial shift state, to start over within the same lease.
    void resetState() const { entry.handle.resetState(); }

    struct Entry {
        std::string to;
        std::string from;
        IconvHandle handle;
    };

private:
    Entry entry;
};

// How many idle descriptors a thread keeps; the one unused longest goes first.
inline constexpr std::size_t keptIconvDescriptors = 16;

} // namespace platform

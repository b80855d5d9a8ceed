#include "platform/iconv_cache.h"

#include <vector>

namespace platform {

namespace {

// Idle descriptors of this thread, the most recently returned last.
std::vector<IconvLease::Entry>& idleDescriptors() {
    thread_local std::vector<IconvLease::Entry> idle;
    return idle;
}

} // namespace

IconvLease::IconvLease(std::string_view to, std::string_view from) {
    std::vector<Entry>& idle = idleDescriptors();
    for (auto it = idle.rbegin(); it != idle.rend(); ++it) {
        if (it->to == to && it->from == from) {
            entry = std::move(*it);
            idle.erase(std::next(it).base());
            entry.handle.resetState();
            return;
        }
    }
    entry.to = to;
    entry.from = from;
    entry.handle = IconvHandle(entry.to.c_str(), entry.from.c_str());
}

IconvLease::~IconvLease() {
    if (!entry.handle.valid())
        return;
    std::vector<Entry>& idle = idleDescriptors();
    if (idle.size() >= keptIconvDescriptors)
        idle.erase(idle.begin());
    idle.push_back(std::move(entry));
}

} // namespace platform

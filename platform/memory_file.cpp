#include "platform/memory_file.h"

namespace platform {

void MemoryFile::reserveFor(std::size_t size) {
    if (size > data.capacity())
        data.reserve((size + growthStep - 1) / growthStep * growthStep);
}

bool MemoryFile::readAt(std::int64_t offset, std::int64_t count, std::string& out) const {
    if (offset < 0 || count < 0 || offset + count > length())
        return false;
    out.assign(data, static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
    return true;
}

bool MemoryFile::writeAt(std::int64_t offset, std::string_view bytes) {
    if (offset < 0)
        return false;
    const auto start = static_cast<std::size_t>(offset);
    const std::size_t end = start + bytes.size();
    reserveFor(end);
    if (end > data.size())
        data.resize(end, '\0');
    data.replace(start, bytes.size(), bytes);
    return true;
}

bool MemoryFile::truncate(std::int64_t newLength) {
    if (newLength < 0)
        return false;
    reserveFor(static_cast<std::size_t>(newLength));
    data.resize(static_cast<std::size_t>(newLength), '\0');
    return true;
}

} // namespace platform

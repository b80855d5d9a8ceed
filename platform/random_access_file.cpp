#include "platform/random_access_file.h"

#include <algorithm>

namespace platform {

bool insertBytes(RandomAccessFile& file, std::int64_t offset, std::string_view bytes) {
    const std::int64_t fileLength = file.length();
    if (fileLength < 0 || offset < 0 || offset > fileLength)
        return false;
    const auto count = static_cast<std::int64_t>(bytes.size());
    if (count == 0)
        return true;
    std::string chunk;
    for (std::int64_t end = fileLength; end > offset;) {
        const std::int64_t start = std::max(offset, end - editChunkSize);
        if (!file.readAt(start, end - start, chunk) || !file.writeAt(start + count, chunk))
            return false;
        end = start;
    }
    return file.writeAt(offset, bytes);
}

bool deleteBytes(RandomAccessFile& file, std::int64_t offset, std::int64_t count) {
    const std::int64_t fileLength = file.length();
    if (fileLength < 0 || offset < 0 || count < 0 || offset + count > fileLength)
        return false;
    if (count == 0)
        return true;
    std::string chunk;
    for (std::int64_t source = offset + count; source < fileLength;) {
        const std::int64_t size = std::min(editChunkSize, fileLength - source);
        if (!file.readAt(source, size, chunk) || !file.writeAt(source - count, chunk))
            return false;
        source += size;
    }
    return file.truncate(fileLength - count);
}

bool replaceBytes(RandomAccessFile& file, std::int64_t offset, std::int64_t count,
                  std::string_view bytes) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (offset < 0 || count < 0)
        return false;
    if (size > count) {
        // Open a gap behind the overwritten bytes for the surplus, then overwrite.
        return insertBytes(file, offset + count, bytes.substr(static_cast<std::size_t>(count))) &&
               file.writeAt(offset, bytes.substr(0, static_cast<std::size_t>(count)));
    }
    return deleteBytes(file, offset + size, count - size) && file.writeAt(offset, bytes);
}

} // namespace platform

#include "platform/file_descriptor.h"

#include <cerrno>

#include <unistd.h>

namespace platform {

void FileDescriptor::reset() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO; // no progress and no reason: never spin on it
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace platform

#include "platform/file_descriptor.h"

#include <unistd.h>

namespace platform {

void FileDescriptor::reset() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace platform

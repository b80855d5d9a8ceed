#include "platform/editable_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"

namespace platform {

namespace {

bool writeAll(int fd, std::int64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

} // namespace

std::unique_ptr<EditableFile> EditableFile::open(const AnsiText& path) {
    const auto native = nativePath(path);
    if (!native || native->empty())
        return nullptr;
    FileDescriptor descriptor(::open(native->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (descriptor.get() < 0)
        return nullptr;
    // Only a regular file can be edited by offset.
    struct stat status {};
    if (::fstat(descriptor.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    int locked;
    do {
        locked = ::flock(descriptor.get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0)
        return nullptr;
    return std::unique_ptr<EditableFile>(new EditableFile(descriptor.release()));
}

EditableFile::~EditableFile() {
    // Closing the last descriptor of the open file description drops the lock too.
    ::close(fd);
}

std::int64_t EditableFile::length() const {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return -1;
    return status.st_size;
}

bool EditableFile::readAt(std::int64_t offset, std::int64_t count, std::string& out) const {
    if (offset < 0 || count < 0)
        return false;
    out.resize(static_cast<std::size_t>(count));
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, out.data() + done, count - done, offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool EditableFile::writeAt(std::int64_t offset, std::string_view bytes) {
    return offset >= 0 && writeAll(fd, offset, bytes);
}

bool EditableFile::truncate(std::int64_t newLength) {
    return newLength >= 0 && ::ftruncate(fd, newLength) == 0;
}

} // namespace platform

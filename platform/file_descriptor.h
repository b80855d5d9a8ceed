// An open file descriptor owned by one object and closed when it goes away.
#pragma once

#include <string_view>

namespace platform {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : fd(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd = other.release();
        }
        return *this;
    }
    ~FileDescriptor() { reset(); }

    int get() const { return fd; }
    // Hands the descriptor over to the caller, who closes it.
    int release() {
        const int kept = fd;
        fd = -1;
        return kept;
    }
    // Closes the descriptor now.
    void reset();

private:
    int fd;
};

// Writes every byte at the descriptor's position, resuming after interruptions and short
// writes. False with errno set when the system refuses.
bool writeAll(int fd, std::string_view bytes);

} // namespace platform

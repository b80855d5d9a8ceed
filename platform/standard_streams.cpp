#include "platform/standard_streams.h"

#include <cerrno>

#include <unistd.h>

#include "platform/interrupt_signal.h"

namespace platform {

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

std::ptrdiff_t readStandardInput(char* buffer, std::size_t size) {
    while (true) {
        const ssize_t count = read(STDIN_FILENO, buffer, size);
        if (count >= 0 || errno != EINTR || interruptSignal() != 0)
            return count;
    }
}

bool writeStandardOutput(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR && interruptSignal() == 0)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

} // namespace platform

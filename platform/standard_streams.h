// Standard input and output as byte streams, for the command line's stream mode.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Whether standard input is a terminal (a person typing) rather than a pipe or a file.
bool standardInputIsTerminal();

// Reads up to `size` bytes of standard input: the count, 0 at its end, or -1 with errno set. An
// interrupted read is tried again unless a signal noted by catchInterruptSignals came.
std::ptrdiff_t readStandardInput(char* buffer, std::size_t size);

// Writes all of `bytes` to standard output; false with errno set when it could not (EPIPE
// once the reader went away).
bool writeStandardOutput(std::string_view bytes);

} // namespace platform

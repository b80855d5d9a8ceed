#include "platform/path_scan.h"

namespace platform {

AnsiText directoryOfPath(std::string_view path) {
    const size_t separator = lastSeparator(path);
    return separator == std::string_view::npos ? AnsiText() : AnsiText(path.substr(0, separator));
}

AnsiText fileNameOfPath(std::string_view path) {
    const size_t separator = lastSeparator(path);
    return AnsiText(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

AnsiText baseNameOfPath(std::string_view path) {
    const AnsiText name = fileNameOfPath(path);
    const size_t dot = lastAsciiCharacter(name, '.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

} // namespace platform

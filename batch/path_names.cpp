#include "batch/path_names.h"

#include "platform/file_system.h"
#include "platform/path_scan.h"

namespace batch {

AnsiText directoryOfPath(std::string_view path) {
    size_t separator = platform::lastSeparator(path);
    return separator == std::string_view::npos ? AnsiText() : AnsiText(path.substr(0, separator));
}

AnsiText baseNameOfPath(std::string_view path) {
    size_t separator = platform::lastSeparator(path);
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    // The last dot, found character-wise like the separator, so a trail byte is never a dot.
    size_t lastDot = std::string_view::npos;
    platform::forEachAsciiCharacter(name, '.', [&](size_t position) { lastDot = position; });
    return AnsiText(lastDot == std::string_view::npos ? name : name.substr(0, lastDot));
}

bool createFolderPath(std::string_view path) {
    bool created = true;
    platform::forEachSeparator(path, [&](size_t position) {
        if (!created)
            return;
        std::string_view prefix = path.substr(0, position);
        if (platform::namesFileSystemRoot(prefix) || platform::pathExists(prefix))
            return;
        created = platform::makeFolder(prefix);
    });
    return created;
}

} // namespace batch

// Character-wise search for the path separator in GB18030 paths: a byte of 0x80 or above starts
// a two-byte character whose second byte is never taken for a separator. Four-byte GB18030
// sequences scan as two such pairs, whose second bytes (0x30-0x39) are never separators either.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/ansi_text.h"

namespace platform {

// Byte positions (0-based) of every occurrence of an ASCII character in the path, in order,
// found character-wise.
template <typename Visit>
void forEachAsciiCharacter(std::string_view path, char wanted, Visit visit) {
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(path[i]);
        if (byte >= 0x80)
            ++i;
        else if (byte == static_cast<unsigned char>(wanted))
            visit(i);
    }
}

// Byte positions (0-based) of every separator in the path, in order, found character-wise.
template <typename Visit> void forEachSeparator(std::string_view path, Visit visit) {
    forEachAsciiCharacter(path, pathSeparator, visit);
}

// Position of the last separator, or npos when the path has none.
inline size_t lastSeparator(std::string_view path) {
    size_t last = std::string_view::npos;
    forEachSeparator(path, [&](size_t position) { last = position; });
    return last;
}

// True when a path prefix names the file-system root rather than a folder to create: empty on
// Linux ("/a" splits into "" and "a"); on Windows a drive such as "D:" or an empty UNC start.
inline bool namesFileSystemRoot(std::string_view prefix) {
#ifdef _WIN32
    return prefix.empty() || (prefix.size() == 2 && prefix[1] == ':');
#else
    return prefix.empty();
#endif
}

} // namespace platform

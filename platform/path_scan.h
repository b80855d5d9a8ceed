// Pieces of GB18030 paths: the folder part, the file name, the name without its extension. Every
// search is character-wise: a byte of 0x80 or above starts a two-byte character whose second
// byte is never taken for a separator or a dot. Four-byte GB18030 sequences scan as two such
// pairs, whose second bytes (0x30-0x39) are never separators either.
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

// Position of the last occurrence of an ASCII character, found character-wise; npos if none.
inline size_t lastAsciiCharacter(std::string_view path, char wanted) {
    size_t last = std::string_view::npos;
    forEachAsciiCharacter(path, wanted, [&](size_t position) { last = position; });
    return last;
}

// Position of the last separator, or npos when the path has none.
inline size_t lastSeparator(std::string_view path) {
    return lastAsciiCharacter(path, pathSeparator);
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

// The bytes before the last separator; empty when the path has none.
AnsiText directoryOfPath(std::string_view path);

// The characters after the last separator, or the whole path when it has none.
AnsiText fileNameOfPath(std::string_view path);

// The file name cut before its last "." (readme.old.txt -> readme.old; .htaccess -> empty; a
// name without a dot stays whole).
AnsiText baseNameOfPath(std::string_view path);

} // namespace platform

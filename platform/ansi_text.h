// The program's two byte-string types and the edge conversions. Inside the program every text
// (file content, paths, captions, settings) is GB18030; UTF-8 appears only at the edges: the
// program's own literals, the file system's names and the window's strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// GB18030 text. May hold zero bytes as a std::string; operations that follow the classic
// zero-terminated reading cut at the first zero byte themselves.
using AnsiText = std::string;

// Raw bytes of any encoding (file content, encoded output); length-counted, zero bytes allowed.
using ByteBuffer = std::string;

// The program's own UTF-8 literal as AnsiText: ansi("转换结果"). A literal that is not valid
// UTF-8 is a programming error and comes back empty.
AnsiText ansi(std::string_view utf8Literal);

// GB18030 text as UTF-8, or nothing when the bytes are not valid GB18030.
std::optional<std::string> utf8FromAnsi(std::string_view text);

// UTF-8 text as GB18030, or nothing when the bytes are not valid UTF-8 (a Linux file name may
// hold any bytes; such a name cannot be represented inside the program).
std::optional<AnsiText> ansiFromUtf8(std::string_view utf8);

// A path as the file system takes it (UTF-8 on Linux), or nothing when it is not valid GB18030.
std::optional<std::string> nativePath(std::string_view path);

// A path the file system gave, as AnsiText, or nothing when it cannot be represented.
std::optional<AnsiText> ansiPath(std::string_view native);

// The platform's path separator ('/' on Linux), as the path helpers use it.
inline constexpr char pathSeparator = '/';

} // namespace platform

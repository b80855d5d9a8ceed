#include "platform/ansi_text.h"

#include <algorithm>

#include "platform/iconv_handle.h"

namespace platform {

AnsiText ansi(std::string_view utf8Literal) {
    return ansiFromUtf8(utf8Literal).value_or(AnsiText());
}

namespace {

// ASCII is itself in both: a path or name of it needs no converter.
bool isAsciiText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::optional<std::string> utf8FromAnsi(std::string_view text) {
    if (isAsciiText(text))
        return std::string(text);
    std::string out;
    if (!convertStrict("UTF-8", "GB18030", text, out))
        return std::nullopt;
    return out;
}

std::optional<AnsiText> ansiFromUtf8(std::string_view utf8) {
    if (isAsciiText(utf8))
        return AnsiText(utf8);
    AnsiText out;
    if (!convertStrict("GB18030", "UTF-8", utf8, out))
        return std::nullopt;
    return out;
}

std::optional<std::string> nativePath(std::string_view path) {
    return utf8FromAnsi(path);
}

std::optional<AnsiText> ansiPath(std::string_view native) {
    return ansiFromUtf8(native);
}

} // namespace platform

// The fallbacks that run when the charset converter rejects a whole text: the system's
// code-page converters, which never reject anything but replace what they cannot read or
// represent. Each gives the bytes the classic program gives, plus whether anything was replaced.
#pragma once

#include <string_view>

#include "engine/code_page_conversion.h"
#include "platform/ansi_text.h"

namespace engine {

using platform::ByteBuffer;

// UTF-8 bytes as ANSI text; ill-formed sequences become "?" (through U+FFFD).
CodePageResult decodeUtf8BySystem(std::string_view bytes);

// UTF-16 bytes, always taken as little-endian, as ANSI text up to the first zero unit.
CodePageResult decodeUtf16BySystem(std::string_view bytes);

// ANSI text (up to its first zero byte) as UTF-16LE units followed by a zero unit.
CodePageResult encodeUtf16LEBySystem(std::string_view text);

// The same as big-endian units; the final zero unit stays as it is.
CodePageResult encodeUtf16BEBySystem(std::string_view text);

// ANSI text (up to its first zero byte) as UTF-8, including one terminating zero byte.
CodePageResult encodeUtf8BySystem(std::string_view text);

} // namespace engine

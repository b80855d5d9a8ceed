// The fallbacks that run when the charset converter rejects a whole text: the system's
// code-page converters, which never reject anything but replace what they cannot read or
// represent. Each gives the bytes the classic program gives, plus whether anything was replaced.
// A long text goes through in pieces, on the control's workers when it lends them, with the
// same bytes as whole; the control's stop is seen between pieces and gives an abandoned result.
#pragma once

#include <string_view>

#include "engine/charset_conversion.h"
#include "engine/code_page_conversion.h"
#include "engine/text_encoding.h"
#include "engine/work_control.h"
#include "platform/ansi_text.h"

namespace engine {

using platform::ByteBuffer;

// UTF-8 bytes as ANSI text; ill-formed sequences become "?" (through U+FFFD).
CodePageResult decodeUtf8BySystem(std::string_view bytes, const WorkControl& control = {});

// UTF-16 bytes, always taken as little-endian, as ANSI text up to the first zero unit.
CodePageResult decodeUtf16BySystem(std::string_view bytes, const WorkControl& control = {});

// ANSI text (up to its first zero byte) as UTF-16LE units followed by a zero unit.
CodePageResult encodeUtf16LEBySystem(std::string_view text, const WorkControl& control = {});

// The same as big-endian units; the final zero unit stays as it is.
CodePageResult encodeUtf16BEBySystem(std::string_view text, const WorkControl& control = {});

// ANSI text (up to its first zero byte) as UTF-8, including one terminating zero byte.
CodePageResult encodeUtf8BySystem(std::string_view text, const WorkControl& control = {});

// What writing a fallback's bytes into a sink came to.
enum class FallbackOutcome {
    Exact,     // nothing was replaced
    Lossy,     // some character became "?"
    Refused,   // the sink refused bytes
    Abandoned, // the control's stop came between pieces; the sink holds part
};

// The text (up to its first zero byte) as `encoding` (UTF-8, UTF-16LE or UTF-16BE) by the
// system's converters, without a terminating zero, appended to `sink` piece by piece.
FallbackOutcome encodeBySystemInto(std::string_view text, TextEncoding encoding, ByteSink& sink,
                                   const WorkControl& control = {});

// A code-page step (big5ToAnsi, ansiToBig5) over the text up to its first zero byte, in pieces
// cut where the code pages allow.
CodePageResult codePageInPieces(CodePageResult (*step)(std::string_view), std::string_view text,
                                const WorkControl& control = {});

// codePageInPieces with the result written over `text` itself as the pieces come in order, each
// where its own source was while it fits there (the code pages keep most characters' lengths),
// so that a long text and its result are not held at once. The returned text is empty; `text`
// is the result, or part mapped when the result says abandoned.
CodePageResult codePageInPiecesOver(CodePageResult (*step)(std::string_view), AnsiText& text,
                                    const WorkControl& control);

} // namespace engine

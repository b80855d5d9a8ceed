// Conversions between code page 936 (the internal text) and code page 950 (Big5), used by the
// Big5 decoding fallback and by the Big5 script steps.
#pragma once

#include <string_view>

#include "platform/ansi_text.h"

namespace engine {

using platform::AnsiText;

struct [[nodiscard]] CodePageResult {
    AnsiText text;          // the whole text; characters the target code page lacks became "?"
    bool lossy;             // true when at least one character became "?"
    bool abandoned = false; // a stop came before the text was done: no text
};

// Big5 (code page 950) text, read up to its first zero byte, as code page 936 text.
CodePageResult big5ToAnsi(std::string_view text);

// Big5 (code page 950) text, read up to its first zero byte, as the internal GB18030 text: every
// Big5 character kept, also those code page 936 lacks. For a Big5 script step's result that is
// written in a Unicode encoding.
CodePageResult big5ToText(std::string_view text);

// Code page 936 text, read up to its first zero byte, as Big5 (code page 950) text.
CodePageResult ansiToBig5(std::string_view text);

} // namespace engine

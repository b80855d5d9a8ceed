// The encodings the program reads and writes, with their converter names and byte-order marks.
// One table serves detection and encoding alike.
#pragma once

#include <string_view>

namespace engine {

// Shared by the input choice, the output choice and the detected encoding. The user can choose
// Auto..Utf16BE; Big5 and Big5Hkscs arise only from a web page's declared charset.
enum class TextEncoding : int {
    Auto = 0,      // input: detect; output: the detected input encoding
    Ansi = 1,      // the internal GB18030 text, written unchanged
    Utf8 = 2,      // "UTF-8", mark EF BB BF
    Utf16LE = 3,   // "UTF-16LE" ("Unicode"), mark FF FE
    Utf16BE = 4,   // "UTF-16BE" ("Unicode big endian"), mark FE FF
    Big5 = 5,      // "BIG5", no mark
    Big5Hkscs = 6, // "BIG5-HKSCS", no mark
};

// iconv's name for the encoding; empty for Auto, Ansi and values outside the table.
std::string_view converterName(TextEncoding encoding);

// The byte-order mark written in front of the encoded text; empty when the encoding has none.
std::string_view byteOrderMark(TextEncoding encoding);

// A short English name for reports and logs ("auto", "ansi", "utf8", "utf16le", ...).
std::string_view encodingName(TextEncoding encoding);

} // namespace engine

// Stepping through text one character at a time: the double-byte Chinese encodings, UTF-8, and
// bytes written out for people to read (hexadecimal, control characters).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Which reading of GB18030 (and of Big5, which shares its lead bytes) decides how long a
// character is.
enum class DoubleByteRule {
    // The charset converter's: a lead byte 81-FE with a trail byte 40-FE other than 7F is two
    // bytes, a lead byte, a digit, a lead byte and a digit are four, any other byte stands alone.
    // Whoever walks text the converter reads (or refuses) uses it, so that an unreadable byte
    // is passed over alone and valid characters stay whole.
    Gb18030,
    // The system's code pages 936 and 950: a lead byte takes whatever byte follows it except the
    // zero that ends the text. Whoever imitates the system's reading uses it.
    CodePage,
};

inline bool isDoubleByteLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// The length under the code-page rule of the character starting with `first`, `next` being the
// byte after it (0 at the end of the text).
inline std::size_t codePageLength(unsigned char first, unsigned char next) {
    return isDoubleByteLead(first) && next != 0 ? 2 : 1;
}

// The length (1, 2 or 4) of the character at `at` (< text.size()) under `rule`; never reaches
// past the end of the text.
inline std::size_t doubleByteLength(std::string_view text, std::size_t at, DoubleByteRule rule) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (!isDoubleByteLead(byte(at)) || at + 1 >= text.size())
        return 1;
    const unsigned char second = byte(at + 1);
    if (rule == DoubleByteRule::CodePage)
        return codePageLength(byte(at), second);
    if (second >= 0x40 && second <= 0xFE && second != 0x7F)
        return 2;
    const auto isDigit = [](unsigned char b) { return b >= 0x30 && b <= 0x39; };
    if (isDigit(second) && at + 3 < text.size() && isDoubleByteLead(byte(at + 2)) &&
        isDigit(byte(at + 3)))
        return 4;
    return 1;
}

enum class Utf8Status {
    Valid,
    Truncated, // a well-formed beginning of a character that the end of the text cuts off
    Invalid,
};

struct Utf8Step {
    Utf8Status status = Utf8Status::Invalid;
    // Valid: the character's bytes. Truncated: the bytes up to the end. Invalid: the maximal
    // ill-formed part, at least one byte, which a reader replaces by one U+FFFD.
    std::size_t length = 1;
    char32_t scalar = 0; // when Valid
};

// The UTF-8 character at `at` (< text.size()). Overlong forms, surrogates and values past
// U+10FFFF are ill-formed.
Utf8Step utf8StepAt(std::string_view text, std::size_t at);

// Whether `text` is well-formed UTF-8 throughout, with no character cut off at the end. Zero
// bytes are ASCII here.
bool isValidUtf8(std::string_view text);

// Bytes below 0x20 and DEL.
inline bool isControlByte(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

enum class ControlEscape {
    C,    // \xHH
    Json, // \u00HH
};

// A control byte as an escape: \n, \r and \t by name, any other in `style`, in lower-case hex.
std::string escapedControl(unsigned char byte, ControlEscape style);

// Each byte as two lower-case hex digits behind `prefix`: "\\x" gives "\\xe4\\xbd", "" gives
// "e4bd".
std::string hexBytes(std::string_view bytes, std::string_view prefix);

} // namespace platform

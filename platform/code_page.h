// The system's code-page converters between byte strings and UTF-16: the program's fallbacks
// when the charset converter rejects a text, and the Big5 conversions. They answer as the
// classic code-page services answer, including for invalid input, so the fallbacks built on
// them give the same bytes everywhere.
#pragma once

namespace platform {

// The code pages the program uses. The system ANSI code page (0) is code page 936.
namespace codePage {
inline constexpr unsigned ansi = 0;
inline constexpr unsigned gbk = 936;
inline constexpr unsigned big5 = 950;
inline constexpr unsigned utf8 = 65001;
} // namespace codePage

// A length of -1 means the input is zero-terminated and the terminator is converted too.
inline constexpr int zeroTerminated = -1;

// Decodes `length` bytes of `bytes` in `codePage` into UTF-16 units.
// With `capacity` 0 (`out` may be null) it returns the number of units the conversion needs;
// otherwise it fills `out` and returns the number of units written. Returns 0 on failure: an
// unknown code page, a length of 0 or below -1, or an output buffer too small.
// Invalid input never fails: bad UTF-8 becomes U+FFFD per maximal ill-formed subsequence; in
// 936 and 950 a lead byte with any following byte (other than zero) is one character, and an
// unassigned pair, a bad trail byte or a lone lead byte becomes one "?". The code pages'
// user-defined characters (and the single byte FF) are read as the Private Use Area and written
// back from it. `replacedInvalid`, when given, is set to whether any replacement happened.
int multiByteToWideChar(unsigned codePage, const char* bytes, int length, char16_t* out,
                        int capacity, bool* replacedInvalid = nullptr);

// Encodes `length` UTF-16 units (-1: zero-terminated, terminator included) into `codePage`.
// With `capacity` 0 it returns the bytes needed, otherwise the bytes written; 0 on failure (an
// unknown code page, a bad length, a buffer too small, or a default character or used-default
// flag passed for UTF-8, which has none). A character that 936 or 950 cannot represent becomes
// the first byte of `defaultChar`, or "?" when none is passed, once per UTF-16 unit (an emoji
// gives two); `usedDefault`, when given, tells whether that happened. No look-alike is ever
// written in place of a missing character. For UTF-8 an unpaired surrogate becomes U+FFFD.
int wideCharToMultiByte(unsigned codePage, const char16_t* units, int length, char* out,
                        int capacity, const char* defaultChar = nullptr,
                        bool* usedDefault = nullptr);

} // namespace platform

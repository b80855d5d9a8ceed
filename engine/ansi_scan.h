// Character-wise scanning of ANSI text: a byte of 0x80 or above starts a two-byte character, so
// the second byte of a Chinese character is never taken for an ASCII character such as "<" or
// "/". These helpers search whole pages in place, without lower-cased copies.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/ansi_text.h"

namespace engine {

using platform::AnsiText;

// The length of the text that `data` holds when read as ANSI text: it ends before the first 0x00
// or 0x1A that starts a character, and before a lead byte whose next byte is 0x00. A lead byte
// that is the last byte of the data stays.
std::size_t ansiTextLength(std::string_view data);

// The position of the first byte of `data` that is `a`, `b` or `c`, or npos: one pass, 64 bytes
// a step, where a search for each would read the data three times.
std::size_t findAnyOf(std::string_view data, char a, char b, char c);

// Whether every byte of `text` is below 0x80.
bool isAscii(std::string_view text);

// The bytes of `data` read as ANSI text (a copy of the first ansiTextLength bytes).
AnsiText ansiTextCopy(std::string_view data);

// Tells which byte positions of a text begin a character. Each answer looks back only over the
// run of high bytes before the position and remembers what it learnt, so a sequence of rising
// positions costs time linear in the text.
class CharacterStarts {
public:
    explicit CharacterStarts(std::string_view scanned) : text(scanned) {}
    bool isStart(std::size_t position);

private:
    std::string_view text;
    std::size_t known = 0; // a position known to begin a character
};

// The first position at or after `from` where `marker` begins at a character start, or npos.
// With `caseless` ASCII letters match either case; everything else matches exactly, two-byte
// characters as wholes. An empty marker is found at `from`.
std::size_t findMarker(std::string_view text, std::string_view marker, std::size_t from = 0,
                       bool caseless = true);

} // namespace engine

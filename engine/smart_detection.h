// The statistical reading of a source that carries no mark and declares no charset: UTF-16 by
// the shape of its code units, then GB18030, Big5 or UTF-8 by the byte statistics of uchardet.
// Only what the engine can decode is ever answered; everything else is left to the ANSI reading.
#pragma once

#include <string_view>

#include "engine/text_encoding.h"

namespace engine {

// UTF-16LE or UTF-16BE when `data` reads as UTF-16 text without a mark, else Auto. A byte
// order is taken when the data has an even length and, read in that order, holds no U+0000, no
// unpaired surrogate, no U+FFFE or U+FFFF, and at least 95 % code units of text (ASCII, Latin-1,
// CJK ideographs, punctuation, kana, full-width forms, surrogate pairs), and one of:
// - some units are ASCII or Latin-1, and at least as many zero bytes lie on their high side
//   (odd offsets for LE, even for BE) as on the other, where CJK characters like U+4E00 put
//   theirs;
// - the data is not valid UTF-8 (`validUtf8`), it holds a byte of 0x80 or above
//   (pairs of ASCII letters read as CJK ideographs), at least half the units are ideographs,
//   and fewer than a quarter of the units have a zero low byte (ASCII read the wrong way round).
// When both byte orders are taken, neither is.
TextEncoding utf16WithoutMark(std::string_view data, bool validUtf8);

// Whether `data` is well-formed UTF-8 throughout: no overlong form, no surrogate, nothing above
// U+10FFFF, no sequence cut off at the end. Zero bytes are ASCII here.
bool isValidUtf8(std::string_view data);

// The encoding a source the classic rules would read as ANSI is taken to be: UTF-16LE/BE by
// utf16WithoutMark; Ansi for valid UTF-8 (the ANSI reading tries UTF-8 first and finds it);
// else what uchardet decides from up to 64 KiB starting at the first byte of 0x80 or above:
// Ansi for GB18030, GBK and GB2312, Big5, Big5Hkscs, Utf8 (UTF-8 with a defect, decoded with
// the system's replacement), UTF-16 by name. ASCII, no answer and every other charset give Ansi.
TextEncoding smartSourceEncoding(std::string_view data);

} // namespace engine

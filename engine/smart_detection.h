// The statistical reading of a source that carries no mark and declares no charset: UTF-16 by
// the shape of its code units, then GB18030, Big5 or UTF-8 by the byte statistics of uchardet.
// Only what the engine can decode is ever answered; everything else is left to the ANSI reading.
#pragma once

#include <string_view>

#include "engine/text_encoding.h"

namespace engine {

// UTF-16LE or UTF-16BE when `data` reads as UTF-16 text without a mark, else Auto. A lone last
// byte (a file cut inside its last unit) is left out. A byte order is taken when, read in that
// order, the data holds no U+0000, no unpaired surrogate, no U+FFFE or U+FFFF, and at least 95 %
// code units of text (ASCII, Latin, Greek, Cyrillic, CJK ideographs, punctuation, symbols, box
// drawing, kana, full-width forms, surrogate pairs), and one of:
// - some units are ASCII or Latin-1, and at least as many zero bytes lie on their high side
//   (odd offsets for LE, even for BE) as on the other, where CJK characters like U+4E00 and
//   box drawing like U+2500 put theirs;
// - some units are ASCII or Latin-1, and the other byte order holds no forbidden unit or
//   unpaired surrogate but falls short of 95 % text;
// - the data is not valid UTF-8 (`validUtf8`), it holds a byte of 0x80 or above (pairs of
//   ASCII letters read as CJK ideographs), at least half the units are ideographs, fewer than
//   a quarter of the units have a zero low byte (ASCII read the wrong way
//   round), and the data does not decode cleanly as GB18030 with a four-byte character among it.
// When both byte orders are taken, neither is; but when the last rule alone takes them, the
// order whose ideographs are the more common in Chinese is. An order the last rule alone takes
// is dropped when the data decodes cleanly as GB18030 or Big5 into Chinese at least as common
// (its printable ASCII counting a little).
TextEncoding utf16WithoutMark(std::string_view data, bool validUtf8);

// The encoding a source the classic rules would read as ANSI is taken to be: UTF-16LE/BE by
// utf16WithoutMark; Ansi for ASCII (the ANSI reading tries UTF-8 first and finds it); Utf8 for
// other valid UTF-8 unless it reads cleanly as GB18030 into Chinese more than twice as common
// (then Ansi, which the decoding must not try as UTF-8: DetectedEncoding::utf8Trial); Utf8
// for UTF-8 cut inside its last character, unless it reads cleanly as GB18030 or Big5 into
// Chinese at least as common. Any other data is never UTF-8: it is read from its first byte of
// 0x80 or above (up to 64 KiB) as GB18030 (Ansi) and as Big5. A reading that decodes cleanly
// (no malformed, unassigned or user-defined code) wins over one that does not; between two
// clean readings the one whose characters are the more common in Chinese wins (Big5 by a clear
// lead when it holds a single two-byte character).
// A tie, or two unclean readings, go to uchardet: Big5, Big5Hkscs and UTF-16 as it names them,
// anything else Ansi.
TextEncoding smartSourceEncoding(std::string_view data);

// The encoding of a web page that declares `declared` (Utf8, Big5 or Big5Hkscs), confirmed by
// its bytes; otherwise what smartSourceEncoding finds. UTF-8 holds unless the bytes are not
// UTF-8 (cut inside the last character counts as UTF-8). Big5 holds unless the bytes are UTF-8
// with a character of two bytes or more, or read cleanly as GB18030 while they do not as Big5
// (only by the shape of the bytes for Big5-HKSCS) or score over twice as plausible as GB18030.
TextEncoding smartDeclaredEncoding(std::string_view data, TextEncoding declared);

// What a source that the classic rules read as ANSI surely is instead: UTF-16LE/BE by
// utf16WithoutMark (from 32 bytes on), or Big5 when at least four two-byte characters read cleanly
// as Big5 and either not cleanly as GB18030 (at no higher a score) or over twice as plausibly as
// Big5. Auto when there is no such certainty; valid UTF-8 (which the classic rule reads as such)
// never has it.
TextEncoding surelyNotAnsi(std::string_view data);

} // namespace engine

// The encodings the program reads and writes, with their converter names and byte-order marks,
// and the three steps built on them: detecting a source's encoding, decoding its content into
// the internal GB18030 text, and encoding that text into the bytes of an output file.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/charset_conversion.h"
#include "engine/conversion_problems.h"
#include "engine/work_control.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace engine {

using platform::AnsiText;
using platform::ByteBuffer;
using platform::FileProblem;

// Shared by the input choice, the output choice and the detected encoding. The window offers
// Auto..Utf16BE; Big5 and Big5Hkscs also arise from a web page's declared charset. The command
// line may also name any other encoding iconv knows, with a value from firstOtherEncoding on
// (engine/other_encodings.h).
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
// iconv's UTF-8 names have UTF-8's, which is written only when asked for.
std::string_view byteOrderMark(TextEncoding encoding);

// A short English name for reports and logs ("auto", "ansi", "utf8", "utf16le", ...).
std::string_view encodingName(TextEncoding encoding);

struct [[nodiscard]] DetectedEncoding {
    TextEncoding encoding;
    std::size_t contentStart; // the first byte after a skipped byte-order mark
    // Ansi only: whether decoding tries the content as UTF-8 first. The smart rule says no when
    // it found GBK bytes that happen to be valid UTF-8 too (一 is D2 BB, Cyrillic һ in UTF-8).
    bool utf8Trial = true;
};

// How Auto reads a source that has no mark and declares no charset.
enum class DetectionRule {
    Classic, // as ANSI text (which the decoding first tries as UTF-8)
    Smart,   // by smartSourceEncoding (engine/smart_detection.h), ANSI when it finds nothing
};

// The encoding of a source and where its content starts. A definite choice is kept (only its
// mark is skipped: EF BB BF for UTF-8; FF FE or FE FF for either UTF-16, and only when present).
// Auto takes the first that holds: the UTF-8, UTF-16LE or UTF-16BE mark, the charset a web page
// declares (UTF-8, Big5, Big5-HKSCS; with the Smart rule only as smartDeclaredEncoding confirms
// it), else Ansi, or with the Smart rule what the statistical reading finds (content from byte 0).
DetectedEncoding detectSourceEncoding(std::string_view data, TextEncoding choice,
                                      DetectionRule rule = DetectionRule::Classic);

struct [[nodiscard]] DecodedText {
    AnsiText text;          // GB18030 (code page 936 where a fallback produced it)
    TextEncoding encoding;  // the encoding actually used; may differ from the one asked for
    bool lossy = false;     // a fallback turned unreadable or unmappable input into "?"
    bool abandoned = false; // the control's stop came first: no text
    // Where in the data a zero character (or, in the ANSI reading, a 0x1A) ended the text
    // while more than it follows: those bytes were not converted. Empty when the text ran to the
    // end or only a single terminating zero (unit) or 0x1A was left out.
    std::optional<std::size_t> zeroCut;
    bool endMarkCut = false; // the cut is a 0x1A, not a zero
};

// Whether the content, read as `encoding` (UTF-16 unit by unit, any other byte by byte), holds
// neither a zero character nor a "<" (nor, for Ansi, a 0x1A): then nothing cuts its text and no
// charset declaration in it can be rewritten.
bool isPlainContent(std::string_view content, TextEncoding encoding);

enum class StraightOutcome {
    Written,   // the whole content went into the sink
    Failed,    // some character cannot go straight: the way through the internal text must
    Refused,   // the sink refused bytes
    Abandoned, // the control's stop came between pieces
};

// Whether the tables convert `encoding` straight into the others it names: UTF-8, UTF-16LE/BE,
// Big5, Big5-HKSCS and Ansi (the internal text).
bool convertsStraight(TextEncoding encoding);

// The content of `from` written into the sink in `to` (each one convertsStraight names) in one
// pass, giving the bytes that decoding it into the internal text and
// encoding that give, where every character is one the internal text keeps as it is. A large
// content converts in pieces on the control's workers. No byte-order mark.
// One piece of that conversion into `output`, which takes at most `limit` bytes; Ok when the
// piece went straight.
ConversionStatus convertPieceStraight(std::string_view piece, TextEncoding from, TextEncoding to,
                                      ByteSink& output, std::uint64_t limit);

StraightOutcome writeStraight(std::string_view content, TextEncoding from, TextEncoding to,
                              ByteSink& sink, const WorkControl& control = {});

// The content from `contentStart` decoded into the internal text, cut at its first zero byte
// (`zeroCut` tells when that lost more than a terminator).
// UTF-8, UTF-16 and Big5 go through the converter, then the system fallback; Ansi is first tried
// as UTF-8 (and reported as Utf8 when that works). When all of that gives nothing, the text is
// the whole data from byte 0 read as ANSI text, reported as Ansi. Takes the data by value so that
// the ANSI reading can keep the buffer itself instead of copying it. A large content converts in
// pieces on the control's workers, with the same result.
DecodedText decodeContent(ByteBuffer data, std::size_t contentStart, TextEncoding encoding,
                          const WorkControl& control = {}, bool utf8Trial = true);

// The complete bytes of an output file for `text` (up to its first zero byte): the byte-order
// mark of UTF-8 and UTF-16, then the converted text. Ansi, Auto and unknown values give the
// text unchanged; when the converter and the fallback both fail, the text's own bytes follow
// the mark. Returns None, Unconverted (the text's own bytes went out), LossyEncode (the system
// fallback replaced characters with "?"), Unrepresentable (an encoding known only to iconv,
// engine/other_encodings.h, lacked characters, which became "?"), OutputUnwritable (the sink
// refused bytes; the sink knows why) or Abandoned (the control's stop came between pieces; the
// sink holds part). A large text converts in pieces on the control's workers, with the same
// bytes. Without `withMark` no byte-order mark is written.
[[nodiscard]] FileProblem encodeTextInto(std::string_view text, TextEncoding encoding,
                                         ByteSink& sink, const WorkControl& control = {},
                                         bool withMark = true);

// An encoding's problem as the file's: a text read as ANSI is the source's own bytes, so
// characters invalid in it (LossyEncode) are the source's (LossyDecode). Any other stays.
FileProblem sourceSideOf(FileProblem encoded, TextEncoding decodedFrom);

struct [[nodiscard]] EncodedText {
    ByteBuffer bytes;
    FileProblem problem = FileProblem::None; // None, Unconverted, LossyEncode or Unrepresentable
};

EncodedText encodeText(std::string_view text, TextEncoding encoding);

} // namespace engine

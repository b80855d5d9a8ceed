// A dry run of one file's conversion: the same decode, script step and encode as convertFile,
// in memory and without writing anything, followed by a search for the characters that keep
// the conversion from being complete.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/single_file_conversion.h"
#include "engine/text_encoding.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace engine {

// Where a character stands in the text it was found in.
struct CharacterPlace {
    std::size_t line = 0;   // 1-based
    std::size_t column = 0; // 1-based, counted in characters
    std::string utf8;       // the character itself; empty when its bytes are no character
    std::string bytes;      // its bytes as they stand in that text
};

// How much of the decoded text a check keeps for a preview.
inline constexpr std::size_t previewLines = 20;
inline constexpr std::size_t previewBytes = 2048;

struct [[nodiscard]] ConversionCheck {
    TextEncoding detected = TextEncoding::Auto; // the encoding the source would be read in
    TextEncoding written = TextEncoding::Auto;  // the encoding the output would be written in
    // What convertFile would report, from the source's side up to the encoded bytes (a check
    // writes nothing, so the output's own troubles cannot show). A source problem means the
    // source was not read; detected and written then stay Auto.
    FileStatus status;
    // The characters the status is about: invalid sequences in the source (LossyDecode), those
    // a Big5 step turned into "?" (LossyScript), those the output encoding cannot take
    // (Unconverted, LossyEncode, Unrepresentable), the zero byte that ended the text (ZeroByteCut).
    // 0 for the other problems.
    std::size_t affected = 0;
    // The first of them: in the source for LossyDecode, where the decoded text ends for
    // ZeroByteCut, in the script step's result for
    // LossyScript, in the text to encode otherwise.
    std::optional<CharacterPlace> first;
    // The start of the decoded text, for a preview: its first previewLines lines, at most
    // previewBytes bytes, cut between characters. Empty when the source was not read.
    AnsiText opening;

    bool complete() const { return status.ok(); }
};

// Checks how `sourcePath` would convert with these choices; `script` is the step convertFile
// would be given, `rule` how an Auto input is detected. The source is only read. A large file
// shares its pieces with the control's workers, and the control's stop gives the check up with
// the status Abandoned. The text is checked with the line ends `write` gives it, so that the
// places found are those of the output.
ConversionCheck checkConversion(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                                const ScriptStep& script = {},
                                DetectionRule rule = DetectionRule::Classic,
                                const WorkControl& control = {}, const WriteOptions& write = {});

} // namespace engine

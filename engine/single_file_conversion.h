// The engine's face towards a batch run: one call reads and decodes a source file, one encodes
// the (possibly script-converted) text and writes the output file, and convertFile runs the
// whole sequence for one file. Each result says what, if anything, went wrong with the file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/script_conversion.h"
#include "engine/text_encoding.h"
#include "engine/work_control.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace engine {

using platform::AnsiText;
using platform::FileStatus;

struct [[nodiscard]] DecodedFile {
    AnsiText text;
    // The encoding actually used; Auto when the source was not read or decoding was abandoned.
    TextEncoding detected = TextEncoding::Auto;
    // None; LossyDecode when a fallback turned unreadable characters into "?"; or a source
    // problem (platform::isSourceProblem): no text, no output.
    FileStatus status;
};

// Reads the source at `path` whole and decodes it by `input` (Auto detects by `rule`). When the
// source cannot be opened or read the text is empty and the status says why. A source is only
// ever read. A large source decodes in pieces on the control's workers; its stop gives the status
// Abandoned and no text.
DecodedFile decodeSourceFile(const AnsiText& path, TextEncoding input,
                             DetectionRule rule = DetectionRule::Classic,
                             const WorkControl& control = {});

// Encodes `text` by `encoding` and replaces the file at `outputPath` with the bytes. The file is
// built beside the target and renamed over it when complete: a failed write leaves an earlier
// file untouched. The file holds the encoded bytes when the status is None, Unconverted (the
// encoding could not take the text; its own bytes behind the byte-order mark, still a failure)
// or LossyEncode (the fallback wrote "?" for characters invalid in GB18030). When the control's
// stop comes first the status is Abandoned and the target is left as it was. The write options'
// mark applies here; their line ends are the caller's to change before.
// With `sourcePermissions` the output is never more open than the source it comes from.
FileStatus encodeAndWriteFile(const AnsiText& outputPath, std::string_view text,
                              TextEncoding encoding, const WorkControl& control = {},
                              const WriteOptions& write = {},
                              std::optional<unsigned> sourcePermissions = std::nullopt);

// What one file's conversion came to, for the run's report.
struct [[nodiscard]] FileConversion {
    // The encoding the source was read in; Auto when it was not read, so that a run may carry
    // over the previous file's.
    TextEncoding detected = TextEncoding::Auto;
    TextEncoding written = TextEncoding::Auto; // the encoding asked of the output
    // The first thing that went wrong; a source problem means no output file.
    FileStatus status;
};

// What a script step came to: None, or why the conversion was incomplete (the text is still
// written), or Abandoned when the control's stop came first; and whether the text now holds
// Big5 (code page 950) bytes instead of the internal text.
struct [[nodiscard]] ScriptStepOutcome {
    platform::FileProblem problem = platform::FileProblem::None;
    bool big5 = false;
    std::string detail; // ScriptUnavailable: what the mapping library said, if anything
    // The step read the text as Big5 bytes, as the user said it is: no suspicion that ANSI text
    // is Big5 stands then.
    bool readBig5 = false;

    ScriptStepOutcome(platform::FileProblem stepProblem = platform::FileProblem::None,
                      bool leftBig5 = false, std::string why = {})
        : problem(stepProblem), big5(leftBig5), detail(std::move(why)) {}
};

// A script conversion applied between decoding and encoding. It changes the text in place;
// `decodedFrom` is the encoding the source was read in (engine::scriptModeForSource). The control
// lends the file's workers and the script's share of its progress (engine::convertScript takes
// it as it is).
using ScriptStep = std::function<ScriptStepOutcome(AnsiText& text, TextEncoding decodedFrom,
                                                   const WorkControl& control)>;

// The script conversion of `mode` in place, as it applies to a text decoded from `decodedFrom`
// (scriptModeForSource): None, or why it was incomplete, and whether the text is Big5 bytes now.
ScriptStepOutcome convertScriptInPlace(ScriptMode mode, AnsiText& text, TextEncoding decodedFrom,
                                       const WorkControl& control);

// The step convertFile is given for a fixed `mode`; empty for None.
ScriptStep scriptStepOf(ScriptMode mode);

// How a text that a script step left in Big5 bytes is written for the output encoding `target`.
// ANSI and Big5 take the bytes as they are, so the file is Big5 (`written`) and is encoded as
// the unchanged text (`encodeAs` Ansi); UTF-8 and UTF-16 get the characters read back from Big5
// into `text`, so that the file holds the Big5-compatible text in the encoding asked for.
struct Big5Output {
    TextEncoding written;
    TextEncoding encodeAs;
};
// A long text is read back in pieces on the control's workers; after a stop it is empty.
Big5Output settleBig5Output(AnsiText& text, TextEncoding target, const WorkControl& control = {});

// One source file converted into `outputFolder` under its own name: decode by `input`, apply
// `script` when given, encode by `output` (Auto: the encoding detected for this file, so a
// source found to be Big5 is written back in Big5; after a step that left Big5 bytes, as
// settleBig5Output says). A web page's charset declaration is rewritten to the encoding written
// (engine/charset_declaration.h). A source that cannot be read gets no output file. `control`
// lends workers for a large file's pieces, is raised to 1000 over decoding, the script step and
// encoding, and abandons the file once its stop is requested (status Abandoned, nothing put in
// place, an earlier output left as it was). `write` says whether UTF-8 and UTF-16 get their mark
// and which line ends the output has; they are changed after the script step, in the text every
// encoding is made from, so that the "Unconverted" fallback's own bytes and Big5 bytes a step
// left have them too.
FileConversion convertFile(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                           const AnsiText& outputFolder, const ScriptStep& script = {},
                           DetectionRule rule = DetectionRule::Classic,
                           const WorkControl& control = {}, const WriteOptions& write = {});

// The same conversion written over the source itself, and only when it is complete: the new
// content is built beside the source and renamed over it, keeping its permission bits. With a
// `backupPath` the original is kept under that name first (platform::keepBackup). Anything short
// of a complete conversion (a lossy step, an encoding that cannot take the text, a failed write
// or backup) leaves the source as it was, byte for byte, with the status NotReplaced and the
// reason as its cause. A symbolic link is refused unread (SourceIsLink): replacing it would lose
// the link, writing through it would change a file elsewhere.
FileConversion convertFileInPlace(const AnsiText& sourcePath, TextEncoding input,
                                  TextEncoding output, const ScriptStep& script = {},
                                  DetectionRule rule = DetectionRule::Classic,
                                  const WorkControl& control = {}, const WriteOptions& write = {},
                                  const AnsiText& backupPath = {});

} // namespace engine

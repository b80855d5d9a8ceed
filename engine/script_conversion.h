// Chinese script conversion applied between decoding a source and encoding its output:
// Simplified <-> Traditional characters, and code page 936 <-> Big5.
#pragma once

#include <string>
#include <string_view>

#include "engine/text_encoding.h"
#include "engine/work_control.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"

namespace engine {

using platform::AnsiText;
using platform::FileProblem;

// The choices of the script radio group. The order is also the precedence in which the batch
// run reads the group: the first selected choice wins.
enum class ScriptMode : int {
    None = 0,                    // "不转": the text passes unchanged
    SimplifiedToTraditional = 1, // "简体到繁体"
    TraditionalToSimplified = 2, // "繁体到简体"
    SimplifiedToBig5 = 3,        // "简体到Big5": to Traditional, then to Big5 bytes
    TraditionalToBig5 = 4,       // "繁体到Big5"
    Big5ToSimplified = 5,        // "Big5到简体": Big5 bytes to code page 936, then to Simplified
    Big5ToTraditional = 6,       // "Big5到繁体"
};

// The mode as it applies to a text decoded from `decodedFrom`. The Big5 reading step takes the
// text as the source's own Big5 bytes, which it only is when the source was read as ANSI: a text
// decoded from UTF-8, UTF-16 or Big5 is characters already, so Big5到简体 maps it to Simplified
// and Big5到繁体 leaves it alone.
ScriptMode scriptModeForSource(ScriptMode mode, TextEncoding decodedFrom);

// Whether the mode's result is Big5 (code page 950) bytes rather than the internal text.
bool leavesBig5(ScriptMode mode);

// A short English name for reports and the command line: none, s2t, t2s, s2big5, t2big5,
// big52s, big52t; empty for a value outside the enumeration.
std::string_view scriptModeName(ScriptMode mode);

struct [[nodiscard]] ScriptResult {
    AnsiText text;
    // None; ScriptUnavailable when the Simplified/Traditional mapping could not run (that step
    // passed its input on unchanged), which outweighs LossyScript, when a Big5 step turned
    // characters the target code page lacks into "?" (the rest is kept).
    FileProblem problem = FileProblem::None;
    std::string detail = {}; // ScriptUnavailable: what the mapping library said (UTF-8), if any

    bool ok() const { return problem == FileProblem::None; }
};

// Applies the mode's steps in order, each to the previous step's result. A value outside the
// enumeration is treated as None. A long text maps in pieces on the control's workers, with the
// same result; when the control's stop comes between pieces the problem is Abandoned and the
// text is empty.
ScriptResult convertScript(ScriptMode mode, std::string_view text, const WorkControl& control = {});

// convertScript with the result put in place of `text`, and an empty text in the result. A
// lone code-page step (big52t, t2big5) over a long text writes its result over the text as it
// goes, so that the two are not held at once; the text is then part mapped when abandoned.
ScriptResult convertScriptOver(ScriptMode mode, AnsiText& text, const WorkControl& control = {});

// Phrase-aware mapping of GB18030 text. Bytes that are not valid GB18030, and zero bytes, are
// kept where they are and the text around them is converted.
ScriptResult simplifiedToTraditional(std::string_view text, const WorkControl& control = {});
ScriptResult traditionalToSimplified(std::string_view text, const WorkControl& control = {});

// Where the mapping's dictionaries are looked for; empty (the default) means where the library
// was installed to look. Meant for tests and relocated installs.
void setScriptDictionaryDirectory(std::string directory);

// Frees the loaded mapping dictionaries; the exit routine calls it.
void releaseScriptConverters();

} // namespace engine

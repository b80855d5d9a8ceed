// How an output file is written beyond its encoding: whether it starts with a byte-order mark,
// and which line ends it uses. The defaults write what the window always has.
#pragma once

#include <string>

#include "engine/work_control.h"

namespace engine {

enum class LineEnding {
    Keep, // the line ends of the source, untouched
    Crlf, // CR LF: every lone LF and every lone CR becomes CR LF
    Lf,   // LF: every CR LF and every lone CR becomes LF
};

struct WriteOptions {
    // Written in front of UTF-8 and UTF-16 output (the other encodings have none); false writes
    // none.
    bool byteOrderMark = true;
    LineEnding lineEnding = LineEnding::Keep;
    // Instead of byteOrderMark: a mark exactly where the source had one, for a source replaced
    // in place by a user who asked for no change of its mark.
    bool markAsSource = false;

    // Whether the output of a source that had (or lacked) a mark gets one.
    bool markFor(bool sourceHadMark) const { return markAsSource ? sourceHadMark : byteOrderMark; }
};

// Changes the line ends of `text` to `ending`; Keep leaves it untouched. A lone CR counts as a
// line end (the classic Mac one), so a text of CR lines comes out with CR LF or LF lines.
//
// The text is the internal GB18030 text, or Big5 bytes that a script step left: neither has a
// CR (0x0D) or LF (0x0A) byte inside a character (GB18030 trail bytes are 0x30-0x39 and
// 0x40-0xFE, Big5's 0x40-0x7E and 0xA1-0xFE), so every such byte is a line end of its own and
// bytes can be rewritten without reading characters. A large text is done in pieces on the
// control's workers; a CR LF pair that straddles two pieces stays one line end. After a stop
// the text is left as it was and the result is false.
bool changeLineEndings(std::string& text, LineEnding ending, const WorkControl& control = {});

} // namespace engine

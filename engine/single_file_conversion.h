// The engine's face towards a batch run: one call reads and decodes a source file, one encodes
// the (possibly script-converted) text and writes the output file, and convertFile runs the
// whole sequence for one file. Each result says whether the file failed and why.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/text_encoding.h"
#include "platform/ansi_text.h"

namespace engine {

using platform::AnsiText;

struct [[nodiscard]] DecodedFile {
    AnsiText text;
    bool failed = false; // the source could not be opened or read: no text, no output
    bool lossy = false;  // a fallback turned unreadable characters into "?"
    std::string reason;  // short English text when failed or lossy ("cannot open: ...")
};

// Reads the source at `path` whole and decodes it by `input` (Auto detects). `detected`
// receives the encoding actually used; when the source cannot be opened or read it is left as
// it was, the text is empty and the result says why. A source is only ever read.
DecodedFile decodeSourceFile(const AnsiText& path, TextEncoding input, TextEncoding& detected);

struct [[nodiscard]] WriteResult {
    bool ok = false;          // the output file now holds the encoded bytes
    bool unconverted = false; // the encoding could not take the text; its own bytes were written
    bool lossy = false;       // the fallback wrote "?" for characters invalid in GB18030
    std::string reason;       // short English text when not ok, unconverted or lossy
};

// Encodes `text` by `encoding` and replaces the file at `outputPath` with the bytes. The file is
// built beside the target and renamed over it when complete: a failed write leaves an earlier
// file untouched. A text the encoding cannot take is still written (its own bytes behind the
// byte-order mark) but counts as failed.
WriteResult encodeAndWriteFile(const AnsiText& outputPath, std::string_view text,
                               TextEncoding encoding);

// What one file's conversion came to, for the run's report.
struct [[nodiscard]] FileConversion {
    TextEncoding detected = TextEncoding::Auto; // the encoding the source was read in
    TextEncoding written = TextEncoding::Auto;  // the encoding asked of the output
    bool sourceRead = false; // false: the source could not be read and got no output file
    bool failed = false;
    std::string reason; // the first failure's reason
};

// A script conversion applied between decoding and encoding. It changes the text in place and
// returns an empty text, or the reason the conversion was incomplete (the text is still written).
using ScriptStep = std::function<std::string(AnsiText& text)>;

// One source file converted into `outputFolder` under its own name: decode by `input`, apply
// `script` when given, encode by `output` (Auto: the encoding detected for this file). A source
// that cannot be read gets no output file and leaves `detected` as it was.
FileConversion convertFile(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                           const AnsiText& outputFolder, TextEncoding& detected,
                           const ScriptStep& script = {});

} // namespace engine

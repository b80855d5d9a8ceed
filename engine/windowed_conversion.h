// A large source converted straight from its encoding into the output's while it is read, in
// pieces that each read their own stretch of it on every worker at once, instead of being read
// whole into fresh memory first: the source's bytes are copied once, by the read, into memory
// that the next pieces reuse, and the whole is never held.
#pragma once

#include <optional>

#include "engine/single_file_conversion.h"
#include "platform/file_access.h"

namespace engine {

// The conversion convertFile makes of the opened `source` (at `sourcePath`), which it only reads
// with readAt, for a source of four pieces or more whose every piece
// converts straight: no script step, the line ends kept, an encoding found from the first piece
// alone (a definite choice or a byte-order mark; else the classic rule's ANSI text, read as
// UTF-8 while its first piece is that), no zero character, 0x1A or "<" anywhere, and a place
// near each cut that the bytes around it show to be a character boundary. Nothing when the
// file must go the way through the internal text, which then starts afresh: an output begun
// here is dropped uncommitted, and a source that cannot be read is reported by that way. A
// source larger than a whole read may take converts here when it can. With a
// `backupPath` (a conversion in place, `outputPath` being the source) the source is kept under
// that name first; when it cannot be, nothing.
std::optional<FileConversion>
convertInWindows(const platform::SourceFile& source, const AnsiText& sourcePath, TextEncoding input,
                 TextEncoding output, const AnsiText& outputPath, const ScriptStep& script,
                 DetectionRule rule, const WorkControl& control, const WriteOptions& write,
                 const AnsiText& backupPath = {});

} // namespace engine

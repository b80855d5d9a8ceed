// A large source converted straight from its encoding into the output's while it is read, a
// window at a time through memory reused from file to file, instead of being read whole into
// fresh memory first: the source's bytes are copied once, by the read, and never held whole.
#pragma once

#include <optional>

#include "engine/single_file_conversion.h"

namespace engine {

// The conversion convertFile makes, for a source larger than a few pieces whose every window
// converts straight: no script step, the line ends kept, an encoding found from the first window
// alone (a definite choice or a byte-order mark; else the classic rule's ANSI text, read as
// UTF-8 while its first window is that), and no zero character, 0x1A or "<" anywhere. Nothing
// when the file must go the way through the internal text, which then starts afresh: an output
// begun here is dropped uncommitted, and a source that cannot be read is reported by that way.
std::optional<FileConversion> convertInWindows(const AnsiText& sourcePath, TextEncoding input,
                                               TextEncoding output, const AnsiText& outputPath,
                                               const ScriptStep& script, DetectionRule rule,
                                               const WorkControl& control,
                                               const WriteOptions& write);

} // namespace engine

// A look at the start of a source before it is converted: files that are not text (images,
// archives, programs) are refused, and a source the classic rules would read as ANSI while it
// is plainly Big5 or UTF-16 is told apart, so that neither is ever reported as converted.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/text_encoding.h"
#include "platform/file_problem.h"

namespace engine {

// How much of a source's start the screening reads.
inline constexpr std::size_t screenedLength = 64 * 1024;

// The name of the well-known binary format `head` begins with ("PNG", "PDF", "ZIP", ...);
// empty when it begins like none of them.
std::string_view binaryFormatOf(std::string_view head);

// What the start of a source says before it is converted, read by `input` (Auto by `rule`).
// `head` is the source's first screenedLength bytes (all of it when `whole`). The status is
//   NotText     it begins like a binary format (`detail` names it);
//   ZeroBytes   zero characters where its encoding has none: more than one with text after them
//               in the head, or a whole source of zeros alone (`offset` is the first);
//   MaybeBig5,
//   MaybeUtf16  an Auto input read by the classic rule as ANSI that the statistical reading is
//               sure is Big5, or UTF-16 without a mark;
//   None        otherwise (a lone zero, or zeros that end the text, are the decoding's cut to
//               report).
platform::FileStatus screenSource(std::string_view head, bool whole, TextEncoding input,
                                  DetectionRule rule);

// Whether the status is one of screenSource's suspicions: the text converts, but most likely
// garbled.
bool isEncodingSuspicion(platform::FileProblem problem);

} // namespace engine

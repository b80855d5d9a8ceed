// Texts as JSON string literals, for the command line's machine-readable lines.
#pragma once

#include <string>
#include <string_view>

#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

// `text` (GB18030) as a quoted JSON string in UTF-8, with quotes, backslashes and control
// characters escaped. Text that is not valid GB18030 keeps its ASCII and gets \ufffd for every
// other byte, so the line stays valid JSON whatever a name holds.
std::string jsonString(const AnsiText& text);

} // namespace batch

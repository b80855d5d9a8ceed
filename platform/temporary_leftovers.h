// Temporary files that a write killed part-way (power loss, SIGKILL) left beside its target.
// They are hidden and never taken for a result; the next run writing the same name clears them.
#pragma once

#include <string_view>
#include <vector>

#include "platform/ansi_text.h"

namespace platform {

// True when `name` (no folder) is the temporary file of a replacing write of `target`:
// "." + target + temporaryFileMarker + six letters or digits.
bool isTemporaryFileOf(std::string_view name, std::string_view target);

// True when `name` (no folder) has the form of any replacing write's temporary file, that of a
// long name (".qfx-tmp-XXXXXX" behind the leading dot) included. A folder scan never takes such
// a file as a source: it is a killed run's unfinished output.
bool isTemporaryLeftover(std::string_view name);

// Removes from `folder` every temporary file left for one of `targets` (names without folder).
// Only files of exactly that form go; a temporary file of a name too long to carry it
// (".qfx-tmp-XXXXXX") cannot be told apart from another write's and stays. Returns how many
// were removed; an unreadable folder removes nothing.
int removeTemporaryLeftovers(const AnsiText& folder, const std::vector<AnsiText>& targets);

} // namespace platform

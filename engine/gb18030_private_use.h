// The 24 Private Use characters the system's GB18030 cannot hold: its newer edition gives their
// old two-byte codes to standard characters (A6D9 is U+FE10 now, not U+E78D) and leaves them
// without a code. The internal text keeps each under a four-byte code the system reads as none,
// the one its standard character had before where it can (U+E78D as 84 31 82 36), so that every
// Unicode character survives the way through the internal text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace engine {

// When `rest` (in `charset`: UTF-8, UTF-16LE or UTF-16BE, case ignored) begins with one of
// these characters: its length there, and its four-byte GB18030 code in `code`. Else 0.
std::size_t privateUseAsGb18030(std::string_view rest, std::string_view charset, std::string& code);

// When `rest` (GB18030) begins with the code of one of them: 4, and the character in `charset`
// (UTF-8, UTF-16LE or UTF-16BE) in `character`. Else 0.
std::size_t privateUseFromGb18030(std::string_view rest, std::string_view charset,
                                  std::string& character);

} // namespace engine

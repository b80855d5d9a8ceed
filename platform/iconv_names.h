// The names the system's iconv knows, as its configuration lists them, for the command line's
// list of encodings.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Every encoding name (module or alias) of the system's iconv configuration, upper case as iconv
// lists them, without the "//" ending, sorted, each once; only those iconv opens to and from
// GB18030. Empty when no configuration is found.
std::vector<std::string> iconvEncodingNames();

} // namespace platform

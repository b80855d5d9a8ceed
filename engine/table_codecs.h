// Table-driven converters between the internal GB18030 text and UTF-8, UTF-16LE, UTF-16BE, Big5
// and Big5-HKSCS, many times faster than iconv and byte for byte the same: the tables are read
// out of iconv once per process (GB18030's four-byte ranges are computed from the code), and
// ASCII stretches move 16 bytes at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/charset_conversion.h"

namespace engine {

// Whether the tables convert from `from` to `to` (names as iconv takes them, any case). False
// for every other pair, and when iconv could not give the tables.
bool tableCodecCovers(std::string_view from, std::string_view to);

// The conversion of `data` by the tables, with the status, sink calls and growth rule of
// convertCharsetInto; nothing when the tables do not cover the pair.
std::optional<ConversionStatus> convertByTable(std::string_view data, std::string_view from,
                                               std::string_view to, ByteSink& sink,
                                               std::uint64_t limit);

// The conversion of `data` from `from` to `to` (two sets other than GB18030, or the same one) in
// one pass, for text whose every character GB18030 keeps as it is: then the bytes are those of
// converting into GB18030 and that into `to`. Any other text, and invalid input, gives Invalid;
// nothing when the tables do not cover both steps.
std::optional<ConversionStatus> convertStraight(std::string_view data, std::string_view from,
                                                std::string_view to, ByteSink& sink,
                                                std::uint64_t limit);

} // namespace engine

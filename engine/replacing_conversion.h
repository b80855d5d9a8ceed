// The lenient conversion behind the encodings the program knows only through iconv: where the
// strict one gives up, this one puts "?" for what cannot be read or held and goes on, as the
// system's code pages do for the program's own encodings.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/charset_conversion.h"

namespace engine {

enum class ReplacingSide {
    Decode, // into the internal text: each unreadable byte of the source becomes one "?"
    Encode, // from the internal text: each character the target lacks becomes one "?"
};

struct [[nodiscard]] ReplacedConversion {
    bool written = false;     // false: iconv knows no such pair, or the sink refused bytes
    std::size_t replaced = 0; // how many "?" stand for something else (or nothing does)
};

// `data` converted from `from` to `to` into `sink`, whole; one side is the internal GB18030.
// With `omit` nothing stands for what could not be converted (it is still counted). Decoding
// passes over an unreadable character `unit` bytes at a time (2 in UTF-16).
ReplacedConversion convertReplacing(std::string_view data, std::string_view from,
                                    std::string_view to, ReplacingSide side, ByteSink& sink,
                                    bool omit = false, std::size_t unit = 1);

} // namespace engine

// Reads a web page's declared charset from the meta tags of its head, so that automatic
// detection can recognise UTF-8 and Big5 pages without a byte-order mark. The page is only read,
// never rewritten.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/ansi_text.h"

namespace engine {

using platform::AnsiText;

// What a page declares. An unquoted charset=Big5-HKSCS also holds charset=Big5 and gives Big5;
// only its quoted forms give Big5Hkscs.
enum class WebPageCharset {
    None,      // nothing recognised
    Utf8,      // charset=UTF-8
    Big5,      // charset=Big5
    Big5Hkscs, // charset="Big5-HKSCS"
};

WebPageCharset detectWebPageCharset(std::string_view page);

// The text between the next `startMarker` at or after `position` (1-based; 0 or less: from the
// start) and the next `endMarker` after it; `position` then points just behind the end marker.
// When either marker is missing the result is empty and `position` stays. Doubled single quotes
// in the markers stand for a double quote; a second attempt drops the double quotes from both.
// An empty start marker stands for the start of the source and an empty end marker for its end;
// positions then count the sentinel text put in front of or behind the source.
AnsiText textBetween(std::string_view source, std::string_view startMarker,
                     std::string_view endMarker, std::int64_t& position);

// Whether the items of `list`, separated by "[fg]", occur in `text`: any of them (any = true) or
// all of them (any = false). Case is ignored for ASCII letters.
bool matchesList(std::string_view text, std::string_view list, bool any);

// Every two single quotes replaced by one double quote, left to right, without overlap.
AnsiText expandDoubledQuotes(std::string_view text);

} // namespace engine

// The settings file's text as the store reads it: sections, entries and their boundaries found in
// a byte buffer by 1-based positions. Pure functions over the bytes they are given; the store
// decides when the window may run in between.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"

namespace settings::ini {

using platform::AnsiText;
using platform::ByteBuffer;

inline const AnsiText lineBreak = "\r\n";

// Where a section's header line stands; 1-based positions, -1 when not found.
struct SectionMatch {
    std::int64_t header = -1;  // the header's "["
    std::int64_t bracket = -1; // its closing "]"
};

// Where an entry "key=value" stands; 1-based positions, -1 when not found.
struct EntryMatch {
    std::int64_t lineBreak = -1;  // the CR LF that ends the line before the key
    std::int64_t key = -1;        // the key's first byte
    std::int64_t valueStart = -1; // the value's first byte, just after "="
    std::int64_t valueEnd = -1;   // the value's last byte (valueStart - 1 when it is empty)
};

// 1-based search in `haystack`; start positions 0 and 1 both mean the first byte. -1 when absent.
std::int64_t findBytes(const ByteBuffer& haystack, std::string_view needle, std::int64_t start);

// One search for "[" + sectionName + "]" from `from`. A header stands at the very start of the
// bytes or directly after a CR LF; bytes found elsewhere give the position to search again from.
struct HeaderSearch {
    SectionMatch match;          // header == -1: no header found (yet)
    std::int64_t retryFrom = -1; // != -1: found, but not at a line start
};
HeaderSearch searchHeader(const ByteBuffer& content, const AnsiText& sectionName,
                          std::int64_t from);

// The entry `key` of the section: the first CR LF + key + "=" behind its "]" with no section
// boundary in between.
EntryMatch findEntry(const ByteBuffer& content, const SectionMatch& section, const AnsiText& key);

// 1-based position of the "[" of the first section boundary between `from` and `to`, or -1.
std::int64_t findBoundary(const ByteBuffer& content, std::int64_t from, std::int64_t to);

// Names of the header lines "[...]", kept when they contain a non-empty include and do not
// contain a non-empty exclude.
std::vector<AnsiText> listSections(std::string_view content, std::string_view include,
                                   std::string_view exclude);
// Key names of the entry lines under the same rule. With a non-empty header filter, only the
// keys between the first header passing it and the next header.
std::vector<AnsiText> listKeys(std::string_view content, std::string_view include,
                               std::string_view exclude, std::string_view headerInclude,
                               std::string_view headerExclude);
// Keys whose value begins with `value` (empty: whose value is empty and followed by a line
// break), in the whole content or, given a section, in that section only.
std::vector<AnsiText> keysWithValue(const ByteBuffer& content, const AnsiText& value,
                                    const std::optional<SectionMatch>& section);

// The bytes up to the first zero byte.
AnsiText cutAtZero(std::string_view bytes);
// Every `from` replaced by `to`, searching character by character.
AnsiText replaceText(std::string_view text, std::string_view from, std::string_view to);

} // namespace settings::ini

// Encodings beyond the program's own table, for the command line's users who name any encoding
// iconv knows (Shift_JIS, EUC-KR, ISO-8859-1, ...). Each is registered by name the first time it
// is asked for and gets a TextEncoding value of its own from `firstOtherEncoding` on, which every
// step takes like any other: iconv converts it to and from the internal text, "?" stands for what
// it cannot read or hold. No value is ever taken back, so one stays valid for the process.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/text_encoding.h"

namespace engine {

inline constexpr int firstOtherEncoding = 16;

bool isOtherEncoding(TextEncoding encoding);

// Why a name could not be registered.
enum class OtherEncodingRefusal {
    Unknown, // iconv converts it neither to nor from GB18030, or cannot write "A" in it
    TooMany, // the process registered as many as it can hold
};

struct [[nodiscard]] OtherEncodingLookup {
    std::optional<TextEncoding> encoding;
    OtherEncodingRefusal refusal = OtherEncodingRefusal::Unknown;
};

// The value of the encoding iconv calls `name` (as typed, case ignored), registered when new.
// Its text is converted whole, never cut into lines, so any encoding iconv can write "A" in is
// taken (UTF-16 and UTF-32 too, their marks as iconv reads and writes them). A name may end in
// iconv's
// "//TRANSLIT" (passed on, for output) or "//IGNORE" (taken as `omit`). With `omit` what cannot
// be read or held is left out instead of becoming "?", as iconv -c has it; it is a value of its
// own. Thread-safe.
OtherEncodingLookup otherEncoding(std::string_view name, bool omit = false);

// iconv's name and the short name of a registered encoding; empty for any other value.
std::string_view otherConverterName(TextEncoding encoding);
std::string_view otherShortName(TextEncoding encoding);
// Whether the registered encoding leaves out what it cannot read or hold.
bool omitsUnconvertible(TextEncoding encoding);
// The bytes of its smallest character: what one unreadable character of it spans at least.
// 1 for any other value.
std::size_t otherUnitSize(TextEncoding encoding);

} // namespace engine

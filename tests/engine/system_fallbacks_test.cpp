#include "engine/system_fallbacks.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "engine/code_page_conversion.h"

using namespace engine;
using namespace std::string_literals;

namespace {

struct FallbackRow {
    const char* name;
    std::function<CodePageResult(std::string_view)> fallback;
    std::string input;
    std::string expected;
    bool lossy;
};

class SystemFallbackTest : public testing::TestWithParam<FallbackRow> {};

TEST_P(SystemFallbackTest, givesTheClassicBytes) {
    const FallbackRow& row = GetParam();
    const CodePageResult result = row.fallback(row.input);
    EXPECT_EQ(result.text, row.expected);
    EXPECT_EQ(result.lossy, row.lossy);
}

INSTANTIATE_TEST_SUITE_P(
    SystemFallbacks, SystemFallbackTest,
    testing::Values(
        FallbackRow{"utf16Text", decodeUtf16BySystem,
                    "\x2D\x4E"
                    "a\0"s,
                    "\xD6\xD0"
                    "a",
                    false},
        FallbackRow{"utf16StopsAtZeroUnit", decodeUtf16BySystem, "a\0\0\0b\0"s, "a", false},
        FallbackRow{"utf16OddLength", decodeUtf16BySystem, "a\0b"s, "ab", false},
        FallbackRow{"utf16Empty", decodeUtf16BySystem, "", "", false},
        FallbackRow{"utf16LoneSurrogate", decodeUtf16BySystem,
                    "\x00\xD8"
                    "a\0"s,
                    "?a", true},
        FallbackRow{"utf16OutsideGbk", decodeUtf16BySystem, "\x01\x0E"s, "?", true},
        // A character beyond the BMP is two units, each written as a "?".
        FallbackRow{"utf16EmojiIsTwoMarks", decodeUtf16BySystem, "\x3D\xD8\x00\xDE"s, "??", true},
        FallbackRow{"utf8Text", decodeUtf8BySystem,
                    "\xE4\xB8\xAD"
                    "a",
                    "\xD6\xD0"
                    "a",
                    false},
        FallbackRow{"utf8Invalid", decodeUtf8BySystem, "a\xFF", "a?", true},
        FallbackRow{"utf8Truncated", decodeUtf8BySystem, "a\xE4\xB8", "a?", true},
        FallbackRow{"utf8EmojiIsTwoMarks", decodeUtf8BySystem,
                    "\xF0\x9F\x98\x80"
                    "a",
                    "??a", true},
        // The first character beyond the BMP: a surrogate pair, not a zero unit ending the text.
        FallbackRow{"utf8FirstBeyondBmpKeepsTheRest", decodeUtf8BySystem,
                    "\xF0\x90\x80\x80"
                    "a",
                    "??a", true},
        FallbackRow{"utf8StopsAtZero", decodeUtf8BySystem, "a\0b"s, "a", false},
        FallbackRow{"utf8Empty", decodeUtf8BySystem, "", "", false},
        FallbackRow{"utf16leOut", encodeUtf16LEBySystem,
                    "\xD6\xD0"
                    "a",
                    "\x2D\x4E"
                    "a\0\0\0"s,
                    false},
        FallbackRow{"utf16leOutEmpty", encodeUtf16LEBySystem, "", "\0\0"s, false},
        FallbackRow{"utf16leOutInvalid", encodeUtf16LEBySystem, "\x81\x30\x81\x30", "?\0?\0\0\0"s,
                    true},
        FallbackRow{"utf16beOut", encodeUtf16BEBySystem,
                    "\xD6\xD0"
                    "a",
                    "\x4E\x2D\0a\0\0"s, false},
        FallbackRow{"utf8Out", encodeUtf8BySystem,
                    "\xD6\xD0"
                    "a",
                    "\xE4\xB8\xAD"
                    "a\0"s,
                    false},
        FallbackRow{"utf8OutEmpty", encodeUtf8BySystem, "", "\0"s, false},
        FallbackRow{"utf8OutStopsAtZero", encodeUtf8BySystem, "a\0b"s, "a\0"s, false},
        FallbackRow{"big5ToAnsi", big5ToAnsi, "\xA4\xA4\xA4\xE5", "\xD6\xD0\xCE\xC4", false},
        FallbackRow{"big5ToAnsiStopsAtZero", big5ToAnsi, "\xA4\xA4\0\xA4\xE5"s, "\xD6\xD0", false},
        FallbackRow{"big5ToAnsiInvalidPair", big5ToAnsi, "\x81\x40\xA4\xA4", "?\xD6\xD0", true},
        FallbackRow{"big5ToAnsiLoneLead", big5ToAnsi, "\xA4\xA4\xA4", "\xD6\xD0?", true},
        // User-defined characters pass between the code pages through the Private Use Area.
        FallbackRow{"big5ToAnsiUserDefined", big5ToAnsi, "\xFA\x40\xFE\xFE", "\xAA\xA1\xFA\xC1",
                    false},
        FallbackRow{"ansiToBig5UserDefined", ansiToBig5, "\xAA\xA1\xFA\xC1", "\xFA\x40\xFE\xFE",
                    false},
        FallbackRow{"ansiToBig5", ansiToBig5, "\xD6\xD0\xCE\xC4", "\xA4\xA4\xA4\xE5", false},
        // The whole text stays; a character Big5 lacks becomes "?" instead of ending it.
        FallbackRow{"ansiToBig5KeepsTextAfterMissing", ansiToBig5,
                    "\xBC\xF2\xD6\xD0"
                    "a",
                    "?\xA4\xA4"
                    "a",
                    true},
        FallbackRow{"ansiToBig5FourByteIsTwoMarks", ansiToBig5,
                    "\x95\x32\x82\x36"
                    "a",
                    "??a", true},
        FallbackRow{"ansiToBig5Empty", ansiToBig5, "", "", false}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace

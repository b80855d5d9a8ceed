#include "engine/system_fallbacks.h"

#include <random>
#include <stop_token>
#include <string>

#include <gtest/gtest.h>

#include "engine/code_page_conversion.h"
#include "platform/worker_pool.h"

using namespace engine;
using namespace std::string_literals;

namespace {

using Fallback = CodePageResult (*)(std::string_view, const WorkControl&);

CodePageResult big5ToAnsiInPieces(std::string_view text, const WorkControl& control) {
    return codePageInPieces(big5ToAnsi, text, control);
}
CodePageResult ansiToBig5InPieces(std::string_view text, const WorkControl& control) {
    return codePageInPieces(ansiToBig5, text, control);
}
CodePageResult big5ToTextInPieces(std::string_view text, const WorkControl& control) {
    return codePageInPieces(big5ToText, text, control);
}

struct FallbackRow {
    const char* name;
    Fallback fallback;
    std::string input;
    std::string expected;
    bool lossy;
};

class SystemFallbackTest : public testing::TestWithParam<FallbackRow> {};

TEST_P(SystemFallbackTest, givesTheClassicBytes) {
    const FallbackRow& row = GetParam();
    const CodePageResult result = row.fallback(row.input, {});
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
        // Every character the internal text holds survives, outside GBK and the BMP too; only
        // what was unreadable becomes "?".
        FallbackRow{"utf16OutsideGbkKept", decodeUtf16BySystem, "\x01\x0E"s, "\x81\x32\xCE\x39",
                    false},
        FallbackRow{"utf16EmojiKept", decodeUtf16BySystem, "\x3D\xD8\x00\xDE"s, "\x94\x39\xFC\x36",
                    false},
        FallbackRow{"utf8Text", decodeUtf8BySystem,
                    "\xE4\xB8\xAD"
                    "a",
                    "\xD6\xD0"
                    "a",
                    false},
        FallbackRow{"utf8Invalid", decodeUtf8BySystem, "a\xFF", "a?", true},
        FallbackRow{"utf8Truncated", decodeUtf8BySystem, "a\xE4\xB8", "a?", true},
        FallbackRow{"utf8EmojiKept", decodeUtf8BySystem,
                    "\xF0\x9F\x98\x80"
                    "a",
                    "\x94\x39\xFC\x36"
                    "a",
                    false},
        // The first character beyond the BMP: a surrogate pair, not a zero unit ending the text.
        FallbackRow{"utf8FirstBeyondBmpKept", decodeUtf8BySystem,
                    "\xF0\x90\x80\x80"
                    "a",
                    "\x90\x30\x81\x30"
                    "a",
                    false},
        // Two emoji and a stray byte: only the stray byte is lost.
        FallbackRow{"utf8StrayByteAmongEmoji", decodeUtf8BySystem,
                    "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\x81"
                    "A",
                    "\x94\x39\xFC\x36\x94\x39\xFC\x36?A", true},
        FallbackRow{"utf8StopsAtZero", decodeUtf8BySystem, "a\0b"s, "a", false},
        FallbackRow{"utf8Empty", decodeUtf8BySystem, "", "", false},
        FallbackRow{"utf16leOut", encodeUtf16LEBySystem,
                    "\xD6\xD0"
                    "a",
                    "\x2D\x4E"
                    "a\0\0\0"s,
                    false},
        FallbackRow{"utf16leOutEmpty", encodeUtf16LEBySystem, "", "\0\0"s, false},
        FallbackRow{"utf16leOutFourByte", encodeUtf16LEBySystem, "\x81\x30\x81\x30", "\x80\0\0\0"s,
                    false},
        FallbackRow{"utf16leOutInvalid", encodeUtf16LEBySystem,
                    "\xFF"
                    "a",
                    "?\0a\0\0\0"s, true},
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
        FallbackRow{"big5ToAnsi", big5ToAnsiInPieces, "\xA4\xA4\xA4\xE5", "\xD6\xD0\xCE\xC4",
                    false},
        FallbackRow{"big5ToAnsiStopsAtZero", big5ToAnsiInPieces, "\xA4\xA4\0\xA4\xE5"s, "\xD6\xD0",
                    false},
        FallbackRow{"big5ToAnsiInvalidPair", big5ToAnsiInPieces, "\x81\x40\xA4\xA4", "?\xD6\xD0",
                    true},
        FallbackRow{"big5ToAnsiLoneLead", big5ToAnsiInPieces, "\xA4\xA4\xA4", "\xD6\xD0?", true},
        // User-defined characters pass between the code pages through the Private Use Area.
        FallbackRow{"big5ToAnsiUserDefined", big5ToAnsiInPieces, "\xFA\x40\xFE\xFE",
                    "\xAA\xA1\xFA\xC1", false},
        FallbackRow{"ansiToBig5UserDefined", ansiToBig5InPieces, "\xAA\xA1\xFA\xC1",
                    "\xFA\x40\xFE\xFE", false},
        FallbackRow{"ansiToBig5", ansiToBig5InPieces, "\xD6\xD0\xCE\xC4", "\xA4\xA4\xA4\xE5",
                    false},
        // The whole text stays; a character Big5 lacks becomes "?" instead of ending it.
        FallbackRow{"ansiToBig5KeepsTextAfterMissing", ansiToBig5InPieces,
                    "\xBC\xF2\xD6\xD0"
                    "a",
                    "?\xA4\xA4"
                    "a",
                    true},
        FallbackRow{"ansiToBig5FourByteIsTwoMarks", ansiToBig5InPieces,
                    "\x95\x32\x82\x36"
                    "a",
                    "??a", true},
        FallbackRow{"ansiToBig5Empty", ansiToBig5InPieces, "", "", false}),
    [](const auto& param) { return std::string(param.param.name); });

// Bytes that start, end or continue characters in one reading and not in another.
std::string trickyBytes(std::mt19937& random, std::size_t length) {
    static constexpr unsigned char alphabet[] = {0x0A, 0x20, 0x30, 0x39, 0x40, 0x61, 0x7E, 0x7F,
                                                 0x80, 0x81, 0xA1, 0xA4, 0xA8, 0xBA, 0xBF, 0xC3,
                                                 0xD8, 0xDC, 0xE4, 0xED, 0xF0, 0xF4, 0xFE, 0xFF};
    std::string bytes(length, '\0');
    for (char& byte : bytes)
        byte =
            random() % 64 == 0 ? '\0' : static_cast<char>(alphabet[random() % std::size(alphabet)]);
    return bytes;
}

const Fallback everyFallback[] = {decodeUtf8BySystem,    decodeUtf16BySystem, encodeUtf16LEBySystem,
                                  encodeUtf16BEBySystem, encodeUtf8BySystem,  big5ToAnsiInPieces,
                                  ansiToBig5InPieces,    big5ToTextInPieces};

TEST(SystemFallbackPieces, giveTheBytesOfTheWholeText) {
    std::mt19937 random(23);
    platform::WorkerPool pool(2);
    for (int round = 0; round < 300; ++round) {
        const std::string input = trickyBytes(random, random() % 48);
        for (std::size_t f = 0; f < std::size(everyFallback); ++f) {
            const CodePageResult whole = everyFallback[f](input, {});
            for (const std::size_t size : {1, 2, 3, 5}) {
                WorkControl pieces;
                pieces.pool = size == 3 ? &pool : nullptr;
                pieces.pieceSize = size;
                const CodePageResult cut = everyFallback[f](input, pieces);
                ASSERT_EQ(cut.text, whole.text) << "fallback " << f << " size " << size << " input "
                                                << testing::PrintToString(input);
                ASSERT_EQ(cut.lossy, whole.lossy) << "fallback " << f << " size " << size;
            }
        }
    }
}

TEST(SystemFallbackPieces, stopComesBetweenPieces) {
    std::stop_source stop;
    stop.request_stop();
    WorkControl control;
    control.stop = stop.get_token();
    for (const Fallback fallback : everyFallback) {
        const CodePageResult result = fallback("\xA4\xA4"
                                               "a\xFF\xC3\x81\x30",
                                               control);
        EXPECT_TRUE(result.abandoned);
        EXPECT_TRUE(result.text.empty());
    }
}

} // namespace

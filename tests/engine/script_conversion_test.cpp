#include "engine/script_conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/iconv_handle.h"

using namespace engine;
using platform::ansi;

namespace {

// "頭髮和發展，為什麼？" in Big5 (code page 950).
const std::string big5Sample = "\xC0\x59\xBE\x76\xA9\x4D\xB5\x6F\xAE\x69\xA1\x41\xAC\xB0\xA4\xB0"
                               "\xBB\xF2\xA1\x48";

struct ModeRow {
    const char* name;
    ScriptMode mode;
    std::string input;
    std::string expected;
};

class ScriptModes : public testing::TestWithParam<ModeRow> {};

TEST_P(ScriptModes, convertsSample) {
    const ModeRow& row = GetParam();
    ScriptResult result = convertScript(row.mode, row.input);
    EXPECT_EQ(result.text, row.expected);
    EXPECT_TRUE(result.ok());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptModes,
    testing::Values(ModeRow{"none", ScriptMode::None, ansi("头发和发展"), ansi("头发和发展")},
                    ModeRow{"simplifiedToTraditional", ScriptMode::SimplifiedToTraditional,
                            ansi("头发和发展，为什么？\r\n软件开发在台湾很著名。\n"),
                            ansi("頭髮和發展，為什麼？\r\n軟件開發在臺灣很著名。\n")},
                    ModeRow{"traditionalToSimplified", ScriptMode::TraditionalToSimplified,
                            ansi("頭髮和發展，為什麼？\r\n"), ansi("头发和发展，为什么？\r\n")},
                    // Every Simplified character of the sample has its Traditional form in Big5.
                    ModeRow{"simplifiedToBig5", ScriptMode::SimplifiedToBig5,
                            ansi("头发和发展，为什么？"), big5Sample},
                    ModeRow{"traditionalToBig5", ScriptMode::TraditionalToBig5,
                            ansi("頭髮和發展，為什麼？"), big5Sample},
                    ModeRow{"big5ToSimplified", ScriptMode::Big5ToSimplified, big5Sample,
                            ansi("头发和发展，为什么？")},
                    ModeRow{"big5ToTraditional", ScriptMode::Big5ToTraditional, big5Sample,
                            ansi("頭髮和發展，為什麼？")}),
    [](const testing::TestParamInfo<ModeRow>& row) { return std::string(row.param.name); });

class EveryMode : public testing::TestWithParam<ScriptMode> {};

TEST_P(EveryMode, leavesTextWithoutChineseAlone) {
    for (const std::string text : {"", "plain ASCII, 123\r\n\tend."}) {
        ScriptResult result = convertScript(GetParam(), text);
        EXPECT_EQ(result.text, text);
        EXPECT_TRUE(result.ok());
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryMode,
                         testing::Values(ScriptMode::None, ScriptMode::SimplifiedToTraditional,
                                         ScriptMode::TraditionalToSimplified,
                                         ScriptMode::SimplifiedToBig5,
                                         ScriptMode::TraditionalToBig5,
                                         ScriptMode::Big5ToSimplified,
                                         ScriptMode::Big5ToTraditional),
                         [](const testing::TestParamInfo<ScriptMode>& mode) {
                             return std::string(scriptModeName(mode.param));
                         });

TEST(ScriptConversion, noneKeepsEveryByte) {
    const std::string bytes("\x80\xFF\x00\x81 \xC0\x59", 7);
    ScriptResult result = convertScript(ScriptMode::None, bytes);
    EXPECT_EQ(result.text, bytes);
    EXPECT_TRUE(result.ok());
}

TEST(ScriptConversion, traditionalToBig5KeepsTheTextAroundAMissingCharacter) {
    // 发 exists only in Simplified form: Big5 has no code for it.
    ScriptResult result = convertScript(ScriptMode::TraditionalToBig5, ansi("頭髮发展"));
    EXPECT_EQ(result.text, "\xC0\x59\xBE\x76?\xAE\x69");
    EXPECT_EQ(result.problem, engine::problems::LossyScript);
}

TEST(ScriptConversion, big5SourceBecomesCodePage936Simplified) {
    // What the decoder hands over for a Big5 file read as ANSI: the raw bytes.
    ScriptResult result = convertScript(ScriptMode::Big5ToSimplified, big5Sample + "\r\n");
    EXPECT_EQ(result.text, "\xCD\xB7\xB7\xA2\xBA\xCD\xB7\xA2\xD5\xB9\xA3\xAC\xCE\xAA\xCA\xB2"
                           "\xC3\xB4\xA3\xBF\r\n");
    std::string utf8;
    EXPECT_TRUE(platform::convertStrict("UTF-8", "CP936", result.text, utf8));
}

TEST(ScriptConversion, invalidGb18030BytesStayWhereTheyAre) {
    struct Row {
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {ansi("头发") + "\x80" + ansi("发展") + "\xFF",
         ansi("頭髮") + "\x80" + ansi("發展") + "\xFF"},
        {ansi("发展") + "\x81", ansi("發展") + "\x81"},      // lead byte at the end
        {"\x81 " + ansi("发展"), "\x81 " + ansi("發展")},    // lead byte before a space
        {ansi("头发") + std::string(1, '\0') + ansi("发展"), // zero byte inside
         ansi("頭髮") + std::string(1, '\0') + ansi("發展")},
        {ansi("发展𠀀"), ansi("發展𠀀")}, // a four-byte character outside GBK
    };
    for (const Row& row : rows) {
        ScriptResult result = simplifiedToTraditional(row.input);
        EXPECT_EQ(result.text, row.expected);
        EXPECT_TRUE(result.ok());
    }
}

TEST(ScriptConversion, longTextGoesThroughInPiecesWithoutSplittingPhrases) {
    std::string manyLines;
    std::string manyLinesExpected;
    for (int line = 0; line < 30000; ++line) {
        manyLines += ansi("头发和发展\r\n");
        manyLinesExpected += ansi("頭髮和發展\r\n");
    }
    ScriptResult lines = simplifiedToTraditional(manyLines);
    EXPECT_TRUE(lines.ok());
    EXPECT_TRUE(lines.text == manyLinesExpected);

    // One line longer than any piece: cut after a one-byte character, never inside 头发.
    std::string oneLine;
    std::string oneLineExpected;
    for (int word = 0; word < 180000; ++word) {
        oneLine += ansi("x头发 ");
        oneLineExpected += ansi("x頭髮 ");
    }
    ScriptResult line = simplifiedToTraditional(oneLine);
    EXPECT_TRUE(line.ok());
    EXPECT_TRUE(line.text == oneLineExpected);
}

TEST(ScriptConversion, piecesEndAtLineBreaksNotAtAFixedSize) {
    // Short lines, then one in which 头发 straddles a 256 KiB mark: only a cut after a line
    // break converts it as the phrase 頭髮 (on its own, 发 becomes 發).
    constexpr std::size_t mark = 256 * 1024;
    const std::string shortLine = std::string(99, 'x') + "\n";
    const std::string head = ansi("头");
    std::string text;
    std::string expected;
    for (std::size_t boundary = mark; boundary <= 3 * mark; boundary += mark) {
        while (text.size() + 2 * shortLine.size() < boundary) {
            text += shortLine;
            expected += shortLine;
        }
        const std::string filler(boundary - head.size() - text.size(), 'x');
        text += filler + head + ansi("发和\n");
        expected += filler + ansi("頭髮和\n");
    }
    ASSERT_EQ(text.substr(2 * mark - head.size(), head.size() + 2), ansi("头发"));
    ScriptResult result = simplifiedToTraditional(text);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.text == expected);
}

TEST(ScriptConversion, missingDictionariesLeaveTheTextAndSayItFailed) {
    setScriptDictionaryDirectory("/nonexistent/opencc-dictionaries");
    const std::string simplified = ansi("头发和发展");
    for (ScriptMode mode :
         {ScriptMode::SimplifiedToTraditional, ScriptMode::TraditionalToSimplified}) {
        ScriptResult result = convertScript(mode, simplified);
        EXPECT_EQ(result.text, simplified);
        EXPECT_EQ(result.problem, engine::problems::ScriptUnavailable);
        // The library's own words name what it could not load.
        EXPECT_NE(result.detail.find("/nonexistent/opencc-dictionaries/"), std::string::npos)
            << result.detail;
    }
    ScriptResult big5 = convertScript(ScriptMode::SimplifiedToBig5, simplified);
    // Without the mapping, the Big5 step gets the Simplified text: 头 and 发 are not in Big5.
    EXPECT_EQ(big5.text, "??\xA9\x4D?\xAE\x69");
    // The mapping that could not run outweighs the characters Big5 lacked.
    EXPECT_EQ(big5.problem, engine::problems::ScriptUnavailable);
    // Text that needs no dictionaries still converts.
    ScriptResult ascii = convertScript(ScriptMode::SimplifiedToTraditional, "abc");
    EXPECT_TRUE(ascii.ok());

    setScriptDictionaryDirectory("");
    ScriptResult restored = convertScript(ScriptMode::SimplifiedToTraditional, simplified);
    EXPECT_EQ(restored.text, ansi("頭髮和發展"));
    EXPECT_TRUE(restored.ok());
    releaseScriptConverters();
}

} // namespace

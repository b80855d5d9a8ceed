#include "engine/piece_cutting.h"

#include <atomic>
#include <stop_token>
#include <string>

#include <gtest/gtest.h>

#include "engine/script_conversion.h"
#include "engine/single_file_conversion.h"
#include "engine/system_fallbacks.h"
#include "platform/worker_pool.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"

using namespace engine;
using platform::ansi;
using platform::FileProblem;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::temporaryFiles;
using platform::testing::writeBytes;

namespace {

using TE = TextEncoding;

std::string repeated(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

// Lines of "中文" in UTF-16LE (or BE), a surrogate pair (U+20000) straddling the first cut.
std::string utf16Lines(bool littleEndian) {
    const std::string unit = littleEndian ? std::string("\x2D\x4E", 2) : std::string("\x4E\x2D", 2);
    const std::string high = littleEndian ? "\x40\xD8" : "\xD8\x40";
    const std::string low = littleEndian ? std::string("\x00\xDC", 2) : std::string("\xDC\x00", 2);
    return repeated(unit, 7) + high + low + repeated(unit, 40);
}

enum class Step { Decode, Encode, Script };

struct PieceRow {
    const char* name;
    Step step;
    TE encoding;
    ScriptMode mode;
    std::string bytes;
};

// What a step gives for `row`, flattened so one comparison covers text, flags and status.
std::string outcome(const PieceRow& row, const WorkControl& control) {
    switch (row.step) {
    case Step::Decode: {
        const DecodedText decoded = decodeContent(row.bytes, 0, row.encoding, control);
        return decoded.text + '|' + std::string(encodingName(decoded.encoding)) +
               (decoded.lossy ? "|lossy" : "") + (decoded.abandoned ? "|abandoned" : "");
    }
    case Step::Encode: {
        ByteCollector sink;
        const FileProblem problem = encodeTextInto(row.bytes, row.encoding, sink, control);
        return sink.take() + '|' + std::string(problem.code());
    }
    case Step::Script: {
        AnsiText text = row.bytes;
        const ScriptResult result = convertScriptOver(row.mode, text, control);
        return text + '|' + std::string(result.problem.code());
    }
    }
    return {};
}

class PiecesEqualOnePiece : public testing::TestWithParam<PieceRow> {};

TEST_P(PiecesEqualOnePiece, forTrickyInput) {
    const PieceRow& row = GetParam();
    platform::WorkerPool pool(3);
    WorkControl pieces;
    pieces.pool = &pool;
    pieces.pieceSize = 16;
    ASSERT_TRUE(cutsInPieces(pieces, row.bytes.size()));
    EXPECT_EQ(outcome(row, pieces), outcome(row, WorkControl()));
}

const std::string utf8Lines = repeated("中文字符，一行。\n", 12);
const std::string gbLines = ansi(repeated("头发和发展，为什么？\n", 12));

INSTANTIATE_TEST_SUITE_P(
    Rows, PiecesEqualOnePiece,
    testing::Values(
        // A bad byte in the last piece sends the whole text to the system fallback.
        PieceRow{"utf8BadByteLate", Step::Decode, TE::Utf8, ScriptMode::None, utf8Lines + "\xFF\n"},
        PieceRow{"ansiReadAsUtf8", Step::Decode, TE::Ansi, ScriptMode::None, utf8Lines},
        // ANSI tried as UTF-8 falls back to the whole buffer as it is.
        PieceRow{"ansiTriedAsUtf8", Step::Decode, TE::Ansi, ScriptMode::None,
                 utf8Lines + "\xD6\xD0\n"},
        // The text ends at the zero byte in the second piece; the rest must still convert.
        PieceRow{"zeroInSecondPiece", Step::Decode, TE::Utf8, ScriptMode::None,
                 utf8Lines.substr(0, 30) + std::string(1, '\0') + utf8Lines},
        PieceRow{"zeroThenBadByte", Step::Decode, TE::Utf8, ScriptMode::None,
                 utf8Lines.substr(0, 30) + std::string(1, '\0') + utf8Lines + "\xC3"},
        PieceRow{"surrogatePairAtCutLE", Step::Decode, TE::Utf16LE, ScriptMode::None,
                 utf16Lines(true)},
        PieceRow{"surrogatePairAtCutBE", Step::Decode, TE::Utf16BE, ScriptMode::None,
                 utf16Lines(false)},
        PieceRow{"loneHighSurrogateLate", Step::Decode, TE::Utf16LE, ScriptMode::None,
                 utf16Lines(true) + "\x40\xD8" + "A\0"},
        PieceRow{"big5LeadBeforeLineFeed", Step::Decode, TE::Big5, ScriptMode::None,
                 repeated("\xA4\xA4\xA4\xE5\n", 10) + "\xA4\n" + repeated("\xA4\xA4\n", 10)},
        PieceRow{"encodeBadSequenceLate", Step::Encode, TE::Utf8, ScriptMode::None,
                 gbLines + "\x81\x20\n"},
        PieceRow{"encodeZeroInSecondPiece", Step::Encode, TE::Utf16BE, ScriptMode::None,
                 gbLines.substr(0, 24) + std::string(1, '\0') + gbLines},
        PieceRow{"big5StepLossyAndZero", Step::Script, TE::Ansi, ScriptMode::Big5ToTraditional,
                 repeated("\xA4\xA4\xA4\xE5\n", 8) + "\xA4\n\xF9\xFE\n" + std::string(1, '\0') +
                     "\xA4\xA4"},
        PieceRow{"toBig5Lossy", Step::Script, TE::Ansi, ScriptMode::SimplifiedToBig5,
                 gbLines + ansi("€😀\n") + gbLines},
        PieceRow{"simplifiedToTraditional", Step::Script, TE::Ansi,
                 ScriptMode::SimplifiedToTraditional, gbLines + "\x81\n" + gbLines},
        // No line feeds: the digits 30-39 end a four-byte character or sit in its middle.
        PieceRow{"fourBytesAndDigits", Step::Encode, TE::Utf8, ScriptMode::None,
                 repeated("\x81\x30\x81\x30\x81\x31\x81\x32"
                          "9",
                          10)},
        PieceRow{"chineseOnly", Step::Encode, TE::Utf16LE, ScriptMode::None,
                 "a" + repeated(ansi("头发和发展为什么"), 12)},
        PieceRow{"chineseOnlyBadLate", Step::Encode, TE::Utf8, ScriptMode::None,
                 "a" + repeated(ansi("头发和发展为什么"), 12) + "\x81\x20" + ansi("头发")},
        // ê and a combining caron make one Big5-HKSCS character only when converted together.
        PieceRow{"combiningMarkIntoBig5Hkscs", Step::Encode, TE::Big5Hkscs, ScriptMode::None,
                 repeated(ansi("頭髮") + "\xA8\xBA\x81\x30\xBD\x38", 12)},
        PieceRow{"utf8OneLine", Step::Decode, TE::Utf8, ScriptMode::None,
                 repeated("中文字符😀a", 12) + "\xFF" + repeated("中文", 12)},
        // Cut only after a four-byte character's last continuation byte.
        PieceRow{"utf8Emoji", Step::Decode, TE::Utf8, ScriptMode::None, "a" + repeated("😀", 20)},
        // Big5 trail bytes include "@" (40).
        PieceRow{"big5OneLine", Step::Decode, TE::Big5, ScriptMode::None,
                 repeated("\xA4\xA4\xA4@\xA4\xE5", 12)},
        PieceRow{"big5StepOneLine", Step::Script, TE::Ansi, ScriptMode::Big5ToTraditional,
                 repeated("\xA4\xA4\xA4@\xA4\n\xA4", 12)},
        PieceRow{"toBig5StepShrinks", Step::Script, TE::Ansi, ScriptMode::TraditionalToBig5,
                 ansi(repeated("頭髮\n", 8) + repeated("😀", 8) + "\n" + repeated("發展\n", 8))}),
    [](const testing::TestParamInfo<PieceRow>& row) { return std::string(row.param.name); });

// A code-page step whose result can outgrow its piece: each "+" becomes two.
CodePageResult doublingPluses(std::string_view piece) {
    CodePageResult result{AnsiText(), false};
    for (const char c : piece)
        result.text += c == '+' ? std::string("++") : std::string(1, c);
    return result;
}

TEST(CodePageOverText, givesWhatTheStepGivesInPieces) {
    platform::WorkerPool pool(3);
    WorkControl pieces;
    pieces.pool = &pool;
    pieces.pieceSize = 16;
    const std::string lines = repeated("abcdef\n", 8);
    // Growing in the first piece, in a middle one, in the last, and never.
    for (const std::string& text :
         {repeated("+", 20) + "\n" + lines, lines + repeated("+", 20) + "\n" + lines, lines + "++",
          lines + std::string(1, '\0') + "+"}) {
        AnsiText over = text;
        const CodePageResult result = codePageInPiecesOver(doublingPluses, over, pieces);
        EXPECT_FALSE(result.abandoned);
        EXPECT_EQ(over, codePageInPieces(doublingPluses, text, pieces).text);
    }
}

// Without workers the converter reads a text whole; the fallback that follows its refusal still
// sees the stop and gives the text up.
class StopInFallback : public testing::TestWithParam<PieceRow> {};

TEST_P(StopInFallback, givesUpTheText) {
    std::stop_source stop;
    stop.request_stop();
    WorkControl control;
    control.stop = stop.get_token();
    const std::string got = outcome(GetParam(), control);
    // A decoded text's flag and the problem's code read alike.
    EXPECT_TRUE(got.ends_with("|abandoned")) << got;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StopInFallback,
    testing::Values(
        PieceRow{"utf8BadByte", Step::Decode, TE::Utf8, ScriptMode::None, utf8Lines + "\xFF"},
        PieceRow{"utf16LoneSurrogate", Step::Decode, TE::Utf16LE, ScriptMode::None,
                 std::string("a\0\x00\xD8", 4)},
        PieceRow{"big5BadPair", Step::Decode, TE::Big5, ScriptMode::None, "\xA4\xA4\x81\x20"},
        PieceRow{"intoUtf8", Step::Encode, TE::Utf8, ScriptMode::None, gbLines + "\x81\x20"},
        PieceRow{"intoUtf16LE", Step::Encode, TE::Utf16LE, ScriptMode::None, "\x81\x20"},
        PieceRow{"intoUtf16BE", Step::Encode, TE::Utf16BE, ScriptMode::None, "\x81\x20"}),
    [](const testing::TestParamInfo<PieceRow>& row) { return std::string(row.param.name); });

TEST(PieceCutting, cutsOnlyWhereNoCharacterStraddles) {
    const std::string le = utf16Lines(true);
    for (const std::size_t end : pieceEnds(le, PieceRule::Utf16LE, 16)) {
        EXPECT_EQ(end % 2, 0u);
        if (end < le.size()) {
            EXPECT_NE(static_cast<unsigned char>(le[end + 1]) & 0xFC, 0xDC);
        }
    }
    for (const std::size_t end : pieceEnds(gbLines, PieceRule::Converter, 16))
        EXPECT_EQ(gbLines[end - 1], '\n');
    // A text without line feeds is cut too, so that a stop is seen within it.
    const std::string oneLine = "a" + repeated(ansi("头发和发展为什么"), 12);
    EXPECT_GT(pieceEnds(oneLine, PieceRule::Converter, 16).size(), oneLine.size() / 32);
    EXPECT_GT(pieceEnds(oneLine, PieceRule::CodePage, 16).size(), oneLine.size() / 32);
}

TEST(PieceCutting, stopGivesUpTheFileAndProgressReachesTheEnd) {
    TempFolder folder;
    const std::string source = repeated(ansi("头发和发展，为什么？\n"), 200);
    writeBytes(folder.native("s.txt"), source);
    std::filesystem::create_directory(folder.native("out"));
    writeBytes(folder.native("out/s.txt"), "earlier");
    platform::WorkerPool pool(2);
    std::stop_source stop;
    std::atomic<int> permille{0};
    WorkControl control{&pool, stop.get_token(), &permille, 64};
    int seenAtScript = -1;
    int seenAfterScript = -1;
    // The script step sees decoding done and stops the run, as a stop click between the steps.
    const ScriptStep stopping = [&](AnsiText& text, TextEncoding, const WorkControl& step) {
        seenAtScript = permille.load();
        const ScriptResult mapped = convertScript(ScriptMode::SimplifiedToTraditional, text, step);
        text = mapped.text;
        seenAfterScript = permille.load();
        stop.request_stop();
        return mapped.problem;
    };
    FileConversion result = convertFile(folder.path("s.txt"), TE::Ansi, TE::Utf8,
                                        folder.path("out"), stopping, {}, control);
    EXPECT_EQ(result.status.problem, engine::problems::Abandoned);
    // Decoding fills its share, the script's pieces theirs.
    EXPECT_EQ(seenAtScript, 200);
    EXPECT_EQ(seenAfterScript, 800);
    EXPECT_EQ(readBytes(folder.native("out/s.txt")), "earlier");
    EXPECT_TRUE(temporaryFiles(folder.native("out")).empty());

    // Stopped while writing: the target stays as it was and no temporary is left.
    EXPECT_EQ(encodeAndWriteFile(folder.path("out/s.txt"), source, TE::Utf8, control),
              FileStatus{engine::problems::Abandoned});
    EXPECT_EQ(readBytes(folder.native("out/s.txt")), "earlier");
    EXPECT_TRUE(temporaryFiles(folder.native("out")).empty());

    control.stop = {};
    permille = 0;
    result =
        convertFile(folder.path("s.txt"), TE::Ansi, TE::Utf8, folder.path("out"), {}, {}, control);
    EXPECT_TRUE(result.status.ok());
    EXPECT_EQ(permille.load(), 1000);
    EXPECT_EQ(readBytes(folder.native("out/s.txt")),
              "\xEF\xBB\xBF" + repeated("头发和发展，为什么？\n", 200));
}

} // namespace

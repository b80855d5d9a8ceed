// A stream converts to the bytes its file would, mark aside, however small its pieces: cut at
// line ends, at a character's end within a long line, never inside a CR LF pair.
#include "engine/stream_conversion.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "engine/conversion_problems.h"
#include "engine/other_encodings.h"
#include "engine/single_file_conversion.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"

using namespace engine;
using namespace std::string_literals;
using platform::testing::TempFolder;

namespace {

using TE = TextEncoding;

struct StreamRow {
    const char* name;
    std::string source;
    TE input, output;
    ScriptMode script = ScriptMode::None;
    LineEnding ending = LineEnding::Keep;
};

// The file's conversion without its mark: what the stream must write.
FileConversion convertAsFile(const StreamRow& row, std::string& bytes) {
    TempFolder folder;
    std::ofstream(folder.native("s.txt"), std::ios::binary) << row.source;
    std::filesystem::create_directory(folder.native("out"));
    const FileConversion conversion =
        convertFile(folder.path("s.txt"), row.input, row.output, folder.path("out") + "/",
                    scriptStepOf(row.script), DetectionRule::Classic, {}, {false, row.ending});
    std::ifstream in(folder.native("out/s.txt"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return conversion;
}

// Streams the row in pieces of every size, expecting what its file gives; returns the file's
// conversion and its bytes.
FileConversion expectStreamAsFile(const StreamRow& row, std::string& expected) {
    const FileConversion file = convertAsFile(row, expected);
    for (const std::size_t pieceSize : {std::size_t{3}, std::size_t{8}, std::size_t{1} << 20}) {
        SCOPED_TRACE(pieceSize);
        std::size_t offset = 0;
        // Reads come in twos and threes, as a pipe may hand them over.
        const StreamReader reader = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
            const std::size_t count =
                std::min({size, row.source.size() - offset, std::size_t{2} + offset % 2});
            std::copy_n(row.source.data() + offset, count, buffer);
            offset += count;
            return static_cast<std::ptrdiff_t>(count);
        };
        std::string written;
        const StreamWriter writer = [&written](std::string_view bytes) {
            written += bytes;
            return true;
        };
        const StreamConversion stream =
            convertStream(reader, writer, row.input, row.output, scriptStepOf(row.script),
                          DetectionRule::Classic, {false, row.ending}, {4, pieceSize, 12});
        EXPECT_EQ(written, expected);
        EXPECT_EQ(stream.status, file.status);
        EXPECT_EQ(stream.detected, file.detected);
        EXPECT_EQ(stream.written, file.written);
    }
    return file;
}

class StreamConversionTest : public testing::TestWithParam<StreamRow> {};

TEST_P(StreamConversionTest, writesWhatTheFileWouldInPiecesOfEverySize) {
    std::string expected;
    (void)expectStreamAsFile(GetParam(), expected);
}

const std::string gbkLines = "\xC4\xE3\xBA\xC3\r\nabc\n\xCA\xC0\xBD\xE7\r\n"; // 你好, abc, 世界

INSTANTIATE_TEST_SUITE_P(
    Rows, StreamConversionTest,
    testing::Values(
        StreamRow{"gbkDetectedToUtf8", gbkLines, TE::Auto, TE::Utf8},
        StreamRow{"utf8MarkToUtf16BeWithCrlf", "\xEF\xBB\xBF一\n二\r\n三\n", TE::Auto, TE::Utf16BE,
                  ScriptMode::None, LineEnding::Crlf},
        StreamRow{"utf16LeToAnsiWithLf", "\xFF\xFE`O\r\0\n\0}Y\r\0\n\0"s, TE::Auto, TE::Ansi,
                  ScriptMode::None, LineEnding::Lf},
        StreamRow{"lineLongerThanAPieceCutAtACharacter", "甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳\r\n",
                  TE::Utf8, TE::Ansi, ScriptMode::None, LineEnding::Lf},
        // Thirteen bytes without a line feed end in the CR of a CR LF pair: the cut waits.
        StreamRow{"longLineEndsInTheCrOfAPair", "abcdefghijkl\r\nxyz\n", TE::Utf8, TE::Utf8,
                  ScriptMode::None, LineEnding::Lf},
        StreamRow{"traditionalToSimplified", "這個問題\n需要研究\n", TE::Utf8, TE::Utf8,
                  ScriptMode::TraditionalToSimplified},
        StreamRow{"lossyUtf8",
                  "ab\n\xFF"
                  "cd\n",
                  TE::Utf8, TE::Ansi},
        StreamRow{"zeroEndsTheText", "ab\ncd\0ef\n"s, TE::Utf8, TE::Utf8},
        StreamRow{"zerosAfterATerminatorAreACut", "ab\ncd\n\0\0\0"s, TE::Utf8, TE::Utf8},
        StreamRow{"empty", "", TE::Auto, TE::Utf8}),
    [](const auto& row) { return std::string(row.param.name); });

// Encodings known only to iconv, in a stream as in a file: a line of Shift_JIS is never cut,
// since its characters (a half-width katakana before double-byte ones) end where only iconv knows;
// what cannot be read or held becomes "?", in the shift state the target is in.
TEST(StreamConversion, otherEncodingsConvertThroughIconv) {
    const auto other = [](const char* name) { return *otherEncoding(name).encoding; };
    const auto from = [](const std::string& utf8, const char* charset) {
        return convertCharset(utf8, "UTF-8", charset);
    };
    const struct {
        const char* name;
        std::string source;
        TE input, output;
        std::string bytes;
        platform::FileProblem problem;
    } rows[] = {
        {"shiftJisLongLine", from("ｱ語文章のです語文章のです\nｵ二\n", "SHIFT_JIS"),
         other("SHIFT_JIS"), TE::Utf8, "ｱ語文章のです語文章のです\nｵ二\n",
         platform::FileProblem::None},
        {"unreadableBytes",
         "ab\x82\xFF\xA0"
         "cd\n",
         other("shift_jis"), TE::Utf8, "ab???cd\n", problems::LossyDecode},
        {"missingCharacterInShiftState", "日한本\n", TE::Utf8, other("ISO-2022-JP"),
         from("日?本\n", "ISO-2022-JP"), problems::Unrepresentable},
        // 上 is 0A 4E in UTF-16LE: no line ends there; and iconv's UTF-16 writes one mark.
        {"wideEncodingsAreOnePiece", from("上\n上下\n" + std::string(40, 'x') + "\n", "UTF-16LE"),
         other("UTF-16LE"), other("UTF-16"),
         from("上\n上下\n" + std::string(40, 'x') + "\n", "UTF-16"), platform::FileProblem::None},
        {"scriptStepOnTheWay", from("這個問題\n", "BIG5"), other("CP950"), other("ISO-2022-CN"),
         from("这个问题\n", "ISO-2022-CN"), platform::FileProblem::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string written;
        const StreamRow stream{row.name, row.source, row.input, row.output,
                               row.input == other("CP950") ? ScriptMode::TraditionalToSimplified
                                                           : ScriptMode::None};
        const FileConversion file = expectStreamAsFile(stream, written);
        EXPECT_EQ(written, row.bytes);
        EXPECT_EQ(file.status.problem, row.problem);
        EXPECT_EQ(file.detected, row.input);
    }
}

// A read error ends the stream with the error the system gave.
TEST(StreamConversion, readErrorIsTheSourcesProblem) {
    const StreamReader failing = [](char*, std::size_t) -> std::ptrdiff_t {
        errno = EIO;
        return -1;
    };
    const StreamConversion stream = convertStream(
        failing, [](std::string_view) { return true; }, TE::Utf8, TE::Utf8);
    EXPECT_EQ(stream.status, (platform::FileStatus{platform::problems::SourceUnreadable, EIO}));
}

} // namespace

// Line ends and the byte-order mark as every output encoding writes them, through the whole
// conversion of a file cut into tiny pieces.
#include "engine/write_options.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "engine/conversion_check.h"
#include "engine/single_file_conversion.h"
#include "platform/ansi_text.h"
#include "platform/worker_pool.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"

using namespace engine;
using namespace std::string_literals;
using platform::ansi;
namespace fs = std::filesystem;

namespace {

using TE = TextEncoding;

// 中 CR LF 文 LF 字 CR in GBK: every kind of line end, the CR LF right after a two-byte character
// so that a three-byte piece cuts the pair in two.
const std::string mixedLines = "\xD6\xD0\r\n\xCE\xC4\n\xD7\xD6\r";

struct LineRow {
    const char* name;
    std::string source; // GBK
    TE output;
    ScriptMode script;
    WriteOptions write;
    std::string expected;
    platform::FileProblem problem = platform::FileProblem::None;

    friend void PrintTo(const LineRow& row, std::ostream* out) { *out << row.name; }
};

class LineEndings : public testing::TestWithParam<LineRow> {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.empty());
        fs::create_directory(folder / "out");
    }
    platform::testing::TempFolder temp;
    const fs::path folder = temp.folder();
};

TEST_P(LineEndings, holdInEveryOutputEncodingAcrossPieces) {
    const LineRow& row = GetParam();
    std::ofstream(folder / "s.txt", std::ios::binary) << row.source;
    platform::WorkerPool pool(2);
    WorkControl control;
    control.pool = &pool;
    control.pieceSize = 3;
    const AnsiText source = ansi((folder / "s.txt").string());
    const FileConversion result =
        convertFile(source, TE::Ansi, row.output, ansi(folder.string() + "/out/"),
                    scriptStepOf(row.script), DetectionRule::Classic, control, row.write);
    EXPECT_EQ(result.status, platform::FileStatus{row.problem});
    std::ifstream in(folder / "out" / "s.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), row.expected);
    // The dry run sees the same text.
    const ConversionCheck check =
        checkConversion(source, TE::Ansi, row.output, scriptStepOf(row.script),
                        DetectionRule::Classic, control, row.write);
    EXPECT_EQ(check.status, platform::FileStatus{row.problem});
}

INSTANTIATE_TEST_SUITE_P(
    WriteOptions, LineEndings,
    testing::Values(
        LineRow{"utf8Crlf",
                mixedLines,
                TE::Utf8,
                ScriptMode::None,
                {true, LineEnding::Crlf},
                "\xEF\xBB\xBF\xE4\xB8\xAD\r\n\xE6\x96\x87\r\n\xE5\xAD\x97\r\n"},
        LineRow{"utf16leLf",
                mixedLines,
                TE::Utf16LE,
                ScriptMode::None,
                {true, LineEnding::Lf},
                "\xFF\xFE\x2D\x4E\n\0\x87\x65\n\0\x57\x5B\n\0"s},
        LineRow{"utf16beCrlf",
                mixedLines,
                TE::Utf16BE,
                ScriptMode::None,
                {true, LineEnding::Crlf},
                "\xFE\xFF\x4E\x2D\0\r\0\n\x65\x87\0\r\0\n\x5B\x57\0\r\0\n"s},
        LineRow{"ansiLf",
                mixedLines,
                TE::Ansi,
                ScriptMode::None,
                {true, LineEnding::Lf},
                "\xD6\xD0\n\xCE\xC4\n\xD7\xD6\n"},
        // The step leaves Big5 bytes, written as they are.
        LineRow{"big5StepCrlf",
                mixedLines,
                TE::Ansi,
                ScriptMode::TraditionalToBig5,
                {true, LineEnding::Crlf},
                "\xA4\xA4\r\n\xA4\xE5\r\n\xA6\x72\r\n"},
        // Big5 lacks 简: the text's own bytes go out, with their line ends changed all the same.
        LineRow{"unconvertedOwnBytesLf",
                "\xBC\xF2\r\n\xD6\xD0\r",
                TE::Big5,
                ScriptMode::None,
                {true, LineEnding::Lf},
                "\xBC\xF2\n\xD6\xD0\n",
                engine::problems::Unconverted},
        LineRow{"utf8WithoutMarkKeepsLines",
                mixedLines,
                TE::Utf8,
                ScriptMode::None,
                {false, LineEnding::Keep},
                "\xE4\xB8\xAD\r\n\xE6\x96\x87\n\xE5\xAD\x97\r"}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace

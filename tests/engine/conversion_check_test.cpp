#include "engine/conversion_check.h"

#include <filesystem>
#include <stop_token>
#include <string>

#include <gtest/gtest.h>

#include "engine/script_conversion.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"

using namespace engine;
using platform::FileProblem;
using platform::testing::TempFolder;
using platform::testing::writeBytes;

namespace {

using namespace std::string_literals;

using TE = TextEncoding;

struct CheckRow {
    const char* name;
    std::string source;
    TE input, output;
    ScriptMode script;
    FileProblem problem;
    std::size_t affected = 0;
    std::size_t line = 0, column = 0;
    std::string utf8;  // the first character, when it is one
    std::string bytes; // its bytes
};

class CheckConversion : public testing::TestWithParam<CheckRow> {};

// Every row is also converted for real: the check must name the problem the conversion reports.
TEST_P(CheckConversion, findsWhatTheConversionReports) {
    const CheckRow& row = GetParam();
    TempFolder folder;
    writeBytes(folder.native("a.txt"), row.source);
    const ScriptStep script = scriptStepOf(row.script);

    const ConversionCheck check =
        checkConversion(folder.path("a.txt"), row.input, row.output, script);
    EXPECT_EQ(check.status.problem, row.problem);
    EXPECT_EQ(check.affected, row.affected);
    ASSERT_EQ(check.first.has_value(), row.affected > 0);
    if (check.first) {
        EXPECT_EQ(check.first->line, row.line);
        EXPECT_EQ(check.first->column, row.column);
        EXPECT_EQ(check.first->utf8, row.utf8);
        EXPECT_EQ(check.first->bytes, row.bytes);
    }

    // A stop gives the check up, as it gives up a conversion.
    std::stop_source stop;
    stop.request_stop();
    WorkControl stopped;
    stopped.stop = stop.get_token();
    EXPECT_EQ(checkConversion(folder.path("a.txt"), row.input, row.output, script,
                              DetectionRule::Classic, stopped)
                  .status.problem,
              engine::problems::Abandoned);

    std::filesystem::create_directory(folder.native("out"));
    const FileConversion real =
        convertFile(folder.path("a.txt"), row.input, row.output, folder.path("out"), script);
    EXPECT_EQ(check.status, real.status);
    EXPECT_EQ(check.detected, real.detected);
    EXPECT_EQ(check.written, real.written);
}

const std::string big5Page = "<head><meta charset=big5></head>\n";

// 6,000 short lines: their text passes more than one 16 KB stretch of a conversion.
const std::string sixThousandLines = [] {
    std::string lines;
    for (int i = 0; i < 6000; ++i)
        lines += "ab\n";
    return lines;
}();

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckConversion,
    testing::Values(CheckRow{"cleanGbkToUtf8", "\xC4\xE3\xBA\xC3\n", TE::Auto, TE::Utf8,
                             ScriptMode::None, FileProblem::None, 0, 0, 0, "", ""},
                    CheckRow{"invalidUtf8CountsEachSequence", "ab\r\n\xE4\xBD\xA0\xE4\xBDx\xFF",
                             TE::Utf8, TE::Ansi, ScriptMode::None, engine::problems::LossyDecode, 2,
                             2, 2, "", "\xE4\xBD"},
                    CheckRow{"loneSurrogateInUtf16",
                             std::string("\xFF\xFE"
                                         "a\0\n\0\x60\x4F\x00\xD8"
                                         "b\0",
                                         12),
                             TE::Auto, TE::Utf8, ScriptMode::None, engine::problems::LossyDecode, 1,
                             2, 2, "", std::string("\x00\xD8", 2)},
                    // Text read as ANSI is the source's bytes: what is invalid there is the
                    // source's, not the encoding's.
                    CheckRow{"leadByteWithoutTrailIsTheSources", "\xC4\xE3\n\n\xC4\xE3\xC4!",
                             TE::Ansi, TE::Utf16BE, ScriptMode::None, engine::problems::LossyDecode,
                             1, 3, 2, "", "\xC4"},
                    CheckRow{"simplifiedCharacterBig5CannotHold", big5Page + "\xB0\xEA\xB0\xEA",
                             TE::Auto, TE::Auto, ScriptMode::TraditionalToSimplified,
                             engine::problems::Unconverted, 2, 2, 1, "国", "\xB9\xFA"},
                    CheckRow{"big5StepLacksPinyin", "a\xA8\xA1 \xA8\xA1", TE::Ansi, TE::Ansi,
                             ScriptMode::SimplifiedToBig5, engine::problems::LossyScript, 2, 1, 2,
                             "\xC4\x81", "\xA8\xA1"},
                    // The character and its bytes as the source holds them, not the GB18030 the
                    // text is kept in. The code page writes "??" for it, one per UTF-16 unit.
                    CheckRow{"big5StepLacksAnEmojiOfUtf8", "a\xF0\x9F\x98\x80", TE::Utf8, TE::Utf8,
                             ScriptMode::SimplifiedToBig5, engine::problems::LossyScript, 2, 1, 2,
                             "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                    CheckRow{"zeroByteEndsTheText", "ab\ncd\0ef"s, TE::Auto, TE::Utf8,
                             ScriptMode::None, engine::problems::ZeroByteCut, 1, 2, 3, "", "\0"s},
                    CheckRow{"unreadablePastManyLines", sixThousandLines + "x\xFF", TE::Utf8,
                             TE::Ansi, ScriptMode::None, engine::problems::LossyDecode, 1, 6001, 2,
                             "", "\xFF"},
                    CheckRow{"unreadableAnsiPastManyLines", sixThousandLines + "\xC4\xE3\xC4!",
                             TE::Ansi, TE::Utf16BE, ScriptMode::None, engine::problems::LossyDecode,
                             1, 6001, 2, "", "\xC4"},
                    // Only the "?" the step put in count; the source's own are text.
                    CheckRow{"questionMarkOfTheSourceIsNotLost", "?\xA8\xA1?", TE::Ansi, TE::Ansi,
                             ScriptMode::SimplifiedToBig5, engine::problems::LossyScript, 1, 1, 2,
                             "\xC4\x81", "\xA8\xA1"},
                    CheckRow{"emptySourceIsComplete", "", TE::Auto, TE::Utf8, ScriptMode::None,
                             FileProblem::None, 0, 0, 0, "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CheckConversion, unreadableSourceHasNoEncodings) {
    TempFolder folder;
    const ConversionCheck check = checkConversion(folder.path("missing.txt"), TE::Auto, TE::Utf8);
    EXPECT_EQ(check.status.problem, platform::problems::SourceUnopenable);
    EXPECT_EQ(check.detected, TE::Auto);
    EXPECT_EQ(check.written, TE::Auto);
    EXPECT_FALSE(check.complete());
}

} // namespace

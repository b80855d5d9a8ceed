#include "engine/single_file_conversion.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/ansi_text.h"
#include "tests/platform/file_status_print.h"

using namespace engine;
using namespace std::string_literals;
using platform::ansi;
using platform::FileProblem;
namespace fs = std::filesystem;

namespace {

using TE = TextEncoding;

class SingleFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qfx-single-file-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::create_directory(folder / "out");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    AnsiText pathOf(const std::string& utf8Name) const {
        return ansi((folder / utf8Name).string());
    }
    AnsiText outputFolder() const { return ansi((folder / "out").string() + "/"); }
    void put(const std::string& utf8Name, const std::string& bytes) const {
        std::ofstream(folder / utf8Name, std::ios::binary) << bytes;
    }
    std::string contentOf(const std::string& utf8Name) const {
        std::ifstream in(folder / utf8Name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    int entriesIn(const std::string& utf8Name) const {
        return static_cast<int>(std::distance(fs::directory_iterator(folder / utf8Name), {}));
    }

    fs::path folder;
};

TEST_F(SingleFileTest, readOnlySourceConvertsAndStaysUnchanged) {
    put("ro.txt", "\xD6\xD0\xCE\xC4");
    fs::permissions(folder / "ro.txt", fs::perms::owner_read);
    const DecodedFile decoded = decodeSourceFile(pathOf("ro.txt"), TE::Auto);
    EXPECT_EQ(decoded.status, FileStatus{});
    EXPECT_EQ(decoded.text, "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(decoded.detected, TE::Ansi);
    EXPECT_EQ(contentOf("ro.txt"), "\xD6\xD0\xCE\xC4");
}

TEST_F(SingleFileTest, missingSourceFailsAndDetectsNothing) {
    const DecodedFile decoded = decodeSourceFile(pathOf("none.txt"), TE::Utf16BE);
    EXPECT_EQ(decoded.status, (FileStatus{platform::problems::SourceUnopenable, ENOENT}));
    EXPECT_TRUE(decoded.text.empty());
    EXPECT_EQ(decoded.detected, TE::Auto);
}

TEST_F(SingleFileTest, directoryAsSourceFails) {
    const DecodedFile decoded = decodeSourceFile(pathOf("out"), TE::Ansi);
    EXPECT_EQ(decoded.status, (FileStatus{platform::problems::SourceUnreadable, EISDIR}));
    EXPECT_EQ(decoded.detected, TE::Auto);
}

TEST_F(SingleFileTest, sourceInWrongEncodingIsReportedLossy) {
    put("gbk.txt", "\xD6\xD0");
    const DecodedFile decoded = decodeSourceFile(pathOf("gbk.txt"), TE::Utf8);
    EXPECT_EQ(decoded.status, FileStatus{engine::problems::LossyDecode});
    EXPECT_EQ(decoded.text, "??");
    EXPECT_EQ(decoded.detected, TE::Utf8);
}

struct ConvertRow {
    const char* name;
    std::string source;
    TE input;
    TE output;
    TE detected;
    std::string result;
};

class ConvertFileTest : public SingleFileTest, public testing::WithParamInterface<ConvertRow> {};

TEST_P(ConvertFileTest, writesTheExpectedBytes) {
    const ConvertRow& row = GetParam();
    put("源.txt", row.source);
    const FileConversion result =
        convertFile(pathOf("源.txt"), row.input, row.output, outputFolder());
    EXPECT_EQ(result.status, FileStatus{});
    EXPECT_EQ(result.detected, row.detected);
    EXPECT_EQ(contentOf("out/源.txt"), row.result);
    EXPECT_EQ(contentOf("源.txt"), row.source);
}

INSTANTIATE_TEST_SUITE_P(
    SingleFile, ConvertFileTest,
    testing::Values(
        ConvertRow{"asciiBecomesUtf8", "abc", TE::Auto, TE::Auto, TE::Utf8,
                   "\xEF\xBB\xBF"
                   "abc"},
        ConvertRow{"asciiChosenAnsiStillUtf8", "abc", TE::Ansi, TE::Auto, TE::Utf8,
                   "\xEF\xBB\xBF"
                   "abc"},
        ConvertRow{"gbkToUtf16le", "\xD6\xD0", TE::Auto, TE::Utf16LE, TE::Ansi, "\xFF\xFE\x2D\x4E"},
        ConvertRow{"utf16beToGbk", "\xFE\xFF\x4E\x2D", TE::Auto, TE::Ansi, TE::Utf16BE, "\xD6\xD0"},
        ConvertRow{"utf16leWithoutMarkKeepsFirstCharacter",
                   "\x2D\x4E"
                   "a\0"s,
                   TE::Utf16LE, TE::Ansi, TE::Utf16LE,
                   "\xD6\xD0"
                   "a"},
        ConvertRow{"big5PageWrittenBackAsBig5", "<head><meta charset=big5></head>\xA4\xA4",
                   TE::Auto, TE::Auto, TE::Big5, "<head><meta charset=big5></head>\xA4\xA4"},
        ConvertRow{"utf8PageToGbk", "<meta charset=\"utf-8\">\xE4\xB8\xAD", TE::Auto, TE::Ansi,
                   TE::Utf8, "<meta charset=\"GBK\">\xD6\xD0"},
        ConvertRow{"gbPageToUtf8DeclaresUtf8",
                   "<head><meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
                   "</head>\xD6\xD0",
                   TE::Auto, TE::Utf8, TE::Ansi,
                   "\xEF\xBB\xBF<head><meta http-equiv=Content-Type content=\"text/html; "
                   "charset=UTF-8\"></head>\xE4\xB8\xAD"},
        ConvertRow{"xmlDeclarationFollowsTheOutput",
                   "<?xml version=\"1.0\" encoding='utf-8'?><a>\xE4\xB8\xAD</a>", TE::Auto,
                   TE::Ansi, TE::Utf8, "<?xml version=\"1.0\" encoding='GBK'?><a>\xD6\xD0</a>"},
        ConvertRow{"emptySource", "", TE::Auto, TE::Auto, TE::Ansi, ""},
        ConvertRow{"emptySourceToUtf8", "", TE::Auto, TE::Utf8, TE::Ansi, "\xEF\xBB\xBF"},
        ConvertRow{"markOnlyReadAsAnsi", "\xEF\xBB\xBF", TE::Auto, TE::Auto, TE::Ansi,
                   "\xEF\xBB\xBF"},
        ConvertRow{"utf8MarkReadAsAnsiDoubled",
                   "\xEF\xBB\xBF"
                   "a",
                   TE::Ansi, TE::Utf8, TE::Utf8,
                   "\xEF\xBB\xBF\xEF\xBB\xBF"
                   "a"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SingleFileTest, unreadableSourceGetsNoOutputAndKeepsAnEarlierOne) {
    put("out/none.txt", "earlier");
    const FileConversion result =
        convertFile(pathOf("none.txt"), TE::Big5, TE::Auto, outputFolder());
    EXPECT_EQ(result.status, (FileStatus{platform::problems::SourceUnopenable, ENOENT}));
    // Auto, so that the run carries the previous file's encoding over.
    EXPECT_EQ(result.detected, TE::Auto);
    EXPECT_EQ(contentOf("out/none.txt"), "earlier");
}

TEST_F(SingleFileTest, scriptStepRunsBetweenDecodingAndEncoding) {
    put("s.txt", "abc");
    const FileConversion result =
        convertFile(pathOf("s.txt"), TE::Auto, TE::Ansi, ansi((folder / "out").string()),
                    [](AnsiText& text, TextEncoding, const WorkControl&) -> ScriptStepOutcome {
                        text += "!";
                        return {engine::problems::ScriptUnavailable};
                    });
    EXPECT_EQ(result.status, FileStatus{engine::problems::ScriptUnavailable});
    EXPECT_EQ(contentOf("out/s.txt"), "abc!");
}

TEST_F(SingleFileTest, existingOutputIsReplaced) {
    put("out/r.txt", "an earlier and longer result");
    const FileStatus written = encodeAndWriteFile(pathOf("out/r.txt"), "new", TE::Utf8);
    EXPECT_EQ(written, FileStatus{});
    EXPECT_EQ(contentOf("out/r.txt"), "\xEF\xBB\xBFnew");
    EXPECT_EQ(entriesIn("out"), 1);
}

TEST_F(SingleFileTest, textBig5CannotTakeIsWrittenUnconvertedAndReported) {
    const FileStatus written =
        encodeAndWriteFile(pathOf("out/b.txt"), "\xBC\xF2\xCC\xE5", TE::Big5);
    EXPECT_EQ(written, FileStatus{engine::problems::Unconverted});
    EXPECT_EQ(contentOf("out/b.txt"), "\xBC\xF2\xCC\xE5");
}

TEST_F(SingleFileTest, emptyOutputPathFails) {
    const FileStatus written = encodeAndWriteFile("", "abc", TE::Utf8);
    EXPECT_EQ(written, FileStatus{platform::problems::OutputPathEmpty});
}

TEST_F(SingleFileTest, outputFolderThatIsAFileFails) {
    put("blocker", "x");
    const FileStatus written = encodeAndWriteFile(pathOf("blocker/o.txt"), "abc", TE::Utf8);
    EXPECT_EQ(written, (FileStatus{platform::problems::OutputUncreatable, ENOTDIR}));
}

TEST_F(SingleFileTest, failedWriteKeepsTheEarlierOutput) {
    put("out/big.txt", "earlier");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileStatus written =
        encodeAndWriteFile(pathOf("out/big.txt"), std::string(1 << 20, 'x'), TE::Utf16LE);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(written, (FileStatus{platform::problems::OutputUnwritable, EFBIG}));
    EXPECT_EQ(contentOf("out/big.txt"), "earlier");
    EXPECT_EQ(entriesIn("out"), 1);
}

TEST_F(SingleFileTest, conversionFailingLateLeavesNoPartialOutput) {
    // Several megabytes stream into the file before the invalid byte at the end is met; the
    // file must then hold only the mark and the fallback's bytes.
    std::string text;
    for (int i = 0; i < 400000; ++i)
        text += "\xC7\xE0\xB7\xE3 line\n";
    text += "\x81";
    const FileStatus written = encodeAndWriteFile(pathOf("out/late.txt"), text, TE::Utf8);
    EXPECT_EQ(written, FileStatus{engine::problems::LossyEncode});
    const EncodedText expected = encodeText(text, TE::Utf8);
    EXPECT_EQ(expected.problem, engine::problems::LossyEncode);
    EXPECT_EQ(contentOf("out/late.txt"), expected.bytes);
    EXPECT_EQ(expected.bytes.substr(expected.bytes.size() - 2), "\n?");
}

TEST_F(SingleFileTest, smallTextFallingBackKeepsItsMark) {
    // The mark waits in the buffer with the converted bytes, never written yet, when the
    // conversion fails at the trailing lead byte and the fallback takes over.
    struct Row {
        TE encoding;
        std::string expected;
    };
    const Row rows[] = {{TE::Utf16LE, "\xFF\xFE"
                                      "a\0b\0?\0"s},
                        {TE::Utf16BE, "\xFE\xFF\0a\0b\0?"s},
                        {TE::Utf8, "\xEF\xBB\xBF"
                                   "ab?"}};
    for (const Row& row : rows) {
        const FileStatus written =
            encodeAndWriteFile(pathOf("out/small.txt"), "ab\x81", row.encoding);
        EXPECT_EQ(written, FileStatus{engine::problems::LossyEncode});
        EXPECT_EQ(contentOf("out/small.txt"), row.expected);
    }
}

TEST_F(SingleFileTest, largeFileWrittenAsEncodedInMemory) {
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text += "\xC7\xE0\xB7\xE3\xCF\xBB abc\r\n";
    for (TE encoding : {TE::Utf8, TE::Utf16LE, TE::Utf16BE, TE::Big5}) {
        const FileStatus written = encodeAndWriteFile(pathOf("out/large.txt"), text, encoding);
        const EncodedText expected = encodeText(text, encoding);
        EXPECT_EQ(written, FileStatus{expected.problem});
        EXPECT_EQ(contentOf("out/large.txt"), expected.bytes);
    }
}

} // namespace

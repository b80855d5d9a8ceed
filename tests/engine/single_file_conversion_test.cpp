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

#include "engine/windowed_conversion.h"
#include "platform/ansi_text.h"
#include "platform/worker_pool.h"
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
        // What the program writes for an empty UTF-8 text reads back as one.
        ConvertRow{"markOnlyIsAnEmptyUtf8Text", "\xEF\xBB\xBF", TE::Auto, TE::Auto, TE::Utf8,
                   "\xEF\xBB\xBF"},
        ConvertRow{"utf16MarkOnlyIsAnEmptyText", "\xFE\xFF", TE::Auto, TE::Utf8, TE::Utf16BE,
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

// A file whose text nothing needs goes straight from its bytes into the output's; a script step
// that changes nothing takes it the way through the internal text. Both must give the same
// bytes and the same result, whole or in pieces, for sources that can go straight and for
// those that must not (a "<", a zero, a lone UTF-16 byte, invalid bytes, characters GB18030
// lacks, GBK that the UTF-8 trial rejects), and a large source converted window by window as it
// is read, or sent the other way by what its later windows hold.
TEST_F(SingleFileTest, straightConversionEqualsTheWayThroughTheText) {
    std::string chinese; // 青枫匣 and ASCII, long enough for several pieces of 64 bytes
    for (int i = 0; i < 40; ++i)
        chinese += "\xE9\x9D\x92\xE6\x9E\xAB\xE5\x8C\xA3 abc\xC3\x8A\xE5\x8C\xA3 x\r\n";
    auto wide = [](std::string_view ascii, bool bigEndian) {
        std::string units;
        for (const char c : ascii)
            units += bigEndian ? "\0"s + c : c + "\0"s;
        return units;
    };
    const std::string page = "<meta charset=big5>";
    // Long enough for several windows of four pieces: GBK with a line end now and then, Big5,
    // and what must still go the other way when it comes late.
    std::string gbk, big5, run;
    for (int i = 0; i < 30; ++i) {
        run += "\xC7\xE0\xB7\xE3";
        gbk += "\xC7\xE0\xB7\xE3\xCF\xBB abc\xB0\xA1 \x81\x30\x81\x30";
        big5 += "\xA7\x41\xA6\x6E abc \xA7\x41";
        gbk += i % 10 == 9 ? "\r\n" : "";
    }
    const std::string ascii(300, 'a');
    const struct {
        const char* name;
        std::string bytes;
        TE input;
        bool inWindows = false; // into UTF-8, with the pieces' control
    } sources[] = {
        {"utf8", chinese, TE::Auto, true},
        {"utf8-mark", "\xEF\xBB\xBF" + chinese, TE::Auto, true},
        {"utf8-shifted", "abcd" + chinese, TE::Auto, true}, // a character across its start
        {"gbk-long", gbk, TE::Auto, true},
        {"gbk-chinese-end", gbk + run, TE::Auto, true}, // nothing tells a boundary in its end
        {"gbk-chosen", gbk + gbk, TE::Ansi, true},
        {"big5-long", big5, TE::Big5, true},
        {"big5-page-long", "<html><head><meta charset=BIG5></head><p>" + big5 + "<p>" + big5,
         TE::Auto, true},
        {"big5-page-headless", "<meta charset=big5><p>" + big5 + "<p>" + big5, TE::Auto},
        {"big5-page-late-zero", "<html><head><meta charset=BIG5></head>" + big5 + "\0"s + big5,
         TE::Auto},
        {"utf16le-long", "\xFF\xFE" + wide(gbk.substr(0, 400), false), TE::Auto, true},
        {"gbk-late-less", gbk + "<meta charset=utf-8>" + gbk, TE::Auto},
        {"gbk-late-zero", gbk + "x\0y"s + gbk, TE::Auto},
        {"gbk-late-eof", gbk + "x\x1Ay" + gbk, TE::Auto},
        {"gbk-late-bad", gbk + "x\x81\x30y" + gbk, TE::Auto},
        {"ascii-then-gbk", ascii + gbk, TE::Auto},
        {"utf8-then-bad", chinese + "\xFF" + chinese, TE::Auto},
        {"ascii", "plain ascii text, long enough for a block move\n", TE::Auto},
        {"utf16le",
         "\xFF\xFE"
         "\x52\x97\x2B\x67\x23\x53\x3C\x4E"
         "a\0"s,
         TE::Auto},
        {"utf16le-page", "\xFF\xFE" + wide(page, false) + "\x52\x97"s, TE::Auto},
        {"utf16be",
         "\xFE\xFF"
         "\x97\x52\x67\x2B\x3C\x00\x00\x3C"
         "\x4E\x3C"s,
         TE::Auto},
        {"utf16be-page", "\xFE\xFF" + wide(page, true) + "\x97\x52"s, TE::Auto},
        {"utf16le-zero",
         "\xFF\xFE"
         "a\0\0\0b\0"s,
         TE::Auto},
        {"utf16le-odd",
         "\xFF\xFE"
         "a\0b\0c"s,
         TE::Auto},
        {"utf16be-chosen", "\x97\x52\x00\x61"s, TE::Utf16BE},
        {"big5", "\xA7\x41\xA6\x6E abc \xA7\x41", TE::Big5},
        {"gbk", "\xC7\xE0\xB7\xE3\xCF\xBB abc", TE::Auto},
        {"bad-utf8",
         "abc \xE9\x9D"
         " \xFF",
         TE::Utf8},
        {"private-use",
         "a\xEE\x9E\x8D"
         "b",
         TE::Utf8}, // U+E78D, which GB18030 has no code for
        {"zero", "ab\0cd"s, TE::Auto},
        {"page", "<meta charset=utf-8>\xE9\x9D\x92", TE::Auto},
        // Big5 pages, rewritten on the way: trail bytes that look like ASCII next to the
        // declarations, a value holding a character, one outside the head, an XML declaration.
        {"big5-page",
         "<html><head><meta charset=\"big5\"><title>\xA4\x40\xA7\x41</title>"
         "<meta http-equiv=Content-Type content='text/html; charset=BIG5\xA4\x40'>"
         "</head><body>\xA6\x6E<meta charset=big5>\xA4\x3C</body>",
         TE::Auto},
        {"big5-xml", "<?xml version=\"1.0\" encoding=\"big5\"?><p>\xA7\x41 <meta charset=x>",
         TE::Big5},
        {"big5-zero", "<meta charset=big5>\xA7\x41\0\xA7\x41"s, TE::Big5},
    };
    platform::WorkerPool pool(2);
    WorkControl pieces;
    pieces.pool = &pool;
    pieces.pieceSize = 64;
    const ScriptStep throughText = [](AnsiText&, TE, const WorkControl&) {
        return ScriptStepOutcome{};
    };
    for (const auto& source : sources) {
        put(source.name, source.bytes);
        for (TE output :
             {TE::Auto, TE::Ansi, TE::Utf8, TE::Utf16LE, TE::Utf16BE, TE::Big5, TE::Big5Hkscs})
            for (const WorkControl* control : {&pieces, static_cast<WorkControl*>(nullptr)}) {
                const bool mark = output != TE::Utf16LE;
                SCOPED_TRACE(std::string(source.name) + " to " + std::string(encodingName(output)) +
                             (mark ? " marked" : "") + (control ? " in pieces" : ""));
                const WorkControl& use = control ? *control : WorkControl{};
                const WriteOptions write{.byteOrderMark = mark};
                if (control && output == TE::Utf8) {
                    EXPECT_EQ(convertInWindows(platform::SourceFile(pathOf(source.name)),
                                               pathOf(source.name), source.input, output,
                                               pathOf("out/"s + source.name), {},
                                               DetectionRule::Classic, use, write)
                                  .has_value(),
                              source.inWindows);
                }
                const FileConversion straight =
                    convertFile(pathOf(source.name), source.input, output, outputFolder(), {},
                                DetectionRule::Classic, use, write);
                const std::string straightBytes = contentOf("out/"s + source.name);
                const FileConversion through =
                    convertFile(pathOf(source.name), source.input, output, outputFolder(),
                                throughText, DetectionRule::Classic, use, write);
                EXPECT_EQ(straight.detected, through.detected);
                EXPECT_EQ(straight.written, through.written);
                EXPECT_EQ(straight.status, through.status);
                EXPECT_EQ(straightBytes, contentOf("out/"s + source.name));
                // In place, the source is replaced by those bytes only when they are complete,
                // and kept as the backup.
                put("in-place", source.bytes);
                const FileConversion inPlace =
                    convertFileInPlace(pathOf("in-place"), source.input, output, {},
                                       DetectionRule::Classic, use, write, pathOf("in-place~"));
                EXPECT_EQ(inPlace.status.ok(), straight.status.ok());
                EXPECT_EQ(contentOf("in-place"),
                          straight.status.ok() ? straightBytes : source.bytes);
                if (inPlace.status.ok()) {
                    EXPECT_EQ(contentOf("in-place~"), source.bytes);
                }
                fs::remove(folder / "in-place~");
            }
    }
}

} // namespace

#include "batch/batch_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/charset_conversion.h"
#include "engine/other_encodings.h"
#include "qfx_version.h"
#include "tests/platform/temp_folder.h"

using namespace batch;
using engine::ScriptMode;
using engine::TextEncoding;
using platform::ansi;
namespace fs = std::filesystem;

namespace {

using platform::testing::readBytes;

struct ParseRow {
    const char* name;
    std::vector<std::string> arguments;
    bool valid;
    TextEncoding input = TextEncoding::Auto;
    TextEncoding output = TextEncoding::Auto;
    ScriptMode script = ScriptMode::None;
};

class ParseArguments : public testing::TestWithParam<ParseRow> {};

TextEncoding iconvNamed(const char* name) {
    return engine::otherEncoding(name).encoding.value_or(TextEncoding::Auto);
}

TEST_P(ParseArguments, acceptsOrRefuses) {
    const ParseRow& row = GetParam();
    BatchArguments parsed = parseBatchArguments(row.arguments, "/work");
    EXPECT_EQ(parsed.error.empty(), row.valid) << parsed.error;
    if (row.valid) {
        EXPECT_EQ(parsed.input, row.input);
        EXPECT_EQ(parsed.output, row.output);
        EXPECT_EQ(parsed.script, row.script);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseArguments,
    testing::Values(ParseRow{"defaults", {"a.txt"}, true},
                    ParseRow{"everyOption",
                             {"--in", "utf16be", "--out", "utf8", "--script", "big52s", "a"},
                             true,
                             TextEncoding::Utf16BE,
                             TextEncoding::Utf8,
                             ScriptMode::Big5ToSimplified},
                    ParseRow{"folderWithFilter",
                             {"--folder", "d", "--filter", "*.htm", "--pattern-scan"},
                             true},
                    ParseRow{"emptyFilterTakesEveryFile", {"--folder", "d", "--filter", ""}, true},
                    ParseRow{"emptyFilterWithoutFolder", {"--filter", "", "a"}, false},
                    ParseRow{"emptyFolder", {"--folder", ""}, false},
                    ParseRow{"dashFileAfterDoubleDash", {"--", "--in"}, true},
                    ParseRow{"noFilesReadStandardInput", {}, true},
                    ParseRow{"unknownOption", {"--fast", "a"}, false},
                    ParseRow{"missingValue", {"a", "--in"}, false},
                    ParseRow{"unknownEncoding", {"--out", "latin-one", "a"}, false},
                    ParseRow{"wideEncodingsAreIconvs",
                             {"--out", "UTF-32", "a"},
                             true,
                             TextEncoding::Auto,
                             iconvNamed("utf-32")},
                    ParseRow{"unknownMode", {"--script", "s2hk", "a"}, false},
                    ParseRow{"filesAndFolder", {"--folder", "d", "a"}, false},
                    ParseRow{"filterWithoutFolder", {"--filter", "*.txt", "a"}, false},
                    ParseRow{"shortForms",
                             {"-i", "utf16le", "-t", "ansi", "-s", "t2s", "a"},
                             true,
                             TextEncoding::Utf16LE,
                             TextEncoding::Ansi,
                             ScriptMode::TraditionalToSimplified},
                    ParseRow{"detectReadsAsAuto", {"--in", "detect", "a"}, true},
                    ParseRow{"detectIsNoOutput", {"--out", "detect", "a"}, false},
                    ParseRow{"recursiveWithoutFolder", {"-r", "a"}, false},
                    ParseRow{"jsonForARun", {"--json", "a"}, true},
                    // iconv's names are iconv's encodings, not the window's classic ones.
                    ParseRow{"iconvNames",
                             {"-f", "UTF-8", "-t", "gbk", "a"},
                             true,
                             iconvNamed("utf-8"),
                             iconvNamed("GBK")},
                    ParseRow{"namesIgnoreCase",
                             {"--from-code", "Big5-HKSCS", "--to-code", "CP950", "a"},
                             true,
                             iconvNamed("big5-hkscs"),
                             iconvNamed("cp950")},
                    ParseRow{"classicNames",
                             {"-f", "ANSI", "-t", "UTF8", "a"},
                             true,
                             TextEncoding::Ansi,
                             TextEncoding::Utf8},
                    ParseRow{"unicodeIsTheWindowsLittleEndian",
                             {"-i", "gb2312", "-t", "unicode", "a"},
                             true,
                             iconvNamed("gb2312"),
                             TextEncoding::Utf16LE},
                    ParseRow{"jobsCount", {"-j", "3", "a"}, true},
                    ParseRow{"noJobs", {"--jobs", "0", "a"}, false},
                    ParseRow{"jobsNotANumber", {"--jobs", "all", "a"}, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ParseArguments, optionsBeyondTheChoicesSetTheirFlags) {
    BatchArguments parsed = parseBatchArguments(
        {"-i", "detect", "-r", "-f", "*.htm", "--folder", "d", "--check", "--json"}, "/work");
    EXPECT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_TRUE(parsed.smartDetection && parsed.recursive && parsed.check && parsed.json);
    EXPECT_EQ(parsed.filter, "*.htm");
    EXPECT_EQ(parsed.jobs, 0); // one per core
    parsed = parseBatchArguments({"--in", "auto", "--jobs", "3", "a"}, "/work");
    EXPECT_FALSE(parsed.smartDetection || parsed.recursive || parsed.check || parsed.json);
    EXPECT_EQ(parsed.jobs, 3);
}

// Any other encoding iconv knows gets one value per name, case ignored, which the engine converts
// through iconv under that name.
TEST(ParseArguments, otherIconvEncodingsKeepOneValuePerName) {
    const BatchArguments first = parseBatchArguments({"-f", "Shift_JIS", "-t", "latin1", "a"}, "/");
    const BatchArguments again = parseBatchArguments({"-f", "latin1", "-t", "SHIFT_JIS", "a"}, "/");
    ASSERT_TRUE(first.error.empty() && again.error.empty()) << first.error << again.error;
    EXPECT_EQ(first.input, again.output);
    EXPECT_EQ(first.output, again.input);
    EXPECT_NE(first.input, first.output);
    EXPECT_EQ(engine::converterName(first.input), "Shift_JIS");
    EXPECT_EQ(engine::encodingName(first.output), "latin1");
}

// The writing options reach the run as given; of --bom and --no-bom the later one counts.
TEST(ParseArguments, writingOptionsReachTheRun) {
    struct Row {
        std::vector<std::string> arguments;
        bool mark;
        engine::LineEnding ending;
        AnsiText outputFolder;
        bool inPlace;
        std::optional<AnsiText> backup;
    };
    using engine::LineEnding;
    const Row rows[] = {
        {{"a"}, true, LineEnding::Keep, "", false, {}},
        {{"--no-bom", "a"}, false, LineEnding::Keep, "", false, {}},
        {{"--no-bom", "--bom", "a"}, true, LineEnding::Keep, "", false, {}},
        {{"--bom", "--no-bom", "a"}, false, LineEnding::Keep, "", false, {}},
        {{"--eol", "crlf", "-O", "out", "a"}, true, LineEnding::Crlf, "/work/out", false, {}},
        {{"--eol", "lf", "--in-place", "--backup", "a"}, true, LineEnding::Lf, "", true, "~"},
        {{"--in-place", "--backup=.orig", "a"}, true, LineEnding::Keep, "", true, ".orig"},
    };
    for (const Row& row : rows) {
        const BatchArguments parsed = parseBatchArguments(row.arguments, "/work");
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        const RunOptions options = runOptionsOf(parsed);
        EXPECT_EQ(options.write.byteOrderMark, row.mark) << row.arguments.front();
        EXPECT_EQ(options.write.lineEnding, row.ending) << row.arguments.front();
        EXPECT_EQ(options.outputFolder, row.outputFolder) << row.arguments.front();
        EXPECT_EQ(options.inPlace, row.inPlace) << row.arguments.front();
        EXPECT_EQ(options.backupSuffix, row.backup) << row.arguments.front();
        // The file stays a file: --backup takes no separate value.
        EXPECT_EQ(parsed.files, std::vector<AnsiText>{"/work/a"});
    }
    for (const std::vector<std::string>& refused : {std::vector<std::string>{"--backup", "a"},
                                                    {"--in-place", "-O", "d", "a"},
                                                    {"--eol", "cr", "a"}})
        EXPECT_FALSE(parseBatchArguments(refused, "/work").error.empty()) << refused.front();
    // An empty suffix would make the backup the source itself.
    const BatchArguments empty = parseBatchArguments({"--in-place", "--backup=", "a"}, "/work");
    EXPECT_TRUE(!empty.error.empty() || (empty.backupSuffix && !empty.backupSuffix->empty()));
}

TEST(ParseArguments, relativePathsBecomeAbsolute) {
    BatchArguments parsed = parseBatchArguments({"a.txt", "/abs/b.txt", "--folder"}, "/work");
    EXPECT_FALSE(parsed.error.empty()); // --folder without value
    parsed = parseBatchArguments({"sub/a.txt", "/abs/b.txt"}, ansi("/工作"));
    EXPECT_EQ(parsed.files,
              (std::vector<platform::AnsiText>{ansi("/工作/sub/a.txt"), "/abs/b.txt"}));
}

// "." and doubled separators go; ".." is settled as the system opens the path, so through a link
// it leads where the link leads. A ".." under a missing folder stays for the system to refuse.
TEST(ParseArguments, dotComponentsAreSettled) {
    EXPECT_EQ(parseBatchArguments({"--folder", "."}, "/work").folder, "/work");
    EXPECT_EQ(parseBatchArguments({"--folder", "/"}, "/work").folder, "/");
    EXPECT_EQ(parseBatchArguments({".//sub/./a.txt"}, "/work").files,
              std::vector<platform::AnsiText>{"/work/sub/a.txt"});

    const fs::path root = fs::temp_directory_path() / ("qfx_dots_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "deep" / "er");
    fs::create_symlink(root / "deep" / "er", root / "link");
    const platform::AnsiText base = *platform::ansiPath(root.string());
    EXPECT_EQ(parseBatchArguments({"--folder", ".."}, base + "/deep").folder, base);
    EXPECT_EQ(
        parseBatchArguments({"link/../a.txt", "deep/er/../../b.txt", "gone/../c.txt"}, base).files,
        (std::vector<platform::AnsiText>{base + "/deep/a.txt", base + "/b.txt",
                                         base + "/gone/../c.txt"}));
    fs::remove_all(root);
}

class CommandRun : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("qfx_cmd_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(root / name, std::ios::binary) << bytes;
    }
    int run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return runBatchCommand(arguments, out, err, false);
    }
    fs::path root;
    std::ostringstream out, err;
};

TEST_F(CommandRun, exitStatusesAndOneLinePerFile) {
    write("a.txt", "\xC4\xE3\xBA\xC3");
    write("b.txt", "plain");
    EXPECT_EQ(run({"--out", "utf16le", (root / "a.txt").string(), (root / "b.txt").string()}), 0);
    EXPECT_NE(out.str().find("ansi -> utf16le  ok  " + (root / "a.txt").string() + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("utf8 -> utf16le  ok"), std::string::npos);
    // The summary goes to standard error, which holds nothing else for a run that went well.
    EXPECT_EQ(out.str().find("转换完成"), std::string::npos);
    EXPECT_EQ(err.str().rfind("转换完成，耗时 ", 0), 0u) << err.str();
    EXPECT_TRUE(fs::exists(root / "转换结果" / "b.txt"));

    // A failure line gives the reason in English, then as the window gives it.
    write("c.htm", "<meta charset=big5>\xAD\xCC"); // 們, which becomes 们: not in Big5
    EXPECT_EQ(run({"--script", "t2s", (root / "a.txt").string(), (root / "missing.txt").string(),
                   (root / "c.htm").string()}),
              1);
    EXPECT_NE(out.str().find(
                  "auto -> auto  failed: cannot open: " + std::string(std::strerror(ENOENT)) +
                  " (无法读取：文件或文件夹不存在)  " + (root / "missing.txt").string() + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("big5 -> big5  failed: output encoding cannot represent the text "
                             "(目标编码无法表示部分字符，已写入原始字节)  " +
                             (root / "c.htm").string() + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("有 2 个文件未能完整转换：missing.txt、c.htm"), std::string::npos);
    EXPECT_EQ(err.str().find("请问需要打开它吗？"), std::string::npos) << "nobody is asked";
    // Each failure also as a diagnostic, before the summary.
    EXPECT_NE(err.str().find("qingfengxia-batch: " + (root / "missing.txt").string() +
                             ": cannot open: " + std::strerror(ENOENT) + "\n"),
              std::string::npos)
        << err.str();
}

// Files of one name from two folders, as a file manager hands them over: each result beside its
// own source, and the report names both folders. A later file whose result folder is a link to
// an earlier one's fails rather than replace that result.
TEST_F(CommandRun, sameNamesFromSeveralFoldersKeepEveryResult) {
    for (const char* folder : {"a", "b", "c"})
        fs::create_directories(root / folder);
    fs::create_directories(root / "a" / "转换结果");
    fs::create_directory_symlink("../a/转换结果", root / "c" / "转换结果");
    write("a/笔记.txt", "from a");
    write("b/笔记.txt", "from b");
    write("a/x.txt", "a's x");
    write("c/x.txt", "c's x");
    EXPECT_EQ(run({"-t", "ansi", (root / "a/笔记.txt").string(), (root / "b/笔记.txt").string(),
                   (root / "a/x.txt").string(), (root / "c/x.txt").string()}),
              1);
    EXPECT_EQ(readBytes(root / "a/转换结果/笔记.txt"), "from a");
    EXPECT_EQ(readBytes(root / "b/转换结果/笔记.txt"), "from b");
    EXPECT_EQ(readBytes(root / "a/转换结果/x.txt"), "a's x");
    EXPECT_NE(
        out.str().find("auto -> ansi  failed: not converted: an earlier file of the run writes the "
                       "same output (与前面另一个文件输出到同一位置，未转换)  " +
                       (root / "c/x.txt").string() + "\n"),
        std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("转换后的文件保存在这些目录：\n" + (root / "a/转换结果/").string() +
                             "\n" + (root / "b/转换结果/").string() + "\n有 1 个"),
              std::string::npos)
        << out.str();
}

// What a terminal shows when both streams reach it: "\r" returns to the line's start and
// "\33[K" clears to its end.
std::vector<std::string> screenLines(const std::string& stream) {
    std::vector<std::string> screen(1);
    size_t column = 0;
    for (size_t i = 0; i < stream.size(); ++i) {
        std::string& line = screen.back();
        if (stream.compare(i, 3, "\33[K") == 0) {
            line.resize(column);
            i += 2;
        } else if (stream[i] == '\r') {
            column = 0;
        } else if (stream[i] == '\n') {
            screen.emplace_back();
            column = 0;
        } else {
            if (column < line.size())
                line[column] = stream[i];
            else
                line += stream[i];
            ++column;
        }
    }
    return screen;
}

TEST_F(CommandRun, progressLineLeavesNoTraceOnTheFileLines) {
    write("a.txt", "\xC4\xE3\xBA\xC3");
    write("b.txt", "\xC4\xE3\xBA\xC3");
    std::ostringstream terminal;
    const std::string a = (root / "a.txt").string(), b = (root / "b.txt").string();
    EXPECT_EQ(runBatchCommand({a, b}, terminal, terminal, true), 0);
    const auto screen = screenLines(terminal.str());
    ASSERT_GE(screen.size(), 3u) << terminal.str();
    EXPECT_EQ(screen[0], "ansi -> ansi  ok  " + a);
    EXPECT_EQ(screen[1], "ansi -> ansi  ok  " + b);
    EXPECT_TRUE(screen[2].starts_with("转换完成，耗时 ")) << screen[2];
}

// A folder whose only matching name cannot be represented: that file is reported as failed.
TEST_F(CommandRun, unrepresentableNamesAloneStillFail) {
    write("bad\xFF.txt", "x");
    write("other.dat", "y");
    for (const char* scan : {"--filter", "--pattern-scan"}) {
        std::vector<std::string> arguments{"--folder", root.string(), "--filter", "*.txt"};
        if (std::string(scan) == "--pattern-scan")
            arguments.push_back(scan);
        EXPECT_EQ(run(arguments), 1) << scan;
        EXPECT_NE(out.str().find("failed: name cannot be represented"), std::string::npos)
            << out.str();
        EXPECT_NE(err.str().find("有 1 个文件未能完整转换：bad\uFFFD.txt"), std::string::npos)
            << err.str();
    }
}

TEST_F(CommandRun, nameThatIsNoUtf8FailsWithoutTouchingOtherFiles) {
    write("a.txt", "x");
    write("bad\xFF.txt", "y");
    EXPECT_EQ(run({(root / "a.txt").string(), (root / "bad\xFF.txt").string()}), 1);
    EXPECT_NE(out.str().find("name cannot be represented"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("bad\uFFFD.txt"), std::string::npos);
    EXPECT_TRUE(fs::exists(root / "转换结果" / "a.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "转换结果"), fs::directory_iterator()),
              1);
}

TEST_F(CommandRun, usageErrorWritesNothing) {
    write("a.txt", "x");
    EXPECT_EQ(run({"--out", "ebcdic", (root / "a.txt").string()}), 2);
    EXPECT_NE(err.str().find("unknown encoding"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "转换结果"));
    EXPECT_EQ(run({"--folder", (root / "a.txt").string()}), 2);
}

TEST_F(CommandRun, parserErrorsNameTheOptionAndExitTwo) {
    write("a.txt", "x");
    const std::string a = (root / "a.txt").string();
    for (const auto& [arguments, named] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--fast", a}, "--fast"},
             {{a, "-o"}, "--output"},
             {{a, "-t"}, "--out"},
             {{"-r", a}, "--recursive"},
             {{"-j", "0", a}, "--jobs"}}) {
        EXPECT_EQ(run(arguments), 2) << named;
        EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
        EXPECT_TRUE(out.str().empty());
    }
    EXPECT_FALSE(fs::exists(root / "转换结果"));
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out.str(), "qingfengxia-batch " QFX_VERSION "\n");
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.str().find("-r,--recursive"), std::string::npos) << out.str();
}

// Without files standard input converts to standard output: no mark unless asked, a terminal
// read only when "-" names it, the usage errors of options that need files.
TEST(StreamCommand, standardInputToStandardOutput) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string input;
        bool terminal;
        int status;
        std::string output;
        std::string diagnostic = {};
    };
    const std::string gbk = "\xC4\xE3\xBA\xC3\n";
    const Row rows[] = {
        {"noMarkByDefault", {"-t", "utf-8"}, gbk, false, 0, "你好\n"},
        {"markWhenAsked", {"-t", "utf-8", "--bom"}, gbk, false, 0, "\xEF\xBB\xBF你好\n"},
        {"dashReadsATerminal", {"-f", "utf8", "-t", "gbk", "-"}, "你好\n", true, 0, gbk},
        {"terminalWithoutDash", {"-t", "utf-8"}, gbk, true, 2, ""},
        {"replacedCharactersFail",
         {"-f", "utf8", "-t", "gbk"},
         "a\xFF\n",
         false,
         1,
         "a?\n",
         "qingfengxia-batch: -: source is not valid utf8"},
        {"checkNeedsFiles", {"--check"}, gbk, false, 2, ""},
        {"dashGoesAlone", {"-", "a.txt"}, gbk, false, 2, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t offset = 0;
        const engine::StreamReader reader = [&](char* buffer, std::size_t size) {
            const std::size_t count = std::min(size, row.input.size() - offset);
            std::copy_n(row.input.data() + offset, count, buffer);
            offset += count;
            return static_cast<std::ptrdiff_t>(count);
        };
        std::string written;
        std::ostringstream out, err;
        EXPECT_EQ(runBatchCommand(
                      row.arguments, out, err, false, reader,
                      [&written](std::string_view bytes) {
                          written += bytes;
                          return true;
                      },
                      row.terminal),
                  row.status)
            << err.str();
        EXPECT_EQ(written, row.output);
        EXPECT_TRUE(out.str().empty()) << out.str();
        EXPECT_NE(err.str().find(row.diagnostic), std::string::npos) << err.str();
    }
}

// Every file and folder under `folder` with the bytes of each file.
std::map<std::string, std::string> treeOf(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        tree[entry.path().string()] =
            entry.is_regular_file()
                ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
                : "<folder>";
    }
    return tree;
}

struct CheckRow {
    const char* name;
    std::vector<std::string> options;
    std::string source; // no file at all when empty
    int status;
    std::string line; // the line printed, the path left out
};

class CheckCommand : public CommandRun, public testing::WithParamInterface<CheckRow> {};

TEST_P(CheckCommand, tellsWithoutWriting) {
    const CheckRow& row = GetParam();
    if (!row.source.empty())
        write("a.txt", row.source);
    fs::create_directories(root / "sub");
    const auto before = treeOf(root);
    std::vector<std::string> arguments = row.options;
    arguments.push_back("--check");
    arguments.push_back((root / "a.txt").string());
    EXPECT_EQ(run(arguments), row.status);
    EXPECT_EQ(out.str(), row.line + "  " + (root / "a.txt").string() + "\n");
    EXPECT_EQ(treeOf(root), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckCommand,
    testing::Values(
        CheckRow{"clean", {"-t", "utf8"}, "\xC4\xE3\xBA\xC3\n", 0, "ansi -> utf8  complete"},
        CheckRow{"lossyDecode",
                 {"-i", "utf8"},
                 "ab\n\xE4\xBD\xA0x\xFF\xFE",
                 1,
                 "utf8 -> utf8  incomplete: source is not valid utf8: unreadable characters "
                 "became ?; 2 characters, the first at line 2, column 3: \\xff"},
        // Placed as the output will have it: the lone CR becomes a line end.
        CheckRow{"placedWithTheLineEndsAsked",
                 {"-i", "utf8", "-t", "big5", "--eol", "lf"},
                 "a\r한\n",
                 1,
                 "utf8 -> big5  incomplete: output encoding cannot represent the text: those "
                 "characters became ?; 1 character, the first at line 2, column 1: 한"},
        CheckRow{"targetCannotHold",
                 {"--script", "t2s"},
                 "<head><meta charset=big5></head>\n\xB0\xEA",
                 1,
                 "big5 -> big5  incomplete: output encoding cannot represent the text; 1 "
                 "character, the first at line 2, column 1: 国"},
        CheckRow{
            "zeroByteEndsTheText",
            {"-t", "utf8"},
            std::string("abc\nd\0ef", 8),
            1,
            "utf8 -> utf8  incomplete: a zero byte at offset 5 ends the text: what follows was "
            "not converted; 1 character, the first at line 2, column 2: \\x00"},
        // Never read: the encodings asked for, in their order.
        CheckRow{"unreadable",
                 {"-t", "utf16be"},
                 "",
                 1,
                 "auto -> utf16be  incomplete: cannot open: No such file or directory"}),
    [](const auto& row) { return std::string(row.param.name); });

std::string recoded(const std::string& bytes, const char* from, const char* to) {
    bool ok = false;
    std::string out = engine::convertCharset(bytes, from, to, &ok);
    EXPECT_TRUE(ok) << from << " -> " << to;
    return out;
}

// Every Big5 mode with every kind of source and output: the file written, read in the encoding
// the line names, holds the expected characters, and a check names the same encodings.
TEST_F(CommandRun, big5ModesWriteTheirTextInTheEncodingTheyName) {
    const std::string simplified = "这是简体中文，头发。";
    const std::string traditional = "這是繁體中文，頭髮。";
    const std::string page = "<head><meta charset=big5></head>\n";
    struct Source {
        const char* name;
        std::vector<std::string> options;
        // The file for a text; Big5 modes read the classic ANSI source as Big5 bytes.
        std::string (*bytes)(const std::string& utf8, bool big5Mode, const std::string& page);
    };
    const Source sources[] = {
        {"ansi",
         {},
         [](const std::string& utf8, bool big5Mode, const std::string&) {
             return recoded(utf8, "UTF-8", big5Mode ? "BIG5" : "GBK");
         }},
        {"utf8", {}, [](const std::string& utf8, bool, const std::string&) { return utf8; }},
        {"big5Declared",
         {},
         [](const std::string& utf8, bool, const std::string& head) {
             return head + recoded(utf8, "UTF-8", "BIG5");
         }},
        {"big5Detected",
         {"-i", "detect"},
         [](const std::string& utf8, bool, const std::string&) {
             return recoded(utf8 + "我們今天開會討論電話號碼表與請假單的問題。", "UTF-8", "BIG5");
         }},
    };
    struct Mode {
        const char* name;
        bool fromBig5;
        std::string source, expected;
    };
    const Mode modes[] = {
        {"s2big5", false, simplified, "這是簡體中文，頭髮。"},
        {"t2big5", false, traditional, traditional},
        {"big52s", true, traditional, "这是繁体中文，头发。"},
        {"big52t", true, traditional, traditional},
    };
    const std::map<std::string, const char*> charsets = {
        {"ansi", "GB18030"}, {"big5", "BIG5"}, {"utf8", "UTF-8"}, {"utf16le", "UTF-16LE"}};
    for (const Source& source : sources)
        for (const Mode& mode : modes)
            for (const std::string output : {"ansi", "utf8", "utf16le"}) {
                SCOPED_TRACE(std::string(source.name) + " " + mode.name + " " + output);
                const bool big5Source = std::string(source.name).starts_with("big5");
                // Simplified text has no Big5 form, so a Big5 source holds the traditional one.
                const std::string text = big5Source ? traditional : mode.source;
                const std::string expected =
                    big5Source && mode.name == std::string("s2big5") ? traditional : mode.expected;
                write("a.txt", source.bytes(text, mode.fromBig5, page));
                std::vector<std::string> arguments = source.options;
                arguments.insert(arguments.end(), {"-s", mode.name, "-t", output});
                arguments.push_back((root / "a.txt").string());
                arguments.push_back("--check");
                ASSERT_EQ(run(arguments), 0) << out.str();
                const std::string checked = out.str().substr(0, out.str().find("  "));
                arguments.pop_back();
                ASSERT_EQ(run(arguments), 0) << out.str();
                const std::string line = out.str().substr(0, out.str().find('\n'));
                const std::string encodings = line.substr(0, line.find("  "));
                EXPECT_EQ(encodings, checked);
                const std::string written = encodings.substr(encodings.find("-> ") + 3);
                ASSERT_TRUE(charsets.contains(written)) << line;
                std::ifstream in(root / "转换结果" / "a.txt", std::ios::binary);
                std::string bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
                if (written.starts_with("utf"))
                    bytes.erase(0, written == "utf8" ? 3 : 2);
                const std::string utf8 = recoded(bytes, charsets.at(written), "UTF-8");
                // The page's head, its declaration rewritten, comes first.
                const std::size_t head = utf8.find("</head>\n");
                const std::string body = head == std::string::npos ? utf8 : utf8.substr(head + 8);
                EXPECT_TRUE(body.starts_with(expected)) << body;
                // Big5 bytes written as ANSI are Big5, and the line says so.
                EXPECT_EQ(written == "big5", output == "ansi" && !mode.fromBig5) << line;
            }
}

// Names that need escaping stay one valid JSON line each; the fields follow the text form.
// Any file that would not convert completely decides the exit status, wherever it stands.
TEST_F(CommandRun, checkFailsWhenAnyFileIsIncomplete) {
    write("bad.txt", "\xFF");
    write("ok.txt", "plain");
    const std::string bad = (root / "bad.txt").string(), ok = (root / "ok.txt").string();
    EXPECT_EQ(run({"--check", "-i", "utf8", bad, ok}), 1) << out.str();
    EXPECT_EQ(run({"--check", "-i", "utf8", ok, bad}), 1) << out.str();
}

// A name that is no UTF-8 keeps its place in the list, shown as given (U+FFFD for its bad
// byte), in both forms.
TEST_F(CommandRun, checkKeepsTheOrderOfNamesThatAreNoUtf8) {
    write("a.txt", "plain");
    write("bad\xFF.txt", "plain");
    write("z.txt", "plain");
    const std::string a = (root / "a.txt").string(), z = (root / "z.txt").string();
    const std::string bad = (root / "bad\xFF.txt").string();
    const std::string shownBad = (root / "bad\uFFFD.txt").string();
    for (const bool json : {false, true}) {
        SCOPED_TRACE(json ? "json" : "text");
        std::vector<std::string> arguments{"--check", a, bad, z, bad};
        if (json)
            arguments.push_back("--json");
        EXPECT_EQ(run(arguments), 1);
        const auto line = [json](const std::string& path, const std::string& facts) {
            return json ? "{\"path\":\"" + path + "\"," + facts + "}\n"
                        : facts + "  " + path + "\n";
        };
        const std::string ok = json ? "\"read\":\"utf8\",\"written\":\"utf8\",\"complete\":true"
                                    : "utf8 -> utf8  complete";
        const std::string unrepresentable =
            json ? "\"read\":null,\"written\":null,\"complete\":false,\"reason\":\"name "
                   "cannot be represented (not valid UTF-8)\",\"affected\":0,"
                   "\"problem\":\"name_not_representable\",\"errno\":null"
                 : "auto -> auto  incomplete: name cannot be represented (not valid UTF-8)";
        EXPECT_EQ(out.str(), line(a, ok) + line(shownBad, unrepresentable) + line(z, ok) +
                                 line(shownBad, unrepresentable));
    }
}

// Names that need escaping (a quote, a backslash, a line break) stay one valid JSON line each;
// the fields follow the text form.
TEST_F(CommandRun, checkAsJson) {
    write("q\"\\\n.txt", "ab\n\xE4\xBD\xA0x\xFF");
    write("ok.txt", "plain");
    EXPECT_EQ(run({"--check", "--json", "-i", "utf8", "--folder", root.string(), "-f", "*.txt"}),
              1);
    std::istringstream lines(out.str());
    std::set<std::string> seen;
    for (std::string line; std::getline(lines, line);)
        seen.insert(line);
    const std::string folder = root.string();
    EXPECT_EQ(seen, (std::set<std::string>{
                        "{\"path\":\"" + folder +
                            "/q\\\"\\\\\\n.txt\",\"read\":\"utf8\","
                            "\"written\":\"utf8\",\"complete\":false,\"reason\":\"source is not "
                            "valid utf8: unreadable characters became ?\",\"affected\":1,"
                            "\"problem\":\"lossy_decode\",\"errno\":null,\"first\":"
                            "{\"line\":2,\"column\":3,\"character\":null,\"bytes\":\"ff\"}}",
                        "{\"path\":\"" + folder +
                            "/ok.txt\",\"read\":\"utf8\",\"written\":"
                            "\"utf8\",\"complete\":true}"}));
    EXPECT_FALSE(fs::exists(root / "转换结果"));
}

TEST_F(CommandRun, folderScanSkipsSubfoldersAndEarlierResults) {
    write("a.txt", "x");
    write("b.htm", "y");
    EXPECT_EQ(run({"--folder", root.string(), "--filter", "*.txt"}), 0);
    EXPECT_TRUE(fs::exists(root / "转换结果" / "a.txt"));
    EXPECT_FALSE(fs::exists(root / "转换结果" / "b.htm"));
    EXPECT_EQ(run({"--folder", root.string()}), 0); // the result folder is not listed again
    EXPECT_FALSE(fs::exists(root / "转换结果" / "转换结果"));
    EXPECT_TRUE(fs::exists(root / "转换结果" / "b.htm"));
}

} // namespace

// An encoding named as iconv names it means what it means to the iconv program: for every ordered
// pair of such names and every text the source encoding holds, a file and standard input give
// the bytes iconv gives, a character the target lacks becomes "?" and fails the file, and -c
// gives what iconv -c gives.
#include <clocale>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "batch/batch_command.h"
#include "engine/charset_conversion.h"
#include "tests/platform/temp_folder.h"

using namespace std::string_literals;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::writeBytes;

namespace {

const char* const names[] = {"GBK",       "GB18030", "BIG5",      "BIG5-HKSCS",
                             "UTF-8",     "UTF-16",  "UTF-16LE",  "UTF-16BE",
                             "SHIFT_JIS", "EUC-KR",  "ISO-8859-1"};

// In UTF-8. Each is tried in every encoding that holds it.
const std::string texts[] = {
    "Hello, world! 123\r\n", "中文测试：简体字，头发。\n", "繁體中文測試：頭髮。\n",
    "日本語のテキスト、カタカナ。\n", "한국어 텍스트\n", "Café déjà vu, naïve ½\n",
    "price 5€ and ©\n",
    // Zeros and 0x1A are characters like any other to iconv.
    "line1\0line2\x1A tail\0\n"s, "中文 and 한국어\n",
    "未知\n", // GBK bytes that are valid UTF-8 as well
};

struct IconvResult {
    std::string bytes;
    bool ok = false;
};

// The iconv program itself, on a file.
IconvResult iconvProgram(const TempFolder& folder, const std::string& bytes, const char* from,
                         const char* to, bool omit) {
    const std::string input = folder.native("iconv-input").string();
    writeBytes(input, bytes);
    const std::string command = std::string("iconv ") + (omit ? "-c " : "") + "-f " + from +
                                " -t " + to + " '" + input + "' 2>/dev/null";
    IconvResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.bytes.append(buffer, got);
    const int status = ::pclose(pipe);
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

struct Converted {
    std::string bytes;
    int status = -1;
};

Converted fromFile(const TempFolder& folder, const std::string& bytes,
                   std::vector<std::string> arguments) {
    writeBytes(folder.native("a.txt"), bytes);
    std::filesystem::remove(folder.native("转换结果/a.txt"));
    arguments.push_back(folder.native("a.txt").string());
    std::ostringstream out, err;
    Converted converted;
    converted.status = batch::runBatchCommand(arguments, out, err, false);
    converted.bytes = readBytes(folder.native("转换结果/a.txt"));
    return converted;
}

Converted fromStream(const std::string& bytes, const std::vector<std::string>& arguments) {
    std::size_t offset = 0;
    const engine::StreamReader reader = [&](char* buffer, std::size_t size) {
        const std::size_t count = std::min(size, bytes.size() - offset);
        std::copy_n(bytes.data() + offset, count, buffer);
        offset += count;
        return static_cast<std::ptrdiff_t>(count);
    };
    Converted converted;
    std::ostringstream out, err;
    converted.status = batch::runBatchCommand(
        arguments, out, err, false, reader,
        [&converted](std::string_view written) {
            converted.bytes += written;
            return true;
        },
        false);
    return converted;
}

TEST(IconvNames, everyPairGivesWhatIconvGives) {
    TempFolder folder;
    ASSERT_TRUE(iconvProgram(folder, "a", "UTF-8", "UTF-8", false).ok)
        << "the iconv program is needed for the comparison";
    std::size_t compared = 0;
    std::size_t lossy = 0;
    for (const char* from : names)
        for (const char* to : names)
            for (const std::string& text : texts) {
                bool held = false;
                const std::string source = engine::convertCharset(text, "UTF-8", from, &held);
                if (!held)
                    continue; // only text the source encoding holds
                SCOPED_TRACE(std::string(from) + " -> " + to + ": " + text);
                const IconvResult strict = iconvProgram(folder, source, from, to, false);
                const std::vector<std::string> arguments = {"-f", from, "-t", to, "--no-bom"};
                const Converted file = fromFile(folder, source, arguments);
                const Converted stream = fromStream(source, {"-f", from, "-t", to});
                if (strict.ok) {
                    EXPECT_EQ(file.bytes, strict.bytes);
                    EXPECT_EQ(file.status, 0);
                } else {
                    // iconv stops; here each character the target lacks is a "?" and the file
                    // is not complete.
                    ++lossy;
                    EXPECT_NE(file.bytes.find('?'), std::string::npos) << file.bytes;
                    EXPECT_EQ(file.status, 1);
                }
                EXPECT_EQ(stream.bytes, file.bytes);
                EXPECT_EQ(stream.status, file.status);

                const IconvResult omitted = iconvProgram(folder, source, from, to, true);
                std::vector<std::string> omitting = arguments;
                omitting.push_back("-c");
                EXPECT_EQ(fromFile(folder, source, omitting).bytes, omitted.bytes) << "with -c";
                ++compared;
            }
    // Every pair was met, most of them by several texts.
    EXPECT_GE(compared, std::size(names) * std::size(names) * 3);
    EXPECT_GT(lossy, 0u);
    std::printf("compared %zu conversions of %zu pairs, %zu of them lossy\n", compared,
                std::size(names) * std::size(names), lossy);
}

// A transliterating target takes its replacements from the user's character type, as the iconv
// program does; the converter's main sets it the same way.
TEST(IconvNames, transliterationAsIconvDoes) {
    (void)std::setlocale(LC_CTYPE, "");
    TempFolder folder;
    const std::string text = "naïve “quoted” café €5\n";
    const IconvResult expected = iconvProgram(folder, text, "UTF-8", "ASCII//TRANSLIT", false);
    ASSERT_FALSE(expected.bytes.empty());
    const Converted converted = fromStream(text, {"-f", "utf-8", "-t", "ascii//TRANSLIT"});
    EXPECT_EQ(converted.bytes, expected.bytes);
    EXPECT_EQ(converted.status, expected.ok ? 0 : 1);
    (void)std::setlocale(LC_CTYPE, "C");
}

struct StreamRow {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    std::string output;
    int status;
};

class IconvHabits : public testing::TestWithParam<StreamRow> {};

// What iconv gives for these on standard input, byte for byte.
TEST_P(IconvHabits, standardInputGivesWhatIconvGives) {
    const StreamRow& row = GetParam();
    const Converted converted = fromStream(row.input, row.arguments);
    EXPECT_EQ(converted.bytes, row.output);
    EXPECT_EQ(converted.status, row.status);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IconvHabits,
    testing::Values(
        // GBK bytes that are valid UTF-8 too: no UTF-8 trial for a named encoding.
        StreamRow{"gbkIsNeverTriedAsUtf8",
                  {"-f", "gbk", "-t", "utf-8"},
                  "\xCE\xB4\xD6\xAA\n",
                  "未知\n",
                  0},
        StreamRow{"gb2312Too", {"-f", "GB2312", "-t", "UTF-8"}, "\xCE\xB4\xD6\xAA\n", "未知\n", 0},
        // Every byte kept: no cut at 0x1A or a zero.
        StreamRow{"endMarkAndZeroKept",
                  {"-f", "gbk", "-t", "utf-8"},
                  "\xD6\xD0\x1A\xCE\xC4\0z\n"s,
                  "中\x1A文\0z\n"s,
                  0},
        // The mark says the byte order.
        StreamRow{"utf16MarkBigEndian",
                  {"-f", "UTF-16", "-t", "UTF-8"},
                  "\xFE\xFF\x4E\x2D\x00\x0A"s,
                  "中\n",
                  0},
        StreamRow{"utf16leKeepsAMarkAsACharacter",
                  {"-f", "UTF-16LE", "-t", "UTF-8"},
                  "\xFF\xFE\x2D\x4E"s,
                  "\xEF\xBB\xBF中",
                  0},
        // GBK writes the euro as 0x80; GB18030 reads that 0x80 of GBK as the euro.
        StreamRow{"euroInGbk", {"-f", "utf-8", "-t", "gbk"}, "5€\n", "5\x80\n", 0},
        StreamRow{"gbkEuroIntoGb18030",
                  {"-f", "gbk", "-t", "gb18030"},
                  "price 5\x80\n",
                  "price 5\xA2\xE3\n",
                  0},
        // Big5 with "?" for what it lacks, and the file not complete.
        StreamRow{"big5LacksKorean",
                  {"-f", "utf-8", "-t", "big5"},
                  "中文 and 한국어\n",
                  "\xA4\xA4\xA4\xE5 and ???\n",
                  1},
        StreamRow{"big5LeavesOutWithC",
                  {"-c", "-f", "utf-8", "-t", "big5"},
                  "中文 and 한국어\n",
                  "\xA4\xA4\xA4\xE5 and \n",
                  1},
        StreamRow{"ignoreSuffix",
                  {"-f", "utf-8", "-t", "big5//IGNORE"},
                  "中文 and 한국어\n",
                  "\xA4\xA4\xA4\xE5 and \n",
                  1}),
    [](const auto& row) { return std::string(row.param.name); });

// -o FILE is iconv's: the one input's conversion in that file, no mark added, and an earlier
// file of that name left whole when the input cannot be read; it never writes over its input.
TEST(IconvNames, outputFileAsIconvWritesIt) {
    TempFolder folder;
    const std::string input = folder.native("in.txt").string();
    const std::string output = folder.native("out.txt").string();
    const std::string gbk = engine::convertCharset("中文\n", "UTF-8", "GBK");
    writeBytes(input, gbk);
    std::ostringstream out, err;
    EXPECT_EQ(
        batch::runBatchCommand({"-f", "GBK", "-t", "UTF-8", "-o", output, input}, out, err, false),
        0)
        << err.str();
    EXPECT_EQ(readBytes(output), "中文\n");
    // Classic names too write no mark into -o's file unless asked.
    EXPECT_EQ(batch::runBatchCommand({"-t", "utf8", "-o", output, input}, out, err, false), 0);
    EXPECT_EQ(readBytes(output), "中文\n");
    EXPECT_FALSE(std::filesystem::exists(folder.native("转换结果")));

    EXPECT_EQ(
        batch::runBatchCommand({"-o", output, folder.native("missing").string()}, out, err, false),
        1);
    EXPECT_EQ(readBytes(output), "中文\n");
    EXPECT_EQ(batch::runBatchCommand({"-o", output, input, input}, out, err, false), 2);
    // A script of earlier versions, where -o named the output encoding, writes no file "utf8".
    EXPECT_EQ(batch::runBatchCommand({"-o", "utf8", input}, out, err, false), 2);
    EXPECT_EQ(batch::runBatchCommand({"-o", "GBK", input}, out, err, false), 2);
    EXPECT_EQ(batch::runBatchCommand({"-t", "utf8", "-o", input, input}, out, err, false), 2);
    EXPECT_EQ(readBytes(input), gbk);

    // Standard input into the file, and nothing to standard output.
    const Converted converted = fromStream(gbk, {"-f", "gbk", "-t", "utf-16le", "-o", output});
    EXPECT_EQ(converted.status, 0);
    EXPECT_TRUE(converted.bytes.empty());
    EXPECT_EQ(readBytes(output), engine::convertCharset("中文\n", "UTF-8", "UTF-16LE"));
}

// -l names the classic encodings first, then every one of iconv's, each of which converts.
TEST(IconvNames, listNamesEveryEncodingIconvKnows) {
    std::ostringstream out, err;
    ASSERT_EQ(batch::runBatchCommand({"-l"}, out, err, false), 0);
    const std::string list = out.str();
    EXPECT_EQ(list.rfind("auto\n", 0), 0u) << list.substr(0, 80);
    std::size_t iconvNames = 0;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);)
        iconvNames += line.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos;
    EXPECT_GT(iconvNames, 500u);
    for (const char* name : {"\nGBK\n", "\nUTF-16LE\n", "\nSHIFT_JIS\n", "\nBIG5-HKSCS\n"})
        EXPECT_NE(list.find(name), std::string::npos) << name;
}

} // namespace

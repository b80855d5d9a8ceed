// An encoding named as iconv names it means what it means to the iconv program: for every ordered
// pair of such names and every text the source encoding holds, a file and standard input give
// the bytes iconv gives, a character the target lacks becomes "?" and fails the file, and -c
// gives what iconv -c gives.
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

const char* const names[] = {"GBK",   "GB18030",   "BIG5",   "BIG5-HKSCS",
                             "UTF-8", "SHIFT_JIS", "EUC-KR", "ISO-8859-1"};

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

} // namespace

// Every layer's problems together: the rows the file system, the conversion and the run declare.
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/run_problems.h"
#include "engine/conversion_problems.h"
#include "platform/file_problem.h"

using platform::FileStatus;
using platform::ProblemKind;

namespace {

std::vector<const ProblemKind*> everyRow() {
    std::vector<const ProblemKind*> rows;
    for (const auto& layer :
         {std::vector(std::begin(platform::problems::all), std::end(platform::problems::all)),
          std::vector(std::begin(engine::problems::all), std::end(engine::problems::all)),
          std::vector(std::begin(batch::problems::all), std::end(batch::problems::all))})
        rows.insert(rows.end(), layer.begin(), layer.end());
    return rows;
}

bool isSnakeCase(std::string_view code) {
    if (code.empty() || code.front() == '_' || code.back() == '_')
        return false;
    for (char c : code)
        if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != '_')
            return false;
    return true;
}

// Programs read the codes and people the texts: each is there, and each tells its problem apart
// from every other layer's, with every placeholder filled.
TEST(ProblemTable, everyRowHasItsOwnCodeAndTexts) {
    std::set<std::string_view> codes;
    std::set<platform::AnsiText> chinese;
    std::set<std::string> english;
    for (const ProblemKind* row : everyRow()) {
        EXPECT_TRUE(isSnakeCase(row->code)) << row->code;
        EXPECT_TRUE(codes.insert(row->code).second) << "code twice: " << row->code;
        const FileStatus status{.problem = *row, .error = ENOSPC, .detail = "d"};
        const platform::AnsiText text = platform::describeProblem(status);
        const std::string englishText = platform::describeProblemInEnglish(status, "utf8");
        EXPECT_TRUE(chinese.insert(text).second) << row->code;
        EXPECT_TRUE(english.insert(englishText).second) << row->code;
        EXPECT_FALSE(text.empty()) << row->code;
        EXPECT_FALSE(englishText.empty()) << row->code;
        EXPECT_EQ(text.find('{'), std::string::npos) << row->code;
        EXPECT_EQ(englishText.find('{'), std::string::npos) << row->code;
    }
}

// The conversion's and the run's texts as the command line and the window show them, and
// whether each leaves no output behind.
TEST(ProblemTable, conversionAndRunRowsKeepTheirTextsAndKind) {
    namespace e = engine::problems;
    namespace b = batch::problems;
    const struct {
        FileStatus status;
        std::string english;
        std::string chinese;
        bool source;
    } rows[] = {
        {{e::LossyDecode},
         "source is not valid utf8: unreadable characters became ?",
         "源文件有不符合其编码的字符，已替换为“?”",
         false},
        {{.problem = e::ZeroByteCut, .offset = 7},
         "a zero byte at offset 7 ends the text: what follows was not converted",
         "文本在第 8 字节处遇到零字节，其后内容未转换",
         false},
        {{.problem = e::EndMarkCut, .offset = 11},
         "a 0x1A end mark at offset 11 ends the text: what follows was not converted",
         "文本在第 12 字节处遇到结束符 0x1A，其后内容未转换",
         false},
        {{.problem = e::NotText, .detail = "PNG"},
         "skipped: not a text file: PNG",
         "不是文本文件（PNG），未转换",
         true},
        {{.problem = e::ZeroBytes, .offset = 4},
         "skipped: not a text file (zero bytes from offset 4)",
         "不是文本文件（第 5 字节起含有零字节），未转换",
         true},
        {{e::MaybeBig5},
         "may be Big5 text read as ANSI: use -f detect",
         "可能是 Big5 文本：请勾选智能识别编码",
         false},
        {{e::MaybeUtf16},
         "may be UTF-16 text without a mark read as ANSI: use -f detect",
         "可能是没有 BOM 的 Unicode（UTF-16）文本：请勾选智能识别编码",
         false},
        {{e::ScriptUnavailable},
         "script conversion unavailable",
         "简繁转换不可用，已按原文写入",
         false},
        {{.problem = e::ScriptUnavailable, .detail = "no dictionary"},
         "script conversion unavailable: no dictionary",
         "简繁转换不可用，已按原文写入（no dictionary）",
         false},
        {{e::LossyScript},
         "characters missing from the target code page became ?",
         "目标代码页缺少部分字符，已替换为“?”",
         false},
        {{e::Unconverted},
         "output encoding cannot represent the text",
         "目标编码无法表示部分字符，已写入原始字节",
         false},
        {{e::LossyEncode},
         "text is not valid GB18030: unreadable characters became ?",
         "文字含有无效字符，已替换为“?”",
         false},
        {{e::Unrepresentable},
         "output encoding cannot represent the text: those characters became ?",
         "目标编码无法表示部分字符，已替换为“?”",
         false},
        {{e::Abandoned},
         "not converted: the run was stopped during the file",
         "已停止，转换中途放弃，未写入",
         true},
        // The cause is filled from the same status, its error number included.
        {{.problem = e::NotReplaced, .error = EACCES, .cause = e::BackupUnmade},
         "source left as it was: cannot keep a backup of the source: " +
             std::string(std::strerror(EACCES)),
         "源文件保持原样，未替换：无法保留原文件的备份：权限不足",
         true},
        {{e::SourceIsLink},
         "not replaced: the source is a symbolic link",
         "源文件是符号链接，不就地替换",
         true},
        {{e::BackupUnmade, ENOSPC},
         "cannot keep a backup of the source: " + std::string(std::strerror(ENOSPC)),
         "无法保留原文件的备份：磁盘空间不足",
         false},
        {{b::NameNotRepresentable},
         "name cannot be represented (not valid UTF-8)",
         "文件名无法表示（不是有效的 UTF-8）",
         true},
        {{b::ResultFolderUncreatable, EACCES},
         "cannot create the result folder: " + std::string(std::strerror(EACCES)),
         "无法创建输出文件夹：权限不足",
         true},
        {{b::NotReached}, "not converted: the run was stopped", "已停止，未转换", true},
        {{b::OutOfMemory}, "not converted: out of memory", "内存不足", true},
        {{b::OutputTaken},
         "not converted: an earlier file of the run writes the same output",
         "与前面另一个文件输出到同一位置，未转换",
         true},
        {{b::OutputIsSource},
         "not converted: the output would overwrite the source itself",
         "输出位置就是源文件本身，未转换",
         true},
        {{b::OutputIsListedSource},
         "not converted: the output would replace another source of the run",
         "输出位置是本次要转换的另一个源文件，未转换",
         true},
        {{b::SourceIsBackup},
         "not replaced: the file is a backup of an original",
         "是原文件的备份，不就地替换",
         true},
    };
    static_assert(std::size(rows) == std::size(e::all) + std::size(b::all) + 1);
    for (const auto& row : rows) {
        const std::string_view code = row.status.problem.code();
        EXPECT_EQ(platform::describeProblemInEnglish(row.status, "utf8"), row.english) << code;
        EXPECT_EQ(platform::describeProblem(row.status), platform::ansi(row.chinese)) << code;
        EXPECT_EQ(platform::isSourceProblem(row.status.problem), row.source) << code;
    }
}

} // namespace

#include "platform/file_problem.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The last enumerator: the tables below cover every problem up to it.
constexpr FileProblem lastProblem = FileProblem::OutputTaken;

std::string errorText(int error) {
    return std::strerror(error);
}

// The command line prints these texts; scripts may read them, so they stay as they are.
TEST(FileProblem, englishTextsAreTheCommandLinesOwn) {
    const struct {
        FileStatus status;
        std::string text;
    } rows[] = {
        {{FileProblem::None}, ""},
        {{FileProblem::SourcePathInvalid}, "cannot open: path is not valid GB18030"},
        {{FileProblem::SourceUnopenable, ENOENT}, "cannot open: " + errorText(ENOENT)},
        {{FileProblem::SourceUnreadable, EISDIR}, "cannot read: " + errorText(EISDIR)},
        {{FileProblem::SourceNotRegular}, "cannot read: not a regular file"},
        {{FileProblem::SourceTooLarge, 0, 100}, "too large for memory: 100 bytes"},
        {{FileProblem::NameNotRepresentable}, "name cannot be represented (not valid UTF-8)"},
        {{FileProblem::LossyDecode}, "source is not valid utf8: unreadable characters became ?"},
        {{.problem = FileProblem::ZeroByteCut, .offset = 7},
         "a zero byte at offset 7 ends the text: what follows was not converted"},
        {{FileProblem::ScriptUnavailable}, "script conversion unavailable"},
        {{FileProblem::LossyScript}, "characters missing from the target code page became ?"},
        {{FileProblem::Unconverted}, "output encoding cannot represent the text"},
        {{FileProblem::LossyEncode}, "text is not valid GB18030: unreadable characters became ?"},
        {{FileProblem::ResultFolderUncreatable, EACCES},
         "cannot create the result folder: " + errorText(EACCES)},
        {{FileProblem::OutputPathEmpty}, "cannot create: empty path"},
        {{FileProblem::OutputPathInvalid}, "cannot create: path is not valid GB18030"},
        {{FileProblem::LinkUnfollowable, ELOOP}, "cannot follow link: " + errorText(ELOOP)},
        {{FileProblem::OutputNotRegular}, "cannot replace: not a regular file"},
        {{FileProblem::OutputReadOnly}, "output file is read-only"},
        {{FileProblem::OutputUncreatable, EACCES}, "cannot create: " + errorText(EACCES)},
        {{FileProblem::OutputUnwritable, EFBIG}, "cannot write: " + errorText(EFBIG)},
        {{FileProblem::OutputUnreplaceable, EISDIR}, "cannot replace: " + errorText(EISDIR)},
        {{FileProblem::NotReached}, "not converted: the run was stopped"},
        {{FileProblem::Abandoned}, "not converted: the run was stopped during the file"},
        {{FileProblem::OutOfMemory}, "not converted: out of memory"},
        {{FileProblem::OutputTaken},
         "not converted: an earlier file of the run writes the same output"},
    };
    static_assert(std::size(rows) == static_cast<std::size_t>(lastProblem) + 1);
    for (const auto& row : rows)
        EXPECT_EQ(describeProblemInEnglish(row.status, "utf8"), row.text)
            << static_cast<int>(row.status.problem);
}

// Each problem reads differently to people, and a failed call's reason is said in Chinese
// whatever the locale, or by its number when it is an unusual one.
TEST(FileProblem, chineseTextsAreDistinctAndNameTheError) {
    EXPECT_EQ(describeProblem({}), "");
    std::set<AnsiText> seen;
    for (int value = 1; value <= static_cast<int>(lastProblem); ++value) {
        const AnsiText text = describeProblem({static_cast<FileProblem>(value), ENOSPC});
        EXPECT_FALSE(text.empty()) << value;
        EXPECT_TRUE(seen.insert(text).second) << value;
    }
    const struct {
        FileStatus status;
        std::string text;
    } rows[] = {
        {{FileProblem::SourceUnopenable, EACCES}, "无法读取：权限不足"},
        {{FileProblem::Unconverted}, "目标编码无法表示部分字符，已写入原始字节"},
        {{FileProblem::OutputReadOnly}, "输出文件为只读"},
        {{FileProblem::ResultFolderUncreatable, EACCES}, "无法创建输出文件夹：权限不足"},
        {{FileProblem::OutputUnwritable, ENOSPC}, "无法写入输出文件：磁盘空间不足"},
        {{FileProblem::SourceUnreadable, EISDIR}, "读取出错：这是文件夹"},
        {{FileProblem::NotReached}, "已停止，未转换"},
        {{FileProblem::Abandoned}, "已停止，转换中途放弃，未写入"},
        {{FileProblem::OutputTaken}, "与前面另一个文件输出到同一位置，未转换"},
        {{FileProblem::OutputUncreatable, EXDEV},
         "无法创建输出文件：系统错误 " + std::to_string(EXDEV)},
        {{FileProblem::SourceTooLarge, 0, 100}, "文件过大，内存容纳不下（100 字节）"},
        {{.problem = FileProblem::ZeroByteCut, .offset = 3},
         "文本在第 4 字节处遇到零字节，其后内容未转换"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(describeProblem(row.status), ansi(row.text))
            << static_cast<int>(row.status.problem);
}

} // namespace

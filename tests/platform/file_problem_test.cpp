#include "platform/file_problem.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::string errorText(int error) {
    return std::strerror(error);
}

// The command line prints these texts; scripts may read them, so they stay as they are. Whether
// a problem is the source's decides whether the command line says "no output".
TEST(FileProblem, fileSystemRowsKeepTheirTextsAndKind) {
    namespace p = problems;
    const struct {
        FileStatus status;
        std::string english;
        bool source;
    } rows[] = {
        {{FileProblem::None}, "", false},
        {{p::SourcePathInvalid}, "cannot open: path is not valid GB18030", true},
        {{p::SourceUnopenable, ENOENT}, "cannot open: " + errorText(ENOENT), true},
        {{p::SourceUnreadable, EISDIR}, "cannot read: " + errorText(EISDIR), true},
        {{p::SourceNotRegular}, "cannot read: not a regular file", true},
        {{p::SourceTooLarge, 0, 100}, "too large for memory: 100 bytes", true},
        {{p::OutputPathEmpty}, "cannot create: empty path", false},
        {{p::OutputPathInvalid}, "cannot create: path is not valid GB18030", false},
        {{p::LinkUnfollowable, ELOOP}, "cannot follow link: " + errorText(ELOOP), false},
        {{p::OutputNotRegular}, "cannot replace: not a regular file", false},
        {{p::OutputReadOnly}, "output file is read-only", false},
        {{p::OutputUncreatable, EACCES}, "cannot create: " + errorText(EACCES), false},
        {{p::OutputUnwritable, EFBIG}, "cannot write: " + errorText(EFBIG), false},
        {{p::OutputUnreplaceable, EISDIR}, "cannot replace: " + errorText(EISDIR), false},
    };
    static_assert(std::size(rows) == std::size(problems::all) + 1);
    for (const auto& row : rows) {
        EXPECT_EQ(describeProblemInEnglish(row.status, "utf8"), row.english)
            << row.status.problem.code();
        EXPECT_EQ(isSourceProblem(row.status.problem), row.source) << row.status.problem.code();
    }
}

// A failed call's reason is said in Chinese whatever the locale, or by its number when it is an
// unusual one.
TEST(FileProblem, chineseTextsNameTheError) {
    EXPECT_EQ(describeProblem({}), "");
    const struct {
        FileStatus status;
        std::string text;
    } rows[] = {
        {{problems::SourceUnopenable, EACCES}, "无法读取：权限不足"},
        {{problems::OutputReadOnly}, "输出文件为只读"},
        {{problems::OutputUnwritable, ENOSPC}, "无法写入输出文件：磁盘空间不足"},
        {{problems::SourceUnreadable, EISDIR}, "读取出错：这是文件夹"},
        {{problems::OutputUncreatable, EXDEV},
         "无法创建输出文件：系统错误 " + std::to_string(EXDEV)},
        {{problems::SourceTooLarge, 0, 100}, "文件过大，内存容纳不下（100 字节）"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(describeProblem(row.status), ansi(row.text)) << row.status.problem.code();
}

// Each placeholder is filled in its language's way; one the formatter does not know stays
// visible rather than vanishing.
TEST(FileProblem, placeholdersAreFilledFromTheStatus) {
    static constexpr ProblemKind kind{
        .code = "test_row",
        .chinese = "第 {position} 字节{detail}，{error}",
        .english = "at {offset} of {length} in {encoding}{detail}: {error} {unknown}",
    };
    FileStatus status{.problem = kind, .error = ENOENT, .length = 9, .offset = 3};
    EXPECT_EQ(describeProblem(status), ansi("第 4 字节，文件或文件夹不存在"));
    EXPECT_EQ(describeProblemInEnglish(status, "big5"),
              "at 3 of 9 in big5: " + errorText(ENOENT) + " {unknown}");
    status.detail = "缺少词典";
    EXPECT_EQ(describeProblem(status), ansi("第 4 字节（缺少词典），文件或文件夹不存在"));
    EXPECT_EQ(describeProblemInEnglish(status, "big5"),
              "at 3 of 9 in big5: 缺少词典: " + errorText(ENOENT) + " {unknown}");
}

// Problems compare by their row, whatever their texts.
TEST(FileProblem, rowsAreToldApartByIdentity) {
    static constexpr ProblemKind twin{
        .code = problems::OutputReadOnly.code,
        .chinese = problems::OutputReadOnly.chinese,
        .english = problems::OutputReadOnly.english,
    };
    EXPECT_NE(FileProblem(twin), FileProblem(problems::OutputReadOnly));
    EXPECT_EQ(FileProblem(problems::OutputReadOnly), problems::OutputReadOnly);
    EXPECT_EQ(FileProblem(), FileProblem::None);
    EXPECT_TRUE(FileStatus{}.ok());
    EXPECT_FALSE(FileStatus{twin}.ok());
}

} // namespace

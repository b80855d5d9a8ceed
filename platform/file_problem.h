// What can go wrong with one file of a conversion, from opening its source to putting its
// output in place. Every layer reports a file's trouble as a FileProblem, with the system's error
// number where a call failed, and the texts for people are made from it in one place.
//
// A problem is a row (ProblemKind) declared by the layer that raises it: the file system's below,
// the conversion's in engine/conversion_problems.h, the run's in batch/run_problems.h. A
// FileProblem points at its row; the rows' addresses tell problems apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ansi_text.h"

namespace platform {

// One problem. The texts may hold placeholders, filled from the FileStatus:
//   {error}    the error number's reason (Chinese: ours; English: the system's own text)
//   {length}   `length`; {offset} `offset` counted from 0; {position} the same counted from 1
//   {detail}   `detail` when it is not empty: "（detail）" in Chinese, ": detail" in English
//   {encoding} the encoding the source was read in (English only)
//   {cause}    the text of `cause`, filled from the same status
struct ProblemKind {
    std::string_view code;      // stable snake_case name for output read by programs
    std::string_view chinese;   // for the window and its report, in UTF-8
    std::string_view english;   // for the command line
    bool sourceProblem = false; // no text to convert, no new output (see isSourceProblem)

    // Rows are told apart by their address, so a copy would be another problem: none is made.
    struct Pinned {
        constexpr Pinned() = default;
        Pinned(const Pinned&) = delete;
        Pinned& operator=(const Pinned&) = delete;
    };
    [[no_unique_address]] Pinned pinned = {};
};

// A file's problem: one of the rows, or none. Compared by the row it points at.
class FileProblem {
public:
    static const FileProblem None; // nothing went wrong: the output holds the whole text

    constexpr FileProblem() = default;
    // Implicit, so that a row stands wherever a problem is expected.
    constexpr FileProblem(const ProblemKind& kind) : row(&kind) {}
    FileProblem(const ProblemKind&&) = delete; // a temporary row would be gone at once

    constexpr const ProblemKind* kind() const { return row; }
    // The row's code; empty for None.
    constexpr std::string_view code() const { return row ? row->code : std::string_view(); }

    bool operator==(const FileProblem&) const = default;

private:
    const ProblemKind* row = nullptr;
};

inline constexpr FileProblem FileProblem::None{};

// The file system's problems: opening and reading the source, putting the output in place.
namespace problems {

// The source's path is not valid GB18030, so it has no native form.
inline constexpr ProblemKind SourcePathInvalid{
    .code = "source_path_invalid",
    .chinese = "无法读取：路径含有无法表示的字符",
    .english = "cannot open: path is not valid GB18030",
    .sourceProblem = true,
};
// Opening the source failed (the error number says why); no output.
inline constexpr ProblemKind SourceUnopenable{
    .code = "source_unopenable",
    .chinese = "无法读取：{error}",
    .english = "cannot open: {error}",
    .sourceProblem = true,
};
// Examining or reading the opened source failed, or it is a folder.
inline constexpr ProblemKind SourceUnreadable{
    .code = "source_unreadable",
    .chinese = "读取出错：{error}",
    .english = "cannot read: {error}",
    .sourceProblem = true,
};
// The source is a FIFO, device or socket; it is refused unread.
inline constexpr ProblemKind SourceNotRegular{
    .code = "source_not_regular",
    .chinese = "无法读取：不是普通文件",
    .english = "cannot read: not a regular file",
    .sourceProblem = true,
};
// The source is larger than the read limit or than memory allows; `length` holds its size in
// bytes.
inline constexpr ProblemKind SourceTooLarge{
    .code = "source_too_large",
    .chinese = "文件过大，内存容纳不下（{length} 字节）",
    .english = "too large for memory: {length} bytes",
    .sourceProblem = true,
};
// The output was given an empty path.
inline constexpr ProblemKind OutputPathEmpty{
    .code = "output_path_empty",
    .chinese = "无法创建输出文件：路径为空",
    .english = "cannot create: empty path",
};
// The output's path is not valid GB18030, so it has no native form.
inline constexpr ProblemKind OutputPathInvalid{
    .code = "output_path_invalid",
    .chinese = "无法创建输出文件：路径含有无法表示的字符",
    .english = "cannot create: path is not valid GB18030",
};
// The output is a symbolic link leading nowhere or into a loop; it is left alone rather than
// replaced or written through.
inline constexpr ProblemKind LinkUnfollowable{
    .code = "link_unfollowable",
    .chinese = "输出文件的符号链接无效：{error}",
    .english = "cannot follow link: {error}",
};
// The output's place holds a FIFO, device or socket.
inline constexpr ProblemKind OutputNotRegular{
    .code = "output_not_regular",
    .chinese = "输出位置不是普通文件",
    .english = "cannot replace: not a regular file",
};
// The existing output may not be written by this user.
inline constexpr ProblemKind OutputReadOnly{
    .code = "output_read_only",
    .chinese = "输出文件为只读",
    .english = "output file is read-only",
};
// The temporary file beside the output could not be created (or given its permissions), or the
// output's place is a folder.
inline constexpr ProblemKind OutputUncreatable{
    .code = "output_uncreatable",
    .chinese = "无法创建输出文件：{error}",
    .english = "cannot create: {error}",
};
// Writing the output's bytes, or closing its file, failed.
inline constexpr ProblemKind OutputUnwritable{
    .code = "output_unwritable",
    .chinese = "无法写入输出文件：{error}",
    .english = "cannot write: {error}",
};
// Renaming the finished file over the output failed, or the output is a folder; the earlier
// output stays as it was.
inline constexpr ProblemKind OutputUnreplaceable{
    .code = "output_unreplaceable",
    .chinese = "无法替换输出文件：{error}",
    .english = "cannot replace: {error}",
};

// Every row above, for tests and listings.
inline constexpr const ProblemKind* all[] = {
    &SourcePathInvalid,   &SourceUnopenable, &SourceUnreadable,  &SourceNotRegular,
    &SourceTooLarge,      &OutputPathEmpty,  &OutputPathInvalid, &LinkUnfollowable,
    &OutputNotRegular,    &OutputReadOnly,   &OutputUncreatable, &OutputUnwritable,
    &OutputUnreplaceable,
};

} // namespace problems

// A problem with the system's error number behind it. `error` is 0 for the problems no failed
// call explains (a read-only output, a lossy decode, ...).
struct [[nodiscard]] FileStatus {
    FileProblem problem = FileProblem::None;
    int error = 0;
    std::uint64_t length = 0; // SourceTooLarge: the source's size in bytes
    std::uint64_t offset = 0; // ZeroByteCut: the zero byte's place in the source, from 0
    std::string detail = {};  // ScriptUnavailable: what the library said, in UTF-8; may be empty
    // A problem that stands for another: what kept a source from being replaced, say. The
    // fields above then belong to the cause.
    FileProblem cause = FileProblem::None;

    bool ok() const { return problem == FileProblem::None; }
    bool operator==(const FileStatus&) const = default;
};

// True for the problems that leave no text to convert: the source was not read (or, for an
// unrepresentable name or a file a stopped run never reached, never opened; or a stop or a lack
// of memory abandoned it), so there is no new output file either.
inline bool isSourceProblem(FileProblem problem) {
    return problem.kind() && problem.kind()->sourceProblem;
}

// What a failed call's error number means, in Chinese whatever the locale: "权限不足".
AnsiText describeSystemError(int error);

// The symbolic name of a system error number ("ENOENT"); empty for 0 or a number the system does
// not name.
std::string systemErrorName(int error);

// A short Chinese description for people, as AnsiText: "无法读取：权限不足". Empty for None.
AnsiText describeProblem(const FileStatus& status);

// The command line's English form, with the system's own error text where a call failed:
// "cannot open: No such file or directory". `sourceEncoding` names the encoding a lossily
// decoded source was read in ("utf8"). Empty for None.
std::string describeProblemInEnglish(const FileStatus& status, std::string_view sourceEncoding);

} // namespace platform

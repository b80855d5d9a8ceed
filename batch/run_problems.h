// What a run decides about a file before or instead of converting it, beside the file system's
// problems (platform/file_problem.h) and the conversion's (engine/conversion_problems.h).
#pragma once

#include "engine/conversion_problems.h"
#include "platform/file_problem.h"

namespace batch::problems {

using platform::ProblemKind;

// A folder scan found a name that is not valid UTF-8: the file is reported but never opened.
inline constexpr ProblemKind NameNotRepresentable{
    .code = "name_not_representable",
    .chinese = "文件名无法表示（不是有效的 UTF-8）",
    .english = "name cannot be represented (not valid UTF-8)",
    .sourceProblem = true,
};
// The folder the output goes into could not be created (the error number says why); nothing
// was read or written.
inline constexpr ProblemKind ResultFolderUncreatable{
    .code = "result_folder_uncreatable",
    .chinese = "无法创建输出文件夹：{error}",
    .english = "cannot create the result folder: {error}",
    .sourceProblem = true,
};
// The run was stopped before this file: it was neither read nor written.
inline constexpr ProblemKind NotReached{
    .code = "not_reached",
    .chinese = "已停止，未转换",
    .english = "not converted: the run was stopped",
    .sourceProblem = true,
};
// Memory ran out while the file was converted: nothing was put in place, and the run goes on
// with the next file.
inline constexpr ProblemKind OutOfMemory{
    .code = "out_of_memory",
    .chinese = "内存不足",
    .english = "not converted: out of memory",
    .sourceProblem = true,
};
// An earlier file of the run, another source, writes the same output: this one was neither read
// nor written, and that result stays.
inline constexpr ProblemKind OutputTaken{
    .code = "output_taken",
    .chinese = "与前面另一个文件输出到同一位置，未转换",
    .english = "not converted: an earlier file of the run writes the same output",
    .sourceProblem = true,
};
// The output's place is the source itself (the output folder is the source's own, or leads
// there): the file was neither read nor written, so that no source is ever overwritten.
inline constexpr ProblemKind OutputIsSource{
    .code = "output_is_source",
    .chinese = "输出位置就是源文件本身，未转换",
    .english = "not converted: the output would overwrite the source itself",
    .sourceProblem = true,
};

// The output's place is another source listed in the same run: writing it would replace that
// source, so this file was neither read nor written.
inline constexpr ProblemKind OutputIsListedSource{
    .code = "output_is_listed_source",
    .chinese = "输出位置是本次要转换的另一个源文件，未转换",
    .english = "not converted: the output would replace another source of the run",
    .sourceProblem = true,
};
// Replacing in place: the source is a backup an earlier run kept (its name ends in the backup
// suffix, or NAME.~N~), so it is left as it is.
inline constexpr ProblemKind SourceIsBackup{
    .code = "source_is_backup",
    .chinese = "是原文件的备份，不就地替换",
    .english = "not replaced: the file is a backup of an original",
    .sourceProblem = true,
};

// Every row above, for tests and listings.
inline constexpr const ProblemKind* all[] = {
    &NameNotRepresentable, &ResultFolderUncreatable, &NotReached,           &OutOfMemory,
    &OutputTaken,          &OutputIsSource,          &OutputIsListedSource, &SourceIsBackup,
};

} // namespace batch::problems

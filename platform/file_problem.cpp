#include "platform/file_problem.h"

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

// The system's text for an error number, in the locale's language.
std::string systemErrorText(int error) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

// The error numbers a file conversion meets in practice, said in Chinese; the rest by number, so
// the text never depends on the locale.
std::string chineseErrorText(int error) {
    switch (error) {
    case ENOENT:
        return "文件或文件夹不存在";
    case EACCES:
    case EPERM:
        return "权限不足";
    case EISDIR:
        return "这是文件夹";
    case ENOTDIR:
        return "路径中有一项不是文件夹";
    case ENOSPC:
        return "磁盘空间不足";
    case EDQUOT:
        return "超出磁盘配额";
    case EFBIG:
        return "文件超出大小限制";
    case EROFS:
        return "文件系统为只读";
    case ELOOP:
        return "符号链接成环或层数过多";
    case ENAMETOOLONG:
        return "名称过长";
    case EIO:
        return "输入输出错误";
    case ENOMEM:
        return "内存不足";
    case EMFILE:
    case ENFILE:
        return "打开的文件过多";
    default:
        return "系统错误 " + std::to_string(error);
    }
}

} // namespace

bool isSourceProblem(FileProblem problem) {
    switch (problem) {
    case FileProblem::SourcePathInvalid:
    case FileProblem::SourceUnopenable:
    case FileProblem::SourceUnreadable:
    case FileProblem::SourceNotRegular:
    case FileProblem::SourceTooLarge:
    case FileProblem::NameNotRepresentable:
    case FileProblem::NotReached:
    case FileProblem::Abandoned:
    case FileProblem::OutOfMemory:
    case FileProblem::OutputTaken:
    case FileProblem::ResultFolderUncreatable:
        return true;
    default:
        return false;
    }
}

AnsiText describeSystemError(int error) {
    return ansi(chineseErrorText(error));
}

AnsiText describeProblem(const FileStatus& status) {
    const std::string error = chineseErrorText(status.error);
    std::string text;
    switch (status.problem) {
    case FileProblem::None:
        return {};
    case FileProblem::SourcePathInvalid:
        text = "无法读取：路径含有无法表示的字符";
        break;
    case FileProblem::SourceUnopenable:
        text = "无法读取：" + error;
        break;
    case FileProblem::SourceUnreadable:
        text = "读取出错：" + error;
        break;
    case FileProblem::SourceNotRegular:
        text = "无法读取：不是普通文件";
        break;
    case FileProblem::SourceTooLarge:
        text = "文件过大，内存容纳不下（" + std::to_string(status.length) + " 字节）";
        break;
    case FileProblem::NameNotRepresentable:
        text = "文件名无法表示（不是有效的 UTF-8）";
        break;
    case FileProblem::LossyDecode:
        text = "源文件有不符合其编码的字符，已替换为“?”";
        break;
    case FileProblem::ZeroByteCut:
        // People count bytes from one.
        text =
            "文本在第 " + std::to_string(status.offset + 1) + " 字节处遇到零字节，其后内容未转换";
        break;
    case FileProblem::ScriptUnavailable:
        text = "简繁转换不可用，已按原文写入";
        if (!status.detail.empty())
            text += "（" + status.detail + "）";
        break;
    case FileProblem::LossyScript:
        text = "目标代码页缺少部分字符，已替换为“?”";
        break;
    case FileProblem::Unconverted:
        text = "目标编码无法表示部分字符，已写入原始字节";
        break;
    case FileProblem::LossyEncode:
        text = "文字含有无效字符，已替换为“?”";
        break;
    case FileProblem::ResultFolderUncreatable:
        text = "无法创建输出文件夹：" + error;
        break;
    case FileProblem::OutputPathEmpty:
        text = "无法创建输出文件：路径为空";
        break;
    case FileProblem::OutputPathInvalid:
        text = "无法创建输出文件：路径含有无法表示的字符";
        break;
    case FileProblem::LinkUnfollowable:
        text = "输出文件的符号链接无效：" + error;
        break;
    case FileProblem::OutputNotRegular:
        text = "输出位置不是普通文件";
        break;
    case FileProblem::OutputReadOnly:
        text = "输出文件为只读";
        break;
    case FileProblem::OutputUncreatable:
        text = "无法创建输出文件：" + error;
        break;
    case FileProblem::OutputUnwritable:
        text = "无法写入输出文件：" + error;
        break;
    case FileProblem::OutputUnreplaceable:
        text = "无法替换输出文件：" + error;
        break;
    case FileProblem::NotReached:
        text = "已停止，未转换";
        break;
    case FileProblem::Abandoned:
        text = "已停止，转换中途放弃，未写入";
        break;
    case FileProblem::OutOfMemory:
        text = "内存不足";
        break;
    case FileProblem::OutputTaken:
        text = "与前面另一个文件输出到同一位置，未转换";
        break;
    }
    return ansi(text);
}

std::string describeProblemInEnglish(const FileStatus& status, std::string_view sourceEncoding) {
    const std::string error = systemErrorText(status.error);
    switch (status.problem) {
    case FileProblem::None:
        return {};
    case FileProblem::SourcePathInvalid:
        return "cannot open: path is not valid GB18030";
    case FileProblem::SourceUnopenable:
        return "cannot open: " + error;
    case FileProblem::SourceUnreadable:
        return "cannot read: " + error;
    case FileProblem::SourceNotRegular:
        return "cannot read: not a regular file";
    case FileProblem::SourceTooLarge:
        return "too large for memory: " + std::to_string(status.length) + " bytes";
    case FileProblem::NameNotRepresentable:
        return "name cannot be represented (not valid UTF-8)";
    case FileProblem::LossyDecode:
        return "source is not valid " + std::string(sourceEncoding) +
               ": unreadable characters became ?";
    case FileProblem::ZeroByteCut:
        return "a zero byte at offset " + std::to_string(status.offset) +
               " ends the text: what follows was not converted";
    case FileProblem::ScriptUnavailable:
        return status.detail.empty() ? "script conversion unavailable"
                                     : "script conversion unavailable: " + status.detail;
    case FileProblem::LossyScript:
        return "characters missing from the target code page became ?";
    case FileProblem::Unconverted:
        return "output encoding cannot represent the text";
    case FileProblem::LossyEncode:
        return "text is not valid GB18030: unreadable characters became ?";
    case FileProblem::ResultFolderUncreatable:
        return "cannot create the result folder: " + error;
    case FileProblem::OutputPathEmpty:
        return "cannot create: empty path";
    case FileProblem::OutputPathInvalid:
        return "cannot create: path is not valid GB18030";
    case FileProblem::LinkUnfollowable:
        return "cannot follow link: " + error;
    case FileProblem::OutputNotRegular:
        return "cannot replace: not a regular file";
    case FileProblem::OutputReadOnly:
        return "output file is read-only";
    case FileProblem::OutputUncreatable:
        return "cannot create: " + error;
    case FileProblem::OutputUnwritable:
        return "cannot write: " + error;
    case FileProblem::OutputUnreplaceable:
        return "cannot replace: " + error;
    case FileProblem::NotReached:
        return "not converted: the run was stopped";
    case FileProblem::Abandoned:
        return "not converted: the run was stopped during the file";
    case FileProblem::OutOfMemory:
        return "not converted: out of memory";
    case FileProblem::OutputTaken:
        return "not converted: an earlier file of the run writes the same output";
    }
    return {};
}

} // namespace platform

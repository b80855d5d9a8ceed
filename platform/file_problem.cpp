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

// Which language a row's text is filled in.
enum class Language { Chinese, English };

// The row's text for `language` with its placeholders filled from `status`; an unknown
// placeholder stays as it is written.
std::string fill(const FileStatus& status, Language language, std::string_view sourceEncoding) {
    const ProblemKind* kind = status.problem.kind();
    if (!kind)
        return {};
    const bool chinese = language == Language::Chinese;
    const std::string_view pattern = chinese ? kind->chinese : kind->english;
    std::string text;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const std::size_t open = pattern.find('{', at);
        const std::size_t close =
            open == std::string_view::npos ? open : pattern.find('}', open + 1);
        if (close == std::string_view::npos) {
            text += pattern.substr(at);
            break;
        }
        text += pattern.substr(at, open - at);
        const std::string_view name = pattern.substr(open + 1, close - open - 1);
        if (name == "error")
            text += chinese ? chineseErrorText(status.error) : systemErrorText(status.error);
        else if (name == "length")
            text += std::to_string(status.length);
        else if (name == "offset")
            text += std::to_string(status.offset);
        else if (name == "position")
            text += std::to_string(status.offset + 1); // people count bytes from one
        else if (name == "detail" && !status.detail.empty())
            text += chinese ? "（" + status.detail + "）" : ": " + status.detail;
        else if (name == "encoding")
            text += sourceEncoding;
        else if (name == "cause" && status.cause != status.problem) {
            FileStatus inner = status;
            inner.problem = status.cause;
            inner.cause = FileProblem::None;
            text += fill(inner, language, sourceEncoding);
        } else if (name != "detail" && name != "cause")
            text += pattern.substr(open, close - open + 1);
        at = close + 1;
    }
    return text;
}

} // namespace

std::string systemErrorName(int error) {
    if (error == 0)
        return {};
    const char* name = strerrorname_np(error);
    return name ? name : "";
}

AnsiText describeSystemError(int error) {
    return ansi(chineseErrorText(error));
}

AnsiText describeProblem(const FileStatus& status) {
    return ansi(fill(status, Language::Chinese, {}));
}

std::string describeProblemInEnglish(const FileStatus& status, std::string_view sourceEncoding) {
    return fill(status, Language::English, sourceEncoding);
}

} // namespace platform

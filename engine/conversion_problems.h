// What can go wrong while a file's text is decoded, mapped between scripts and encoded, beside
// the file system's problems in platform/file_problem.h.
#pragma once

#include "platform/file_problem.h"

namespace engine::problems {

using platform::ProblemKind;

// The source is not valid in the encoding it was read in; a fallback turned the unreadable
// characters into "?". The output is written.
inline constexpr ProblemKind LossyDecode{
    .code = "lossy_decode",
    .chinese = "源文件有不符合其编码的字符，已替换为“?”",
    .english = "source is not valid {encoding}: unreadable characters became ?",
};
// A zero byte ended the source's text with more than zero bytes after it; `offset` says where.
// The text before it is written, the rest lost.
inline constexpr ProblemKind ZeroByteCut{
    .code = "zero_byte_cut",
    .chinese = "文本在第 {position} 字节处遇到零字节，其后内容未转换",
    .english = "a zero byte at offset {offset} ends the text: what follows was not converted",
};
// A 0x1A (the old end-of-file mark) ended the ANSI reading of the source's text with more bytes
// after it; `offset` says where. The text before it is written, the rest lost.
inline constexpr ProblemKind EndMarkCut{
    .code = "end_mark_cut",
    .chinese = "文本在第 {position} 字节处遇到结束符 0x1A，其后内容未转换",
    .english = "a 0x1A end mark at offset {offset} ends the text: what follows was not converted",
};
// The source begins like a well-known binary format (`detail` names it): it is not text, so it
// is neither converted nor written.
inline constexpr ProblemKind NotText{
    .code = "not_text",
    .chinese = "不是文本文件{detail}，未转换",
    .english = "skipped: not a text file{detail}",
    .sourceProblem = true,
};
// The source holds zero characters where text in its encoding has none (the first at
// `offset`): a binary file, neither converted nor written.
inline constexpr ProblemKind ZeroBytes{
    .code = "not_text_zero_bytes",
    .chinese = "不是文本文件（第 {position} 字节起含有零字节），未转换",
    .english = "skipped: not a text file (zero bytes from offset {offset})",
    .sourceProblem = true,
};
// The classic reading took the source as ANSI, but the statistical reading is sure it is Big5:
// the output holds what the ANSI reading made of it, most likely garbled.
inline constexpr ProblemKind MaybeBig5{
    .code = "maybe_big5",
    .chinese = "可能是 Big5 文本：请勾选智能识别编码",
    .english = "may be Big5 text read as ANSI: use -f detect",
};
// The same for UTF-16 without a byte-order mark.
inline constexpr ProblemKind MaybeUtf16{
    .code = "maybe_utf16",
    .chinese = "可能是没有 BOM 的 Unicode（UTF-16）文本：请勾选智能识别编码",
    .english = "may be UTF-16 text without a mark read as ANSI: use -f detect",
};
// The Simplified/Traditional mapping could not run (dictionaries missing, library failure); the
// text went on unmapped. `detail` holds what the library said.
inline constexpr ProblemKind ScriptUnavailable{
    .code = "script_unavailable",
    .chinese = "简繁转换不可用，已按原文写入{detail}",
    .english = "script conversion unavailable{detail}",
};
// A Big5 step turned characters the target code page lacks into "?".
inline constexpr ProblemKind LossyScript{
    .code = "lossy_script",
    .chinese = "目标代码页缺少部分字符，已替换为“?”",
    .english = "characters missing from the target code page became ?",
};
// The output encoding could not take the text: the text's own bytes were written behind the
// byte-order mark.
inline constexpr ProblemKind Unconverted{
    .code = "unconverted",
    .chinese = "目标编码无法表示部分字符，已写入原始字节",
    .english = "output encoding cannot represent the text",
};
// The text is not valid GB18030; the fallback encoder wrote "?" for the characters it could
// not read.
inline constexpr ProblemKind LossyEncode{
    .code = "lossy_encode",
    .chinese = "文字含有无效字符，已替换为“?”",
    .english = "text is not valid GB18030: unreadable characters became ?",
};
// An output encoding known only to iconv lacks characters of the text: each became "?".
inline constexpr ProblemKind Unrepresentable{
    .code = "unrepresentable",
    .chinese = "目标编码无法表示部分字符，已替换为“?”",
    .english = "output encoding cannot represent the text: those characters became ?",
};
// The run was stopped while this file was being converted: its output was not put in place (an
// earlier output stays as it was).
inline constexpr ProblemKind Abandoned{
    .code = "abandoned",
    .chinese = "已停止，转换中途放弃，未写入",
    .english = "not converted: the run was stopped during the file",
    .sourceProblem = true,
};
// Converting in place: the source was not replaced, because `cause` says why (the conversion
// would not be complete, the write or the backup failed). The source is as it was.
inline constexpr ProblemKind NotReplaced{
    .code = "not_replaced",
    .chinese = "源文件保持原样，未替换：{cause}",
    .english = "source left as it was: {cause}",
    .sourceProblem = true,
};
// Converting in place: the source is a symbolic link. It is refused unread, so that neither the
// link nor a file it leads to elsewhere is replaced.
inline constexpr ProblemKind SourceIsLink{
    .code = "source_is_link",
    .chinese = "源文件是符号链接，不就地替换",
    .english = "not replaced: the source is a symbolic link",
    .sourceProblem = true,
};
// Converting in place: the copy of the original asked for could not be made (the error number
// says why); a NotReplaced cause.
inline constexpr ProblemKind BackupUnmade{
    .code = "backup_unmade",
    .chinese = "无法保留原文件的备份：{error}",
    .english = "cannot keep a backup of the source: {error}",
};

// Every row above, for tests and listings.
inline constexpr const ProblemKind* all[] = {
    &LossyDecode, &ZeroByteCut,       &EndMarkCut,   &NotText,      &ZeroBytes,   &MaybeBig5,
    &MaybeUtf16,  &ScriptUnavailable, &LossyScript,  &Unconverted,  &LossyEncode, &Unrepresentable,
    &Abandoned,   &NotReplaced,       &SourceIsLink, &BackupUnmade,
};

} // namespace engine::problems

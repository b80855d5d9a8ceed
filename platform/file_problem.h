// What can go wrong with one file of a conversion, from opening its source to putting its
// output in place. Every layer reports a file's trouble as one of these, with the system's error
// number where a call failed, and the texts for people are made from them in one place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ansi_text.h"

namespace platform {

enum class FileProblem : int {
    None = 0,             // Nothing went wrong: the output holds the whole text.
    SourcePathInvalid,    // The source's path is not valid GB18030, so it has no native form.
    SourceUnopenable,     // Opening the source failed (the error number says why); no output.
    SourceUnreadable,     // Examining or reading the opened source failed, or it is a folder.
    SourceNotRegular,     // The source is a FIFO, device or socket; it is refused unread.
    SourceTooLarge,       // The source is larger than the read limit or than memory allows;
                          // `length` holds its size in bytes.
    NameNotRepresentable, // A folder scan found a name that is not valid UTF-8: the file is
                          // reported but never opened.
    LossyDecode,          // The source is not valid in the encoding it was read in; a fallback
                          // turned the unreadable characters into "?". The output is written.
    ZeroByteCut,          // A zero byte ended the source's text with more than zero bytes after
                          // it; `offset` says where. The text before it is written, the rest lost.
    ScriptUnavailable,    // The Simplified/Traditional mapping could not run (dictionaries
                          // missing, library failure); the text went on unmapped.
    LossyScript,          // A Big5 step turned characters the target code page lacks into "?".
    Unconverted,          // The output encoding could not take the text: the text's own bytes
                          // were written behind the byte-order mark.
    LossyEncode,          // The text is not valid GB18030; the fallback encoder wrote "?" for
                          // the characters it could not read.
    ResultFolderUncreatable, // The folder the output goes into could not be created (the error
                             // number says why); nothing was read or written.
    OutputPathEmpty,         // The output was given an empty path.
    OutputPathInvalid,       // The output's path is not valid GB18030, so it has no native form.
    LinkUnfollowable,        // The output is a symbolic link leading nowhere or into a loop; it is
                             // left alone rather than replaced or written through.
    OutputNotRegular,        // The output's place holds a FIFO, device or socket.
    OutputReadOnly,          // The existing output may not be written by this user.
    OutputUncreatable,       // The temporary file beside the output could not be created (or given
                             // its permissions), or the output's place is a folder.
    OutputUnwritable,        // Writing the output's bytes, or closing its file, failed.
    OutputUnreplaceable,     // Renaming the finished file over the output failed, or the output is
                             // a folder; the earlier output stays as it was.
    NotReached,  // The run was stopped before this file: it was neither read nor written.
    Abandoned,   // The run was stopped while this file was being converted: its output
                 // was not put in place (an earlier output stays as it was).
    OutOfMemory, // Memory ran out while the file was converted: nothing was put in
                 // place, and the run goes on with the next file.
    OutputTaken, // An earlier file of the run, another source, writes the same output:
                 // this one was neither read nor written, and that result stays.
};

// A problem with the system's error number behind it. `error` is 0 for the problems no failed
// call explains (a read-only output, a lossy decode, ...).
struct [[nodiscard]] FileStatus {
    FileProblem problem = FileProblem::None;
    int error = 0;
    std::uint64_t length = 0; // SourceTooLarge: the source's size in bytes
    std::uint64_t offset = 0; // ZeroByteCut: the zero byte's place in the source, from 0
    std::string detail = {};  // ScriptUnavailable: what the library said, in UTF-8; may be empty

    bool ok() const { return problem == FileProblem::None; }
    bool operator==(const FileStatus&) const = default;
};

// True for the problems that leave no text to convert: the source was not read (or, for an
// unrepresentable name or a file a stopped run never reached, never opened; or a stop or a lack
// of memory abandoned it), so there is no new output file either.
bool isSourceProblem(FileProblem problem);

// What a failed call's error number means, in Chinese whatever the locale: "权限不足".
AnsiText describeSystemError(int error);

// A short Chinese description for people, as AnsiText: "无法读取：权限不足". Empty for None.
AnsiText describeProblem(const FileStatus& status);

// The command line's English form, with the system's own error text where a call failed:
// "cannot open: No such file or directory". `sourceEncoding` names the encoding a lossily
// decoded source was read in ("utf8"). Empty for None.
std::string describeProblemInEnglish(const FileStatus& status, std::string_view sourceEncoding);

} // namespace platform

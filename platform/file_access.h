// Reading a file whole and replacing a file safely: sources, outputs and the program's own
// settings alike. A read only ever opens read-only; a replacement is written beside its target
// into a file without a name, or under a hidden temporary one, and put in place when complete,
// so a failed write never destroys an earlier result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/file_descriptor.h"
#include "platform/file_problem.h"

namespace platform {

struct [[nodiscard]] FileContent {
    ByteBuffer bytes; // the whole file; empty on failure
    FileStatus status;
};

// The largest source read into memory by default: a quarter of the physical memory, since a
// conversion holds the content and its converted form at once.
std::uint64_t defaultReadLimit();

// A source opened for reading, after the checks every read of a source makes: it fails, without
// blocking, for a missing or unreadable file, a directory, a FIFO or device. Reads stop at the
// size the file had when it was opened.
class SourceFile {
public:
    explicit SourceFile(const AnsiText& path);

    const FileStatus& status() const { return state; }
    std::uint64_t size() const { return length; }
    // The file's permission bits (its mode & 07777), for outputs that must not be more open.
    unsigned permissions() const { return mode; }
    // Fills `into` from where the last read ended, as far as the file goes; the count read (less
    // than asked only at the end), or -1 once a read has failed (status() says why).
    std::int64_t read(std::span<char> into);
    // Fills `into` from `offset` on, leaving the place of read() alone; threads may call it at
    // once. The count read (less than asked only at the end), or -1 when the read failed.
    std::int64_t readAt(std::uint64_t offset, std::span<char> into) const;

private:
    FileDescriptor file;
    std::uint64_t length = 0;
    std::uint64_t done = 0;
    unsigned mode = 0;
    FileStatus state;
};

// The rest of an opened source read into memory: its whole content when nothing was read from
// it yet. Fails like readWholeFile.
FileContent readWholeFile(SourceFile& source, std::uint64_t limit = defaultReadLimit());

// Reads the whole regular file at `path` (AnsiText) with one read. Fails, without blocking, for
// a missing or unreadable file, a directory, a FIFO or device, and a file larger than `limit`
// bytes or than memory allows.
FileContent readWholeFile(const AnsiText& path, std::uint64_t limit = defaultReadLimit());

// The length of the file at `path` in bytes, or -1 when it cannot be examined.
std::int64_t fileLength(const AnsiText& path);

// fileLength of each path. The files of one folder that follow each other (as a listing gives
// them) are looked up from the folder, opened once, which spares walking the whole path for
// each.
std::vector<std::int64_t> fileLengths(std::span<const AnsiText> paths);

// Named temporary files are ".<target name>.qfx-tmp-XXXXXX" (or ".qfx-tmp-XXXXXX" for long
// names) in the target's folder; anything holding this text was left by an interrupted write.
inline constexpr std::string_view temporaryFileMarker = ".qfx-tmp-";

// A new content for the file at a path, built up in a temporary file and put in place by
// commit(): a new output in a file without a name in the target's folder, which nothing
// outlives (a named one where the file system has none), a replacement in a named one. Dropping
// it without a successful commit removes the temporary file and leaves the target as it was.
// An existing target is replaced only where a plain create-or-truncate would have written: not
// when this user may not write it (OutputReadOnly), nor when it is a folder or other
// non-regular file. A symbolic link is written through: the file it finally leads to is
// replaced, in that file's folder, and the link stays; a link leading nowhere fails.
//
// Given the permission bits of the source the content comes from, the result is never more open
// than the source: a new file gets the source's bits less the umask (as cp gives a copy), an
// existing one keeps only the bits both have. A replaced file keeps its owner and group where
// this user may give them.
class ReplacingFile {
public:
    // Creates the temporary file for `path`; check status() before writing.
    explicit ReplacingFile(const AnsiText& path,
                           std::optional<unsigned> sourcePermissions = std::nullopt);
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();

    const FileStatus& status() const { return state; }
    // Appends bytes; false (with the problem in status()) once anything has failed.
    bool write(std::string_view bytes);
    // Forgets everything written after the first `length` bytes.
    bool truncate(std::uint64_t length);
    // Waits until everything written so far is on the disk, so that a crash after commit()
    // leaves the new content, never an empty file.
    bool syncToDisk();
    // Puts the file in place: an unnamed one is linked in under the target's name (or, when that
    // name was taken meanwhile, under a temporary one renamed over it), a named one is renamed
    // over the target. A file that replaces an existing one is synced first, so a crash cannot
    // trade a good earlier file for an empty one; a new file is not (its folder's file system is
    // synced once by whoever wrote many of them).
    FileStatus commit();

private:
    void fail(FileProblem problem, int error = 0);
    void discard();
    // Links the unnamed file in under the target's name, or under a temporary one beside it
    // when the name was taken meanwhile; false (with the problem in status()) when neither can.
    bool nameUnnamedFile();

    std::string target;    // native path of the target
    std::string temporary; // native path of the temporary file, empty once gone
    int fd = -1;
    bool replacing = false; // the target existed when the file was begun
    bool unnamed = false;   // the file has no name in the folder until commit() links it in
    bool synced = false;    // nothing written since the last sync
    FileStatus state;
};

// Keeps the file at `source` under the name `backup` as well: a hard link to it, or where the
// file system has none, a copy with its permissions, synced to the disk. An existing file of
// that name is never replaced: the backup then takes the first free numbered name
// `source`.~1~, `source`.~2~, ... (up to numberedBackupsMost). The copy is made under a temporary
// name and linked in when complete. Returns 0, or the error number that says why no backup was
// made (EEXIST when every name is taken).
int keepBackup(const AnsiText& source, const AnsiText& backup);
inline constexpr unsigned numberedBackupsMost = 9999;

// Whether a file name is a backup's: it ends in `suffix` (and is more than that), or is a
// numbered backup's NAME.~N~. Runs never take such files as sources.
bool isBackupName(std::string_view name, std::string_view suffix);

// Replaces (or creates) the file at `path` with the concatenation of `parts`, synced to the
// disk before it is put in place: this is for whole small files such as the settings.
FileStatus writeFileReplacing(const AnsiText& path, std::span<const std::string_view> parts);
FileStatus writeFileReplacing(const AnsiText& path, std::string_view bytes);

} // namespace platform

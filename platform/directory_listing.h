// Reads the entries that lie directly inside one folder: the only code in the program that lists
// a directory. Names arrive in the file system's form (UTF-8 on Linux) and leave as AnsiText;
// the wildcard rules of the pattern listing live here too, since they are the system's own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ansi_text.h"

namespace platform {

// What an entry is once symbolic links are followed: a link to a regular file is a File (a
// reader goes through it), a link to a folder is a Folder, and a dangling link, a pipe, a
// socket or a device is Other (reading a pipe would block a batch run for good).
enum class EntryKind { File, Folder, Other };

struct DirectoryEntry {
    // The name without its folder. When `representable` is false the file system's name is no
    // valid UTF-8 (or does not survive the way to GB18030 and back): `name` is then a display
    // form with U+FFFD for each bad byte, fit for a report but never to be opened, since it
    // may spell another file's name.
    AnsiText name;
    EntryKind kind = EntryKind::Other;
    bool representable = true;
    // The entry itself is a symbolic link; `kind` says what it leads to. A walk through a tree
    // enters no linked folder, so a link can neither lead out of the tree nor round in a loop.
    bool link = false;
};

// Whether opening a folder goes through a symbolic link in its last place.
enum class FolderLinks { Follow, Refuse };

// One pass over a folder's entries in the order the system delivers them; "." and ".." are
// never delivered. The folder is closed when the reader goes away.
class DirectoryReader {
public:
    // Opens `folder` (AnsiText, with or without a trailing separator). With FolderLinks::Refuse
    // a folder that is a link does not open, even when it was swapped in after being listed.
    explicit DirectoryReader(const AnsiText& folder, FolderLinks links = FolderLinks::Follow);
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    // False when the folder is missing, is a file, cannot be read, or its path is not GB18030.
    bool isOpen() const;
    // The next entry, or nothing at the end of the listing (a read error also ends it).
    std::optional<DirectoryEntry> next();

private:
    struct Handle;
    std::unique_ptr<Handle> handle;
};

// A file-name pattern by the rules of the system's wildcard listing: letter case is ignored,
// "*" stands for any run of characters and "?" for one character other than a dot, with the
// habits users bring from Windows: "*.*" takes every name, "*." the names without an
// extension, "name.*" also "name" itself, and a "?" before a dot or at the end may match
// nothing ("a?.txt" takes "a.txt"). A
// pattern holding a character that no name may hold there (| < > " : or a path separator,
// which would reach into another folder) is invalid and matches nothing; so is a pattern
// that is not GB18030. Matching works on characters, so a double-byte character whose second
// byte looks like "\" or "|" is just that character.
class WildcardPattern {
public:
    explicit WildcardPattern(const AnsiText& pattern);

    bool valid() const { return isValid; }
    bool matches(const AnsiText& name) const;

private:
    // Stand-ins beyond every code point for the wildcards whose meaning depends on a dot.
    static constexpr char32_t dosStar = 0x110000;     // "*" before a dot: up to the last dot
    static constexpr char32_t dosQuestion = 0x110001; // "?": one character, or none at a dot
    static constexpr char32_t dosDot = 0x110002;      // "." before a wildcard: a dot, or the end

    std::u32string folded;
    bool isValid = false;
    bool everyName = false;
};

// A file-system name the program cannot hold, made readable for a report: every byte that
// starts no well-formed UTF-8 character becomes U+FFFD. Never to be opened.
AnsiText displayName(std::string_view native);

} // namespace platform

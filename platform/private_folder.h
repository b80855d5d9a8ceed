// A folder only this user can enter, for files the program hands to another program (the help
// page a browser opens). A shared temporary folder is never written through a fixed name: the
// folder gets a fresh random name, and every file in it is created new, never through an entry
// that was already there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"

namespace platform {

// Whether `nativeFolder` (the file system's form of a path) is a real folder, not a link, owned
// by this user, that nobody else may enter or change.
bool isPrivateFolder(const std::string& nativeFolder);

class PrivateFolder {
public:
    // Creates "<prefix>XXXXXX", mode 0700, under $XDG_RUNTIME_DIR when that is a private folder
    // of this user, otherwise under $TMPDIR (when absolute) or /tmp. Check valid().
    explicit PrivateFolder(std::string_view prefix);
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    // Removes the files it created, then the folder.
    ~PrivateFolder();

    // False when no folder could be created, or the one created is not private after all.
    bool valid() const { return folderFd >= 0; }
    // The folder, without a trailing separator; empty when not valid.
    const AnsiText& path() const { return ansiFolder; }

    // Creates the file `name` (a plain name) holding `bytes`, mode 0600. False when an entry of
    // that name exists already (it is left as it is), the name is not plain, or the write fails
    // (nothing of it stays).
    bool writeNewFile(std::string_view name, std::string_view bytes);

private:
    int folderFd = -1;
    std::string nativeFolder;
    AnsiText ansiFolder;
    std::vector<std::string> created;
};

} // namespace platform

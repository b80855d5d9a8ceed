// Finding a web browser for a page on disk. A page is never handed to the desktop's opener of
// its file type: that may be this very program (it can convert web pages), which would convert
// the page instead of showing it. The browser is the program the desktop opens web addresses
// with, named by its desktop entry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

namespace ui {

// The program and arguments that the desktop entry `entry` (its text) runs for `page`, a path
// in the file system's form: %f and %F become the path, %u and %U its file address, %% a "%",
// other field codes are dropped; quoting and escapes as desktop entries write them. Empty when
// the entry has no Exec line or no field code that takes a file.
std::vector<std::string> desktopEntryCommand(const QString& entry, const std::string& page);

// The command of the desktop's web browser for `page`: the handler of https (else http)
// addresses as xdg-mime names it, read from its desktop entry in the data folders. Empty when
// none is known, or when that handler is this program's own entry.
std::vector<std::string> desktopWebBrowserCommand(const std::string& page);

// The desktop entry id xdg-mime names as the handler of `type` ("inode/directory"); empty when
// none is named or xdg-mime cannot tell.
QString defaultHandler(const QString& type);

// Whether `program` (a path, or a name looked up in PATH) is the executable at `self`.
bool isSameProgram(const std::string& program, const std::string& self);

} // namespace ui

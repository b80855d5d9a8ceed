#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/editable_file.h"

namespace platform {

AnsiText userConfigFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] == '/')
        return ansiPath(configHome).value_or(AnsiText());
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || home[0] != '/')
        return {};
    const auto folder = ansiPath(home);
    return folder ? *folder + "/.config" : AnsiText();
}

bool isFolderWritable(const AnsiText& folder) {
    const auto native = nativePath(folder);
    if (!native || native->empty())
        return false;
    std::string probe = *native + "/.writable-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool isFileEditable(const AnsiText& path) {
    const auto native = nativePath(path);
    if (!native || native->empty())
        return false;
    // Non-blocking, so that a FIFO in the way cannot stall the start.
    const int fd = ::open(native->c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat status {};
        const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
        ::close(fd);
        return regular;
    }
    if (errno != ENOENT)
        return false;
    // No trail byte of a GB18030 character is a separator, so the last one ends the folder.
    const std::size_t slash = path.rfind(pathSeparator);
    if (slash == AnsiText::npos)
        return isFolderWritable(".");
    return isFolderWritable(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

bool createFolderLevels(const AnsiText& folder) {
    if (folder.empty())
        return false;
    // Every separator after the first byte ends a level; the root itself is never created.
    for (std::size_t at = folder.find(pathSeparator, 1); at != AnsiText::npos;
         at = folder.find(pathSeparator, at + 1)) {
        if (!ensureFolder(folder.substr(0, at)))
            return false;
    }
    return folder.back() == pathSeparator || ensureFolder(folder);
}

} // namespace platform

#include "platform/user_folders.h"

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_scan.h"

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
    if (fd < 0)
        return false;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular;
}

} // namespace platform

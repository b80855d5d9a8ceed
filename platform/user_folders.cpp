#include "platform/user_folders.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "platform/editable_file.h"

namespace platform {

std::optional<AnsiText> executableFolder() {
    std::string target(PATH_MAX, '\0');
    const ssize_t size = ::readlink("/proc/self/exe", target.data(), target.size());
    if (size <= 0 || static_cast<std::size_t>(size) >= target.size())
        return std::nullopt;
    target.resize(static_cast<std::size_t>(size));
    const auto slash = target.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    target.resize(slash == 0 ? 1 : slash);
    return ansiPath(target);
}

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

bool createFolderLevels(const AnsiText& folder) {
    if (folder.empty())
        return false;
    // Every separator after the first byte ends a level; the root itself is never created.
    for (std::size_t at = folder.find(pathSeparator, 1); at != AnsiText::npos;
         at = folder.find(pathSeparator, at + 1)) {
        if (!createFolder(folder.substr(0, at)))
            return false;
    }
    return folder.back() == pathSeparator || createFolder(folder);
}

} // namespace platform

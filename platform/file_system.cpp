#include "platform/file_system.h"

#include <cerrno>
#include <set>
#include <string>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"
#include "platform/path_scan.h"

namespace platform {

bool pathExists(std::string_view path) {
    auto native = nativePath(path);
    struct stat info {};
    return native && !native->empty() && lstat(native->c_str(), &info) == 0;
}

bool isFolder(std::string_view path) {
    auto native = nativePath(path);
    struct stat info {};
    return native && !native->empty() && stat(native->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isSymbolicLink(std::string_view path) {
    auto native = nativePath(path);
    struct stat info {};
    return native && !native->empty() && lstat(native->c_str(), &info) == 0 &&
           S_ISLNK(info.st_mode);
}

namespace {

// makeFolder, telling whether this call made the folder (rather than finding one there).
bool makeFolderLevel(std::string_view path, bool& made) {
    made = false;
    const auto native = nativePath(path);
    if (!native || native->empty())
        return false;
    if (mkdir(native->c_str(), 0777) == 0) {
        made = true;
        return true;
    }
    struct stat info {};
    if (errno != EEXIST)
        return false;
    if (stat(native->c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    errno = ENOTDIR; // a file stands where the folder should be
    return false;
}

} // namespace

bool makeFolder(std::string_view path) {
    bool made = false;
    return makeFolderLevel(path, made);
}

bool syncFileSystemsOf(std::span<const AnsiText> folders) {
    bool synced = true;
    std::set<dev_t> done;
    for (const AnsiText& folder : folders) {
        const auto native = nativePath(folder);
        struct stat info {};
        if (!native || native->empty() || stat(native->c_str(), &info) != 0) {
            synced = false;
            continue;
        }
        if (done.contains(info.st_dev))
            continue;
        const FileDescriptor descriptor(open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (descriptor.get() < 0 || syncfs(descriptor.get()) != 0) {
            synced = false;
            continue;
        }
        done.insert(info.st_dev);
    }
    return synced;
}

bool createFolderPath(std::string_view path, bool* madeLast) {
    bool created = true;
    bool made = false;
    forEachSeparator(path, [&](size_t position) {
        if (!created)
            return;
        made = false;
        const std::string_view prefix = path.substr(0, position);
        if (namesFileSystemRoot(prefix) || pathExists(prefix))
            return;
        created = makeFolderLevel(prefix, made);
    });
    if (madeLast)
        *madeLast = created && made;
    return created;
}

AnsiText executableFolder() {
    std::string buffer(PATH_MAX, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return {};
    buffer.resize(static_cast<size_t>(length));
    auto slash = buffer.rfind('/');
    if (slash == std::string::npos)
        return {};
    buffer.resize(slash);
    return ansiPath(buffer).value_or(AnsiText());
}

AnsiText currentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (!getcwd(buffer.data(), buffer.size()))
        return {};
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return ansiPath(buffer).value_or(AnsiText());
}

} // namespace platform

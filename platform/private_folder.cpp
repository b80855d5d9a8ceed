#include "platform/private_folder.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"

namespace platform {
namespace {

bool isPrivate(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// Where the fresh folder goes: the session's own runtime folder when it is really ours, else
// the temporary folder, which is shared and therefore only ever gets a random new name.
std::string parentFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && isPrivateFolder(runtime))
        return runtime;
    const char* temporary = std::getenv("TMPDIR");
    if (temporary && temporary[0] == '/')
        return temporary;
    return "/tmp";
}

} // namespace

bool isPrivateFolder(const std::string& nativeFolder) {
    struct stat info {};
    return ::lstat(nativeFolder.c_str(), &info) == 0 && isPrivate(info);
}

PrivateFolder::PrivateFolder(std::string_view prefix) {
    std::string pattern = parentFolder();
    while (pattern.size() > 1 && pattern.back() == '/')
        pattern.pop_back();
    pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    // mkdtemp creates the folder new, with mode 0700, or fails.
    if (!::mkdtemp(pattern.data()))
        return;
    nativeFolder = pattern;
    FileDescriptor folder(
        ::open(nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    std::optional<AnsiText> ansiName = ansiPath(nativeFolder);
    if (folder.get() < 0 || ::fstat(folder.get(), &info) != 0 || !isPrivate(info) || !ansiName) {
        ::rmdir(nativeFolder.c_str());
        nativeFolder.clear();
        return;
    }
    folderFd = folder.release();
    ansiFolder = std::move(*ansiName);
}

PrivateFolder::~PrivateFolder() {
    if (folderFd < 0)
        return;
    for (const std::string& name : created)
        ::unlinkat(folderFd, name.c_str(), 0);
    ::close(folderFd);
    ::rmdir(nativeFolder.c_str());
}

bool PrivateFolder::writeNewFile(std::string_view name, std::string_view bytes) {
    if (folderFd < 0 || name.empty() || name == "." || name == ".." ||
        name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return false;
    const auto native = nativePath(name);
    if (!native)
        return false;
    // Relative to the folder's own handle, so a renamed or replaced path cannot redirect it.
    FileDescriptor file(::openat(folderFd, native->c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return false;
    const bool written = writeAll(file.get(), bytes);
    const bool closed = ::close(file.release()) == 0;
    if (!written || !closed) {
        ::unlinkat(folderFd, native->c_str(), 0);
        return false;
    }
    created.push_back(*native);
    return true;
}

} // namespace platform

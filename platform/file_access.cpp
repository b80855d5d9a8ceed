#include "platform/file_access.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"
#include "platform/path_scan.h"
#include "platform/real_path.h"

namespace platform {

namespace {

// The process's umask, read once: reading it means setting it, which other threads must not
// see, and nothing here changes it.
mode_t creationMask() {
    static const mode_t mask = [] {
        const mode_t was = umask(022);
        umask(was);
        return was;
    }();
    return mask;
}

// Sources are read in pieces of this size.
constexpr std::size_t readPiece = std::size_t{256} << 10;

// Names longer than this leave no room for the temporary suffix within the usual name limit.
constexpr std::size_t maxNameForTemporary = 255 - 1 - 16;

// The folder part of a native path, with its final slash ("" for a bare name).
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The mkostemp pattern of a temporary file beside `target`: ".<name>.qfx-tmp-XXXXXX".
std::string temporaryPatternFor(const std::string& target) {
    const std::string folder = folderOf(target);
    const std::string_view name = std::string_view(target).substr(folder.size());
    std::string pattern = folder + ".";
    if (name.size() <= maxNameForTemporary)
        pattern += name;
    pattern += std::string(temporaryFileMarker) + "XXXXXX";
    return pattern;
}

// A new file without a name in `folder`, with the permissions a plain create gives (the umask or
// the folder's default ACL applied by the system), or -1 where the file system cannot make one.
// Where the kernel does not let a process link in its own unnamed file directly, it is linked
// through /proc; without /proc it is not made at all.
// `mode` is given as to a plain create: the umask applies.
int openUnnamedFile(const std::string& folder, mode_t mode) {
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    if (!linkable)
        return -1;
    return ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// Whether a direct link of an unnamed file may be tried: older kernels refuse it (ENOENT) to
// processes without CAP_DAC_READ_SEARCH. Forgotten once a refusal was followed by a link
// through /proc that worked.
std::atomic<bool> directLinkAllowed{true};

// Gives the unnamed file open at `fd` the name `path`; 0 or the error (EEXIST when it is taken).
int linkUnnamedFile(int fd, const std::string& path) {
    // The direct link spares resolving the /proc entry, a good part of the cost of a link.
    if (directLinkAllowed.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT)
            return errno;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return errno;
    directLinkAllowed.store(false, std::memory_order_relaxed);
    return 0;
}

// A name for a new entry beside `target` that nothing holds yet, or empty with errno set.
std::string freeNameBeside(const std::string& target) {
    std::string pattern = temporaryPatternFor(target);
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    ::unlink(pattern.c_str()); // only its name was wanted
    return pattern;
}

} // namespace

std::uint64_t defaultReadLimit() {
    // Asked once: every source of a run is checked against it.
    static const std::uint64_t limit = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGE_SIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::numeric_limits<std::uint64_t>::max();
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 4;
    }();
    return limit;
}

SourceFile::SourceFile(const AnsiText& path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native) {
        state = {platform::problems::SourcePathInvalid};
        return;
    }
    // Non-blocking, so that a FIFO given as a source cannot stall the run before it is refused.
    FileDescriptor opened(::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (opened.get() < 0)
        state = {platform::problems::SourceUnopenable, errno};
    else if (fstat(opened.get(), &info) != 0)
        state = {platform::problems::SourceUnreadable, errno};
    else if (S_ISDIR(info.st_mode))
        state = {platform::problems::SourceUnreadable, EISDIR};
    else if (!S_ISREG(info.st_mode))
        state = {platform::problems::SourceNotRegular};
    if (!state.ok())
        return;
    length = static_cast<std::uint64_t>(info.st_size);
    mode = static_cast<unsigned>(info.st_mode & 07777);
    file = std::move(opened);
}

std::int64_t SourceFile::read(std::span<char> into) {
    if (!state.ok())
        return -1;
    std::size_t got = 0;
    while (got < into.size() && done < length) {
        const std::size_t wanted = std::min<std::uint64_t>(into.size() - got, length - done);
        const ssize_t count = ::read(file.get(), into.data() + got, wanted);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            state = {platform::problems::SourceUnreadable, errno};
            return -1;
        }
        if (count == 0) {
            length = done; // the file shrank since it was opened
            break;
        }
        got += static_cast<std::size_t>(count);
        done += static_cast<std::uint64_t>(count);
    }
    return static_cast<std::int64_t>(got);
}

std::int64_t SourceFile::readAt(std::uint64_t offset, std::span<char> into) const {
    if (!state.ok())
        return -1;
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t count = ::pread(file.get(), into.data() + got, into.size() - got,
                                      static_cast<off_t>(offset + got));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        got += static_cast<std::size_t>(count);
    }
    return static_cast<std::int64_t>(got);
}

FileContent readWholeFile(const AnsiText& path, std::uint64_t limit) {
    SourceFile source(path);
    return readWholeFile(source, limit);
}

FileContent readWholeFile(SourceFile& source, std::uint64_t limit) {
    FileContent result;
    auto failWith = [&result](FileStatus status) {
        result.status = std::move(status);
        result.bytes = ByteBuffer();
        return std::move(result);
    };
    if (!source.status().ok())
        return failWith(source.status());
    const std::uint64_t size = source.size();
    if (size > limit || size > result.bytes.max_size())
        return failWith({platform::problems::SourceTooLarge, 0, size});
    try {
        result.bytes.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return failWith({platform::problems::SourceTooLarge, 0, size});
    }
    // Read through a small buffer that stays in the cache and appended to the reserved room: the
    // content is written into fresh memory once, instead of being zero-filled first.
    thread_local std::unique_ptr<char[]> scratch(new char[readPiece]);
    for (;;) {
        const std::int64_t got = source.read({scratch.get(), readPiece});
        if (got < 0)
            return failWith(source.status());
        if (got == 0)
            break;
        result.bytes.append(scratch.get(), static_cast<std::size_t>(got));
    }
    return result;
}

std::int64_t fileLength(const AnsiText& path) {
    const std::optional<std::string> native = nativePath(path);
    struct stat info {};
    if (!native || ::stat(native->c_str(), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::vector<std::int64_t> fileLengths(std::span<const AnsiText> paths) {
    std::vector<std::int64_t> lengths(paths.size(), -1);
    AnsiText folder;
    FileDescriptor opened; // `folder`, when it could be opened
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const AnsiText within = directoryOfPath(paths[i]);
        if (within.empty()) { // no folder, or the root: the whole path
            lengths[i] = fileLength(paths[i]);
            continue;
        }
        if (within != folder) {
            folder = within;
            const std::optional<std::string> native = nativePath(folder);
            opened = FileDescriptor(
                native ? ::open(native->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
        }
        if (opened.get() < 0) {
            lengths[i] = fileLength(paths[i]);
            continue;
        }
        const std::optional<std::string> name = nativePath(fileNameOfPath(paths[i]));
        struct stat info {};
        if (name && !name->empty() && ::fstatat(opened.get(), name->c_str(), &info, 0) == 0)
            lengths[i] = static_cast<std::int64_t>(info.st_size);
    }
    return lengths;
}

ReplacingFile::ReplacingFile(const AnsiText& path, std::optional<unsigned> sourcePermissions) {
    const std::optional<std::string> native = nativePath(path);
    if (path.empty() || !native) {
        fail(path.empty() ? platform::problems::OutputPathEmpty
                          : platform::problems::OutputPathInvalid);
        return;
    }
    target = *native;
    struct stat info {};
    bool exists = ::lstat(target.c_str(), &info) == 0;
    if (exists && S_ISLNK(info.st_mode)) {
        // The link stays; the file it finally leads to is replaced, in that file's own folder.
        // A link leading nowhere (or in a loop) is left alone: creating a file at the place it
        // names could put the output anywhere, replacing the link would lose it.
        std::optional<std::string> resolved = realNativePath(target);
        if (!resolved) {
            fail(platform::problems::LinkUnfollowable, errno);
            return;
        }
        target = std::move(*resolved);
        exists = ::stat(target.c_str(), &info) == 0;
    }
    if (exists && S_ISDIR(info.st_mode)) {
        fail(platform::problems::OutputUnreplaceable, EISDIR);
        return;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        fail(platform::problems::OutputNotRegular);
        return;
    }
    // The rename needs only the folder's permission; the target's own must still count, as for
    // a plain create-or-truncate (with the effective ids, as open checks them).
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fail(platform::problems::OutputReadOnly);
        return;
    }
    const std::string folder = folderOf(target);
    if (folder.size() == target.size()) {
        fail(platform::problems::OutputUncreatable, EISDIR);
        return;
    }
    // A new output is written into a file that has no name until commit() links it in: nothing
    // to remove when it is given up or the process dies, and one change to the folder instead
    // of a create and a rename. Where the file system cannot, a named temporary file serves.
    // Private text stays private: nothing the source's bits do not open is opened.
    const mode_t createMode = sourcePermissions ? (*sourcePermissions & 0777) : 0666;
    if (!exists) {
        fd = openUnnamedFile(folder, createMode);
        if (fd >= 0) {
            unnamed = true;
            return;
        }
    }
    std::string pattern = temporaryPatternFor(target);
    fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(platform::problems::OutputUncreatable, errno);
        return;
    }
    temporary = pattern;
    replacing = exists;
    // An existing target keeps its permissions (those the source has too); a new one gets what
    // a plain create would give.
    mode_t mode = exists ? static_cast<mode_t>(info.st_mode & 07777) : createMode & ~creationMask();
    if (exists && sourcePermissions)
        mode &= static_cast<mode_t>(*sourcePermissions | 07000);
    // Only the owner or a privileged user can give a file away; anyone else's replacement is
    // theirs (with the group kept where it can be), as any new file is, without set-id bits.
    if (exists && (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) &&
        ::fchown(fd, info.st_uid, info.st_gid) != 0) {
        (void)::fchown(fd, static_cast<uid_t>(-1), info.st_gid);
        mode &= 0777;
    }
    if (fchmod(fd, mode) != 0)
        fail(platform::problems::OutputUncreatable, errno);
}

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::fail(FileProblem problem, int error) {
    if (state.ok())
        state = {problem, error};
    discard();
}

void ReplacingFile::discard() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    temporary.clear();
}

bool ReplacingFile::write(std::string_view bytes) {
    if (!state.ok())
        return false;
    if (!writeAll(fd, bytes)) {
        fail(platform::problems::OutputUnwritable, errno);
        return false;
    }
    synced = synced && bytes.empty();
    return true;
}

bool ReplacingFile::truncate(std::uint64_t length) {
    if (!state.ok())
        return false;
    if (::ftruncate(fd, static_cast<off_t>(length)) != 0 ||
        ::lseek(fd, static_cast<off_t>(length), SEEK_SET) < 0) {
        fail(platform::problems::OutputUnwritable, errno);
        return false;
    }
    synced = false;
    return true;
}

bool ReplacingFile::syncToDisk() {
    if (!state.ok())
        return false;
    if (::fsync(fd) != 0) {
        fail(platform::problems::OutputUnwritable, errno);
        return false;
    }
    synced = true;
    return true;
}

FileStatus ReplacingFile::commit() {
    if (replacing && !synced)
        (void)syncToDisk();
    if (!state.ok())
        return state;
    if (unnamed && !nameUnnamedFile())
        return state;
    const int descriptor = fd;
    fd = -1;
    if (::close(descriptor) != 0) {
        const int error = errno;
        if (unnamed && temporary.empty())
            ::unlink(target.c_str()); // linked in whole; a failed write must not stay there
        fail(platform::problems::OutputUnwritable, error);
        return state;
    }
    if (temporary.empty())
        return state;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        fail(platform::problems::OutputUnreplaceable, errno);
        return state;
    }
    temporary.clear();
    return state;
}

bool ReplacingFile::nameUnnamedFile() {
    int error = linkUnnamedFile(fd, target);
    if (error == 0)
        return true;
    // The name was taken since the file was begun: a temporary name beside it, renamed over it
    // as a replacement is. A free name can be taken again before the link; a few tries suffice.
    for (int tries = 0; error == EEXIST && tries < 8; ++tries) {
        std::string name = freeNameBeside(target);
        if (name.empty()) {
            error = errno;
            break;
        }
        error = linkUnnamedFile(fd, name);
        if (error == 0)
            temporary = std::move(name);
    }
    if (error == 0)
        return true;
    fail(platform::problems::OutputUnreplaceable, error);
    return false;
}

namespace {

// A copy of the open file `from` at the new path `to` with `mode`, synced; 0 or the error.
int copyInto(int from, const std::string& to, mode_t mode) {
    const FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return errno;
    std::unique_ptr<char[]> buffer(new char[readPiece]);
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(from, buffer.get(), readPiece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            break;
        }
        if (got == 0)
            break;
        if (!writeAll(out.get(), {buffer.get(), static_cast<std::size_t>(got)})) {
            error = errno;
            break;
        }
    }
    if (error == 0 && (::fchmod(out.get(), mode) != 0 || ::fsync(out.get()) != 0))
        error = errno;
    return error;
}

} // namespace

int keepBackup(const AnsiText& source, const AnsiText& backup) {
    const std::optional<std::string> from = nativePath(source);
    const std::optional<std::string> to = nativePath(backup);
    if (!from || !to || from->empty() || to->empty() || *from == *to)
        return EINVAL;
    const std::string temporary = freeNameBeside(*to);
    if (temporary.empty())
        return errno;
    if (::link(from->c_str(), temporary.c_str()) != 0) {
        const int linkError = errno;
        // Only a file system without hard links is worth a copy; any other failure would meet
        // the copy too.
        if (linkError != EPERM && linkError != EMLINK && linkError != EXDEV &&
            linkError != EOPNOTSUPP)
            return linkError;
        const FileDescriptor in(::open(from->c_str(), O_RDONLY | O_CLOEXEC));
        struct stat info {};
        if (in.get() < 0 || ::fstat(in.get(), &info) != 0)
            return errno;
        if (const int error = copyInto(in.get(), temporary, info.st_mode & 07777); error != 0) {
            ::unlink(temporary.c_str());
            return error;
        }
    }
    // A link never replaces what has the name: an existing backup stays, and the next free
    // numbered name takes the new one.
    int error = 0;
    for (unsigned number = 0; number <= numberedBackupsMost; ++number) {
        const std::string name = number == 0 ? *to : *from + ".~" + std::to_string(number) + "~";
        error = ::link(temporary.c_str(), name.c_str()) != 0 ? errno : 0;
        if (error != EEXIST)
            break;
    }
    ::unlink(temporary.c_str());
    return error;
}

bool isBackupName(std::string_view name, std::string_view suffix) {
    if (!suffix.empty() && name.size() > suffix.size() && name.ends_with(suffix))
        return true;
    // NAME.~N~
    if (name.size() < 5 || !name.ends_with('~'))
        return false;
    std::size_t digits = name.size() - 1;
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    return digits < name.size() - 1 && digits >= 3 && name.substr(digits - 2, 2) == ".~";
}

FileStatus writeFileReplacing(const AnsiText& path, std::span<const std::string_view> parts) {
    ReplacingFile file(path);
    for (std::string_view part : parts)
        if (!file.write(part))
            break;
    (void)file.syncToDisk();
    return file.commit();
}

FileStatus writeFileReplacing(const AnsiText& path, std::string_view bytes) {
    const std::string_view parts[] = {bytes};
    return writeFileReplacing(path, parts);
}

} // namespace platform

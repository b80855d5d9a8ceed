// Runs a piece of a test as an ordinary account. The suite runs as root, whom permission bits do
// not stop; under root the piece runs in a child process switched to "nobody", otherwise as the
// current user. Files the piece must own are handed over first. A piece that needs threads a
// fork does not copy (a toolkit's window) binds the current thread to permission bits instead.
#pragma once

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

class UnprivilegedUser {
public:
    UnprivilegedUser() {
        if (::geteuid() != 0)
            return;
        const passwd* account = ::getpwnam("nobody");
        if (!account)
            return;
        uid = account->pw_uid;
        gid = account->pw_gid;
        available = true;
    }

    // False only for root on a system without the account "nobody".
    bool usable() const { return available || ::geteuid() != 0; }

    // Gives `path` (not following a link) to the account, so that its mode bits apply to it.
    void handOver(const std::filesystem::path& path) const {
        if (available)
            (void)::lchown(path.c_str(), uid, gid);
    }

    // The text `piece` returns, computed as the account; nothing when the child failed.
    std::optional<std::string> run(const std::function<std::string()>& piece) const {
        if (!available)
            return piece();
        int channel[2];
        if (::pipe(channel) != 0)
            return std::nullopt;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(2);
            const std::string answer = piece();
            const bool sent = ::write(channel[1], answer.data(), answer.size()) ==
                              static_cast<ssize_t>(answer.size());
            ::_exit(sent ? 0 : 3);
        }
        ::close(channel[1]);
        std::string answer;
        char buffer[4096];
        for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            answer.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(channel[0]);
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            return std::nullopt;
        return answer;
    }

private:
    bool available = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// While it lives, the calling thread lacks the capabilities that let root pass over permission
// bits (reading, searching, writing, owning), so that root meets those bits as any owner does.
// Other threads keep theirs; for other accounts it changes nothing.
class PermissionBitsBind {
public:
    PermissionBitsBind() {
        if (::geteuid() != 0)
            return;
        header.version = _LINUX_CAPABILITY_VERSION_3;
        header.pid = 0;
        if (::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        for (const unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        dropped = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~PermissionBitsBind() {
        if (dropped)
            (void)::syscall(SYS_capset, &header, saved);
    }
    PermissionBitsBind(const PermissionBitsBind&) = delete;
    PermissionBitsBind& operator=(const PermissionBitsBind&) = delete;

    // False only for root when the capabilities could not be dropped.
    bool binding() const { return dropped || ::geteuid() != 0; }

private:
    __user_cap_header_struct header{};
    __user_cap_data_struct saved[2]{};
    bool dropped = false;
};

} // namespace platform::testing

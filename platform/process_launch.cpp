#include "platform/process_launch.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_descriptor.h"

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool startsDoubleByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// Appends the character at i (one or two bytes) and returns the index after it.
size_t copyCharacter(std::string_view text, size_t i, std::string& out) {
    out += text[i];
    if (startsDoubleByte(text[i]) && i + 1 < text.size())
        out += text[++i];
    return i + 1;
}

// The program name: quotes group, nothing escapes. Returns the index after it.
size_t splitProgramName(std::string_view line, size_t i, std::string& out) {
    bool quoted = false;
    while (i < line.size() && (quoted || !isBlank(line[i]))) {
        if (line[i] == '"') {
            quoted = !quoted;
            ++i;
        } else {
            i = copyCharacter(line, i, out);
        }
    }
    return i;
}

// One argument after the program name. Returns the index after it.
size_t splitArgument(std::string_view line, size_t i, std::string& out) {
    bool quoted = false;
    while (i < line.size()) {
        size_t backslashes = 0;
        while (i < line.size() && line[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i < line.size() && line[i] == '"') {
            out.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                out += '"';
            } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            ++i;
            continue;
        }
        out.append(backslashes, '\\');
        if (i >= line.size() || (!quoted && isBlank(line[i])))
            break;
        i = copyCharacter(line, i, out);
    }
    return i;
}

// In the child only: async-signal-safe calls from here on. Reports a failure as its errno
// through the pipe and ends.
[[noreturn]] void failInChild(int reportFd) {
    int error = errno;
    [[maybe_unused]] ssize_t written = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

[[noreturn]] void execInChild(char* const* argv, int reportFd) {
    // The caller's handlers and blocked signals are not the new program's business.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &defaults, nullptr);
    // Only standard input, output and error are inherited, and the report pipe until exec.
    if (reportFd > 3)
        ::close_range(3, reportFd - 1, 0);
    ::close_range(reportFd + 1, ~0U, 0);
    ::execvp(argv[0], argv);
    failInChild(reportFd);
}

int waitForChild(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (i < commandLine.size() && isBlank(commandLine[i]))
        ++i;
    if (i == commandLine.size())
        return arguments;
    arguments.emplace_back();
    i = splitProgramName(commandLine, i, arguments.back());
    while (true) {
        while (i < commandLine.size() && isBlank(commandLine[i]))
            ++i;
        if (i == commandLine.size())
            break;
        arguments.emplace_back();
        i = splitArgument(commandLine, i, arguments.back());
    }
    return arguments;
}

LaunchResult startProcess(const std::vector<std::string>& arguments, bool wait,
                          [[maybe_unused]] int showState) {
    LaunchResult result;
    if (arguments.empty() || arguments[0].empty()) {
        result.error = ENOENT;
        return result;
    }
    // Built before fork: the child may not allocate.
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The exec closes the write end; an empty read therefore means the program is running.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        result.error = errno;
        return result;
    }
    FileDescriptor reportRead(ends[0]);
    FileDescriptor reportWrite(ends[1]);

    pid_t child = ::fork();
    if (child < 0) {
        result.error = errno;
        return result;
    }
    if (child == 0) {
        ::close(reportRead.get());
        if (!wait) {
            // A grandchild that nobody waits for is adopted by init and never stays a zombie.
            pid_t grandchild = ::fork();
            if (grandchild < 0)
                failInChild(reportWrite.get());
            if (grandchild > 0)
                ::_exit(0);
        }
        execInChild(argv.data(), reportWrite.get());
    }
    reportWrite.reset();

    int childError = 0;
    ssize_t got;
    do {
        got = ::read(reportRead.get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);

    int status = waitForChild(child);
    if (got > 0) {
        result.error = childError != 0 ? childError : ECHILD;
        return result;
    }
    result.started = true;
    if (wait)
        result.exitStatus = status;
    return result;
}

} // namespace platform

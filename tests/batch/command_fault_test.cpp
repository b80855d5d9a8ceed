// The command-line converter as a process meeting faults it cannot catch in-process: killed in
// the middle of a large output, a file-size or address-space limit, a pipe given as a file,
// hostile names on its command line. Every case ends with the sources byte-identical. Also the
// workers "--jobs" gives it, counted by the kernel.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_access.h"
#include "tests/platform/temp_folder.h"

namespace fs = std::filesystem;
using platform::testing::readBytes;
using platform::testing::temporaryFiles;

namespace {

// The size of the largest output the process `pid` is writing into `folder`: an unnamed file
// there, or a hidden temporary one; 0 when it writes none.
std::uintmax_t outputInHand(pid_t pid, const fs::path& folder) {
    const fs::path wanted = folder.has_filename() ? folder : folder.parent_path();
    std::uintmax_t largest = 0;
    std::error_code gone; // closed meanwhile
    const fs::path descriptors = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : fs::directory_iterator(descriptors, gone)) {
        const fs::path target = fs::read_symlink(entry.path(), gone);
        if (gone || target.parent_path() != wanted)
            continue;
        const std::string name = target.filename().string();
        if (name.starts_with("#") || name.find(".qfx-tmp-") != std::string::npos) {
            const std::uintmax_t size = fs::file_size(entry.path(), gone);
            largest = gone ? largest : std::max(largest, size);
        }
    }
    return largest;
}

// The sanitizers' runtimes reserve more address space than the memory limit test allows.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool addressReservingSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool addressReservingSanitizer = true;
#else
constexpr bool addressReservingSanitizer = false;
#endif
#else
constexpr bool addressReservingSanitizer = false;
#endif

const std::string gbkHello = "\xC4\xE3\xBA\xC3"; // 你好
const std::string resultName = "转换结果";

std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = readBytes(entry.path());
    return files;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

struct Limits {
    std::optional<rlim_t> fileSize;
    std::optional<rlim_t> addressSpace;
    int standardOutput = -1; // a descriptor to write to instead of the output file
};

struct Finished {
    bool exited = false; // false: killed by a signal (or by us after the deadline)
    int status = -1;     // exit status, or the signal
    std::string out;
    std::string err;
};

class Converter {
public:
    Converter(const fs::path& folder, std::vector<std::string> arguments, Limits limits = {})
        : outPath(folder / ".converter.out"), errPath(folder / ".converter.err") {
        std::vector<std::string> argv{QFX_BATCH_BINARY};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        pid = fork();
        if (pid != 0)
            return;
        // The child: limits, then the converter with its output in files and the folder as its
        // working folder, so that relative names stay relative.
        if (limits.fileSize) {
            signal(SIGXFSZ, SIG_IGN); // kept across exec: writes fail with EFBIG instead
            const rlimit limit{*limits.fileSize, *limits.fileSize};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (limits.addressSpace) {
            const rlimit limit{*limits.addressSpace, *limits.addressSpace};
            setrlimit(RLIMIT_AS, &limit);
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 ||
            dup2(limits.standardOutput < 0 ? out : limits.standardOutput, 1) < 0 ||
            dup2(err, 2) < 0 || chdir(folder.c_str()) != 0)
            _exit(125);
        std::vector<char*> raw;
        for (std::string& argument : argv)
            raw.push_back(argument.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(126);
    }
    ~Converter() {
        if (pid > 0 && !reaped) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    bool running() {
        if (reaped)
            return false;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid)
            return true;
        record(status);
        return false;
    }

    void kill9() {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        record(status);
    }

    // Waits up to `seconds`, then kills: a converter that hangs shows as killed by SIGKILL.
    Finished finish(int seconds = 120) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!reaped)
            kill9();
        result.out = readBytes(outPath);
        result.err = readBytes(errPath);
        return result;
    }

    pid_t pid = -1;

private:
    void record(int status) {
        reaped = true;
        result.exited = WIFEXITED(status);
        result.status = result.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    }

    fs::path outPath, errPath;
    bool reaped = false;
    Finished result;
};

class CommandFault : public testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        root = fs::temp_directory_path() /
               ("qfx_command_fault_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream(root / name, std::ios::binary) << bytes;
        return root / name;
    }
    // GBK text of at least `size` bytes.
    static std::string largeText(std::size_t size) {
        std::string text;
        const std::string line = gbkHello + " 0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
        text.reserve(size + line.size());
        while (text.size() < size)
            text += line;
        return text;
    }
    // The sources as they were, compared after the run, excluding the converter's own output.
    std::map<std::string, std::string> sources() const {
        auto files = snapshot(root);
        files.erase(".converter.out");
        files.erase(".converter.err");
        return files;
    }
    fs::path result(const std::string& name = {}) const { return root / resultName / name; }

    fs::path root;
};

// SIGKILL while the converter writes a large output: the earlier output of that name survives
// whole, the partial file is a hidden temporary one that no run takes for a result, and the
// next run of that name converts it and clears the leftover.
TEST_F(CommandFault, killedInTheMiddleOfALargeOutput) {
    write("large.txt", largeText(96u << 20));
    fs::create_directory(result());
    std::ofstream(result("large.txt"), std::ios::binary) << "earlier";
    const auto before = sources();

    {
        Converter converter(root, {"--out", "utf16be", "large.txt"});
        bool caught = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!caught && converter.running() && std::chrono::steady_clock::now() < deadline) {
            for (const std::string& name : temporaryFiles(result())) {
                std::error_code ignored;
                if (fs::file_size(result(name), ignored) > (1u << 20))
                    caught = true;
            }
            if (!caught)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!caught)
            GTEST_SKIP() << "the converter finished before it could be killed mid-write";
        converter.kill9();
    }
    EXPECT_EQ(readBytes(result("large.txt")), "earlier");
    const std::vector<std::string> left = temporaryFiles(result());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with(".large.txt.qfx-tmp-")) << left[0];

    Finished next = Converter(root, {"--out", "utf16be", "large.txt"}).finish();
    EXPECT_TRUE(next.exited);
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    // Each 44-byte line holds 42 characters, two bytes each in UTF-16, behind a 2-byte mark.
    EXPECT_EQ(fs::file_size(result("large.txt")), 2 + fs::file_size(root / "large.txt") / 44 * 84)
        << "large.txt was not converted whole";
    EXPECT_TRUE(temporaryFiles(result()).empty());
    EXPECT_EQ(sources(), before);
}

// The disk fills up under a large output (RLIMIT_FSIZE stands in for it): that file fails with
// its reason, its earlier output stays, the run goes on, and the exit status says so.
TEST_F(CommandFault, diskFullFailsOneFileAndTheRunGoesOn) {
    write("large.txt", largeText(8u << 20));
    write("small.txt", gbkHello);
    fs::create_directory(result());
    std::ofstream(result("large.txt"), std::ios::binary) << "earlier";
    const auto before = sources();

    Finished run = Converter(root, {"--out", "utf8", "large.txt", "small.txt"},
                             {.fileSize = 2u << 20, .addressSpace = {}})
                       .finish();

    ASSERT_TRUE(run.exited) << "killed by signal " << run.status;
    EXPECT_EQ(run.status, 1);
    const auto printed = lines(run.out);
    ASSERT_GE(printed.size(), 2u) << run.out;
    EXPECT_NE(printed[0].find("failed: cannot write: File too large"), std::string::npos)
        << printed[0];
    EXPECT_NE(printed[1].find("  ok  "), std::string::npos) << printed[1];
    EXPECT_EQ(readBytes(result("large.txt")), "earlier");
    EXPECT_EQ(readBytes(result("small.txt")), "\xEF\xBB\xBF\xE4\xBD\xA0\xE5\xA5\xBD");
    EXPECT_TRUE(temporaryFiles(result()).empty());
    EXPECT_EQ(sources(), before);
}

// A source larger than the memory the process may have fails cleanly and the next one converts.
TEST_F(CommandFault, sourceLargerThanTheMemoryAllowedFailsCleanly) {
    if (addressReservingSanitizer)
        GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
    {
        // A sparse gigabyte: it costs no disk, but reading it needs a gigabyte of memory.
        std::ofstream(root / "huge.txt", std::ios::binary) << gbkHello;
        fs::resize_file(root / "huge.txt", 1u << 30);
    }
    write("small.txt", gbkHello);

    Finished run =
        Converter(root, {"huge.txt", "small.txt"}, {.fileSize = {}, .addressSpace = 512u << 20})
            .finish();

    ASSERT_TRUE(run.exited) << "killed by signal " << run.status << "\n" << run.err;
    EXPECT_EQ(run.status, 1);
    const auto printed = lines(run.out);
    ASSERT_GE(printed.size(), 2u) << run.out;
    EXPECT_NE(printed[0].find("failed: too large for memory"), std::string::npos) << printed[0];
    EXPECT_NE(printed[1].find("  ok  "), std::string::npos) << printed[1];
    EXPECT_FALSE(fs::exists(result("huge.txt")));
    EXPECT_EQ(fs::file_size(root / "huge.txt"), 1u << 30);
}

TEST_F(CommandFault, pipeGivenAsAFileDoesNotHang) {
    ASSERT_EQ(mkfifo((root / "pipe.txt").c_str(), 0600), 0);
    write("after.txt", gbkHello);

    Finished run = Converter(root, {"pipe.txt", "after.txt"}).finish(60);

    ASSERT_TRUE(run.exited) << "the converter hung on the pipe";
    EXPECT_EQ(run.status, 1);
    const auto printed = lines(run.out);
    ASSERT_GE(printed.size(), 2u) << run.out;
    EXPECT_NE(printed[0].find("failed: cannot read: not a regular file"), std::string::npos);
    EXPECT_NE(printed[1].find("  ok  "), std::string::npos);
}

// Names that look like options, hold line breaks, escapes or shell syntax, or are no UTF-8:
// each is one line of output, converted or failed with its reason, and nothing they name runs.
TEST_F(CommandFault, hostileNamesOnTheCommandLine) {
    const std::vector<std::string> names{
        "-rf.txt",    "--in", "two\nlines.txt", "esc\x1b]0;x\a.txt", "$(touch pwned).txt",
        "back\\n.txt"};
    for (const std::string& name : names)
        write(name, gbkHello + name);
    write("bad\xFF.txt", gbkHello);
    const auto before = sources();

    std::vector<std::string> arguments{"--out", "utf8", "--"};
    arguments.insert(arguments.end(), names.begin(), names.end());
    arguments.push_back("bad\xFF.txt");
    Finished run = Converter(root, arguments).finish();

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const auto printed = lines(run.out);
    ASSERT_GE(printed.size(), names.size() + 1) << run.out;
    // The unrepresentable name is reported first, under its display form.
    EXPECT_NE(printed[0].find("failed: name cannot be represented"), std::string::npos);
    EXPECT_NE(printed[0].find("bad\xEF\xBF\xBD.txt"), std::string::npos);
    const std::vector<std::string> shown{
        "-rf.txt",      "--in", "two\\nlines.txt", "esc\\x1b]0;x\\x07.txt", "$(touch pwned).txt",
        "back\\\\n.txt"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(shown[i]);
        EXPECT_NE(printed[i + 1].find("  ok  "), std::string::npos) << printed[i + 1];
        EXPECT_TRUE(printed[i + 1].ends_with("/" + shown[i])) << printed[i + 1];
        EXPECT_EQ(readBytes(result(names[i])), "\xEF\xBB\xBF\xE4\xBD\xA0\xE5\xA5\xBD" + names[i]);
    }
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "an escape reached the terminal";
    EXPECT_FALSE(fs::exists(root / "pwned"));
    EXPECT_EQ(sources(), before);
}

TEST_F(CommandFault, hostileNamesInAFolderRun) {
    const std::vector<std::string> names{"-x.txt", "a\nb.txt", std::string(251, 'z') + ".txt",
                                         "sp ace's \"q\".txt"};
    for (const std::string& name : names)
        write(name, gbkHello);
    const auto before = sources();

    Finished run = Converter(root, {"--folder", root.string(), "--filter", "*.txt"}).finish();

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto printed = lines(run.out);
    const auto perFile = std::count_if(printed.begin(), printed.end(), [](const std::string& l) {
        return l.starts_with("ansi -> ansi  ok  ");
    });
    EXPECT_EQ(perFile, static_cast<long>(names.size())) << run.out;
    for (const std::string& name : names)
        EXPECT_EQ(readBytes(result(name)), gbkHello) << name;
    EXPECT_EQ(sources(), before);
}

} // namespace

// Ctrl-C, SIGTERM or SIGPIPE while a large file is converted: the lines written so far are
// already in the output file, the file in hand is abandoned with no temporary file left, it and
// the file not reached are named in the report's failures line, and the process ends by the
// signal.
TEST_F(CommandFault, interruptAbandonsTheFileInHandWithAReport) {
    const std::string large = largeText(96u << 20);
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
        SCOPED_TRACE(signal);
        fs::remove_all(result());
        write("a.txt", gbkHello);
        write("large.txt", large);
        write("z.txt", gbkHello);
        const auto before = sources();

        Converter converter(root, {"--out", "utf16be", "a.txt", "large.txt", "z.txt"});
        bool caught = false;
        std::string outBefore;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!caught && converter.running() && std::chrono::steady_clock::now() < deadline) {
            // Only the large file's output counts: on a busy machine the small first file's
            // may be seen too, and a signal then would end the run before the large file.
            caught = outputInHand(converter.pid, result()) > (1u << 20);
            if (caught)
                outBefore = readBytes(root / ".converter.out");
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!caught)
            GTEST_SKIP() << "the converter finished before the signal could reach it";
        kill(converter.pid, signal);
        Finished run = converter.finish();

        EXPECT_TRUE(outBefore.ends_with("/a.txt\n")) << "a written line was not flushed";
        // Ended by the signal itself after the clean-up, so that a shell loop stops too.
        ASSERT_FALSE(run.exited) << "exited with " << run.status;
        EXPECT_EQ(run.status, signal);
        const auto printed = lines(run.out);
        ASSERT_GE(printed.size(), 2u) << run.out;
        EXPECT_TRUE(printed[0].ends_with("  ok  " + (root / "a.txt").string())) << printed[0];
        EXPECT_TRUE(printed[1].ends_with("failed: not converted: the run was stopped during the "
                                         "file (已停止，转换中途放弃，未写入)  " +
                                         (root / "large.txt").string()))
            << printed[1];
        // The summary goes to standard error, after a diagnostic per failed file.
        // A stopped run never says it is done: it says it stopped, and what it got done.
        EXPECT_NE(run.err.find("\n已停止，耗时 "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("：完整转换了 1 个文件，2 个没有转换或未能完整转换\n"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("转换完成"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("\n有 2 个文件未能完整转换：large.txt、z.txt\n"), std::string::npos)
            << run.err;
        EXPECT_TRUE(run.err.ends_with("z.txt\n")) << run.err;
        EXPECT_FALSE(fs::exists(result("large.txt")));
        EXPECT_FALSE(fs::exists(result("z.txt")));
        EXPECT_TRUE(temporaryFiles(result()).empty());
        EXPECT_EQ(sources(), before);
    }
}

// The reader of the converter's output goes away (`| head -3`) while a large file is written:
// the run stops as at Ctrl-C, the file in hand is given up with no temporary file left, and
// the process ends by SIGPIPE. The pipe starts full, so that the first line is written, and
// meets the closed pipe, while the large file is in hand.
TEST_F(CommandFault, closedStandardOutputStopsTheRun) {
    // Small enough that both convert at once within the run's memory budget.
    write("a.txt", largeText(1u << 20));
    write("large.txt", largeText(48u << 20));
    write("z.txt", gbkHello);
    const auto before = sources();
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    (void)fcntl(ends[1], F_SETPIPE_SZ, 4096);
    ASSERT_EQ(fcntl(ends[1], F_SETFL, O_NONBLOCK), 0);
    const std::string filler(4096, '-');
    while (::write(ends[1], filler.data(), filler.size()) > 0) {
    }
    ASSERT_EQ(fcntl(ends[1], F_SETFL, 0), 0); // the converter's writes block again

    Converter converter(root, {"--jobs", "2", "--out", "utf16be", "a.txt", "large.txt", "z.txt"},
                        {.fileSize = {}, .addressSpace = {}, .standardOutput = ends[1]});
    close(ends[1]);
    bool caught = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!caught && converter.running() && std::chrono::steady_clock::now() < deadline) {
        std::error_code gone; // renamed into place meanwhile
        for (const std::string& name : temporaryFiles(result()))
            caught = caught || (name.starts_with(".large.txt.") &&
                                fs::file_size(result(name), gone) > (1u << 20) && !gone);
        if (!caught)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    close(ends[0]);
    if (!caught)
        GTEST_SKIP() << "the large file was not seen in hand";
    Finished run = converter.finish();

    ASSERT_FALSE(run.exited) << "exited with " << run.status << "\n" << run.err;
    EXPECT_EQ(run.status, SIGPIPE);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(fs::exists(result("large.txt")));
    EXPECT_TRUE(temporaryFiles(result()).empty());
    EXPECT_EQ(sources(), before);
}

// "--check" stops as a run does: a signal during its last file gives that file up and ends the
// check with the signal's status; and "--jobs" sets its workers as it sets a run's.
TEST_F(CommandFault, checkStopsWhenToldAndTakesItsWorkers) {
    write("a.txt", gbkHello);
    write("large.txt", largeText(32u << 20));
    std::map<int, long> threadsSeen;
    for (const int jobs : {1, 4}) {
        SCOPED_TRACE(jobs);
        fs::remove(root / ".converter.out"); // the earlier check's lines
        Converter converter(root, {"--check", "--jobs", std::to_string(jobs), "--script", "s2t",
                                   "a.txt", "large.txt"});
        const fs::path tasks = "/proc/" + std::to_string(converter.pid) + "/task";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (threadsSeen[jobs] == 0 && converter.running() &&
               std::chrono::steady_clock::now() < deadline) {
            // The large file is in hand once the first file's line is out.
            if (readBytes(root / ".converter.out").ends_with("/a.txt\n")) {
                std::error_code gone;
                threadsSeen[jobs] =
                    std::distance(fs::directory_iterator(tasks, gone), fs::directory_iterator());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (threadsSeen[jobs] == 0)
            GTEST_SKIP() << "the check finished before the signal could reach it";
        kill(converter.pid, SIGINT);
        Finished run = converter.finish();
        // It ends by the signal, after its clean-up, as a run does.
        ASSERT_FALSE(run.exited) << "exited with " << run.status;
        EXPECT_EQ(run.status, SIGINT);
        EXPECT_EQ(lines(run.out).size(), 1u) << run.out;
    }
    EXPECT_EQ(threadsSeen[4] - threadsSeen[1], 3) << threadsSeen[1] << " with --jobs 1";
}

// "--folder ." names the result folder plainly, and a killed run's leftover in the folder
// scanned is no source.
TEST_F(CommandFault, folderRunFromTheWorkingFolder) {
    write("a.txt", gbkHello);
    write(".a.txt.qfx-tmp-Ab12Z9", "half an output");

    Finished run = Converter(root, {"--folder", ".", "--filter", "*.txt*"}).finish();

    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("转换后的文件保存在这个目录：" + root.string() + "/转换结果/\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(snapshot(result()), (std::map<std::string, std::string>{{"a.txt", gbkHello}}));
}

// "--jobs N" reaches the run: while a large file is written the process holds its own thread and
// N workers, whatever the number of cores.
TEST_F(CommandFault, jobsSetTheWorkersOfTheRun) {
    write("large.txt", largeText(64u << 20));
    std::map<int, long> threadsSeen;
    for (const int jobs : {1, 4}) {
        fs::remove_all(result());
        Converter converter(root,
                            {"--jobs", std::to_string(jobs), "--out", "utf16be", "large.txt"});
        const fs::path tasks = "/proc/" + std::to_string(converter.pid) + "/task";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (threadsSeen[jobs] == 0 && converter.running() &&
               std::chrono::steady_clock::now() < deadline) {
            std::error_code gone; // ended meanwhile
            if (outputInHand(converter.pid, result()) > (1u << 20))
                threadsSeen[jobs] =
                    std::distance(fs::directory_iterator(tasks, gone), fs::directory_iterator());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (threadsSeen[jobs] == 0)
            GTEST_SKIP() << "the converter finished before its threads could be counted";
        converter.kill9();
    }
    // Differences only: a sanitizer's runtime may add a thread of its own to each.
    EXPECT_EQ(threadsSeen[4] - threadsSeen[1], 3) << threadsSeen[1] << " with --jobs 1";
}

#include "platform/process_launch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Arguments = std::vector<std::string>;

struct SplitRow {
    const char* name;
    std::string line;
    Arguments expected;
};

class SplitCommandLineTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitCommandLineTest, SplitsAsWindowsDoes) {
    EXPECT_EQ(platform::splitCommandLine(GetParam().line), GetParam().expected);
}

struct RowName {
    std::string operator()(const testing::TestParamInfo<SplitRow>& row) const {
        return row.param.name;
    }
};

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitCommandLineTest,
    testing::Values(SplitRow{"Empty", "", {}}, SplitRow{"OnlyBlanks", " \t ", {}},
                    SplitRow{"ProgramOnly", "notepad", {"notepad"}},
                    SplitRow{"LeadingAndRepeatedBlanks", "  a   b\tc ", {"a", "b", "c"}},
                    SplitRow{"ExplorerSelect",
                             R"(explorer /n,/select,"/home/u/my docs/a.txt")",
                             {"explorer", "/n,/select,/home/u/my docs/a.txt"}},
                    SplitRow{"QuotedProgramKeepsBackslashes",
                             R"("C:\Program Files\x\\" arg)",
                             {R"(C:\Program Files\x\\)", "arg"}},
                    SplitRow{"QuotesInsideWord", R"(p a"b c"d)", {"p", "ab cd"}},
                    SplitRow{"EvenBackslashesBeforeQuote", R"(p a\\"b c")", {"p", R"(a\b c)"}},
                    SplitRow{"OddBackslashesBeforeQuote", R"(p a\\\"b c)", {"p", R"(a\"b)", "c"}},
                    SplitRow{
                        "BackslashesWithoutQuoteAreLiteral", R"(p C:\a\\b\)", {"p", R"(C:\a\\b\)"}},
                    SplitRow{"DoubledQuoteInsideQuotes", R"(p "a""b c")", {"p", R"(a"b c)"}},
                    SplitRow{"EmptyQuotedArgument", R"(p "" x)", {"p", "", "x"}},
                    SplitRow{"UnclosedQuoteRunsToEnd", R"(p "a b)", {"p", "a b"}},
                    // 0xB0 0x5C is one GB18030 character; its trail byte is no backslash.
                    SplitRow{"TrailByteIsNoEscape", "p \"\xB0\\\" x", {"p", "\xB0\\", "x"}},
                    SplitRow{"TrailByteIsNoBlankInProgram", "\x81\x20 y", {"\x81\x20", "y"}}),
    RowName());

// Runs the program with standard output going to a temporary file and returns what it wrote.
class ProcessOutput {
public:
    ProcessOutput() {
        char name[] = "/tmp/process_launch_testXXXXXX";
        fd = ::mkstemp(name);
        path = name;
    }
    ~ProcessOutput() {
        ::close(fd);
        ::unlink(path.c_str());
    }
    platform::LaunchResult run(const Arguments& arguments, bool wait) {
        std::fflush(stdout);
        int saved = ::dup(1);
        ::dup2(fd, 1);
        platform::LaunchResult result = platform::startProcess(arguments, wait);
        ::dup2(saved, 1);
        ::close(saved);
        return result;
    }
    std::string text() const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

private:
    int fd = -1;
    std::string path;
};

TEST(StartProcess, ArgumentsArriveUnchanged) {
    const std::string hostile = "my file \"quoted\" ;rm -rf / $(id) `id` * 'x' \\ \xE4\xB8\xAD";
    ProcessOutput output;
    platform::LaunchResult result = output.run({"printf", "[%s]\\n", hostile, ""}, true);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(output.text(), "[" + hostile + "]\n[]\n");
}

TEST(StartProcess, WithoutWaitingLeavesNoZombie) {
    ProcessOutput output;
    platform::LaunchResult result = output.run({"/bin/echo", "detached"}, false);
    ASSERT_TRUE(result.started);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (output.text().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(output.text(), "detached\n");
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(StartProcess, MissingProgramIsNotStarted) {
    for (bool wait : {true, false}) {
        platform::LaunchResult result = platform::startProcess({"/nonexistent/program", "x"}, wait);
        EXPECT_FALSE(result.started);
        EXPECT_EQ(result.error, ENOENT);
        result = platform::startProcess({"no-such-program-on-path-qfx"}, wait);
        EXPECT_FALSE(result.started);
    }
    EXPECT_FALSE(platform::startProcess({}, false).started);
}

TEST(StartProcess, ReportsExitStatusWhenWaiting) {
    platform::LaunchResult result = platform::startProcess({"false"}, true);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, 1);
}

TEST(StartProcess, InheritsNoOtherDescriptors) {
    int leaked = ::open("/dev/null", O_RDONLY); // no close-on-exec
    ASSERT_GE(leaked, 0);
    int high = ::dup2(leaked, 57);
    ::close(leaked);
    ASSERT_EQ(high, 57);
    ProcessOutput output;
    ASSERT_TRUE(output.run({"ls", "-1", "/proc/self/fd"}, true).started);
    ::close(high);
    std::istringstream lines(output.text());
    std::vector<std::string> open;
    for (std::string line; std::getline(lines, line);)
        open.push_back(line);
    EXPECT_FALSE(open.empty());
    EXPECT_EQ(std::count(open.begin(), open.end(), "57"), 0);
}

} // namespace

// Batch runs on real folders meeting faults: sources that vanish or are no files, a result folder
// that cannot be written, a disk that fills up part-way, leftovers of a killed run, and names
// that hostile or careless users give files. Every case ends with the sources byte-identical.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/batch_run.h"
#include "batch/folder_scan.h"
#include "platform/file_access.h"
#include "tests/batch/test_window.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"
#include "tests/platform/unprivileged_user.h"

using namespace batch;
using batch::fakes::failedNames;
using batch::fakes::TestWindow;
using platform::ansi;
using platform::AnsiText;
using platform::FileProblem;
using platform::FileStatus;
namespace fs = std::filesystem;
using platform::testing::readBytes;
using platform::testing::temporaryFiles;

namespace {

const std::string gbkHello = "\xC4\xE3\xBA\xC3"; // 你好
const std::string utf8Hello = "\xE4\xBD\xA0\xE5\xA5\xBD";
const std::string utf8Mark = "\xEF\xBB\xBF";
const std::string resultName = "转换结果"; // UTF-8, as the file system holds it

class TempTree {
public:
    TempTree() {
        static int serial = 0;
        root = fs::temp_directory_path() /
               ("qfx_fault_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    ~TempTree() {
        std::error_code ignored;
        fs::permissions(root / resultName, fs::perms::owner_all, ignored);
        fs::remove_all(root, ignored);
    }
    fs::path write(const std::string& name, const std::string& bytes) const {
        fs::path path = root / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    fs::path result(const std::string& name = {}) const { return root / resultName / name; }
    fs::path root;
};

AnsiText ansiPath(const fs::path& path) {
    return *platform::ansiPath(path.string());
}

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// The hash of every regular file directly in a folder, to show that a run changed no source.
std::map<std::string, std::uint64_t> hashFolder(const fs::path& folder) {
    std::map<std::string, std::uint64_t> hashes;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            hashes[entry.path().filename().string()] = fnv1a(readBytes(entry.path()));
    return hashes;
}

// The outcome a run told for `path`; nullptr when none.
const FileOutcome* outcomeOf(const TestWindow& host, const fs::path& path) {
    const AnsiText wanted = ansiPath(path);
    for (const FileOutcome& outcome : host.outcomes)
        if (outcome.sourcePath == wanted)
            return &outcome;
    return nullptr;
}

class BatchFault : public testing::Test {
protected:
    void SetUp() override { host.output = engine::TextEncoding::Utf8; }
    // One worker per core unless `jobs` says otherwise.
    BatchSummary run(const std::vector<fs::path>& paths, int jobs = 0) {
        std::vector<AnsiText> files;
        for (const fs::path& path : paths)
            files.push_back(ansiPath(path));
        host.jobs = jobs;
        return host.run(session, files);
    }
    TempTree tree;
    TestWindow host;
    BatchSession session;
};

TEST_F(BatchFault, sourceDeletedBetweenListingAndReading) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        tree.write(name, gbkHello + name);
    FolderScanResult scan = listFolderByFilter(ansiPath(tree.root), "*.txt");
    ASSERT_EQ(scan.files.size(), 3u);
    fs::remove(tree.root / "b.txt");
    const auto before = hashFolder(tree.root);

    BatchSummary summary = host.run(session, scan.files);

    EXPECT_EQ(summary.converted, 2);
    EXPECT_EQ(failedNames(summary), std::vector<AnsiText>{"b.txt"});
    const FileOutcome* gone = outcomeOf(host, tree.root / "b.txt");
    ASSERT_NE(gone, nullptr);
    EXPECT_EQ(gone->status, (FileStatus{platform::problems::SourceUnopenable, ENOENT}));
    EXPECT_FALSE(fs::exists(tree.result("b.txt")));
    EXPECT_EQ(readBytes(tree.result("c.txt")), utf8Mark + utf8Hello + "c.txt");
    EXPECT_EQ(hashFolder(tree.root), before);
}

TEST_F(BatchFault, sourceDeletedDuringTheRunByAnotherProgram) {
    const fs::path first = tree.write("first.txt", gbkHello);
    const fs::path second = tree.write("second.txt", gbkHello);
    // At the run's first look at its events, before any file is handed to a worker: files are
    // queued ahead of the workers, so a later deletion may come after the file was read.
    host.onPump = [&] {
        if (host.pumpCount == 1)
            fs::remove(second);
        return true;
    };
    BatchSummary summary = run({first, second}, 1);
    EXPECT_EQ(summary.converted, 1);
    EXPECT_EQ(failedNames(summary), std::vector<AnsiText>{"second.txt"});
    EXPECT_TRUE(temporaryFiles(tree.result()).empty());
}

// A folder or a pipe handed over as a source: refused at once, never read (a pipe would block
// the run for good), and the next file still converts.
TEST_F(BatchFault, sourceThatIsAFolderOrAPipeFailsWithoutHanging) {
    fs::create_directory(tree.root / "folder.txt");
    const fs::path pipe = tree.root / "pipe.txt";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const fs::path plain = tree.write("plain.txt", gbkHello);
    const auto before = hashFolder(tree.root);

    alarm(60); // a blocked read ends the test instead of the whole suite's time
    BatchSummary summary = run({plain, tree.root / "folder.txt", pipe, plain});
    alarm(0);

    EXPECT_EQ(summary.converted, 2);
    EXPECT_EQ(failedNames(summary), (std::vector<AnsiText>{"folder.txt", "pipe.txt"}));
    EXPECT_EQ(outcomeOf(host, pipe)->status, FileStatus{platform::problems::SourceNotRegular});
    EXPECT_EQ(outcomeOf(host, tree.root / "folder.txt")->status,
              (FileStatus{platform::problems::SourceUnreadable, EISDIR}));
    EXPECT_FALSE(fs::exists(tree.result("pipe.txt")));
    EXPECT_FALSE(fs::exists(tree.result("folder.txt")));
    EXPECT_EQ(hashFolder(tree.root), before);

    // A folder scan never lists them in the first place.
    FolderScanResult scan = listFolderByFilter(ansiPath(tree.root), "*.*");
    EXPECT_EQ(scan.files, std::vector<AnsiText>{ansiPath(plain)});
}

TEST_F(BatchFault, fileWhereTheResultFolderShouldBe) {
    const fs::path blocker = tree.write(resultName, "not a folder");
    const fs::path a = tree.write("a.txt", gbkHello);
    const fs::path b = tree.write("b.txt", gbkHello);
    const auto before = hashFolder(tree.root);

    BatchSummary summary = run({a, b});

    EXPECT_EQ(summary.converted, 0);
    EXPECT_EQ(failedNames(summary), (std::vector<AnsiText>{"a.txt", "b.txt"}));
    EXPECT_EQ(host.outcomes.at(0).status,
              (FileStatus{batch::problems::ResultFolderUncreatable, ENOTDIR}));
    EXPECT_NE(host.report().find(ansi("有 2 个文件未能完整转换")), std::string::npos);
    EXPECT_EQ(hashFolder(tree.root), before); // the blocking file included
}

// An account that may not write beside its sources is told so, with the folder, and not that
// the source went missing; the report names no folder that does not exist.
TEST_F(BatchFault, resultFolderDeniedNamesItsCause) {
    const platform::testing::UnprivilegedUser user;
    if (!user.usable())
        GTEST_SKIP() << "no account without root's rights";
    const fs::path a = tree.write("a.txt", gbkHello);
    fs::permissions(tree.root, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
    if (geteuid() != 0)
        fs::permissions(tree.root, fs::perms::owner_write, fs::perm_options::remove);
    const std::optional<std::string> told = user.run([&] {
        (void)run({a});
        return platform::describeProblem(host.outcomes.at(0).status) + "|" + host.report();
    });
    fs::permissions(tree.root, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(told.has_value());
    EXPECT_EQ(told->substr(0, told->find('|')), ansi("无法创建输出文件夹：权限不足"));
    EXPECT_NE(
        told->find(ansi("无法创建输出文件夹 ") + ansiPath(tree.root) + ansi("/转换结果：权限不足")),
        std::string::npos)
        << *told;
    EXPECT_EQ(told->find(ansi("保存在")), std::string::npos) << *told;
}

TEST_F(BatchFault, readOnlyResultFolderKeepsEarlierResults) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; outputNameTakenByAFolder covers the path";
    const fs::path a = tree.write("a.txt", gbkHello);
    fs::create_directory(tree.result());
    std::ofstream(tree.result("a.txt"), std::ios::binary) << "earlier";
    fs::permissions(tree.result(), fs::perms::owner_read | fs::perms::owner_exec);

    BatchSummary summary = run({a});

    EXPECT_EQ(failedNames(summary), std::vector<AnsiText>{"a.txt"});
    EXPECT_EQ(readBytes(tree.result("a.txt")), "earlier");
    EXPECT_TRUE(temporaryFiles(tree.result()).empty());
}

// Works as root too: the rename onto a folder fails whatever the permissions.
TEST_F(BatchFault, outputNameTakenByAFolder) {
    const fs::path a = tree.write("a.txt", gbkHello);
    const fs::path b = tree.write("b.txt", gbkHello);
    fs::create_directories(tree.result("a.txt") / "inside");

    BatchSummary summary = run({a, b});

    EXPECT_EQ(summary.converted, 1);
    EXPECT_EQ(failedNames(summary), std::vector<AnsiText>{"a.txt"});
    EXPECT_EQ(outcomeOf(host, a)->status,
              (FileStatus{platform::problems::OutputUnreplaceable, EISDIR}));
    EXPECT_TRUE(fs::is_directory(tree.result("a.txt") / "inside"));
    EXPECT_TRUE(temporaryFiles(tree.result()).empty());
}

// The disk fills up in the middle of a large output: a file-size limit in a child process makes
// the write fail with EFBIG (SIGXFSZ ignored), as a full disk fails it with ENOSPC.
TEST_F(BatchFault, diskFullInTheMiddleOfALargeOutput) {
    std::string big;
    while (big.size() < (4u << 20))
        big += gbkHello + "0123456789\r\n";
    const fs::path large = tree.write("large.txt", big);
    const fs::path small = tree.write("small.txt", gbkHello);
    fs::create_directory(tree.result());
    std::ofstream(tree.result("large.txt"), std::ios::binary) << "earlier";
    const auto before = hashFolder(tree.root);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1u << 20, 1u << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        TestWindow childHost;
        childHost.output = engine::TextEncoding::Utf16LE;
        BatchSummary summary = childHost.run(session, {ansiPath(large), ansiPath(small)});
        const bool expected =
            summary.converted == 1 && failedNames(summary) == std::vector<AnsiText>{"large.txt"};
        _exit(expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the run did not report large.txt alone as failed";

    EXPECT_EQ(readBytes(tree.result("large.txt")), "earlier");
    EXPECT_TRUE(fs::exists(tree.result("small.txt")));
    EXPECT_TRUE(temporaryFiles(tree.result()).empty());
    EXPECT_EQ(hashFolder(tree.root), before);
}

// A killed run leaves a hidden temporary file beside the output it was writing; the next run of
// that name clears it and the leftover never stands in for a result. Leftovers of names the run
// does not write, and files that merely look similar, stay.
TEST_F(BatchFault, leftoversOfAKilledRunAreClearedByTheNextRunOfThatName) {
    const fs::path a = tree.write("a.txt", gbkHello);
    fs::create_directory(tree.result());
    std::ofstream(tree.result(".a.txt.qfx-tmp-Ab12Z9"), std::ios::binary) << "partial";
    std::ofstream(tree.result(".other.txt.qfx-tmp-Ab12Z9"), std::ios::binary) << "partial";
    std::ofstream(tree.result(".a.txt.qfx-tmp-notmine"), std::ios::binary) << "user's";
    std::ofstream(tree.result(".qfx-tmp-Ab12Z9"), std::ios::binary) << "long name's";

    BatchSummary summary = run({a});

    EXPECT_EQ(summary.converted, 1);
    EXPECT_EQ(readBytes(tree.result("a.txt")), utf8Mark + utf8Hello);
    std::vector<std::string> left = temporaryFiles(tree.result());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".a.txt.qfx-tmp-notmine", ".other.txt.qfx-tmp-Ab12Z9",
                                              ".qfx-tmp-Ab12Z9"}));
}

struct HostileName {
    const char* rowName;
    std::string name;
};

std::vector<HostileName> hostileNames() {
    return {
        {"Spaces", "  two  spaces .txt"},
        {"Quotes", "say \"hi\" it's.txt"},
        {"LeadingDash", "-rf.txt"},
        {"LeadingDoubleDash", "--help.txt"},
        {"Newline", "first\nsecond.txt"},
        {"CarriageReturn", "cr\r.txt"},
        {"Escape", "esc\x1b[2J.txt"},
        {"Backslash", "back\\slash.txt"},
        {"ShellCommand", "$(touch pwned).txt"},
        {"Backticks", "`touch pwned`.txt"},
        {"Semicolon", "a; touch pwned.txt"},
        {"Chinese", "中文 名字.txt"},
        {"ReplacementCharacter", "bad\xEF\xBF\xBD.txt"},
        {"NameOf238Bytes", std::string(234, 'm') + ".txt"},
        {"NameOf239Bytes", std::string(235, 'n') + ".txt"},
        {"NameOf255Bytes", std::string(251, 'x') + ".txt"},
        {"ChineseNameOf253Bytes",
         [] {
             std::string name;
             for (int i = 0; i < 83; ++i)
                 name += "长";
             return name + ".txt";
         }()},
    };
}

// Names with spaces, quotes, dashes, line breaks, shell syntax and the longest lengths go through
// the scan, the run and the progress caption unharmed; nothing they name is started. A name
// that is no UTF-8 fails with its reason and is never taken for the file its display form
// spells ("bad\xFF.txt" shows as "bad\uFFFD.txt", which also exists here).
TEST_F(BatchFault, hostileNamesGoThroughScanRunAndCaption) {
    std::map<std::string, std::string> contents;
    int serial = 0;
    for (const HostileName& row : hostileNames()) {
        contents[row.name] = gbkHello + std::to_string(++serial);
        tree.write(row.name, contents[row.name]);
    }
    tree.write("bad\xFF.txt", gbkHello + "invalid");
    const auto before = hashFolder(tree.root);

    FolderScanResult scan = listFolderByFilter(ansiPath(tree.root), "*.txt");
    ASSERT_EQ(scan.files.size(), contents.size());
    ASSERT_EQ(scan.unrepresentable.size(), 1u);
    BatchSummary summary = host.run(session, scan);

    EXPECT_EQ(summary.converted, static_cast<int>(contents.size()));
    ASSERT_EQ(failedNames(summary).size(), 1u);
    EXPECT_EQ(failedNames(summary)[0], ansi("bad\uFFFD.txt"));
    const FileOutcome& unnamed = host.outcomes.front();
    EXPECT_EQ(unnamed.status, FileStatus{batch::problems::NameNotRepresentable});
    for (const HostileName& row : hostileNames()) {
        SCOPED_TRACE(row.rowName);
        const std::string expected = utf8Mark + utf8Hello + contents[row.name].substr(4);
        EXPECT_EQ(readBytes(tree.result(row.name)), expected);
        const AnsiText base = *platform::ansiPath(row.name.substr(0, row.name.rfind('.')));
        EXPECT_TRUE(
            std::any_of(host.progressCaptions.begin(), host.progressCaptions.end(),
                        [&](const AnsiText& caption) { return caption.ends_with(") " + base); }));
    }
    EXPECT_FALSE(fs::exists(tree.result("bad\xFF.txt")));
    EXPECT_FALSE(fs::exists(tree.root / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_TRUE(temporaryFiles(tree.result()).empty());
    EXPECT_EQ(hashFolder(tree.root), before);
}

TEST_F(BatchFault, hostileFolderNamesHoldTheResultFolder) {
    for (const std::string folder : {"-dash folder", "new\nline", "quo\"te's", "a\\b"}) {
        SCOPED_TRACE(folder);
        fs::create_directory(tree.root / folder);
        const fs::path source = tree.write(folder + "/x.txt", gbkHello);
        BatchSummary summary = run({source});
        EXPECT_EQ(summary.converted, 1);
        EXPECT_EQ(summary.firstResultFolder(),
                  ansiPath(tree.root / folder) + "/" + ansi("转换结果") + "/");
        EXPECT_EQ(readBytes(tree.root / folder / resultName / "x.txt"), utf8Mark + utf8Hello);
    }
}

} // namespace

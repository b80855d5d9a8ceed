#include "platform/file_access.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"
#include "tests/platform/unprivileged_user.h"

using namespace platform;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

class FileAccessTest : public ::testing::Test {
protected:
    void TearDown() override {
        // A test may have taken the folder's permissions away from its owner.
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    // The AnsiText path of a file in the test folder.
    AnsiText pathOf(const std::string& utf8Name) const { return temp.path(utf8Name); }
    static ino_t inodeOf(const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    }
    int entries() const {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
    }

    TempFolder temp;
    const fs::path folder = temp.folder();
};

using namespace std::string_literals;

// A status as text, to come back from a piece run as another user.
std::string keyOf(const FileStatus& status) {
    return std::string(status.problem.code()) + "/" + std::to_string(status.error);
}

TEST_F(FileAccessTest, readsEveryByteOfAChineseNamedFile) {
    const std::string bytes = "\xEF\xBB\xBF"
                              "a\0b\x1A\xD6\xD0"s;
    writeBytes(folder / "源文件.txt", bytes);
    const FileContent content = readWholeFile(pathOf("源文件.txt"));
    EXPECT_EQ(content.status, FileStatus{});
    EXPECT_EQ(content.bytes, bytes);
    EXPECT_EQ(fileLength(pathOf("源文件.txt")), static_cast<std::int64_t>(bytes.size()));
}

// Files of several folders, one folder coming back after another, a missing file and a link,
// as a listing and the command line give them: each length is the one fileLength gives.
TEST_F(FileAccessTest, lengthsOfManyFilesAreEachFilesOwn) {
    fs::create_directory(folder / "甲");
    fs::create_directory(folder / "b");
    writeBytes(folder / "甲" / "一.txt", "1");
    writeBytes(folder / "甲" / "two", "22");
    writeBytes(folder / "b" / "一.txt", "333");
    fs::create_symlink(folder / "b" / "一.txt", folder / "甲" / "link");
    const std::vector<AnsiText> paths = {pathOf("甲/一.txt"), pathOf("甲/two"),  pathOf("b/一.txt"),
                                         pathOf("甲/link"),   pathOf("甲/none"), pathOf("none/x"),
                                         pathOf("b/一.txt")};
    const std::vector<std::int64_t> expected = {1, 2, 3, 3, -1, -1, 3};
    EXPECT_EQ(fileLengths(paths), expected);
    for (const AnsiText& path : paths)
        EXPECT_EQ(fileLengths(std::vector<AnsiText>{path}).front(), fileLength(path));
}

TEST_F(FileAccessTest, readOnlySourceIsReadAndLeftAlone) {
    const fs::path source = folder / "ro.txt";
    writeBytes(source, "kept");
    fs::permissions(source, fs::perms::owner_read);
    const auto before = fs::last_write_time(source);
    const FileContent content = readWholeFile(pathOf("ro.txt"));
    EXPECT_EQ(content.status, FileStatus{});
    EXPECT_EQ(content.bytes, "kept");
    EXPECT_EQ(fs::last_write_time(source), before);
}

TEST_F(FileAccessTest, missingSourceSaysWhy) {
    const FileContent content = readWholeFile(pathOf("none.txt"));
    EXPECT_EQ(content.status, (FileStatus{platform::problems::SourceUnopenable, ENOENT}));
    EXPECT_EQ(fileLength(pathOf("none.txt")), -1);
}

TEST_F(FileAccessTest, directoryAsSourceFails) {
    fs::create_directory(folder / "sub");
    const FileContent content = readWholeFile(pathOf("sub"));
    EXPECT_EQ(content.status, (FileStatus{platform::problems::SourceUnreadable, EISDIR}));
}

TEST_F(FileAccessTest, fifoAsSourceFailsWithoutWaiting) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    const FileContent content = readWholeFile(pathOf("pipe"));
    EXPECT_EQ(content.status, FileStatus{platform::problems::SourceNotRegular});
}

TEST_F(FileAccessTest, sourceAboveTheLimitIsTooLarge) {
    writeBytes(folder / "big.txt", std::string(100, 'x'));
    const FileContent content = readWholeFile(pathOf("big.txt"), 99);
    EXPECT_EQ(content.status, (FileStatus{platform::problems::SourceTooLarge, 0, 100}));
    EXPECT_TRUE(content.bytes.empty());
    EXPECT_TRUE(readWholeFile(pathOf("big.txt"), 100).status.ok());
}

TEST_F(FileAccessTest, newOutputIsCreatedWithoutLeftovers) {
    const std::string_view parts[] = {"\xEF\xBB\xBF", "text"};
    const FileStatus status = writeFileReplacing(pathOf("结果.txt"), parts);
    EXPECT_EQ(status, FileStatus{});
    EXPECT_EQ(readBytes(folder / "结果.txt"), "\xEF\xBB\xBFtext");
    // Not left private like the temporary file it was.
    EXPECT_NE(fs::status(folder / "结果.txt").permissions() &
                  (fs::perms::group_read | fs::perms::others_read),
              fs::perms::none);
    EXPECT_EQ(entries(), 1);
}

TEST_F(FileAccessTest, existingOutputIsReplacedAndKeepsItsPermissions) {
    const fs::path target = folder / "out.txt";
    writeBytes(target, "an earlier, longer result");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(writeFileReplacing(pathOf("out.txt"), "new").ok());
    EXPECT_EQ(readBytes(target), "new");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1);
}

TEST_F(FileAccessTest, existingOutputIsReplacedWholeNotRewritten) {
    const fs::path target = folder / "out.txt";
    writeBytes(target, "earlier");
    const ino_t inodeBefore = inodeOf(target);
    // A reader that opened the earlier result keeps reading it, never a mixture.
    std::ifstream reader(target, std::ios::binary);
    EXPECT_TRUE(writeFileReplacing(pathOf("out.txt"), "new content").ok());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "earlier");
    EXPECT_NE(inodeOf(target), inodeBefore);
    EXPECT_EQ(readBytes(target), "new content");
}

TEST_F(FileAccessTest, outputThisUserMayNotWriteIsNotReplaced) {
    platform::testing::UnprivilegedUser user;
    ASSERT_TRUE(user.usable());
    // The folder takes new files, so only the file's own permission can stop the rename.
    fs::create_directory(folder / "real");
    writeBytes(folder / "out.txt", "earlier");
    writeBytes(folder / "real" / "target.txt", "linked");
    fs::create_symlink("real/target.txt", folder / "link.txt");
    for (const char* name : {"", "out.txt", "real", "real/target.txt", "link.txt"})
        user.handOver(folder / name);
    fs::permissions(folder / "out.txt", fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(folder / "real" / "target.txt", fs::perms::owner_read);
    for (const char* name : {"out.txt", "link.txt"}) {
        const AnsiText path = pathOf(name);
        const auto status = user.run([&path] { return keyOf(writeFileReplacing(path, "new")); });
        EXPECT_EQ(status, keyOf({platform::problems::OutputReadOnly})) << name;
    }
    EXPECT_EQ(readBytes(folder / "out.txt"), "earlier");
    EXPECT_EQ(readBytes(folder / "real" / "target.txt"), "linked");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    EXPECT_EQ(entries(), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), {}), 1);
}

TEST_F(FileAccessTest, symbolicLinkIsWrittenThroughToItsTarget) {
    // A chain of links with relative texts, the file itself in another folder.
    fs::create_directory(folder / "real");
    writeBytes(folder / "real" / "target.txt", "earlier");
    fs::permissions(folder / "real" / "target.txt", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.txt", folder / "real" / "hop");
    fs::create_symlink("real/hop", folder / "out.txt");
    std::ifstream reader(folder / "real" / "target.txt", std::ios::binary);
    const FileStatus status = writeFileReplacing(pathOf("out.txt"), "new");
    EXPECT_EQ(status, FileStatus{});
    EXPECT_EQ(fs::read_symlink(folder / "out.txt"), "real/hop");
    EXPECT_EQ(fs::read_symlink(folder / "real" / "hop"), "target.txt");
    EXPECT_EQ(readBytes(folder / "real" / "target.txt"), "new");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "earlier");
    EXPECT_EQ(fs::status(folder / "real" / "target.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), {}), 2);
}

TEST_F(FileAccessTest, linkThatLeadsToNoFileIsLeftAlone) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    fs::create_symlink("missing.txt", folder / "dangling");
    fs::create_symlink("pipe", folder / "to-pipe");
    fs::create_symlink("loop", folder / "loop");
    const struct {
        const char* link;
        FileStatus status;
    } rows[] = {
        {"dangling", {platform::problems::LinkUnfollowable, ENOENT}},
        {"to-pipe", {platform::problems::OutputNotRegular}},
        {"loop", {platform::problems::LinkUnfollowable, ELOOP}},
    };
    for (const auto& row : rows) {
        const FileStatus status = writeFileReplacing(pathOf(row.link), "new");
        EXPECT_EQ(status, row.status) << row.link;
        EXPECT_TRUE(fs::is_symlink(folder / row.link)) << row.link;
    }
    EXPECT_FALSE(fs::exists(folder / "missing.txt"));
    EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
    EXPECT_EQ(entries(), 4);
}

TEST_F(FileAccessTest, emptyOutputIsAnEmptyFile) {
    EXPECT_TRUE(writeFileReplacing(pathOf("empty.txt"), "").ok());
    EXPECT_TRUE(fs::exists(folder / "empty.txt"));
    EXPECT_EQ(fs::file_size(folder / "empty.txt"), 0u);
}

TEST_F(FileAccessTest, writeFailingHalfwayKeepsTheEarlierOutput) {
    const fs::path target = folder / "out.txt";
    writeBytes(target, "earlier");
    // A file size limit makes the write fail even for root, who ignores permission bits.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileStatus status = writeFileReplacing(pathOf("out.txt"), std::string(10000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(status, (FileStatus{platform::problems::OutputUnwritable, EFBIG}));
    EXPECT_EQ(readBytes(target), "earlier");
    EXPECT_EQ(entries(), 1);
}

TEST_F(FileAccessTest, outputInAFolderThatIsAFileFails) {
    writeBytes(folder / "notafolder", "x");
    const FileStatus status = writeFileReplacing(pathOf("notafolder/out.txt"), "new");
    EXPECT_EQ(status, (FileStatus{platform::problems::OutputUncreatable, ENOTDIR}));
}

TEST_F(FileAccessTest, unwritableFolderKeepsTheEarlierOutput) {
    platform::testing::UnprivilegedUser user;
    ASSERT_TRUE(user.usable());
    writeBytes(folder / "out.txt", "earlier");
    user.handOver(folder);
    user.handOver(folder / "out.txt");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const AnsiText path = pathOf("out.txt");
    const auto status = user.run([&path] { return keyOf(writeFileReplacing(path, "new")); });
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(status, keyOf({platform::problems::OutputUncreatable, EACCES}));
    EXPECT_EQ(readBytes(folder / "out.txt"), "earlier");
}

TEST_F(FileAccessTest, directoryInTheWayIsNotReplaced) {
    fs::create_directory(folder / "out.txt");
    const FileStatus status = writeFileReplacing(pathOf("out.txt"), "new");
    EXPECT_EQ(status, (FileStatus{platform::problems::OutputUnreplaceable, EISDIR}));
    EXPECT_TRUE(fs::is_directory(folder / "out.txt"));
    EXPECT_EQ(entries(), 1);
}

TEST_F(FileAccessTest, uncommittedReplacementLeavesNothingBehind) {
    writeBytes(folder / "out.txt", "earlier");
    {
        ReplacingFile file(pathOf("out.txt"));
        ASSERT_TRUE(file.status().ok());
        EXPECT_TRUE(file.write("abandoned"));
        EXPECT_EQ(entries(), 2);
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != "out.txt") {
                EXPECT_EQ(entry.path().filename().string().rfind(".out.txt.qfx-tmp-", 0), 0u);
            }
    }
    EXPECT_EQ(readBytes(folder / "out.txt"), "earlier");
    EXPECT_EQ(entries(), 1);
}

// A new output is built in a file without a name: while it is written the folder shows no
// temporary file, a dropped one leaves nothing, and a committed one appears with the permissions
// a plain create gives, even when another writer took the name meanwhile.
TEST_F(FileAccessTest, newOutputHasNoNameUntilCommitted) {
    const int probe = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system has no unnamed files";
    ::close(probe);
    const mode_t savedMask = ::umask(027);
    ::close(::open((folder / "plain").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
    const fs::perms plainCreate = fs::status(folder / "plain").permissions();
    const struct {
        const char* name;
        bool takenMeanwhile; // another writer creates the target before the commit
        bool committed;
    } rows[] = {
        {"committed", false, true},
        {"nameTakenMeanwhile", true, true},
        {"dropped", false, false},
    };
    for (const auto& row : rows) {
        const fs::path target = folder / row.name;
        {
            ReplacingFile file(pathOf(row.name));
            EXPECT_TRUE(file.write("new")) << row.name;
            if (row.takenMeanwhile)
                writeBytes(target, "other writer's");
            EXPECT_EQ(platform::testing::temporaryFiles(folder), std::vector<std::string>{})
                << row.name;
            if (row.committed) {
                EXPECT_EQ(file.commit(), FileStatus{}) << row.name;
            }
        }
        EXPECT_EQ(platform::testing::temporaryFiles(folder), std::vector<std::string>{})
            << row.name;
        EXPECT_EQ(fs::exists(target), row.committed) << row.name;
        if (row.committed) {
            EXPECT_EQ(readBytes(target), "new") << row.name;
            EXPECT_EQ(fs::status(target).permissions(), plainCreate) << row.name;
        }
    }
    ::umask(savedMask);
    EXPECT_EQ(entries(), 3);
}

TEST_F(FileAccessTest, truncateDropsWhatFollows) {
    ReplacingFile file(pathOf("out.txt"));
    EXPECT_TRUE(file.write("\xFF\xFEwrong"));
    EXPECT_TRUE(file.truncate(2));
    EXPECT_TRUE(file.write("right"));
    EXPECT_TRUE(file.commit().ok());
    EXPECT_EQ(readBytes(folder / "out.txt"), "\xFF\xFEright");
}

TEST_F(FileAccessTest, veryLongNameStillGetsATemporaryFile) {
    const std::string name(250, 'n');
    EXPECT_TRUE(writeFileReplacing(pathOf(name), "x").ok());
    EXPECT_EQ(readBytes(folder / name), "x");
    EXPECT_EQ(entries(), 1);
}

} // namespace

#include "platform/private_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/platform/temp_folder.h"

using namespace platform;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* variableName, std::optional<std::string> value)
        : name(variableName) {
        if (const char* old = std::getenv(name))
            saved = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (saved)
            ::setenv(name, saved->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> saved;
};

enum class Runtime { Unset, Private, OpenToGroup, OpenToOthers, OwnedByOther, LinkToPrivate };

struct ParentRow {
    const char* name;
    Runtime runtime;
    bool usesRuntime; // else the temporary folder
};

class PrivateFolderParent : public ::testing::TestWithParam<ParentRow> {};

TEST_P(PrivateFolderParent, FolderIsFreshOwnedAndClosedToOthers) {
    const ParentRow& row = GetParam();
    TempFolder temp;
    const fs::path runtime = temp.native("run");
    const fs::path shared = temp.native("tmp");
    fs::create_directory(shared);
    fs::create_directory(temp.native("real-run"));
    ::chmod(temp.native("real-run").c_str(), 0700);
    if (row.runtime == Runtime::LinkToPrivate) {
        fs::create_directory_symlink(temp.native("real-run"), runtime);
    } else if (row.runtime != Runtime::Unset) {
        fs::create_directory(runtime);
        ::chmod(runtime.c_str(), row.runtime == Runtime::OpenToOthers  ? 0777
                                 : row.runtime == Runtime::OpenToGroup ? 0770
                                                                       : 0700);
        if (row.runtime == Runtime::OwnedByOther && ::chown(runtime.c_str(), 65534, 65534) != 0)
            GTEST_SKIP() << "giving a folder to another user needs root";
    }
    ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", row.runtime == Runtime::Unset
                                                             ? std::nullopt
                                                             : std::optional(runtime.string()));
    ScopedEnvironment temporaryVariable("TMPDIR", shared.string());

    std::string created;
    {
        PrivateFolder folder("qfx-help-");
        ASSERT_TRUE(folder.valid());
        created = folder.path();
        const fs::path expectedParent = row.usesRuntime ? runtime : shared;
        EXPECT_EQ(fs::path(created).parent_path(), expectedParent);
        EXPECT_EQ(fs::path(created).filename().string().rfind("qfx-help-", 0), 0u);
        struct stat info {};
        ASSERT_EQ(::lstat(created.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_TRUE(folder.writeNewFile("index.html", "<html>"));
        EXPECT_EQ(readBytes(fs::path(created) / "index.html"), "<html>");
    }
    EXPECT_FALSE(fs::exists(created)) << "removed with what it holds";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrivateFolderParent,
    ::testing::Values(ParentRow{"NoRuntimeFolder", Runtime::Unset, false},
                      ParentRow{"PrivateRuntimeFolder", Runtime::Private, true},
                      ParentRow{"RuntimeFolderOpenToGroup", Runtime::OpenToGroup, false},
                      ParentRow{"RuntimeFolderOpenToOthers", Runtime::OpenToOthers, false},
                      ParentRow{"RuntimeFolderOfAnotherUser", Runtime::OwnedByOther, false},
                      ParentRow{"RuntimeFolderIsALink", Runtime::LinkToPrivate, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PrivateFolder, NeverWritesThroughAnExistingEntry) {
    TempFolder temp;
    ScopedEnvironment runtimeVariable("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnvironment temporaryVariable("TMPDIR", temp.folder().string());
    writeBytes(temp.native("victim"), "precious");
    PrivateFolder folder("qfx-");
    ASSERT_TRUE(folder.valid());
    const fs::path inside(folder.path());
    fs::create_symlink(temp.native("victim"), inside / "index.html");
    writeBytes(inside / "plain", "old");

    EXPECT_FALSE(folder.writeNewFile("index.html", "page"));
    EXPECT_FALSE(folder.writeNewFile("plain", "page"));
    for (const char* name : {"", ".", "..", "../escape", "a/b"})
        EXPECT_FALSE(folder.writeNewFile(name, "page")) << name;
    EXPECT_EQ(readBytes(temp.native("victim")), "precious");
    EXPECT_EQ(readBytes(inside / "plain"), "old");
    EXPECT_FALSE(fs::exists(temp.native("escape")));

    ASSERT_TRUE(folder.writeNewFile("new", std::string("a\0b", 3)));
    EXPECT_EQ(readBytes(inside / "new"), std::string("a\0b", 3));
    EXPECT_EQ(fs::status(inside / "new").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace

#include "platform/file_system.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"

using namespace platform;
using platform::testing::TempFolder;
using platform::testing::writeBytes;

namespace {

TEST(MakeFolder, acceptsAnExistingFolderOnly) {
    TempFolder folder;
    EXPECT_TRUE(makeFolder(folder.path("inibin")));
    EXPECT_TRUE(makeFolder(folder.path("inibin")));
    EXPECT_FALSE(makeFolder(folder.path("a/b")));
    writeBytes(folder.native("file"), "");
    EXPECT_FALSE(makeFolder(folder.path("file")));
}

TEST(CreateFolderPath, createsEveryLevelAndReusesExisting) {
    TempFolder folder;
    bool madeLast = false;
    EXPECT_TRUE(createFolderPath(folder.path("a/转换结果/"), &madeLast));
    EXPECT_TRUE(std::filesystem::is_directory(folder.native("a/转换结果")));
    EXPECT_TRUE(madeLast);
    // Existing levels are skipped, and the last one was not made now.
    EXPECT_TRUE(createFolderPath(folder.path("a/转换结果/"), &madeLast));
    EXPECT_FALSE(madeLast);
    EXPECT_TRUE(createFolderPath(folder.path("a/转换结果/新/"), &madeLast));
    EXPECT_TRUE(madeLast);
    // Only the levels before the last separator are folders to create.
    EXPECT_TRUE(createFolderPath(folder.path("b/c/name")));
    EXPECT_TRUE(std::filesystem::is_directory(folder.native("b/c")));
    EXPECT_FALSE(std::filesystem::exists(folder.native("b/c/name")));
    // A file where a folder should be: the lookup finds it, the next level cannot be created.
    writeBytes(folder.native("plainfile"), "x");
    EXPECT_FALSE(createFolderPath(folder.path("plainfile/sub/")));
}

TEST(CreateFolderPath, driveLikeFirstLevelIsAnOrdinaryFolder) {
    // Only the empty prefix names the root here; "d:" is a folder name like any other.
    TempFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.folder());
    const bool created = createFolderPath("d:/r/");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(std::filesystem::is_directory(folder.native("d:/r")));
}

} // namespace

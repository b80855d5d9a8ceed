#include "batch/dropped_paths.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/batch/test_window.h"
#include "tests/platform/temp_folder.h"

namespace {

using platform::AnsiText;

struct DropCase {
    const char* name;
    std::vector<std::string> dropped; // relative to the folder; "/" first: made absolute
    const char* filter;
    std::vector<std::string> files; // expected, relative to the folder
    size_t unrepresentable;
    const char* folderAlone; // expected, relative to the folder; "" for none
};

const DropCase dropCases[] = {
    {"MixInDropOrderFoldersFiltered",
     {"/dir2", "a.txt", "/dir1"},
     "*.txt",
     {"dir2/z.txt", "a.txt", "dir1/x.txt"},
     0,
     ""},
    {"DroppedFileIgnoresTheFilter", {"b.dat"}, "*.txt", {"b.dat"}, 0, ""},
    {"OneFolderAloneTakesTheFilter", {"dir1"}, "*.dat", {"dir1/y.dat"}, 0, "dir1"},
    {"UnrepresentableNameIsReportedNotOpened", {"/\xFF.txt", "a.txt"}, "*.*", {"a.txt"}, 1, ""},
    {"FolderOfABadNameIsNoFolderAlone", {"/\xFF.txt"}, "*.*", {}, 1, ""},
};

class DroppedPathsTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DroppedPathsTest, ListsFilesAndFoldersFilesInDropOrder) {
    const DropCase& c = GetParam();
    platform::testing::TempFolder temp;
    for (const char* folder : {"dir1", "dir2"})
        std::filesystem::create_directory(temp.native(folder));
    for (const char* file :
         {"a.txt", "b.dat", "dir1/x.txt", "dir1/y.dat", "dir2/z.txt", "\xFF.txt"})
        platform::testing::writeBytes(temp.native(file), "x");
    const std::string root = temp.folder().string();
    std::vector<std::string> dropped;
    for (const std::string& path : c.dropped)
        dropped.push_back(path[0] == '/' ? root + path : path);
    const AnsiText working = temp.path("");

    const batch::FolderScanResult list = batch::listDroppedPaths(dropped, c.filter, working);
    std::vector<AnsiText> expected;
    for (const std::string& file : c.files)
        expected.push_back(temp.path(file));
    EXPECT_EQ(list.files, expected);
    EXPECT_EQ(list.unrepresentable.size(), c.unrepresentable);
    EXPECT_EQ(batch::droppedFolderAlone(dropped, working),
              *c.folderAlone ? temp.path(c.folderAlone) : AnsiText());
}

INSTANTIATE_TEST_SUITE_P(Drops, DroppedPathsTest, ::testing::ValuesIn(dropCases),
                         [](const ::testing::TestParamInfo<DropCase>& drop) {
                             return std::string(drop.param.name);
                         });

// One folder dropped alone runs as the picker's choice: with the sub-folders box checked its tree
// is kept under the result folder; a mix stays flat beside its first file.
TEST(DroppedBatch, FolderAloneFollowsTheSubFoldersBox) {
    for (const bool subFolders : {false, true}) {
        platform::testing::TempFolder temp;
        std::filesystem::create_directories(temp.native("top/sub"));
        platform::testing::writeBytes(temp.native("top/sub/x.txt"), "x");
        platform::testing::writeBytes(temp.native("top/a.txt"), "a");
        batch::fakes::TestWindow host;
        batch::BatchSession session;
        host.subFolders = subFolders;
        host.filter = "*.txt";
        EXPECT_TRUE(
            batch::startDroppedBatch(host.buttonWindow(), session, {temp.native("top").string()}));
        EXPECT_TRUE(std::filesystem::exists(temp.native("top/转换结果/a.txt")));
        EXPECT_EQ(std::filesystem::exists(temp.native("top/转换结果/sub/x.txt")), subFolders)
            << subFolders;
    }
}

} // namespace

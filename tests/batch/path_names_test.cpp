#include "batch/path_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace batch;
using platform::ansi;

namespace {

struct NameRow {
    const char* name;
    std::string path;
    std::string directory;
    std::string baseName;
};

// Double-byte names are in every row set: the scan must step over trail bytes.
class PathNames : public testing::TestWithParam<NameRow> {};

TEST_P(PathNames, splitsCharacterWise) {
    const NameRow& row = GetParam();
    EXPECT_EQ(directoryOfPath(row.path), row.directory);
    EXPECT_EQ(baseNameOfPath(row.path), row.baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PathNames,
    testing::Values(
        NameRow{"plain", "/docs/readme.old.txt", "/docs", "readme.old"},
        NameRow{"noSeparator", "a.txt", "", "a"}, NameRow{"noDot", "/docs/notes", "/docs", "notes"},
        NameRow{"dottedYear", "/docs/notes.2023.txt", "/docs", "notes.2023"},
        NameRow{"onlyLeadingDot", "/x/.htaccess", "/x", ""}, NameRow{"rootFile", "/a.txt", "", "a"},
        NameRow{"trailingSeparator", "/docs/", "/docs", ""},
        NameRow{"chinese", ansi("/文档/说明.txt"), ansi("/文档"), ansi("说明")},
        // GB18030 four-byte character (U+20000) in the folder name.
        NameRow{"fourByte", ansi("/\xF0\xA0\x80\x80/b.c"), ansi("/\xF0\xA0\x80\x80"), "b"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PathNames, dotAsTrailByteIsNotAnExtension) {
    // 0x81 0x2E is not valid GBK, but the scan must still take 0x2E as the lead's partner.
    EXPECT_EQ(baseNameOfPath("/d/ab\x81.c"), "ab\x81.c");
}

TEST(CreateFolderPath, createsEveryLevelAndReusesExisting) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("qfx_path_names_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    std::string target = root.string() + "/a/" + "转换结果/";
    EXPECT_TRUE(createFolderPath(ansi(target)));
    EXPECT_TRUE(fs::is_directory(root / "a" / "转换结果"));
    EXPECT_TRUE(createFolderPath(ansi(target))); // existing levels are skipped
    // A file where a folder should be: the lookup finds it, the next level cannot be created.
    std::ofstream(root / "plainfile") << "x";
    EXPECT_FALSE(createFolderPath(ansi(root.string() + "/plainfile/sub/")));
    fs::remove_all(root);
}

TEST(CreateFolderPath, twoByteFolderAtRootIsCreated) {
    // "/q" is two bytes long; on Linux only the empty root prefix is skipped.
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("qfx_pn2_" + std::to_string(getpid()));
    fs::create_directories(root);
    std::string target = root.string() + "/q/r/";
    EXPECT_TRUE(createFolderPath(target));
    EXPECT_TRUE(fs::is_directory(root / "q" / "r"));
    fs::remove_all(root);
}

} // namespace

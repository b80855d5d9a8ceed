#include "platform/path_scan.h"

#include <string>

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct NameRow {
    const char* name;
    std::string path;
    std::string directory;
    std::string fileName;
    std::string baseName;
};

// Double-byte names are in every row set: the scan must step over trail bytes.
class PathPieces : public ::testing::TestWithParam<NameRow> {};

TEST_P(PathPieces, splitCharacterWise) {
    const NameRow& row = GetParam();
    EXPECT_EQ(directoryOfPath(row.path), row.directory);
    EXPECT_EQ(fileNameOfPath(row.path), row.fileName);
    EXPECT_EQ(baseNameOfPath(row.path), row.baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PathPieces,
    ::testing::Values(
        NameRow{"plain", "/docs/readme.old.txt", "/docs", "readme.old.txt", "readme.old"},
        NameRow{"noSeparator", "a.txt", "", "a.txt", "a"}, NameRow{"empty", "", "", "", ""},
        NameRow{"noDot", "/docs/notes", "/docs", "notes", "notes"},
        NameRow{"dottedYear", "/docs/notes.2023.txt", "/docs", "notes.2023.txt", "notes.2023"},
        NameRow{"onlyLeadingDot", "/x/.htaccess", "/x", ".htaccess", ""},
        NameRow{"rootFile", "/a.txt", "", "a.txt", "a"},
        NameRow{"trailingSeparator", "/docs/", "/docs", "", ""},
        NameRow{"chinese", ansi("/文档/说明.txt"), ansi("/文档"), ansi("说明.txt"), ansi("说明")},
        // GB18030 four-byte character (U+20000) in the folder name.
        NameRow{"fourByte", ansi("/\xF0\xA0\x80\x80/b.c"), ansi("/\xF0\xA0\x80\x80"), "b.c", "b"},
        // 0x81 0x2F and 0x81 0x2E are not valid GBK, but the scan must still take the second
        // byte as the lead's partner.
        NameRow{"separatorAsSecondByte", "/d/\x81/x", "/d", "\x81/x", "\x81/x"},
        NameRow{"dotAsSecondByte", "/d/ab\x81.c", "/d", "ab\x81.c", "ab\x81.c"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

#include "platform/editable_file.h"

#include <functional>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "platform/file_access.h"
#include "platform/memory_file.h"
#include "tests/platform/temp_folder.h"

using namespace platform;
using platform::testing::TempFolder;
using platform::testing::writeBytes;

namespace {

// The same edits on a file on disk and in memory, checked against a plain string.
enum class Kind { Disk, Memory };

class EditsMoveTail : public ::testing::TestWithParam<Kind> {
protected:
    TempFolder folder;
    std::unique_ptr<RandomAccessFile> file;
    std::string model;

    void SetUp() override {
        if (GetParam() == Kind::Disk) {
            file = EditableFile::open(folder.path("edit.bin"));
        } else {
            file = std::make_unique<MemoryFile>();
        }
        ASSERT_TRUE(file);
    }
    std::string bytes() const {
        std::string out;
        EXPECT_TRUE(file->readAt(0, file->length(), out));
        return out;
    }
};

TEST_P(EditsMoveTail, aroundChunkEdges) {
    std::mt19937 random(7);
    auto text = [&](std::size_t size) {
        std::string out(size, '\0');
        for (char& c : out)
            c = static_cast<char>(random());
        return out;
    };
    const std::int64_t sizes[] = {0, 1, 4095, 4096, 4097, 8192, 9000};
    for (const std::int64_t size : sizes) {
        const std::string insert = text(static_cast<std::size_t>(size));
        const auto offset = static_cast<std::int64_t>(random() % (model.size() + 1));
        ASSERT_TRUE(insertBytes(*file, offset, insert));
        model.insert(static_cast<std::size_t>(offset), insert);
        ASSERT_EQ(bytes(), model);
    }
    for (const std::int64_t size : sizes) {
        const auto offset = static_cast<std::int64_t>(random() % (model.size() - size + 1));
        ASSERT_TRUE(deleteBytes(*file, offset, size));
        model.erase(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
        ASSERT_EQ(bytes(), model);
    }
    ASSERT_EQ(model, "");
    model = text(20000);
    ASSERT_TRUE(insertBytes(*file, 0, model));
    for (std::size_t row = 0; row < std::size(sizes); ++row) {
        // Every replaced length against a longer, equal or shorter replacement.
        const std::int64_t size = sizes[row];
        const std::string replacement =
            text(static_cast<std::size_t>(sizes[(row * 3 + 2) % std::size(sizes)]));
        const auto offset = static_cast<std::int64_t>(random() % (model.size() / 2));
        const std::int64_t count = std::min<std::int64_t>(size, model.size() - offset);
        ASSERT_TRUE(replaceBytes(*file, offset, count, replacement));
        model.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(count),
                      replacement);
        ASSERT_EQ(bytes(), model);
    }
}

TEST_P(EditsMoveTail, refusesRangesOutsideTheFile) {
    ASSERT_TRUE(insertBytes(*file, 0, "abc"));
    EXPECT_FALSE(insertBytes(*file, 4, "x"));
    EXPECT_FALSE(deleteBytes(*file, 2, 2));
    EXPECT_FALSE(deleteBytes(*file, -1, 1));
    EXPECT_EQ(bytes(), "abc");
}

INSTANTIATE_TEST_SUITE_P(Files, EditsMoveTail, ::testing::Values(Kind::Disk, Kind::Memory),
                         [](const ::testing::TestParamInfo<Kind>& row) {
                             return row.param == Kind::Disk ? "disk" : "memory";
                         });

TEST(EditableFile, createsMissingFileAndNeverTruncates) {
    TempFolder folder;
    {
        auto created = EditableFile::open(folder.path("新.ini"));
        ASSERT_TRUE(created);
        EXPECT_EQ(created->length(), 0);
    }
    writeBytes(folder.native("kept.ini"), "kept");
    auto file = EditableFile::open(folder.path("kept.ini"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length(), 4);
}

TEST(EditableFile, secondOpenIsRefusedWhileTheFirstHoldsTheLock) {
    TempFolder folder;
    auto first = EditableFile::open(folder.path("s.ini"));
    ASSERT_TRUE(first);
    EXPECT_FALSE(EditableFile::open(folder.path("s.ini")));
    // Reading stays possible for everybody.
    EXPECT_TRUE(readWholeFile(folder.path("s.ini")).status.ok());
    first.reset();
    EXPECT_TRUE(EditableFile::open(folder.path("s.ini")));
}

TEST(EditableFile, refusesFoldersAndUnreachablePaths) {
    TempFolder folder;
    EXPECT_FALSE(EditableFile::open(platform::ansi(folder.folder().string())));
    EXPECT_FALSE(EditableFile::open(folder.path("missing/x.ini")));
    EXPECT_FALSE(EditableFile::open("\x81"));
    EXPECT_FALSE(EditableFile::open(""));
}

} // namespace

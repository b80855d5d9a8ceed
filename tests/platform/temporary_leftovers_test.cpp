#include "platform/temporary_leftovers.h"

#include <fstream>

#include <gtest/gtest.h>

#include "platform/file_access.h"
#include "tests/platform/temp_folder.h"

namespace {

struct LeftoverRow {
    const char* rowName;
    std::string name;
    std::string target;
    bool isLeftover;
};

class TemporaryFileOf : public testing::TestWithParam<LeftoverRow> {};

TEST_P(TemporaryFileOf, TellsLeftoversFromOtherNames) {
    EXPECT_EQ(platform::isTemporaryFileOf(GetParam().name, GetParam().target),
              GetParam().isLeftover);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemporaryFileOf,
    testing::Values(LeftoverRow{"Leftover", ".a.txt.qfx-tmp-Ab12Z9", "a.txt", true},
                    LeftoverRow{"OtherTarget", ".b.txt.qfx-tmp-Ab12Z9", "a.txt", false},
                    LeftoverRow{"NoLeadingDot", "a.txt.qfx-tmp-Ab12Z9", "a.txt", false},
                    LeftoverRow{"SuffixTooShort", ".a.txt.qfx-tmp-Ab12Z", "a.txt", false},
                    LeftoverRow{"SuffixTooLong", ".a.txt.qfx-tmp-Ab12Z90", "a.txt", false},
                    LeftoverRow{"SuffixNotAlphanumeric", ".a.txt.qfx-tmp-Ab-2Z9", "a.txt", false},
                    LeftoverRow{"TargetItselfLooksLikeOne", "..a.qfx-tmp-xxxxxx.qfx-tmp-123456",
                                ".a.qfx-tmp-xxxxxx", true},
                    LeftoverRow{"LongNameForm", ".qfx-tmp-Ab12Z9", "", false},
                    LeftoverRow{"ChineseTarget", ".\xD6\xD0.txt.qfx-tmp-000000", "\xD6\xD0.txt",
                                true}),
    [](const auto& row) { return std::string(row.param.rowName); });

// The temporary file a replacing write really makes is one that a later run recognises.
TEST(TemporaryLeftovers, ReplacingWriteNamesItsTemporaryFileRecognisably) {
    platform::testing::TempFolder folder;
    std::ofstream(folder.native("b.txt"), std::ios::binary) << "earlier";
    platform::ReplacingFile unfinished(folder.path("b.txt"));
    ASSERT_TRUE(unfinished.status().ok());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.folder()))
        if (entry.path().filename() != "b.txt")
            names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(platform::isTemporaryFileOf(names[0], "b.txt")) << names[0];
}

TEST(TemporaryLeftovers, RemovesLeftoversOfTheNamedTargetsOnly) {
    platform::testing::TempFolder folder;
    for (const char* name : {"a.txt", ".a.txt.qfx-tmp-mine99", ".b.txt.qfx-tmp-kill3d",
                             ".c.txt.qfx-tmp-other9", ".a.txt.qfx-tmp-user's"})
        std::ofstream(folder.native(name), std::ios::binary) << "x";
    std::filesystem::create_directory(folder.native(".a.txt.qfx-tmp-folder"));

    EXPECT_EQ(platform::removeTemporaryLeftovers(platform::ansi(folder.folder().string()),
                                                 {"a.txt", "b.txt"}),
              2);
    for (const char* kept :
         {"a.txt", ".c.txt.qfx-tmp-other9", ".a.txt.qfx-tmp-user's", ".a.txt.qfx-tmp-folder"})
        EXPECT_TRUE(std::filesystem::exists(folder.native(kept))) << kept;
    EXPECT_FALSE(std::filesystem::exists(folder.native(".a.txt.qfx-tmp-mine99")));
    EXPECT_FALSE(std::filesystem::exists(folder.native(".b.txt.qfx-tmp-kill3d")));
}

} // namespace

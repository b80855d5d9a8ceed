#include "engine/opencc_converter.h"

#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"

using namespace engine;

namespace {

// Copies one direction's configuration and dictionaries into `folder`.
void copySimplifiedToTraditional(const std::filesystem::path& folder) {
    for (const char* name : {"s2tw.json", "STPhrases.ocd2", "STCharacters.ocd2", "TWVariants.ocd2"})
        std::filesystem::copy_file(std::filesystem::path("/usr/share/opencc") / name,
                                   folder / name);
}

struct MappingRow {
    const char* name;
    ScriptDirection direction;
    const char* input; // UTF-8
    const char* expected;
};

class OpenccMapping : public testing::TestWithParam<MappingRow> {};

TEST_P(OpenccMapping, mapsPhrasesNotJustCharacters) {
    const MappingRow& row = GetParam();
    auto converter = OpenccConverter::open(row.direction, "");
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->convert(row.input), std::string(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenccMapping,
    testing::Values(
        // One Simplified character, two Traditional ones: only the phrase decides.
        MappingRow{"hairIsNotDevelopment", ScriptDirection::SimplifiedToTraditional, "头发和发展",
                   "頭髮和發展"},
        MappingRow{"whyTakesTheTaiwanForm", ScriptDirection::SimplifiedToTraditional,
                   "为什么在里面", "為什麼在裡面"},
        MappingRow{"backToSimplified", ScriptDirection::TraditionalToSimplified,
                   "頭髮和發展，為什麼在裡面", "头发和发展，为什么在里面"},
        MappingRow{"latinUntouched", ScriptDirection::SimplifiedToTraditional, "abc 123\r\n",
                   "abc 123\r\n"},
        MappingRow{"empty", ScriptDirection::TraditionalToSimplified, "", ""}),
    [](const testing::TestParamInfo<MappingRow>& row) { return std::string(row.param.name); });

TEST(OpenccConverter, missingConfigurationFailsToOpen) {
    EXPECT_EQ(OpenccConverter::open(ScriptDirection::SimplifiedToTraditional,
                                    "/nonexistent/opencc-dictionaries"),
              nullptr);
}

TEST(OpenccConverter, takesDictionariesFromTheGivenFolder) {
    // A folder holding its own copy of one direction's files serves that direction only.
    const platform::testing::TempFolder temporary;
    const std::filesystem::path& folder = temporary.folder();
    copySimplifiedToTraditional(folder);
    auto converter = OpenccConverter::open(ScriptDirection::SimplifiedToTraditional, folder);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->convert("头发"), std::string("頭髮"));
    EXPECT_EQ(OpenccConverter::open(ScriptDirection::TraditionalToSimplified, folder), nullptr);
}

TEST(ThreadOpenccConverter, loadsOnceAndReloadsAfterRelease) {
    setOpenccDictionaryDirectory("");
    const OpenccConverter* first = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(threadOpenccConverter(ScriptDirection::SimplifiedToTraditional), first);
    EXPECT_NE(threadOpenccConverter(ScriptDirection::TraditionalToSimplified), first);

    setOpenccDictionaryDirectory("/nonexistent/opencc-dictionaries");
    EXPECT_EQ(threadOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    EXPECT_EQ(threadOpenccConverter(ScriptDirection::TraditionalToSimplified), nullptr);

    setOpenccDictionaryDirectory("");
    const OpenccConverter* again = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->convert("发展"), std::string("發展"));
    releaseOpenccConverters();
}

TEST(ThreadOpenccConverter, failedLoadIsRememberedUntilTheFolderIsSetAgain) {
    const platform::testing::TempFolder folder;
    setOpenccDictionaryDirectory(folder.folder().string());
    EXPECT_EQ(threadOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    copySimplifiedToTraditional(folder.folder());
    EXPECT_EQ(threadOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    setOpenccDictionaryDirectory(folder.folder().string());
    EXPECT_NE(threadOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    setOpenccDictionaryDirectory("");
}

TEST(ThreadOpenccConverter, eachThreadHasItsOwnAndFollowsAFolderChange) {
    setOpenccDictionaryDirectory("");
    const OpenccConverter* mine = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(mine, nullptr);

    std::promise<void> folderChanged;
    const OpenccConverter* theirs = nullptr;
    const OpenccConverter* theirsAgain = nullptr;
    std::string theirResult;
    const OpenccConverter* theirsAfterChange = mine;
    std::promise<void> firstUseDone;
    std::thread worker([&] {
        theirs = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
        theirsAgain = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
        if (theirs)
            theirResult = theirs->convert("头发和发展").value_or("");
        firstUseDone.set_value();
        folderChanged.get_future().wait();
        theirsAfterChange = threadOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    });
    // Both threads convert at the same time, each with its own converter.
    EXPECT_EQ(mine->convert("为什么在里面"), std::string("為什麼在裡面"));
    firstUseDone.get_future().wait();
    setOpenccDictionaryDirectory("/nonexistent/opencc-dictionaries");
    folderChanged.set_value();
    worker.join();

    EXPECT_NE(theirs, nullptr);
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(theirsAgain, theirs);
    EXPECT_EQ(theirResult, "頭髮和發展");
    EXPECT_EQ(theirsAfterChange, nullptr);
    setOpenccDictionaryDirectory("");
    releaseOpenccConverters();
}

} // namespace

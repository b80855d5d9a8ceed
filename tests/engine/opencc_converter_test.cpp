#include "engine/opencc_converter.h"

#include <filesystem>
#include <memory>
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

TEST(SharedOpenccConverter, loadsOnceAndReloadsAfterRelease) {
    setOpenccDictionaryDirectory("");
    const auto first = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), first);
    EXPECT_NE(sharedOpenccConverter(ScriptDirection::TraditionalToSimplified), first);

    setOpenccDictionaryDirectory("/nonexistent/opencc-dictionaries");
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::TraditionalToSimplified), nullptr);
    // A converter held through the change still converts.
    EXPECT_EQ(first->convert("头发"), std::string("頭髮"));

    setOpenccDictionaryDirectory("");
    const auto again = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->convert("发展"), std::string("發展"));
    releaseOpenccConverters();
}

TEST(SharedOpenccConverter, failedLoadIsRememberedUntilTheFolderIsSetAgain) {
    const platform::testing::TempFolder folder;
    setOpenccDictionaryDirectory(folder.folder().string());
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    copySimplifiedToTraditional(folder.folder());
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    setOpenccDictionaryDirectory(folder.folder().string());
    EXPECT_NE(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    setOpenccDictionaryDirectory("");
}

// The dictionaries are loaded once for the process, not once per thread: every worker would
// otherwise hold its own tens of megabytes.
TEST(SharedOpenccConverter, threadsShareOneAndConvertAtOnce) {
    setOpenccDictionaryDirectory("");
    const auto mine = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(mine, nullptr);
    std::shared_ptr<const OpenccConverter> theirs;
    std::string theirResult;
    std::thread worker([&] {
        theirs = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
        for (int i = 0; theirs && i < 200; ++i)
            theirResult = theirs->convert("头发和发展").value_or("");
    });
    std::string myResult;
    for (int i = 0; i < 200; ++i)
        myResult = mine->convert("为什么在里面").value_or("");
    worker.join();
    EXPECT_EQ(theirs, mine);
    EXPECT_EQ(theirResult, "頭髮和發展");
    EXPECT_EQ(myResult, "為什麼在裡面");
    releaseOpenccConverters();
}

} // namespace

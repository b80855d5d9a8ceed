#include "engine/opencc_converter.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

using namespace engine;

namespace {

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
    const auto folder = std::filesystem::temp_directory_path() / "qfx-opencc-copy";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char* name : {"s2tw.json", "STPhrases.ocd2", "STCharacters.ocd2", "TWVariants.ocd2"})
        std::filesystem::copy_file(std::filesystem::path("/usr/share/opencc") / name,
                                   folder / name);
    auto converter = OpenccConverter::open(ScriptDirection::SimplifiedToTraditional, folder);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->convert("头发"), std::string("頭髮"));
    EXPECT_EQ(OpenccConverter::open(ScriptDirection::TraditionalToSimplified, folder), nullptr);
    std::filesystem::remove_all(folder);
}

TEST(SharedOpenccConverter, loadsOnceAndReloadsAfterRelease) {
    setOpenccDictionaryDirectory("");
    const OpenccConverter* first = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), first);
    EXPECT_NE(sharedOpenccConverter(ScriptDirection::TraditionalToSimplified), first);

    setOpenccDictionaryDirectory("/nonexistent/opencc-dictionaries");
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional), nullptr);
    EXPECT_EQ(sharedOpenccConverter(ScriptDirection::TraditionalToSimplified), nullptr);

    setOpenccDictionaryDirectory("");
    const OpenccConverter* again = sharedOpenccConverter(ScriptDirection::SimplifiedToTraditional);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->convert("发展"), std::string("發展"));
    releaseOpenccConverters();
}

} // namespace

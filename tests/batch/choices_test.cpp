#include "batch/choices.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "batch/batch_command.h"
#include "batch/headless_host.h"

using namespace batch;

namespace {

// Each row, chosen the way the command line chooses it, is what the run reads back; its
// command-line name parses to it; no other radio of its group stays selected.
TEST(ChoiceTable, everyRowRoundTripsThroughHostReaderAndCommandLine) {
    for (const Choice& choice : choiceTable) {
        SCOPED_TRACE(std::string(choice.control));
        HeadlessHost host;
        host.choose(choice.group, choice.value);
        EXPECT_EQ(selectedValue(host, choice.group), choice.value);
        for (const Choice& other : choiceTable) {
            if (other.group == choice.group) {
                EXPECT_EQ(host.selected(other.control), &other == &choice) << other.control;
            }
        }
        EXPECT_EQ(findChoiceByName(choice.group, commandLineName(choice)), &choice);

        const std::string name(commandLineName(choice));
        const std::string option = choice.group == ChoiceGroup::Input    ? "--in"
                                   : choice.group == ChoiceGroup::Output ? "--out"
                                                                         : "--script";
        BatchArguments parsed = parseBatchArguments({option, name, "a.txt"}, "/work");
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        const int read = choice.group == ChoiceGroup::Input    ? int(parsed.input)
                         : choice.group == ChoiceGroup::Output ? int(parsed.output)
                                                               : int(parsed.script);
        EXPECT_EQ(read, choice.value);
    }
}

TEST(ChoiceTable, namesAndValuesAreUniqueWithinTheirScope) {
    std::set<std::string_view> controls;
    std::set<std::pair<ChoiceGroup, int>> values;
    std::set<std::pair<ChoiceGroup, std::string_view>> names;
    for (const Choice& choice : choiceTable) {
        EXPECT_TRUE(controls.insert(choice.control).second) << choice.control;
        EXPECT_TRUE(values.insert({choice.group, choice.value}).second) << choice.control;
        EXPECT_FALSE(commandLineName(choice).empty()) << choice.control;
        EXPECT_TRUE(names.insert({choice.group, commandLineName(choice)}).second) << choice.control;
    }
}

// A group with none selected (a settings file that marks every radio false) reads as its first
// choice: Auto and None.
TEST(ChoiceTable, groupWithNoneSelectedReadsAsItsFirstChoice) {
    HeadlessHost host;
    for (const Choice& choice : choiceTable)
        host.setSelected(choice.control, false);
    EXPECT_EQ(selectedValue(host, ChoiceGroup::Input), int(engine::TextEncoding::Auto));
    EXPECT_EQ(selectedValue(host, ChoiceGroup::Output), int(engine::TextEncoding::Auto));
    EXPECT_EQ(selectedValue(host, ChoiceGroup::Script), int(engine::ScriptMode::None));
}

TEST(ChoiceTable, usageListsEveryChoiceDefaultFirst) {
    const std::string usage = batchUsage();
    EXPECT_NE(usage.find("  ENC:  auto (default) | ansi | utf8 | utf16le | utf16be\n"),
              std::string::npos)
        << usage;
    EXPECT_NE(
        usage.find("  MODE: none (default) | s2t | t2s | s2big5 | t2big5 | big52s | big52t\n"),
        std::string::npos)
        << usage;
}

} // namespace

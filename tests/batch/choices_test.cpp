#include "batch/choices.h"

#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "batch/batch_command.h"

using namespace batch;

namespace {

// Each row is what the reader of a group gives when it alone is selected, and its command-line
// name parses to it.
TEST(ChoiceTable, everyRowRoundTripsThroughReaderAndCommandLine) {
    for (const Choice& choice : choiceTable) {
        SCOPED_TRACE(std::string(choice.caption));
        EXPECT_EQ(selectedValue(choice.group, [&](const Choice& row) { return &row == &choice; }),
                  choice.value);
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
    std::set<std::pair<ChoiceGroup, int>> values;
    std::set<std::pair<ChoiceGroup, std::string_view>> names;
    for (const Choice& choice : choiceTable) {
        EXPECT_TRUE(values.insert({choice.group, choice.value}).second) << choice.caption;
        EXPECT_FALSE(commandLineName(choice).empty()) << choice.caption;
        EXPECT_TRUE(names.insert({choice.group, commandLineName(choice)}).second) << choice.caption;
    }
}

// A group with none selected (a settings file that marks every radio false) reads as its first
// choice: Auto and None.
TEST(ChoiceTable, groupWithNoneSelectedReadsAsItsFirstChoice) {
    const auto none = [](const Choice&) { return false; };
    EXPECT_EQ(selectedValue(ChoiceGroup::Input, none), int(engine::TextEncoding::Auto));
    EXPECT_EQ(selectedValue(ChoiceGroup::Output, none), int(engine::TextEncoding::Auto));
    EXPECT_EQ(selectedValue(ChoiceGroup::Script, none), int(engine::ScriptMode::None));
}

// The help lists every choice, the default first, has one synopsis and the exit statuses, and
// keeps within 80 columns (counted in bytes, which a Chinese character's two columns never
// exceed).
TEST(ChoiceTable, usageListsEveryChoiceWithinEightyColumns) {
    const std::string usage = batchUsage();
    EXPECT_NE(usage.find("ENC: auto (default) | ansi | utf8 | utf16le | utf16be"),
              std::string::npos)
        << usage;
    EXPECT_NE(usage.find("MODE: none (default) | s2t | t2s | s2big5 | t2big5 | big52s | big52t\n"),
              std::string::npos)
        << usage;
    EXPECT_EQ(usage.find("Usage:"), usage.rfind("Usage:"));
    for (const char* status : {"  0 ", "  1 ", "  2 ", "  130 ", "143"})
        EXPECT_NE(usage.find(status), std::string::npos) << status;
    std::istringstream lines(usage);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

} // namespace

// The user's choices of a run as one table: every choice of the three choice groups with the
// value it stands for and its caption. The window's radios, the settings keys and the command
// line's names all walk it.
#pragma once

#include <string_view>

#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace batch {

enum class ChoiceGroup {
    Input,  // the input encoding (TextEncoding)
    Output, // the output encoding (TextEncoding); Auto means the encoding detected for the source
    Script, // the Chinese script conversion (ScriptMode)
};

struct Choice {
    ChoiceGroup group;
    int value;                // a TextEncoding in the encoding groups, a ScriptMode in Script
    std::string_view caption; // UTF-8; the radio's caption, which is also its settings key
};

// In the order of the window's layout, of the settings file and of precedence within a group;
// the first row of each group is its initial choice and what a group with none selected means.
inline constexpr Choice choiceTable[] = {
    {ChoiceGroup::Input, int(engine::TextEncoding::Auto), "自动"},
    {ChoiceGroup::Input, int(engine::TextEncoding::Ansi), "ANSI"},
    {ChoiceGroup::Input, int(engine::TextEncoding::Utf8), "UTF-8"},
    {ChoiceGroup::Input, int(engine::TextEncoding::Utf16LE), "Unicode"},
    {ChoiceGroup::Input, int(engine::TextEncoding::Utf16BE), "Unicode big endian"},
    {ChoiceGroup::Output, int(engine::TextEncoding::Auto), "自动"},
    {ChoiceGroup::Output, int(engine::TextEncoding::Ansi), "ANSI"},
    {ChoiceGroup::Output, int(engine::TextEncoding::Utf8), "UTF-8"},
    {ChoiceGroup::Output, int(engine::TextEncoding::Utf16LE), "Unicode"},
    {ChoiceGroup::Output, int(engine::TextEncoding::Utf16BE), "Unicode big endian"},
    {ChoiceGroup::Script, int(engine::ScriptMode::None), "不转"},
    {ChoiceGroup::Script, int(engine::ScriptMode::SimplifiedToTraditional), "简体到繁体"},
    {ChoiceGroup::Script, int(engine::ScriptMode::TraditionalToSimplified), "繁体到简体"},
    {ChoiceGroup::Script, int(engine::ScriptMode::SimplifiedToBig5), "简体到Big5"},
    {ChoiceGroup::Script, int(engine::ScriptMode::TraditionalToBig5), "繁体到Big5"},
    {ChoiceGroup::Script, int(engine::ScriptMode::Big5ToSimplified), "Big5到简体"},
    {ChoiceGroup::Script, int(engine::ScriptMode::Big5ToTraditional), "Big5到繁体"},
};

// The options beyond the classic choices, each on or off by itself.
enum class RunSwitch {
    SmartDetection, // statistical detection for text that would be read as ANSI
    SubFolders,     // a folder's scan takes its sub-folders too
};

// The switches, off unless checked, in the order of the window's layout and of the settings
// file.
struct Option {
    RunSwitch runSwitch;
    std::string_view caption; // UTF-8; the check box's caption, which is also its settings key
};
inline constexpr Option optionTable[] = {
    {RunSwitch::SmartDetection, "智能识别编码"},
    {RunSwitch::SubFolders, "包含子文件夹"},
};

// The row of a switch; every switch has one.
constexpr const Option* findOption(RunSwitch runSwitch) {
    for (const Option& option : optionTable)
        if (option.runSwitch == runSwitch)
            return &option;
    return nullptr;
}

// The row of `value` in `group`; nullptr when the group offers no such choice.
constexpr const Choice* findChoice(ChoiceGroup group, int value) {
    for (const Choice& choice : choiceTable)
        if (choice.group == group && choice.value == value)
            return &choice;
    return nullptr;
}

// The group's first row: its initial choice.
constexpr const Choice& defaultChoice(ChoiceGroup group) {
    for (const Choice& choice : choiceTable)
        if (choice.group == group)
            return choice;
    return choiceTable[0]; // every group has rows
}

constexpr bool isDefaultChoice(const Choice& choice) {
    return &defaultChoice(choice.group) == &choice;
}

// The value's name on the command line: the engine's short name of the encoding or mode
// ("utf8", "s2t", ...), so that the options read as the converter's lines print.
std::string_view commandLineName(const Choice& choice);

// The row of `group` whose command-line name is `name`; nullptr when none is.
const Choice* findChoiceByName(ChoiceGroup group, std::string_view name);

// The value of the group's first row whose `selected` answers true, in table order (its
// precedence); the value of the group's first row when none does.
template <class Selected> int selectedValue(ChoiceGroup group, const Selected& selected) {
    for (const Choice& choice : choiceTable)
        if (choice.group == group && selected(choice))
            return choice.value;
    return defaultChoice(group).value;
}

} // namespace batch

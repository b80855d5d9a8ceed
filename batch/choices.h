// The user's choices of a run as one table: every radio button of the three choice groups with
// the value it stands for. The batch run reads the groups through it, the headless host and the
// command line select by it, the settings keys and the window's layout walk it.
#pragma once

#include <string_view>

#include "batch/batch_host.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace batch {

class BatchHost;

enum class ChoiceGroup {
    Input,  // the input encoding (TextEncoding)
    Output, // the output encoding (TextEncoding); Auto means the encoding detected for the source
    Script, // the Chinese script conversion (ScriptMode)
};

struct Choice {
    ChoiceGroup group;
    std::string_view control; // the radio button's object name
    int value;                // a TextEncoding in the encoding groups, a ScriptMode in Script
    std::string_view caption; // UTF-8; the radio's caption, which is also its settings key
};

// In the order of the window's layout, of the settings file and of precedence within a group;
// the first row of each group is its initial choice and what a group with none selected means.
inline constexpr Choice choiceTable[] = {
    {ChoiceGroup::Input, "单选框自动输入", int(engine::TextEncoding::Auto), "自动"},
    {ChoiceGroup::Input, "单选框输入ANSI", int(engine::TextEncoding::Ansi), "ANSI"},
    {ChoiceGroup::Input, "单选框输入UTF8", int(engine::TextEncoding::Utf8), "UTF-8"},
    {ChoiceGroup::Input, "单选框输入Ule", int(engine::TextEncoding::Utf16LE), "Unicode"},
    {ChoiceGroup::Input, "单选框输入Ube", int(engine::TextEncoding::Utf16BE), "Unicode big endian"},
    {ChoiceGroup::Output, "单选框自动输出", int(engine::TextEncoding::Auto), "自动"},
    {ChoiceGroup::Output, "单选框输出ANSI", int(engine::TextEncoding::Ansi), "ANSI"},
    {ChoiceGroup::Output, "单选框输出UTF8", int(engine::TextEncoding::Utf8), "UTF-8"},
    {ChoiceGroup::Output, "单选框输出Ule", int(engine::TextEncoding::Utf16LE), "Unicode"},
    {ChoiceGroup::Output, "单选框输出Ube", int(engine::TextEncoding::Utf16BE),
     "Unicode big endian"},
    {ChoiceGroup::Script, "单选框不转", int(engine::ScriptMode::None), "不转"},
    {ChoiceGroup::Script, "单选框简到繁", int(engine::ScriptMode::SimplifiedToTraditional),
     "简体到繁体"},
    {ChoiceGroup::Script, "单选框繁到简", int(engine::ScriptMode::TraditionalToSimplified),
     "繁体到简体"},
    {ChoiceGroup::Script, "单选框简到b5", int(engine::ScriptMode::SimplifiedToBig5), "简体到Big5"},
    {ChoiceGroup::Script, "单选框繁到b5", int(engine::ScriptMode::TraditionalToBig5), "繁体到Big5"},
    {ChoiceGroup::Script, "单选框b5到简", int(engine::ScriptMode::Big5ToSimplified), "Big5到简体"},
    {ChoiceGroup::Script, "单选框b5到繁", int(engine::ScriptMode::Big5ToTraditional), "Big5到繁体"},
};

// The check boxes beyond the classic choices, off unless checked, in the order of the window's
// layout and of the settings file.
struct Option {
    std::string_view control; // the check box's object name
    std::string_view caption; // UTF-8; the check box's caption, which is also its settings key
};
inline constexpr Option optionTable[] = {
    {control::smartDetectionBox, "智能识别编码"},
    {control::subFoldersBox, "包含子文件夹"},
};

// The row of the check box `control`; nullptr when it is no option's.
constexpr const Option* findOption(std::string_view control) {
    for (const Option& option : optionTable)
        if (option.control == control)
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

// The value of the group's selected radio (the first selected, in table order); the value of the
// group's first row when none is selected.
int selectedValue(BatchHost& host, ChoiceGroup group);

} // namespace batch

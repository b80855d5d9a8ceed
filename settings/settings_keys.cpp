#include "settings/settings_keys.h"

#include <string_view>
#include <utility>

#include "batch/choices.h"
#include "platform/file_system.h"
#include "platform/user_folders.h"

namespace settings {

namespace {

using batch::ChoiceGroup;

// Each choice group's section; every radio of the group is stored there under its caption.
constexpr std::pair<ChoiceGroup, const char*> radioSections[] = {
    {ChoiceGroup::Input, "输入编码"},
    {ChoiceGroup::Output, "输出编码"},
    {ChoiceGroup::Script, "繁简互转"},
};

// The texts stored after the radios, in their own section.
constexpr const char* sourceSection = "转换来源";
struct TextSetting {
    platform::AnsiText WindowChoices::*value;
    const char* key;
    const char* defaultValue;
};
constexpr TextSetting textSettings[] = {
    {&WindowChoices::filesFolder, "目录", ""},
    {&WindowChoices::folderFolder, "目录_文件夹", ""},
    {&WindowChoices::filter, "文件过滤", "*.*"},
};

// The options beyond the classic choices come last, in a section of their own that a reader of
// the classic layout passes over. It is written only once an option has been on, so that a
// first save stays the classic layout.
constexpr const char* optionSection = "选项";

// True when the section holds a value for any option: an option was on at some earlier save.
bool optionsStored(ConfigStore& store) {
    for (const batch::Option& option : batch::optionTable)
        if (!store.readText(platform::ansi(option.caption), {}).empty())
            return true;
    return false;
}

// Both handlers walk the sections in this order, and the radios of a group in the choice
// table's order; the order fixes the layout of a first save.
template <typename Radio, typename Text, typename Options>
void walkSettings(ConfigStore& store, Radio radio, Text text, Options options) {
    for (const auto& [group, section] : radioSections) {
        store.selectSection(platform::ansi(section));
        for (std::size_t row = 0; row < std::size(batch::choiceTable); ++row)
            if (batch::choiceTable[row].group == group)
                radio(row);
    }
    store.selectSection(platform::ansi(sourceSection));
    for (const TextSetting& setting : textSettings)
        text(setting);
    store.selectSection(platform::ansi(optionSection));
    options();
}

} // namespace

void loadSettingsIntoWindow(ConfigStore& store, WindowChoices& choices, const StoreEvents& events) {
    const auto lent = store.lendEvents(events);
    walkSettings(
        store,
        [&](std::size_t row) {
            choices.setRadio(
                row, store.restoreRadioButton(platform::ansi(batch::choiceTable[row].caption),
                                              choices.radios[row]));
        },
        [&](const TextSetting& setting) {
            choices.*setting.value =
                store.readText(platform::ansi(setting.key), platform::ansi(setting.defaultValue));
        },
        [&] {
            // A missing key reads as off.
            for (std::size_t i = 0; i < std::size(batch::optionTable); ++i)
                choices.switches[i] =
                    store.readFlag(platform::ansi(batch::optionTable[i].caption), false);
        });
}

void saveSettingsFromWindow(ConfigStore& store, const WindowChoices& choices,
                            const StoreEvents& events) {
    const auto lent = store.lendEvents(events);
    walkSettings(
        store,
        [&](std::size_t row) {
            store.saveRadioButton(platform::ansi(batch::choiceTable[row].caption),
                                  choices.radios[row]);
        },
        [&](const TextSetting& setting) {
            store.writeText(platform::ansi(setting.key), choices.*setting.value);
        },
        [&] {
            bool anyOn = false;
            for (const bool on : choices.switches)
                anyOn = anyOn || on;
            if (!anyOn && !optionsStored(store))
                return;
            for (std::size_t i = 0; i < std::size(batch::optionTable); ++i)
                store.writeFlag(platform::ansi(batch::optionTable[i].caption), choices.switches[i]);
        });
}

platform::AnsiText settingsFilePath(const platform::AnsiText& executableFolder) {
    const platform::AnsiText fileName = platform::ansi("青枫匣.ini");
    // Only a file someone put beside the program makes it portable, even in a read-only folder;
    // a program never starts one there itself (an installed one would write into /usr/bin).
    const platform::AnsiText besideProgram = executableFolder + platform::pathSeparator + fileName;
    if (!executableFolder.empty() && platform::isFileEditable(besideProgram))
        return besideProgram;
    const platform::AnsiText configFolder = platform::userConfigFolder();
    if (configFolder.empty())
        return {};
    const platform::AnsiText folder =
        configFolder + platform::pathSeparator + platform::ansi("青枫匣");
    const platform::AnsiText path = folder + platform::pathSeparator + fileName;
    platform::createFolderPath(path);
    return path;
}

} // namespace settings

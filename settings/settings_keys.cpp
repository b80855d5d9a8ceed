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

// The output options, stored after the switches in the same section, only once they differ
// from the classic output (or were stored before), for the same reason. Values are their
// captions' words, so that the file reads as the dialog does.
constexpr const char* markKey = "写入BOM";
constexpr const char* lineEndKey = "换行符";
constexpr const char* placeKey = "输出位置";
constexpr const char* folderKey = "输出文件夹";
constexpr std::pair<engine::LineEnding, const char*> lineEndValues[] = {
    {engine::LineEnding::Keep, "保持"},
    {engine::LineEnding::Crlf, "CRLF"},
    {engine::LineEnding::Lf, "LF"},
};
constexpr std::pair<batch::OutputPlace, const char*> placeValues[] = {
    {batch::OutputPlace::BesideSources, "转换结果"},
    {batch::OutputPlace::ChosenFolder, "指定文件夹"},
    {batch::OutputPlace::ReplaceSources, "替换原文件"},
};

// The stored word of `value`; the first row's value for a word no row has (a file edited by
// hand, or written by a later version).
template <typename Value, std::size_t n>
Value valueOfWord(const std::pair<Value, const char*> (&rows)[n], const platform::AnsiText& word) {
    for (const auto& [value, stored] : rows)
        if (platform::ansi(stored) == word)
            return value;
    return rows[0].first;
}
template <typename Value, std::size_t n>
platform::AnsiText wordOf(const std::pair<Value, const char*> (&rows)[n], Value value) {
    for (const auto& [known, stored] : rows)
        if (known == value)
            return platform::ansi(stored);
    return platform::ansi(rows[0].second);
}

bool outputStored(ConfigStore& store) {
    for (const char* key : {markKey, lineEndKey, placeKey, folderKey})
        if (!store.readText(platform::ansi(key), {}).empty())
            return true;
    return false;
}

void loadOutput(ConfigStore& store, batch::OutputChoices& output) {
    const batch::OutputChoices classic;
    output.write.byteOrderMark =
        store.readFlag(platform::ansi(markKey), classic.write.byteOrderMark);
    output.write.lineEnding =
        valueOfWord(lineEndValues, store.readText(platform::ansi(lineEndKey),
                                                  wordOf(lineEndValues, classic.write.lineEnding)));
    output.place = valueOfWord(
        placeValues, store.readText(platform::ansi(placeKey), wordOf(placeValues, classic.place)));
    output.folder = store.readText(platform::ansi(folderKey), {});
    // A chosen folder that was lost reads as the classic place.
    if (output.place == batch::OutputPlace::ChosenFolder && output.folder.empty())
        output.place = batch::OutputPlace::BesideSources;
}

void saveOutput(ConfigStore& store, const batch::OutputChoices& output) {
    if (output == batch::OutputChoices() && !outputStored(store))
        return;
    store.writeFlag(platform::ansi(markKey), output.write.byteOrderMark);
    store.writeText(platform::ansi(lineEndKey), wordOf(lineEndValues, output.write.lineEnding));
    store.writeText(platform::ansi(placeKey), wordOf(placeValues, output.place));
    store.writeText(platform::ansi(folderKey), output.folder);
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
            loadOutput(store, choices.output);
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
            if (anyOn || optionsStored(store))
                for (std::size_t i = 0; i < std::size(batch::optionTable); ++i)
                    store.writeFlag(platform::ansi(batch::optionTable[i].caption),
                                    choices.switches[i]);
            saveOutput(store, choices.output);
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

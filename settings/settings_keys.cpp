#include "settings/settings_keys.h"

#include "platform/file_system.h"
#include "platform/user_folders.h"

namespace settings {

namespace {

enum class Persisted {
    RadioState, // the radio button's caption is the key, its selected state the flag
    ButtonTag,  // a button's remembered folder
    EditText,   // an edit box's text
};

struct Setting {
    const char* section;
    const char* control;
    Persisted kind;
    const char* key;          // text settings only
    const char* defaultValue; // text settings only
};

// Both handlers walk this table in order; its order fixes the layout of a first save.
const Setting settingsTable[] = {
    {"输入编码", "单选框自动输入", Persisted::RadioState, nullptr, nullptr},
    {"输入编码", "单选框输入ANSI", Persisted::RadioState, nullptr, nullptr},
    {"输入编码", "单选框输入UTF8", Persisted::RadioState, nullptr, nullptr},
    {"输入编码", "单选框输入Ule", Persisted::RadioState, nullptr, nullptr},
    {"输入编码", "单选框输入Ube", Persisted::RadioState, nullptr, nullptr},
    {"输出编码", "单选框自动输出", Persisted::RadioState, nullptr, nullptr},
    {"输出编码", "单选框输出ANSI", Persisted::RadioState, nullptr, nullptr},
    {"输出编码", "单选框输出UTF8", Persisted::RadioState, nullptr, nullptr},
    {"输出编码", "单选框输出Ule", Persisted::RadioState, nullptr, nullptr},
    {"输出编码", "单选框输出Ube", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框不转", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框简到繁", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框繁到简", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框简到b5", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框繁到b5", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框b5到简", Persisted::RadioState, nullptr, nullptr},
    {"繁简互转", "单选框b5到繁", Persisted::RadioState, nullptr, nullptr},
    {"转换来源", "按钮批量转换", Persisted::ButtonTag, "目录", ""},
    {"转换来源", "按钮批量转换文件夹", Persisted::ButtonTag, "目录_文件夹", ""},
    {"转换来源", "编辑框文件过滤", Persisted::EditText, "文件过滤", "*.*"},
};

ControlAttribute textAttributeOf(Persisted kind) {
    return kind == Persisted::ButtonTag ? ControlAttribute::Tag : ControlAttribute::Text;
}

template <typename Visit> void walkSettings(ConfigStore& store, Visit visit) {
    const char* selected = nullptr;
    for (const Setting& setting : settingsTable) {
        if (selected != setting.section) {
            store.selectSection(platform::ansi(setting.section));
            selected = setting.section;
        }
        visit(setting, platform::ansi(setting.control));
    }
}

} // namespace

void loadSettingsIntoWindow(ConfigStore& store, ControlAccess& window) {
    walkSettings(store, [&](const Setting& setting, const platform::AnsiText& control) {
        if (setting.kind == Persisted::RadioState) {
            store.restoreRadioButton(window, control);
            return;
        }
        window.setTextAttribute(
            control, textAttributeOf(setting.kind),
            store.readText(platform::ansi(setting.key), platform::ansi(setting.defaultValue)));
    });
}

void saveSettingsFromWindow(ConfigStore& store, ControlAccess& window) {
    walkSettings(store, [&](const Setting& setting, const platform::AnsiText& control) {
        if (setting.kind == Persisted::RadioState) {
            store.saveRadioButton(window, control);
            return;
        }
        store.writeText(platform::ansi(setting.key),
                        window.textAttribute(control, textAttributeOf(setting.kind)));
    });
}

platform::AnsiText settingsFilePath(const platform::AnsiText& executableFolder) {
    const platform::AnsiText fileName = platform::ansi("青枫匣.ini");
    // The file decides, not its folder: a writable copy in a read-only folder (installed or
    // shared) is still the one to use.
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

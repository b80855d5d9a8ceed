// The object names of the controls the window's handlers and settings reach, and the captions
// that show a batch button's state. Only the window knows them; the run speaks in types.
#pragma once

#include <string_view>

#include "batch/batch_session.h"
#include "batch/button_window.h"
#include "batch/choices.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace ui {

namespace control {
inline constexpr std::string_view fileButton = "按钮批量转换";
inline constexpr std::string_view folderButton = "按钮批量转换文件夹";
inline constexpr std::string_view filterEdit = "编辑框文件过滤";
inline constexpr std::string_view progressBar = "进度条";
inline constexpr std::string_view progressCaption = "透明标签";
inline constexpr std::string_view smartDetectionBox = "复选框智能识别编码"; // "智能识别编码"
inline constexpr std::string_view subFoldersBox = "复选框包含子文件夹";     // "包含子文件夹"
inline constexpr std::string_view outputOptionsButton = "按钮输出选项";
inline constexpr std::string_view checkButton = "按钮检查";
} // namespace control

// Each choice's radio button.
struct RadioName {
    batch::ChoiceGroup group;
    int value;
    std::string_view name;
};
inline constexpr RadioName radioNames[] = {
    {batch::ChoiceGroup::Input, int(engine::TextEncoding::Auto), "单选框自动输入"},
    {batch::ChoiceGroup::Input, int(engine::TextEncoding::Ansi), "单选框输入ANSI"},
    {batch::ChoiceGroup::Input, int(engine::TextEncoding::Utf8), "单选框输入UTF8"},
    {batch::ChoiceGroup::Input, int(engine::TextEncoding::Utf16LE), "单选框输入Ule"},
    {batch::ChoiceGroup::Input, int(engine::TextEncoding::Utf16BE), "单选框输入Ube"},
    {batch::ChoiceGroup::Output, int(engine::TextEncoding::Auto), "单选框自动输出"},
    {batch::ChoiceGroup::Output, int(engine::TextEncoding::Ansi), "单选框输出ANSI"},
    {batch::ChoiceGroup::Output, int(engine::TextEncoding::Utf8), "单选框输出UTF8"},
    {batch::ChoiceGroup::Output, int(engine::TextEncoding::Utf16LE), "单选框输出Ule"},
    {batch::ChoiceGroup::Output, int(engine::TextEncoding::Utf16BE), "单选框输出Ube"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::None), "单选框不转"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::SimplifiedToTraditional), "单选框简到繁"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::TraditionalToSimplified), "单选框繁到简"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::SimplifiedToBig5), "单选框简到b5"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::TraditionalToBig5), "单选框繁到b5"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::Big5ToSimplified), "单选框b5到简"},
    {batch::ChoiceGroup::Script, int(engine::ScriptMode::Big5ToTraditional), "单选框b5到繁"},
};

// The radio of `choice`; empty when it has none (the layout's check fails the build then).
constexpr std::string_view radioNameOf(const batch::Choice& choice) {
    for (const RadioName& radio : radioNames)
        if (radio.group == choice.group && radio.value == choice.value)
            return radio.name;
    return {};
}

// The check box of a switch.
constexpr std::string_view checkBoxNameOf(batch::RunSwitch runSwitch) {
    return runSwitch == batch::RunSwitch::SmartDetection ? control::smartDetectionBox
                                                         : control::subFoldersBox;
}

constexpr std::string_view buttonNameOf(batch::BatchButton button) {
    return button == batch::BatchButton::Files ? control::fileButton : control::folderButton;
}

// The captions that show each button's state (UTF-8, leading blanks included).
struct ButtonCaptions {
    std::string_view idle, running, stopping;
};
inline constexpr ButtonCaptions fileButtonCaptions{"批量转换", "点我停止", "停止中.."};
inline constexpr ButtonCaptions folderButtonCaptions{"   批量转换(文件夹方式)", "    点我停止",
                                                     "   停止中.."};

constexpr std::string_view captionOf(batch::BatchButton button, batch::ButtonState state) {
    const ButtonCaptions& captions =
        button == batch::BatchButton::Files ? fileButtonCaptions : folderButtonCaptions;
    return state == batch::ButtonState::Idle      ? captions.idle
           : state == batch::ButtonState::Running ? captions.running
                                                  : captions.stopping;
}

} // namespace ui

// What a batch run needs from whoever hosts it: the window's controls by name, its dialogs, the
// message box and the event pump. The window implements it; the command-line converter and the
// tests implement it without a screen.
#pragma once

#include "engine/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"
#include "platform/message_answer.h"

#include <string>
#include <string_view>
#include <vector>

namespace batch {

using platform::AnsiText;

// Names of the controls the run reads and sets; the window's widgets carry them as object names.
namespace control {
inline constexpr std::string_view fileButton = "按钮批量转换";
inline constexpr std::string_view folderButton = "按钮批量转换文件夹";
inline constexpr std::string_view filterEdit = "编辑框文件过滤";
inline constexpr std::string_view progressBar = "进度条";
inline constexpr std::string_view progressCaption = "透明标签";
inline constexpr std::string_view inputAuto = "单选框自动输入";
inline constexpr std::string_view inputAnsi = "单选框输入ANSI";
inline constexpr std::string_view inputUtf8 = "单选框输入UTF8";
inline constexpr std::string_view inputUtf16LE = "单选框输入Ule";
inline constexpr std::string_view inputUtf16BE = "单选框输入Ube";
inline constexpr std::string_view outputAuto = "单选框自动输出";
inline constexpr std::string_view outputAnsi = "单选框输出ANSI";
inline constexpr std::string_view outputUtf8 = "单选框输出UTF8";
inline constexpr std::string_view outputUtf16LE = "单选框输出Ule";
inline constexpr std::string_view outputUtf16BE = "单选框输出Ube";
inline constexpr std::string_view scriptNone = "单选框不转";
inline constexpr std::string_view scriptSimplifiedToTraditional = "单选框简到繁";
inline constexpr std::string_view scriptTraditionalToSimplified = "单选框繁到简";
inline constexpr std::string_view scriptSimplifiedToBig5 = "单选框简到b5";
inline constexpr std::string_view scriptTraditionalToBig5 = "单选框繁到b5";
inline constexpr std::string_view scriptBig5ToSimplified = "单选框b5到简";
inline constexpr std::string_view scriptBig5ToTraditional = "单选框b5到繁";
} // namespace control

// How one file of a run went, for hosts that list files (the command-line converter).
struct FileOutcome {
    int index = 0;       // 1-based position in the run
    int count = 0;       // files in the run
    AnsiText sourcePath; // full path of the source
    AnsiText outputPath; // where the result was (or would have been) written
    engine::TextEncoding detected = engine::TextEncoding::Auto;
    engine::TextEncoding written = engine::TextEncoding::Auto;
    // None when the file was converted completely; a source problem means it was not read.
    platform::FileStatus status;
};

class BatchHost {
public:
    virtual ~BatchHost() = default;

    // Control attributes by name (names are the UTF-8 object names above; values are AnsiText).
    virtual AnsiText caption(std::string_view control) = 0;
    virtual void setCaption(std::string_view control, const AnsiText& caption) = 0;
    virtual AnsiText tag(std::string_view control) = 0;
    virtual void setTag(std::string_view control, const AnsiText& tag) = 0;
    virtual AnsiText text(std::string_view control) = 0;
    virtual bool selected(std::string_view control) = 0;
    virtual void setDisabled(std::string_view control, bool disabled) = 0;
    virtual void setMaximum(std::string_view control, int maximum) = 0;
    virtual void setPosition(std::string_view control, int position) = 0;

    // Processes the pending events once and returns. False when the host is going away (the
    // window was closed): the run then stops after the file in hand and shows nothing more.
    virtual bool pumpEvents() = 0;

    // The multi-select open dialog: full paths in the dialog's order; empty when cancelled.
    virtual std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                              const AnsiText& initialFolder) = 0;
    // The folder picker: the chosen folder, or empty when cancelled.
    virtual AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) = 0;
    // The message box (style bits as the message box takes them; an empty title means the
    // program's default title).
    virtual platform::MessageAnswer showMessage(const AnsiText& text, int style,
                                                const AnsiText& title) = 0;
    // Opens the folder in a new file-manager window.
    virtual void openFolder(const AnsiText& folder) = 0;

    // Told after every file of a run; hosts without a file list ignore it.
    virtual void fileFinished(const FileOutcome&) {}
};

} // namespace batch

// What a batch run and the settings need from whoever hosts them: the window's controls by name,
// its dialogs, the message box and the event pump. The window implements it; the command-line
// converter and the tests implement it without a screen.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/file_problem.h"
#include "platform/message_answer.h"

namespace batch {

using platform::AnsiText;

// Names of the controls the run reads and sets besides the choice radios (batch/choices.h); the
// window's widgets carry them as object names.
namespace control {
inline constexpr std::string_view fileButton = "按钮批量转换";
inline constexpr std::string_view folderButton = "按钮批量转换文件夹";
inline constexpr std::string_view filterEdit = "编辑框文件过滤";
inline constexpr std::string_view progressBar = "进度条";
inline constexpr std::string_view progressCaption = "透明标签";
// The two options beyond the classic choices; both off unless checked.
inline constexpr std::string_view smartDetectionBox = "复选框智能识别编码"; // "智能识别编码"
inline constexpr std::string_view subFoldersBox = "复选框包含子文件夹";     // "包含子文件夹"
} // namespace control

// The attributes a control exposes by name. The empty name is the window itself.
enum class ControlAttribute {
    // Text attributes.
    Caption, // the visible caption of a button, radio button, label or check box; the title
    Tag,     // a button's free text (the remembered folder)
    Text,    // an edit box's content
    // Flag attributes.
    Selected, // checked state of a radio button or check box
    Disabled,
    // Number attributes.
    Maximum,  // a progress bar's maximum
    Position, // a progress bar's position
    // How much of the file at the position is done, 0 to 1000: a bar at position i shows
    // i - 1 and this fraction of a step. Setting the position starts it at 0.
    PositionPermille,
    PlacementState, // the window's: 0 normal, 1 centred, 2 minimised, 3 maximised
    Left,
    Top,
    Width,
    Height,
};

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

// The window as the batch run and the settings see it: its controls' attributes by name, its
// event pump and its dialogs. The window implements it once, the headless host once; names are
// the UTF-8 object names, values AnsiText. An attribute a control does not have reads as empty,
// false or 0, and setting it does nothing.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    virtual AnsiText textAttribute(std::string_view control, ControlAttribute attribute) = 0;
    virtual void setTextAttribute(std::string_view control, ControlAttribute attribute,
                                  const AnsiText& value) = 0;
    virtual bool flagAttribute(std::string_view control, ControlAttribute attribute) = 0;
    // A radio is set alone, as the classic control allows: clearing the selected radio of a
    // group leaves the group with none selected; selecting one clears the rest of its group.
    virtual void setFlagAttribute(std::string_view control, ControlAttribute attribute,
                                  bool value) = 0;
    virtual int numberAttribute(std::string_view control, ControlAttribute attribute) = 0;
    virtual void setNumberAttribute(std::string_view control, ControlAttribute attribute,
                                    int value) = 0;

    AnsiText caption(std::string_view control) {
        return textAttribute(control, ControlAttribute::Caption);
    }
    void setCaption(std::string_view control, const AnsiText& value) {
        setTextAttribute(control, ControlAttribute::Caption, value);
    }
    AnsiText tag(std::string_view control) { return textAttribute(control, ControlAttribute::Tag); }
    void setTag(std::string_view control, const AnsiText& value) {
        setTextAttribute(control, ControlAttribute::Tag, value);
    }
    AnsiText text(std::string_view control) {
        return textAttribute(control, ControlAttribute::Text);
    }
    void setText(std::string_view control, const AnsiText& value) {
        setTextAttribute(control, ControlAttribute::Text, value);
    }
    bool selected(std::string_view control) {
        return flagAttribute(control, ControlAttribute::Selected);
    }
    void setSelected(std::string_view control, bool value) {
        setFlagAttribute(control, ControlAttribute::Selected, value);
    }
    bool disabled(std::string_view control) {
        return flagAttribute(control, ControlAttribute::Disabled);
    }
    void setDisabled(std::string_view control, bool value) {
        setFlagAttribute(control, ControlAttribute::Disabled, value);
    }
    int maximum(std::string_view control) {
        return numberAttribute(control, ControlAttribute::Maximum);
    }
    void setMaximum(std::string_view control, int value) {
        setNumberAttribute(control, ControlAttribute::Maximum, value);
    }
    int position(std::string_view control) {
        return numberAttribute(control, ControlAttribute::Position);
    }
    void setPosition(std::string_view control, int value) {
        setNumberAttribute(control, ControlAttribute::Position, value);
    }

    // Processes the pending events once and returns. False when the host is going away (the
    // window was closed): a run then abandons the files converting and shows nothing more, and
    // nothing is processed any more.
    virtual bool pumpEvents() = 0;

    // The multi-select open dialog: full paths in the dialog's order; empty when cancelled.
    virtual std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                              const AnsiText& initialFolder) = 0;
    // The folder picker: the chosen folder, or empty when cancelled.
    virtual AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) = 0;
    // The message box (style bits as the message box takes them; an empty title means the
    // program's default title). Non-empty `details` are offered behind the box's details button,
    // one item a line.
    virtual platform::MessageAnswer showMessage(const AnsiText& text, int style,
                                                const AnsiText& title,
                                                const AnsiText& details = {}) = 0;
    // Opens the folder in a new file-manager window; false when nothing could open it.
    virtual bool openFolder(const AnsiText& folder) = 0;

    // Told after every file of a run; hosts without a file list ignore it.
    virtual void fileFinished(const FileOutcome&) {}
};

} // namespace batch

// The main window's fixed layout as one table: every control with its kind, parent, place,
// caption, font and initial state. The window is built from it and never laid out otherwise.
#pragma once

#include <map>
#include <span>
#include <string_view>

class QFont;
class QString;
class QWidget;

namespace ui {

enum class ControlKind {
    PicBox,      // plain child panel (group container, the promotion strip)
    ShapeBox,    // drawn frame that also parents controls
    Label,       // static text
    TransLabel,  // static text without background, drawn over another control
    RadioBox,    // radio button, exclusive among the radios of its parent
    CheckBox,    // check box for an option, on or off by itself
    Button,      // push button
    EditBox,     // single-line text field
    ProcessBar,  // horizontal progress bar
    PicBtn,      // clickable image
    HyperLinker, // text label with a link target
};

// A font as the layout gives it: face name, character height in pixels written negative (the
// classic logical-font convention), weight (400 normal, 700 bold). An empty face means the
// platform's default font.
struct FontSpec {
    std::string_view face;
    int height = 0;
    int weight = 400;
};

struct ControlSpec {
    std::string_view name; // object name (UTF-8)
    ControlKind kind;
    std::string_view parent; // empty: the window itself
    int left, top, width, height;
    std::string_view caption; // UTF-8; for an edit box its text
    FontSpec font;
    bool selected = false;      // radio buttons: initially selected
    bool defaultButton = false; // the push button that Enter clicks
};

// Every control of the window, parents before their children, in creation (and tab) order.
std::span<const ControlSpec> controlTable();

// The row of `name`, or nullptr when the table has no such control.
const ControlSpec* findControlSpec(std::string_view name);

// Lets the classic Chinese face names reach an installed CJK font: "宋体" and "黑体" are
// requested by name and fall back to whatever CJK face the system has. Safe to call again.
void installCjkFontFallbacks();

// The Qt font for a row's font: pixel size from the negative height, weight, CJK fallbacks.
QFont fontFor(const FontSpec& font, const QFont& base);

// Creates every control of the table inside `window` and returns them by object name. A `scale`
// below 1 shrinks every place and font by it, for a screen the classic size does not fit.
std::map<std::string_view, QWidget*> buildControls(QWidget* window, double scale = 1.0);

} // namespace ui

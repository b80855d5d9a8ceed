// The main window's controls, built from one table.
#include "ui/control_table.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QString>
#include <QStringList>

#include "batch/choices.h"
#include "ui/batch_button.h"
#include "ui/choice_radio.h"
#include "ui/control_names.h"
#include "ui/promotion_strip.h"

namespace ui {

namespace {

constexpr FontSpec noFont{};
constexpr FontSpec song14Bold{"宋体", -14, 700};
constexpr FontSpec song14{"宋体", -14, 400};
constexpr FontSpec song15{"宋体", -15, 400};
constexpr FontSpec song12{"宋体", -12, 400};
constexpr FontSpec hei21Bold{"黑体", -21, 700};

using K = ControlKind;
using batch::ChoiceGroup;
using Enc = engine::TextEncoding;
using Mode = engine::ScriptMode;

// The panel that holds a choice group's radios.
constexpr std::string_view panelOf(ChoiceGroup group) {
    switch (group) {
    case ChoiceGroup::Input:
        return "图片框1";
    case ChoiceGroup::Output:
        return "图片框2";
    case ChoiceGroup::Script:
        return "外形框1";
    }
    return "";
}

// A choice's radio at its place: name, caption and initial state come from the choice table. A
// value the group does not offer fails the build.
constexpr ControlSpec radio(ChoiceGroup group, auto value, int left, int top, int width, int height,
                            FontSpec font) {
    const batch::Choice& choice = *batch::findChoice(group, static_cast<int>(value));
    return {.name = radioNameOf(choice),
            .kind = K::RadioBox,
            .parent = panelOf(group),
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .caption = choice.caption,
            .font = font,
            .selected = batch::isDefaultChoice(choice)};
}

// A batch button, showing its idle caption.
constexpr ControlSpec button(std::string_view name, const ButtonCaptions& captions, int left,
                             int width, bool isDefault) {
    return {.name = name,
            .kind = K::Button,
            .parent = "",
            .left = left,
            .top = 304,
            .width = width,
            .height = 48,
            .caption = captions.idle,
            .font = hei21Bold,
            .defaultButton = isDefault};
}

// An option's check box in the strip below the batch buttons; its caption comes from the option
// table.
constexpr ControlSpec checkBox(batch::RunSwitch runSwitch, int left, int width) {
    const batch::Option& option = *batch::findOption(runSwitch);
    return {.name = checkBoxNameOf(runSwitch),
            .kind = K::CheckBox,
            .parent = "",
            .left = left,
            .top = 356,
            .width = width,
            .height = 18,
            .caption = option.caption,
            .font = song14};
}

constexpr auto In = ChoiceGroup::Input;
constexpr auto Out = ChoiceGroup::Output;
constexpr auto Script = ChoiceGroup::Script;

// clang-format off
constexpr std::array table{
    ControlSpec{"图片框3", K::PicBox, "", 0, 0, 1000, 88, "", noFont},
    ControlSpec{"图片官网", K::PicBtn, "图片框3", 104, 12, 195, 64, "", noFont},
    ControlSpec{"图片软件主页", K::PicBtn, "图片框3", 512, 0, 64, 64, "", noFont},
    ControlSpec{"文字软件主页", K::HyperLinker, "图片框3", 512, 64, 64, 24, "软件主页", song12},
    ControlSpec{"标签3", K::Label, "", -8, 88, 1200, 2, "", noFont},

    ControlSpec{"图片框1", K::PicBox, "", 16, 105, 584, 32, "", noFont},
    ControlSpec{"标签1", K::Label, "图片框1", 8, 3, 79, 24, "输入编码：", song14Bold},
    radio(In, Enc::Auto, 96, 3, 80, 24, song14),
    radio(In, Enc::Ansi, 176, 3, 64, 24, song14),
    radio(In, Enc::Utf8, 248, 3, 63, 24, song14),
    radio(In, Enc::Utf16LE, 328, 3, 80, 24, song14),
    radio(In, Enc::Utf16BE, 416, 3, 159, 24, song14),

    ControlSpec{"图片框2", K::PicBox, "", 16, 148, 584, 32, "", noFont},
    ControlSpec{"标签2", K::Label, "图片框2", 8, 3, 79, 24, "输出编码：", song14Bold},
    radio(Out, Enc::Auto, 96, 3, 80, 24, song14),
    radio(Out, Enc::Ansi, 176, 3, 64, 24, song14),
    radio(Out, Enc::Utf8, 248, 3, 63, 24, song14),
    radio(Out, Enc::Utf16LE, 328, 3, 80, 24, song14),
    radio(Out, Enc::Utf16BE, 416, 3, 159, 24, song14),

    ControlSpec{"外形框1", K::ShapeBox, "", 16, 192, 584, 72, "", noFont},
    ControlSpec{"标签4", K::Label, "外形框1", 8, 19, 79, 24, "繁简互转：", song14Bold},
    radio(Script, Mode::None, 96, 19, 64, 24, song15),
    radio(Script, Mode::SimplifiedToTraditional, 176, 3, 112, 24, song15),
    radio(Script, Mode::TraditionalToSimplified, 176, 35, 112, 24, song15),
    radio(Script, Mode::SimplifiedToBig5, 328, 3, 112, 24, song15),
    radio(Script, Mode::TraditionalToBig5, 328, 35, 112, 24, song15),
    radio(Script, Mode::Big5ToSimplified, 464, 3, 112, 24, song15),
    radio(Script, Mode::Big5ToTraditional, 464, 35, 112, 24, song15),

    ControlSpec{control::progressBar, K::ProcessBar, "", 24, 272, 552, 24, "", noFont},
    ControlSpec{control::progressCaption, K::TransLabel, "", 39, 272, 520, 24, "", song15},
    button(control::fileButton, fileButtonCaptions, 24, 168, true),
    button(control::folderButton, folderButtonCaptions, 200, 376, false),
    ControlSpec{control::filterEdit, K::EditBox, "", 480, 316, 64, 26, "*.*", song15},
    checkBox(batch::RunSwitch::SmartDetection, 24, 136),
    checkBox(batch::RunSwitch::SubFolders, 200, 136),
    ControlSpec{control::checkButton, K::Button, "", 344, 353, 88, 22, "检查…", song14},
    ControlSpec{control::outputOptionsButton, K::Button, "", 440, 353, 136, 22, "输出选项…", song14},
};
// clang-format on

constexpr bool everyChoicePlaced() {
    for (const batch::Choice& choice : batch::choiceTable) {
        bool placed = false;
        for (const ControlSpec& row : table) {
            placed = placed || (!radioNameOf(choice).empty() && row.name == radioNameOf(choice));
        }
        if (!placed) {
            return false;
        }
    }
    return true;
}
static_assert(everyChoicePlaced(), "a choice of the choice table has no radio in the layout");

QString qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Families tried after the requested face, so that Chinese shows wherever some CJK font exists.
QStringList cjkFallbacks(std::string_view face) {
    if (face == "黑体") {
        return {"SimHei", "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Source Han Sans SC",
                "Droid Sans Fallback"};
    }
    return {"SimSun",
            "NSimSun",
            "Noto Serif CJK SC",
            "AR PL UMing CN",
            "WenQuanYi Zen Hei",
            "Noto Sans CJK SC",
            "Droid Sans Fallback"};
}

QWidget* createWidget(const ControlSpec& row, QWidget* parent) {
    switch (row.kind) {
    case K::PicBox: {
        auto* panel = new QFrame(parent);
        panel->setFrameShape(QFrame::NoFrame);
        return panel;
    }
    case K::ShapeBox: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        return frame;
    }
    case K::Label: {
        auto* label = new QLabel(qs(row.caption), parent);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case K::TransLabel: {
        // The run's status text, which holds file names: plain text, never markup.
        auto* label = new QLabel(qs(row.caption), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case K::RadioBox: {
        auto* radio = new ChoiceRadio(qs(row.caption), parent);
        radio->setChecked(row.selected);
        return radio;
    }
    case K::CheckBox:
        return new QCheckBox(qs(row.caption), parent);
    case K::Button: {
        auto* button = new BatchButton(qs(row.caption), parent);
        // A focused push button takes Enter itself; elsewhere the window hands Enter to the
        // default button.
        button->setAutoDefault(true);
        button->setDefault(row.defaultButton);
        return button;
    }
    case K::EditBox:
        return new QLineEdit(qs(row.caption), parent);
    case K::ProcessBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        // The run's status text lies over the bar; a percentage would show through it.
        bar->setTextVisible(false);
        return bar;
    }
    case K::PicBtn:
        return new ClickableLabel(parent);
    case K::HyperLinker:
        return new HyperLinker(qs(row.caption), parent);
    }
    return nullptr;
}

} // namespace

std::span<const ControlSpec> controlTable() {
    return table;
}

const ControlSpec* findControlSpec(std::string_view name) {
    for (const ControlSpec& row : table) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

void installCjkFontFallbacks() {
    for (std::string_view face : {std::string_view("宋体"), std::string_view("黑体")}) {
        QFont::insertSubstitutions(qs(face), cjkFallbacks(face));
    }
}

QFont fontFor(const FontSpec& wanted, const QFont& base) {
    QFont font(base);
    if (wanted.face.empty()) {
        return font;
    }
    QStringList families{qs(wanted.face)};
    families += cjkFallbacks(wanted.face);
    font.setFamilies(families);
    font.setPixelSize(-wanted.height > 0 ? -wanted.height : wanted.height);
    font.setWeight(static_cast<QFont::Weight>(wanted.weight));
    return font;
}

std::map<std::string_view, QWidget*> buildControls(QWidget* window, double scale) {
    auto scaled = [scale](int length) { return static_cast<int>(std::lround(length * scale)); };
    installCjkFontFallbacks();
    std::map<std::string_view, QWidget*> controls;
    for (const ControlSpec& row : table) {
        QWidget* parent = window;
        if (!row.parent.empty()) {
            auto found = controls.find(row.parent);
            parent = found != controls.end() ? found->second : window;
        }
        QWidget* widget = createWidget(row, parent);
        widget->setObjectName(qs(row.name));
        if (scale == 1.0) {
            widget->setGeometry(row.left, row.top, row.width, row.height);
            widget->setFont(fontFor(row.font, widget->font()));
        } else {
            widget->setGeometry(scaled(row.left), scaled(row.top), scaled(row.width),
                                scaled(row.height));
            QFont font = fontFor(row.font, widget->font());
            if (font.pixelSize() > 0)
                font.setPixelSize(std::max(1, scaled(font.pixelSize())));
            else
                font.setPointSizeF(font.pointSizeF() * scale);
            widget->setFont(font);
        }
        controls.emplace(row.name, widget);
    }
    // Controls that lie over others are drawn above them: the status text over the bar, the
    // filter box over the right end of the folder button.
    controls.at(control::progressCaption)->raise();
    QWidget* filter = controls.at(control::filterEdit);
    filter->raise();
    // Its caption goes in the part of the folder button left of the filter box.
    auto* folderButton = static_cast<BatchButton*>(controls.at(control::folderButton));
    folderButton->setCaptionArea(
        QRect(0, 0, filter->x() - folderButton->x(), folderButton->height()));
    return controls;
}

} // namespace ui

// The main window's controls, built from one table.
#include "ui/control_table.h"

#include <array>

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>

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

// clang-format off
constexpr std::array table{
    ControlSpec{"图片框3", K::PicBox, "", 0, 0, 1000, 88, "", noFont},
    ControlSpec{"图片官网", K::PicBtn, "图片框3", 104, 12, 195, 64, "", noFont},
    ControlSpec{"图片软件主页", K::PicBtn, "图片框3", 512, 0, 64, 64, "", noFont},
    ControlSpec{"文字软件主页", K::HyperLinker, "图片框3", 512, 64, 64, 24, "软件主页", song12},
    ControlSpec{"标签3", K::Label, "", -8, 88, 1200, 2, "", noFont},

    ControlSpec{"图片框1", K::PicBox, "", 16, 105, 584, 32, "", noFont},
    ControlSpec{"标签1", K::Label, "图片框1", 8, 3, 79, 24, "输入编码：", song14Bold},
    ControlSpec{"单选框自动输入", K::RadioBox, "图片框1", 96, 3, 80, 24, "自动", song14, true},
    ControlSpec{"单选框输入ANSI", K::RadioBox, "图片框1", 176, 3, 64, 24, "ANSI", song14},
    ControlSpec{"单选框输入UTF8", K::RadioBox, "图片框1", 248, 3, 63, 24, "UTF-8", song14},
    ControlSpec{"单选框输入Ule", K::RadioBox, "图片框1", 328, 3, 80, 24, "Unicode", song14},
    ControlSpec{"单选框输入Ube", K::RadioBox, "图片框1", 416, 3, 159, 24, "Unicode big endian", song14},

    ControlSpec{"图片框2", K::PicBox, "", 16, 148, 584, 32, "", noFont},
    ControlSpec{"标签2", K::Label, "图片框2", 8, 3, 79, 24, "输出编码：", song14Bold},
    ControlSpec{"单选框自动输出", K::RadioBox, "图片框2", 96, 3, 80, 24, "自动", song14, true},
    ControlSpec{"单选框输出ANSI", K::RadioBox, "图片框2", 176, 3, 64, 24, "ANSI", song14},
    ControlSpec{"单选框输出UTF8", K::RadioBox, "图片框2", 248, 3, 63, 24, "UTF-8", song14},
    ControlSpec{"单选框输出Ule", K::RadioBox, "图片框2", 328, 3, 80, 24, "Unicode", song14},
    ControlSpec{"单选框输出Ube", K::RadioBox, "图片框2", 416, 3, 159, 24, "Unicode big endian", song14},

    ControlSpec{"外形框1", K::ShapeBox, "", 16, 192, 584, 72, "", noFont},
    ControlSpec{"标签4", K::Label, "外形框1", 8, 19, 79, 24, "繁简互转：", song14Bold},
    ControlSpec{"单选框不转", K::RadioBox, "外形框1", 96, 19, 64, 24, "不转", song15, true},
    ControlSpec{"单选框简到繁", K::RadioBox, "外形框1", 176, 3, 112, 24, "简体到繁体", song15},
    ControlSpec{"单选框繁到简", K::RadioBox, "外形框1", 176, 35, 112, 24, "繁体到简体", song15},
    ControlSpec{"单选框简到b5", K::RadioBox, "外形框1", 328, 3, 112, 24, "简体到Big5", song15},
    ControlSpec{"单选框繁到b5", K::RadioBox, "外形框1", 328, 35, 112, 24, "繁体到Big5", song15},
    ControlSpec{"单选框b5到简", K::RadioBox, "外形框1", 464, 3, 112, 24, "Big5到简体", song15},
    ControlSpec{"单选框b5到繁", K::RadioBox, "外形框1", 464, 35, 112, 24, "Big5到繁体", song15},

    ControlSpec{"进度条", K::ProcessBar, "", 24, 272, 552, 24, "", noFont},
    ControlSpec{"透明标签", K::TransLabel, "", 39, 272, 520, 24, "", song15},
    ControlSpec{"按钮批量转换", K::Button, "", 24, 304, 168, 48, "批量转换", hei21Bold, false, true},
    ControlSpec{"按钮批量转换文件夹", K::Button, "", 200, 304, 376, 48, "   批量转换(文件夹方式)", hei21Bold},
    ControlSpec{"编辑框文件过滤", K::EditBox, "", 480, 316, 64, 26, "*.*", song15},
};
// clang-format on

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
        auto* radio = new QRadioButton(qs(row.caption), parent);
        radio->setAutoExclusive(true);
        radio->setChecked(row.selected);
        return radio;
    }
    case K::Button: {
        auto* button = new QPushButton(qs(row.caption), parent);
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

std::map<std::string_view, QWidget*> buildControls(QWidget* window) {
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
        widget->setGeometry(row.left, row.top, row.width, row.height);
        widget->setFont(fontFor(row.font, widget->font()));
        controls.emplace(row.name, widget);
    }
    // Controls that lie over others are drawn above them: the status text over the bar, the
    // filter box over the right end of the folder button.
    controls.at("透明标签")->raise();
    controls.at("编辑框文件过滤")->raise();
    return controls;
}

} // namespace ui

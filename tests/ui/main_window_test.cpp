// The main window as a user meets it: its controls, keys, mouse gestures, the promotion slide,
// its settings across a restart, and closing while a run is going on. Dialogs are answered by
// the test through the window's dialog hooks.
#include "ui/main_window.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "batch/batch_run.h"
#include "batch/choices.h"
#include "platform/ansi_text.h"
#include "qfx_version.h"
#include "settings/config_store.h"
#include "tests/platform/temp_folder.h"
#include "tests/platform/unprivileged_user.h"
#include "tests/ui/modal_dialog.h"
#include "tests/ui/qt_application_environment.h"
#include "tests/ui/window_probe.h"
#include "ui/control_names.h"
#include "ui/control_table.h"
#include "ui/promotion_strip.h"
#include "ui/startup.h"
#include "ui/window_adapter.h"

namespace {

using platform::testing::readBytes;
using platform::testing::writeBytes;

using batch::BatchButton;
using platform::AnsiText;
using platform::MessageAnswer;
using ui::testing::captionOf;
using ui::testing::isChecked;
using ui::testing::setChecked;

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

AnsiText ansiPathOf(const std::filesystem::path& path) {
    return platform::ansiPath(path.string()).value_or("");
}

// What the test's dialogs were asked and how they answer.
struct DialogScript {
    std::vector<AnsiText> files; // chooseFiles answer
    AnsiText folder;             // pickFolder answer
    MessageAnswer answer = MessageAnswer::No;
    int chooseCalls = 0;
    int pickCalls = 0;
    std::vector<std::string> messages; // UTF-8 texts shown
    std::function<void()> whileChoosing;
    std::function<void()> whilePicking;
    std::vector<AnsiText> foldersOpened;
    bool folderOpens = true; // what opening a folder answers

    ui::ShellDialogs dialogs() {
        ui::ShellDialogs d;
        d.chooseFiles = [this](const AnsiText&, const AnsiText&, const AnsiText&) {
            ++chooseCalls;
            if (whileChoosing) {
                whileChoosing();
            }
            return files;
        };
        d.pickFolder = [this](const AnsiText&, const AnsiText&) {
            ++pickCalls;
            if (whilePicking) {
                whilePicking();
            }
            return folder;
        };
        d.showMessage = [this](const AnsiText& text, const platform::MessageStyle&, const AnsiText&,
                               const AnsiText&) {
            messages.push_back(platform::utf8FromAnsi(text).value_or("?"));
            return answer;
        };
        d.openFolder = [this](const AnsiText& opened) {
            foldersOpened.push_back(opened);
            return folderOpens;
        };
        d.openWebPage = [](const AnsiText&) {};
        return d;
    }
};

// A temporary folder holding the settings file and the sources of a run.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = std::filesystem::path(temp.path().toStdString());
        settingsPath = root / "青枫匣.ini";
    }

    std::unique_ptr<settings::ConfigStore> openStore() {
        auto store = std::make_unique<settings::ConfigStore>(ansiPathOf(root / "registry"));
        EXPECT_TRUE(ui::openSettings(*store, ansiPathOf(settingsPath)));
        return store;
    }

    QTemporaryDir temp;
    std::filesystem::path root;
    std::filesystem::path settingsPath;
};

QWidget* controlOf(ui::MainWindow& window, const char* name) {
    QWidget* widget = window.control(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QString captionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// The layout, checked against a copy kept here.

enum class Kind { Panel, Label, Radio, Check, Button, Edit, Bar, Image, Link };

struct LayoutRow {
    const char* name;
    Kind kind;
    const char* parent;
    int left, top, width, height;
    const char* caption;
    int pixelSize; // 0: no font of its own
    bool bold;
    bool selected;
};

// clang-format off
const LayoutRow layoutRows[] = {
    {"图片框3", Kind::Panel, "", 0, 0, 1000, 88, "", 0, false, false},
    {"标签3", Kind::Label, "", -8, 88, 1200, 2, "", 0, false, false},
    {"图片官网", Kind::Image, "图片框3", 104, 12, 195, 64, "", 0, false, false},
    {"图片软件主页", Kind::Image, "图片框3", 512, 0, 64, 64, "", 0, false, false},
    {"文字软件主页", Kind::Link, "图片框3", 512, 64, 64, 24, "软件主页", 12, false, false},
    {"图片框1", Kind::Panel, "", 16, 105, 584, 32, "", 0, false, false},
    {"标签1", Kind::Label, "图片框1", 8, 3, 79, 24, "输入编码：", 14, true, false},
    {"单选框自动输入", Kind::Radio, "图片框1", 96, 3, 80, 24, "自动", 14, false, true},
    {"单选框输入ANSI", Kind::Radio, "图片框1", 176, 3, 64, 24, "ANSI", 14, false, false},
    {"单选框输入UTF8", Kind::Radio, "图片框1", 248, 3, 63, 24, "UTF-8", 14, false, false},
    {"单选框输入Ule", Kind::Radio, "图片框1", 328, 3, 80, 24, "Unicode", 14, false, false},
    {"单选框输入Ube", Kind::Radio, "图片框1", 416, 3, 159, 24, "Unicode big endian", 14, false, false},
    {"图片框2", Kind::Panel, "", 16, 148, 584, 32, "", 0, false, false},
    {"标签2", Kind::Label, "图片框2", 8, 3, 79, 24, "输出编码：", 14, true, false},
    {"单选框自动输出", Kind::Radio, "图片框2", 96, 3, 80, 24, "自动", 14, false, true},
    {"单选框输出ANSI", Kind::Radio, "图片框2", 176, 3, 64, 24, "ANSI", 14, false, false},
    {"单选框输出UTF8", Kind::Radio, "图片框2", 248, 3, 63, 24, "UTF-8", 14, false, false},
    {"单选框输出Ule", Kind::Radio, "图片框2", 328, 3, 80, 24, "Unicode", 14, false, false},
    {"单选框输出Ube", Kind::Radio, "图片框2", 416, 3, 159, 24, "Unicode big endian", 14, false, false},
    {"外形框1", Kind::Panel, "", 16, 192, 584, 72, "", 0, false, false},
    {"标签4", Kind::Label, "外形框1", 8, 19, 79, 24, "繁简互转：", 14, true, false},
    {"单选框不转", Kind::Radio, "外形框1", 96, 19, 64, 24, "不转", 15, false, true},
    {"单选框简到繁", Kind::Radio, "外形框1", 176, 3, 112, 24, "简体到繁体", 15, false, false},
    {"单选框繁到简", Kind::Radio, "外形框1", 176, 35, 112, 24, "繁体到简体", 15, false, false},
    {"单选框简到b5", Kind::Radio, "外形框1", 328, 3, 112, 24, "简体到Big5", 15, false, false},
    {"单选框繁到b5", Kind::Radio, "外形框1", 328, 35, 112, 24, "繁体到Big5", 15, false, false},
    {"单选框b5到简", Kind::Radio, "外形框1", 464, 3, 112, 24, "Big5到简体", 15, false, false},
    {"单选框b5到繁", Kind::Radio, "外形框1", 464, 35, 112, 24, "Big5到繁体", 15, false, false},
    {"进度条", Kind::Bar, "", 24, 272, 552, 24, "", 0, false, false},
    {"透明标签", Kind::Label, "", 39, 272, 520, 24, "", 15, false, false},
    {"按钮批量转换", Kind::Button, "", 24, 304, 168, 48, "批量转换", 21, true, false},
    {"按钮批量转换文件夹", Kind::Button, "", 200, 304, 376, 48, "   批量转换(文件夹方式)", 21, true, false},
    {"编辑框文件过滤", Kind::Edit, "", 480, 316, 64, 26, "*.*", 15, false, false},
    {"复选框智能识别编码", Kind::Check, "", 24, 356, 136, 18, "智能识别编码", 14, false, false},
    {"复选框包含子文件夹", Kind::Check, "", 200, 356, 136, 18, "包含子文件夹", 14, false, false},
};
// clang-format on

bool hasKind(QWidget* widget, Kind kind) {
    switch (kind) {
    case Kind::Panel:
        return qobject_cast<QFrame*>(widget) && !qobject_cast<QLabel*>(widget);
    case Kind::Label:
        return qobject_cast<QLabel*>(widget) && !qobject_cast<ui::ClickableLabel*>(widget);
    case Kind::Radio:
        return qobject_cast<QRadioButton*>(widget);
    case Kind::Check:
        return qobject_cast<QCheckBox*>(widget);
    case Kind::Button:
        return qobject_cast<QPushButton*>(widget);
    case Kind::Edit:
        return qobject_cast<QLineEdit*>(widget);
    case Kind::Bar:
        return qobject_cast<QProgressBar*>(widget);
    case Kind::Image:
        return qobject_cast<ui::ClickableLabel*>(widget) && !qobject_cast<ui::HyperLinker*>(widget);
    case Kind::Link:
        return qobject_cast<ui::HyperLinker*>(widget);
    }
    return false;
}

class LayoutTest : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(LayoutTest, ControlSitsWhereTheLayoutPutsIt) {
    const LayoutRow& row = GetParam();
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    QWidget* widget = controlOf(window, row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName(), q(row.name));
    EXPECT_TRUE(hasKind(widget, row.kind));
    QWidget* expectedParent =
        *row.parent ? static_cast<QWidget*>(controlOf(window, row.parent)) : &window;
    EXPECT_EQ(widget->parentWidget(), expectedParent);
    EXPECT_EQ(widget->geometry(), QRect(row.left, row.top, row.width, row.height));
    EXPECT_EQ(captionOf(widget), q(row.caption));
    if (row.pixelSize != 0) {
        EXPECT_EQ(widget->font().pixelSize(), row.pixelSize);
        EXPECT_EQ(widget->font().bold(), row.bold);
    }
    if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget)) {
        EXPECT_EQ(static_cast<QAbstractButton*>(widget)->isChecked(), row.selected);
    }
    EXPECT_TRUE(widget->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(EveryControl, LayoutTest, ::testing::ValuesIn(layoutRows),
                         [](const ::testing::TestParamInfo<LayoutRow>& row) {
                             return "row" + std::to_string(row.index);
                         });

TEST_F(WindowTest, WindowHasItsTitleFixedSizeAndOpensCentred) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    EXPECT_EQ(window.windowTitle(), q("青枫匣 v" QFX_VERSION));
    // No window manager here, hence no frame: the client area is the whole outer size.
    EXPECT_EQ(window.minimumSize(), QSize(606, 403));
    EXPECT_EQ(window.maximumSize(), QSize(606, 403));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), QPoint((screen.width() - 606) / 2, (screen.height() - 403) / 2));
    // The status text and the filter box are drawn above what they lie on.
    QWidget* label = window.control("透明标签");
    const QObjectList& stack = window.children();
    EXPECT_GT(stack.indexOf(label), stack.indexOf(window.control("进度条")));
    EXPECT_TRUE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    QWidget* filter = window.control("编辑框文件过滤");
    window.show();
    EXPECT_EQ(window.childAt(filter->geometry().center()), filter);
    EXPECT_EQ(qobject_cast<QPushButton*>(window.control("按钮批量转换"))->isDefault(), true);
}

// The option boxes lie in the strip below the batch buttons, each wide enough for its caption,
// and overlap no other control of the window.
TEST_F(WindowTest, OptionBoxesFitTheStripBelowTheButtons) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    window.show();
    const int strip = controlOf(window, "按钮批量转换")->geometry().bottom();
    for (const batch::Option& option : batch::optionTable) {
        QWidget* box = window.control(ui::checkBoxNameOf(option.runSwitch));
        ASSERT_NE(box, nullptr);
        const QRect place = box->geometry();
        EXPECT_GT(place.top(), strip);
        EXPECT_TRUE(window.rect().contains(place));
        EXPECT_LE(box->sizeHint().width(), place.width());
        for (QWidget* other : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != box && !other->objectName().isEmpty()) {
                EXPECT_FALSE(place.intersects(other->geometry()))
                    << other->objectName().toStdString();
            }
        }
        EXPECT_EQ(window.childAt(place.center()), box);
    }
}

// ---------------------------------------------------------------------------------------------
// Radio groups: one selected per panel, the panels independent.

const std::vector<std::vector<const char*>> radioGroups = {
    {"单选框自动输入", "单选框输入ANSI", "单选框输入UTF8", "单选框输入Ule", "单选框输入Ube"},
    {"单选框自动输出", "单选框输出ANSI", "单选框输出UTF8", "单选框输出Ule", "单选框输出Ube"},
    {"单选框不转", "单选框简到繁", "单选框繁到简", "单选框简到b5", "单选框繁到b5", "单选框b5到简",
     "单选框b5到繁"},
};

TEST_F(WindowTest, ClickingARadioSelectsOnlyItWithinItsPanel) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    window.show();
    for (std::size_t g = 0; g < radioGroups.size(); ++g) {
        for (const char* name : radioGroups[g]) {
            QTest::mouseClick(controlOf(window, name), Qt::LeftButton);
            for (std::size_t other = 0; other < radioGroups.size(); ++other) {
                int checked = 0;
                for (const char* member : radioGroups[other]) {
                    checked += isChecked(window, member) ? 1 : 0;
                }
                EXPECT_EQ(checked, 1) << "after clicking " << name;
            }
            EXPECT_TRUE(isChecked(window, name)) << name;
        }
        // The other groups keep what they had: their last-clicked or initial radio.
    }
    EXPECT_TRUE(isChecked(window, "单选框输入Ube"));
    EXPECT_TRUE(isChecked(window, "单选框输出Ube"));
    EXPECT_TRUE(isChecked(window, "单选框b5到繁"));
}

// A run's options read the encodings when they are made, the script group whenever a file
// starts: a change of 繁简互转 during a run applies from the next file.
TEST_F(WindowTest, RunOptionsReadTheScriptGroupAsEachFileStarts) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    window.show();
    QTest::mouseClick(window.control("单选框输出Ule"), Qt::LeftButton);
    QTest::mouseClick(window.control("复选框智能识别编码"), Qt::LeftButton);
    const batch::RunOptions options = window.adapter().runOptions();
    EXPECT_EQ(options.input, engine::TextEncoding::Auto);
    EXPECT_EQ(options.output, engine::TextEncoding::Utf16LE);
    EXPECT_EQ(options.detection, engine::DetectionRule::Smart);
    EXPECT_EQ(options.subFolders, batch::SubFolders::Skip);
    ASSERT_TRUE(options.script);
    EXPECT_FALSE(options.script()); // 不转: no step at all
    QTest::mouseClick(window.control("单选框简到繁"), Qt::LeftButton);
    const engine::ScriptStep step = options.script();
    ASSERT_TRUE(step);
    AnsiText text = platform::ansi("简体");
    (void)step(text, engine::TextEncoding::Ansi, {});
    EXPECT_EQ(text, platform::ansi("簡體"));
}

TEST_F(WindowTest, ClearingTheSelectedRadioLeavesItsGroupEmpty) {
    // Stored values are not checked: a file marking every radio of a group "假" leaves none.
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    setChecked(window, "单选框自动输入", false);
    for (const char* name : radioGroups[0]) {
        EXPECT_FALSE(isChecked(window, name)) << name;
    }
    setChecked(window, "单选框输入UTF8", true);
    EXPECT_TRUE(isChecked(window, "单选框输入UTF8"));
    // Exclusivity is back once a radio is selected again.
    QTest::mouseClick(controlOf(window, "单选框输入ANSI"), Qt::LeftButton);
    EXPECT_FALSE(isChecked(window, "单选框输入UTF8"));
}

// The adapter as the run and the handlers use it: remembered folders keep any bytes, the
// progress counts files in thousandths, a button is enabled and disabled.
TEST_F(WindowTest, AdapterKeepsFoldersAndShowsProgress) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    ui::WindowAdapter& adapter = window.adapter();
    const AnsiText folder = platform::ansi("/数据/文 件") + std::string("\xff\x01", 2);
    adapter.rememberFolder(BatchButton::Files, folder);
    EXPECT_EQ(adapter.rememberedFolder(BatchButton::Files), folder);
    EXPECT_EQ(adapter.rememberedFolder(BatchButton::Folder), "");
    EXPECT_EQ(adapter.filterText(), "*.*");
    adapter.runStarted(25);
    adapter.fileStarted(3, platform::ansi("/数据/说明.txt"));
    adapter.fileProgress(3, 500);
    EXPECT_EQ(captionOf(window, "透明标签"), platform::ansi("(25:3) 说明"));
    const auto* bar = static_cast<QProgressBar*>(window.control("进度条"));
    EXPECT_EQ(bar->maximum(), 25000);
    EXPECT_EQ(bar->value(), 2500);
    adapter.fileProgress(2, 900); // another file's progress moves nothing
    EXPECT_EQ(bar->value(), 2500);
    adapter.setEnabled(BatchButton::Folder, false);
    EXPECT_FALSE(window.control("按钮批量转换文件夹")->isEnabled());
    adapter.showState(BatchButton::Folder, batch::ButtonState::Stopping);
    EXPECT_EQ(captionOf(window, "按钮批量转换文件夹"), platform::ansi("   停止中.."));
}

// ---------------------------------------------------------------------------------------------
// Keys and mouse gestures, with handlers that only record.

struct Recorded {
    int fileRuns = 0;
    std::vector<bool> folderRuns;
    int loads = 0;
    int saves = 0;

    ui::WindowHandlers handlers() {
        ui::WindowHandlers h;
        h.loadSettings = [this](ui::WindowAdapter&) { ++loads; };
        h.saveSettings = [this](ui::WindowAdapter&) { ++saves; };
        h.startFileBatch = [this](const batch::ButtonWindow&, batch::BatchSession&) { ++fileRuns; };
        h.startFolderBatch = [this](const batch::ButtonWindow&, batch::BatchSession&,
                                    bool useFilterScan) { folderRuns.push_back(useFilterScan); };
        return h;
    }
};

struct EnterRow {
    const char* name;
    const char* focus;
    int fileRuns;
    int folderRuns;
};

class EnterKeyTest : public ::testing::TestWithParam<EnterRow> {};

TEST_P(EnterKeyTest, EnterClicksTheDefaultButtonUnlessTheFocusTakesIt) {
    Recorded recorded;
    DialogScript script;
    ui::MainWindow window(recorded.handlers(), script.dialogs());
    window.show();
    QWidget* focus = window.control(GetParam().focus);
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Return);
    QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(recorded.fileRuns, GetParam().fileRuns);
    EXPECT_EQ(static_cast<int>(recorded.folderRuns.size()), GetParam().folderRuns);
    for (const bool useFilterScan : recorded.folderRuns)
        EXPECT_TRUE(useFilterScan);
    EXPECT_EQ(recorded.saves, 0);
}

INSTANTIATE_TEST_SUITE_P(Focus, EnterKeyTest,
                         ::testing::Values(EnterRow{"InputRadio", "单选框输入UTF8", 2, 0},
                                           EnterRow{"ScriptRadio", "单选框简到繁", 2, 0},
                                           // The filter belongs to the folder run.
                                           EnterRow{"FilterBox", "编辑框文件过滤", 0, 2},
                                           EnterRow{"FileButton", "按钮批量转换", 2, 0},
                                           // A focused push button takes Enter itself.
                                           EnterRow{"FolderButton", "按钮批量转换文件夹", 0, 2}),
                         [](const ::testing::TestParamInfo<EnterRow>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(WindowTest, CreatedLoadsTheSettingsOnceAndEscapeSavesThemOnce) {
    Recorded recorded;
    DialogScript script;
    ui::MainWindow window(recorded.handlers(), script.dialogs());
    EXPECT_EQ(recorded.loads, 1);
    window.show();
    QWidget* filter = window.control("编辑框文件过滤");
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Escape);
    EXPECT_EQ(recorded.saves, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.isClosing());
    EXPECT_FALSE(window.adapter().pumpEvents());
    window.close();
    EXPECT_EQ(recorded.saves, 1);
    EXPECT_EQ(recorded.fileRuns, 0);
}

TEST_F(WindowTest, RightButtonReleaseOverTheFolderButtonStartsAPatternScan) {
    Recorded recorded;
    DialogScript script;
    ui::MainWindow window(recorded.handlers(), script.dialogs());
    window.show();
    QWidget* folder = window.control("按钮批量转换文件夹");
    QWidget* file = window.control("按钮批量转换");
    const QPoint inside(100, 24);

    QTest::mouseClick(folder, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(folder, Qt::RightButton, {}, inside);
    // Released outside the button: not over it.
    QTest::mouseRelease(folder, Qt::RightButton, {}, QPoint(-5, 24));
    // The same gesture over the file button does nothing.
    QTest::mouseRelease(file, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(recorded.folderRuns, (std::vector<bool>{true, false}));
    EXPECT_EQ(recorded.fileRuns, 0);
    QTest::mouseClick(file, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(recorded.fileRuns, 1);
}

// ---------------------------------------------------------------------------------------------
// The promotion slide.

struct SlideRow {
    const char* name;
    int left;
    bool slidingLeft;
    int nextLeft;
    bool nextSlidingLeft;
};

class SlideStepTest : public ::testing::TestWithParam<SlideRow> {};

TEST_P(SlideStepTest, OnePixelAndTurnsAtTheEnds) {
    const SlideRow& row = GetParam();
    const ui::SlideStep step = ui::promotionStep(row.left, 195, row.slidingLeft, 512);
    EXPECT_EQ(step.left, row.nextLeft);
    EXPECT_EQ(step.slidingLeft, row.nextSlidingLeft);
}

INSTANTIATE_TEST_SUITE_P(
    TurningPoints, SlideStepTest,
    ::testing::Values(SlideRow{"RightEdgeReachesTheLimit", 296, false, 297, false},
                      SlideRow{"RightEdgePassesTheLimit", 297, false, 298, true},
                      SlideRow{"LeftEdgeAtTwenty", 21, true, 20, true},
                      SlideRow{"LeftEdgeFallsBelowTwenty", 20, true, 19, false},
                      SlideRow{"StartMovesRight", 104, false, 105, false}),
    [](const ::testing::TestParamInfo<SlideRow>& row) { return std::string(row.param.name); });

TEST_F(WindowTest, BannerSwingsBetweenNineteenAndTwoHundredNinetyEight) {
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    ui::PromotionStrip& strip = window.promotionStrip();
    strip.timer()->stop();
    EXPECT_EQ(strip.timer()->interval(), 20);
    EXPECT_EQ(strip.timer()->objectName(), q("时钟官网"));
    QWidget* banner = window.control("图片官网");
    int lowest = banner->x();
    int highest = banner->x();
    int turns = 0;
    bool direction = strip.slidingLeft();
    for (int tick = 0; tick < 1200; ++tick) {
        const int before = banner->x();
        strip.promotionTick();
        EXPECT_EQ(std::abs(banner->x() - before), 1);
        EXPECT_EQ(banner->y(), 12);
        lowest = std::min(lowest, banner->x());
        highest = std::max(highest, banner->x());
        turns += strip.slidingLeft() != direction ? 1 : 0;
        direction = strip.slidingLeft();
    }
    EXPECT_EQ(lowest, 19);
    EXPECT_EQ(highest, 298);
    EXPECT_GE(turns, 3);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* variableName, const QByteArray& value, bool set = true)
        : name(variableName), saved(qgetenv(variableName)),
          hadValue(qEnvironmentVariableIsSet(variableName)) {
        if (set) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (hadValue) {
            qputenv(name, saved);
        } else {
            qunsetenv(name);
        }
    }

private:
    const char* name;
    QByteArray saved;
    bool hadValue;
};

TEST_F(WindowTest, HelpPageOpensFromAFreshPrivateFolderAndNeverThroughAPlantedLink) {
    // Another account got to the old fixed folder first and planted links to the user's files.
    const auto shared = root / "tmp";
    const auto planted = shared / ("qingfengxia-help-" + std::to_string(::getuid()));
    std::filesystem::create_directories(planted);
    writeBytes(root / "mine.txt", "my own bytes");
    std::filesystem::create_symlink(root / "mine.txt", planted / "index.html");
    std::filesystem::create_symlink(root / "mine.txt", planted / "icon.png");
    ScopedEnvironment temporaryFolder("TMPDIR", QByteArray::fromStdString(shared.string()));
    ScopedEnvironment runtimeFolder("XDG_RUNTIME_DIR", {}, false);

    DialogScript script;
    std::vector<std::string> opened;
    ui::ShellDialogs dialogs = script.dialogs();
    dialogs.openWebPage = [&opened](const AnsiText& target) {
        opened.push_back(platform::utf8FromAnsi(target).value_or(""));
    };
    std::filesystem::path folder;
    {
        ui::MainWindow window({}, dialogs);
        window.show();
        QTest::mouseClick(window.control("文字软件主页"), Qt::LeftButton);
        QTest::mouseClick(window.control("图片软件主页"), Qt::LeftButton);
        QTest::mouseClick(window.control("图片官网"), Qt::LeftButton);
        ASSERT_EQ(opened.size(), 3u);
        EXPECT_EQ(opened[0], opened[1]);
        EXPECT_EQ(opened[0], opened[2]);
        folder = std::filesystem::path(opened[0]).parent_path();
        EXPECT_EQ(folder.parent_path(), shared);
        EXPECT_NE(folder, planted);
        struct stat info {};
        ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        const std::string page = readBytes(opened[0]);
        EXPECT_NE(page.find("繁简互转"), std::string::npos);
        EXPECT_NE(page.find("icon.png"), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / "icon.png"));
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / "banner.png"));
    }
    EXPECT_TRUE(readBytes(root / "mine.txt") == "my own bytes") << "written through a planted link";
    EXPECT_FALSE(std::filesystem::exists(folder)) << "removed when the program ends";
}

TEST_F(WindowTest, InstalledHelpPageOpensAsItIsAndNothingIsWritten) {
    const auto shared = root / "tmp";
    std::filesystem::create_directories(shared);
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "share" / "qingfengxia" / "help");
    writeBytes(root / "share" / "qingfengxia" / "help" / "index.html", "installed");
    ScopedEnvironment temporaryFolder("TMPDIR", QByteArray::fromStdString(shared.string()));
    ScopedEnvironment runtimeFolder("XDG_RUNTIME_DIR", {}, false);

    ui::HelpPage installed(QString::fromStdString((root / "bin").string()));
    EXPECT_EQ(installed.path().toStdString(),
              (root / "share" / "qingfengxia" / "help" / "index.html").string());
    EXPECT_TRUE(std::filesystem::is_empty(shared));

    ui::HelpPage bundled(QString::fromStdString(root.string()));
    const std::filesystem::path written = bundled.path().toStdString();
    EXPECT_EQ(written.parent_path().parent_path(), shared);
    EXPECT_NE(readBytes(written), "installed");
}

// ---------------------------------------------------------------------------------------------
// With the real settings store and batch run.

std::string crlfLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return platform::ansi(text);
}

TEST_F(WindowTest, FirstCloseOfAFreshStartWritesTheWholeSettingsFile) {
    auto store = openStore();
    DialogScript script;
    {
        ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
        window.show();
        QTest::keyClick(window.control("单选框不转"), Qt::Key_Escape);
    }
    EXPECT_EQ(readBytes(settingsPath), crlfLines({"[输入编码]",    "Unicode big endian=假",
                                                  "Unicode=假",    "UTF-8=假",
                                                  "ANSI=假",       "自动=真",
                                                  "[输出编码]",    "Unicode big endian=假",
                                                  "Unicode=假",    "UTF-8=假",
                                                  "ANSI=假",       "自动=真",
                                                  "[繁简互转]",    "Big5到繁体=假",
                                                  "Big5到简体=假", "繁体到Big5=假",
                                                  "简体到Big5=假", "繁体到简体=假",
                                                  "简体到繁体=假", "不转=真",
                                                  "[转换来源]",    "文件过滤=*.*",
                                                  "目录_文件夹=",  "目录="}));
}

TEST_F(WindowTest, RestartRestoresUtf8AsInputAndTheSubFoldersOption) {
    DialogScript script;
    {
        auto store = openStore();
        ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
        window.show();
        QTest::mouseClick(window.control("单选框输入UTF8"), Qt::LeftButton);
        QTest::mouseClick(window.control("复选框包含子文件夹"), Qt::LeftButton);
        auto* filter = static_cast<QLineEdit*>(window.control("编辑框文件过滤"));
        filter->clear();
        QTest::keyClicks(filter, q("*.txt"));
        window.adapter().rememberFolder(BatchButton::Folder, platform::ansi("/数据/文 件夹"));
        window.close();
    }
    auto store = openStore();
    ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
    EXPECT_TRUE(isChecked(window, "单选框输入UTF8"));
    EXPECT_FALSE(isChecked(window, "单选框自动输入"));
    EXPECT_TRUE(isChecked(window, "单选框自动输出"));
    EXPECT_TRUE(isChecked(window, "单选框不转"));
    EXPECT_TRUE(isChecked(window, "复选框包含子文件夹"));
    EXPECT_FALSE(isChecked(window, "复选框智能识别编码"));
    EXPECT_EQ(window.adapter().filterText(), "*.txt");
    EXPECT_EQ(window.adapter().rememberedFolder(BatchButton::Folder),
              platform::ansi("/数据/文 件夹"));
    EXPECT_EQ(window.adapter().rememberedFolder(BatchButton::Files), "");
}

TEST_F(WindowTest, EnterOnARadioRunsTheChosenFiles) {
    writeBytes(root / "a.txt", platform::ansi("青枫匣"));
    writeBytes(root / "b.txt", "plain");
    auto store = openStore();
    DialogScript script;
    script.files = {ansiPathOf(root / "a.txt"), ansiPathOf(root / "b.txt")};
    ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
    window.show();
    QTest::mouseClick(window.control("单选框输出UTF8"), Qt::LeftButton);
    QTest::keyClick(window.control("单选框输出UTF8"), Qt::Key_Return);

    EXPECT_EQ(script.chooseCalls, 1);
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].rfind("转换完成，耗时 ", 0), 0u) << script.messages[0];
    EXPECT_EQ(readBytes(root / "转换结果" / "a.txt"), "\xEF\xBB\xBF青枫匣");
    EXPECT_EQ(readBytes(root / "转换结果" / "b.txt"), "\xEF\xBB\xBFplain");
    // Back to idle: remembered folder, captions, progress.
    EXPECT_EQ(window.adapter().rememberedFolder(BatchButton::Files), ansiPathOf(root));
    EXPECT_EQ(captionOf(window, "按钮批量转换"), platform::ansi("批量转换"));
    EXPECT_TRUE(window.control("按钮批量转换文件夹")->isEnabled());
    EXPECT_EQ(ui::testing::barValue(window), 0);
    EXPECT_EQ(captionOf(window, "透明标签"), "");
}

// 是 on the report opens the result folder; when nothing can open it, a second box says so.
TEST_F(WindowTest, YesOnTheReportOpensTheResultFolder) {
    writeBytes(root / "a.txt", "x");
    auto store = openStore();
    DialogScript script;
    script.files = {ansiPathOf(root / "a.txt")};
    script.answer = MessageAnswer::Yes;
    ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
    window.show();
    QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);
    const AnsiText results = ansiPathOf(root) + platform::ansi("/转换结果/");
    EXPECT_EQ(script.foldersOpened, std::vector<AnsiText>{results});
    EXPECT_EQ(script.messages.size(), 1u);

    script.folderOpens = false;
    QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);
    ASSERT_EQ(script.messages.size(), 3u);
    EXPECT_EQ(script.messages[2],
              "无法打开文件夹 " + root.string() + "/转换结果/：没有可以打开它的文件管理器");
}

// A window host that looks at the screen as soon as the run has set a progress caption, with no
// event processed since: what was painted of the progress display must be what a fresh
// rendering shows.
class ScreenCheckingHost : public ui::WindowAdapter {
public:
    ScreenCheckingHost(ui::MainWindow& shown, ui::ShellDialogs shellDialogs)
        : WindowAdapter(
              &shown, controlsOf(shown), [] { return false; }, std::move(shellDialogs)),
          window(shown) {}

    void fileStarted(int index, const AnsiText& path) override {
        WindowAdapter::fileStarted(index, path);
        {
            const QRect progress(24, 272, 552, 24);
            auto onScreen = [this, &progress] {
                return window.screen()
                    ->grabWindow(window.winId(), progress.x(), progress.y(), progress.width(),
                                 progress.height())
                    .toImage();
            };
            const QImage painted = onScreen();
            // The same display painted afresh: the window's whole content, drawn now.
            window.repaint();
            const QImage expected = onScreen();
            captions.push_back(captionOf(window, "透明标签"));
            paintedAsExpected.push_back(!painted.isNull() && painted == expected);
            bool red = false;
            for (int y = 0; y < painted.height(); ++y) {
                for (int x = 0; x < painted.width(); ++x) {
                    const QColor pixel = painted.pixelColor(x, y);
                    red = red || (pixel.red() > 160 && pixel.green() < 90 && pixel.blue() < 90);
                }
            }
            redPainted.push_back(red);
        }
    }

    std::vector<AnsiText> captions;
    std::vector<bool> paintedAsExpected;
    std::vector<bool> redPainted;

private:
    static std::map<std::string_view, QWidget*> controlsOf(ui::MainWindow& window) {
        std::map<std::string_view, QWidget*> controls;
        for (const ui::ControlSpec& row : ui::controlTable()) {
            controls[row.name] = window.control(row.name);
        }
        return controls;
    }

    ui::MainWindow& window;
};

TEST_F(WindowTest, ProgressShownIsTheFileInHandAndNamesAreNotMarkup) {
    const std::vector<std::string> names = {"a.txt", "<font color=red size=6>红字.txt", "c.txt"};
    std::vector<AnsiText> files;
    for (const std::string& name : names) {
        writeBytes(root / name, "text");
        files.push_back(ansiPathOf(root / name));
    }
    DialogScript script;
    ui::MainWindow window({}, script.dialogs());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.promotionStrip().timer()->stop();
    ScreenCheckingHost host(window, script.dialogs());
    batch::BatchSession session;
    batch::FolderScanResult list;
    list.files = files;
    (void)batch::runBatch(list, host.runOptions(), host, session,
                          [&host] { return host.pumpEvents(); });

    ASSERT_EQ(host.captions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string caption = platform::utf8FromAnsi(host.captions[i]).value_or("");
        EXPECT_EQ(caption.rfind("(3:" + std::to_string(i + 1) + ") ", 0), 0u) << caption;
        EXPECT_TRUE(host.paintedAsExpected[i]) << "file " << i + 1 << " converted under a stale "
                                               << "progress display; caption " << caption;
        EXPECT_FALSE(host.redPainted[i]) << "a file name was painted as markup: " << caption;
    }
    EXPECT_NE(platform::utf8FromAnsi(host.captions[1]).value_or("").find("<font color=red"),
              std::string::npos);
    for (const ui::ControlSpec& row : ui::controlTable()) {
        if (auto* label = qobject_cast<QLabel*>(window.control(row.name))) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << row.name;
        }
    }
}

TEST_F(WindowTest, ClosingDuringARunSavesStopsAndShowsNoReport) {
    const int count = 6;
    DialogScript script;
    for (int i = 1; i <= count; ++i) {
        const auto source = root / ("f" + std::to_string(i) + ".txt");
        writeBytes(source, std::string(1000, 'x'));
        script.files.push_back(ansiPathOf(source));
    }
    auto store = openStore();
    ui::MainWindow* target = nullptr;
    // The close request arrives while the run processes its pending events.
    script.whileChoosing = [&target] { QTimer::singleShot(0, target, &QWidget::close); };
    {
        ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
        target = &window;
        window.show();
        QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);

        EXPECT_TRUE(window.isClosing());
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(script.messages.empty());
        EXPECT_FALSE(window.batchSession().handlerActive());
        EXPECT_FALSE(window.adapter().pumpEvents());
        int converted = 0;
        for (int i = 1; i <= count; ++i) {
            converted +=
                std::filesystem::exists(root / "转换结果" / ("f" + std::to_string(i) + ".txt")) ? 1
                                                                                                : 0;
        }
        EXPECT_LE(converted, 1);
        // A click that still arrives after the close starts nothing.
        window.control("按钮批量转换")->setEnabled(true);
        static_cast<QPushButton*>(window.control("按钮批量转换"))->click();
        EXPECT_EQ(script.chooseCalls, 1);
    }
    const std::string saved = readBytes(settingsPath);
    EXPECT_NE(saved.find(platform::ansi("[转换来源]")), std::string::npos);
    EXPECT_NE(saved.find(platform::ansi("目录=") + ansiPathOf(root)), std::string::npos);
}

TEST_F(WindowTest, ClicksWhileAPickerIsOpenStartNoSecondHandler) {
    auto store = openStore();
    DialogScript script;
    ui::MainWindow* target = nullptr;
    script.whilePicking = [&target] {
        static_cast<QPushButton*>(target->control("按钮批量转换"))->click();
        static_cast<QPushButton*>(target->control("按钮批量转换文件夹"))->click();
    };
    ui::MainWindow window(ui::programHandlers(*store), script.dialogs());
    target = &window;
    window.show();
    QTest::mouseClick(window.control("按钮批量转换文件夹"), Qt::LeftButton, {}, QPoint(100, 24));
    EXPECT_EQ(script.pickCalls, 1);
    EXPECT_EQ(script.chooseCalls, 0);
    EXPECT_FALSE(window.batchSession().handlerActive());
    // Once the picker is gone, the buttons work again.
    QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);
    EXPECT_EQ(script.chooseCalls, 1);
}

// Files that fail for three reasons: the report keeps its text and buttons and lists every
// failed file with its reason behind the details button. Permission bits bind the run.
TEST_F(WindowTest, ReportDetailsGiveEachFailedFileItsReason) {
    namespace fs = std::filesystem;
    const fs::path results = root / "转换结果";
    fs::create_directory(results);
    writeBytes(root / "锁住.txt", "x");
    // A Big5 page whose Simplified form Big5 cannot hold ("們" becomes "们").
    writeBytes(root / "繁体.htm", "<meta charset=big5>\xAD\xCC");
    writeBytes(root / "只读.txt", "new");
    writeBytes(root / "好.txt", "fine");
    writeBytes(results / "只读.txt", "earlier");
    fs::permissions(root / "锁住.txt", fs::perms::none);
    fs::permissions(results / "只读.txt", fs::perms::owner_read);
    std::vector<AnsiText> files;
    for (const char* name : {"锁住.txt", "繁体.htm", "好.txt", "只读.txt"})
        files.push_back(ansiPathOf(root / name));

    ui::MainWindow window({}, ui::desktopDialogs());
    setChecked(window, "单选框繁到简", true);
    QString report, details;
    bool yesNo = false;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        report = box->text();
        details = box->detailedText();
        yesNo = box->button(QMessageBox::Yes) && box->button(QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    {
        platform::testing::PermissionBitsBind bound;
        ASSERT_TRUE(bound.binding());
        batch::BatchSession session;
        batch::FolderScanResult list;
        list.files = files;
        ui::WindowAdapter& adapter = window.adapter();
        (void)batch::runBatch(list, adapter.runOptions(), adapter, session,
                              [&adapter] { return adapter.pumpEvents(); });
    }
    EXPECT_TRUE(report.contains(q("\n有 3 个文件未能完整转换：锁住.txt、繁体.htm、只读.txt\n")))
        << report.toStdString();
    EXPECT_TRUE(report.endsWith(q("\n\n请问需要打开它吗？"))) << report.toStdString();
    EXPECT_TRUE(yesNo);
    EXPECT_EQ(details, q("锁住.txt：无法读取：权限不足\n"
                         "繁体.htm：目标编码无法表示部分字符，已写入原始字节\n"
                         "只读.txt：输出文件为只读"));
    EXPECT_EQ(readBytes(results / "只读.txt"), "earlier");
    EXPECT_TRUE(readBytes(results / "好.txt").ends_with("fine"));
}

} // namespace

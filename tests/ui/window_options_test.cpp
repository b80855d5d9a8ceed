// The window's keyboard, output options, resting banner and fit to scaled screens and dark
// palettes, as a user meets them. Dialogs are answered by the test through the window's hooks.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "batch/batch_run.h"
#include "platform/ansi_text.h"
#include "settings/config_store.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/modal_dialog.h"
#include "tests/ui/qt_application_environment.h"
#include "ui/main_window.h"
#include "ui/output_options_dialog.h"
#include "ui/promotion_strip.h"
#include "ui/startup.h"

namespace {

using platform::testing::readBytes;
using platform::testing::writeBytes;

using platform::AnsiText;

// ---------------------------------------------------------------------------------------------
// Keyboard: Tab and the arrow keys.

// What Tab visits from the filter box round to it again, by object name.
std::vector<std::string> tabStops(ui::MainWindow& window) {
    QWidget* filter = window.control("编辑框文件过滤");
    filter->setFocus(Qt::TabFocusReason);
    std::vector<std::string> stops;
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == filter || !now)
            break;
        stops.push_back(now->objectName().toStdString());
    }
    return stops;
}

TEST(WindowKeyboard, TabEntersEachGroupAtItsSelectedRadioAndEveryStopShowsItsFocus) {
    ui::MainWindow window({}, {});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(window.control("单选框输入UTF8"), Qt::LeftButton);
    QTest::mouseClick(window.control("单选框b5到简"), Qt::LeftButton);

    const std::vector<std::string> stops = tabStops(window);
    const std::vector<std::string> expected = {
        "复选框智能识别编码", "复选框包含子文件夹", "按钮检查",
        "按钮输出选项",       "单选框输入UTF8",     "单选框自动输出",
        "单选框b5到简",       "按钮批量转换",       "按钮批量转换文件夹"};
    EXPECT_EQ(stops, expected);

    // Each stop looks different focused than with the focus elsewhere.
    for (const std::string& name : stops) {
        QWidget* stop = window.control(name);
        window.control("编辑框文件过滤")->setFocus(Qt::TabFocusReason);
        const QImage unfocused = stop->grab().toImage();
        stop->setFocus(Qt::TabFocusReason);
        EXPECT_NE(stop->grab().toImage(), unfocused) << name;
    }
}

struct ArrowRow {
    const char* name;
    const char* start;
    Qt::Key key;
    const char* selected; // and focused
};

class ArrowKeyTest : public ::testing::TestWithParam<ArrowRow> {};

TEST_P(ArrowKeyTest, ArrowKeysSelectWithinTheGroup) {
    ui::MainWindow window({}, {});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* start = static_cast<QRadioButton*>(window.control(GetParam().start));
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, GetParam().key);
    auto* selected = static_cast<QRadioButton*>(window.control(GetParam().selected));
    EXPECT_TRUE(selected->isChecked());
    EXPECT_TRUE(selected->hasFocus());
    for (QRadioButton* other : selected->parentWidget()->findChildren<QRadioButton*>())
        EXPECT_EQ(other->isChecked(), other == selected) << other->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ArrowKeyTest,
    ::testing::Values(
        ArrowRow{"RightFromTheSelected", "单选框自动输入", Qt::Key_Right, "单选框输入ANSI"},
        ArrowRow{"DownIsNext", "单选框不转", Qt::Key_Down, "单选框简到繁"},
        ArrowRow{"LeftWrapsToTheLast", "单选框自动输出", Qt::Key_Left, "单选框输出Ube"},
        ArrowRow{"UpWrapsToTheLast", "单选框不转", Qt::Key_Up, "单选框b5到繁"},
        // The focus may sit on a radio that is not selected (a click's focus).
        ArrowRow{"FromAnUnselectedOne", "单选框输入Ule", Qt::Key_Right, "单选框输入Ube"}),
    [](const ::testing::TestParamInfo<ArrowRow>& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------------------------
// Output options: chosen in their dialog, they drive the run and the settings file.

AnsiText ansiPathOf(const std::filesystem::path& path) {
    return platform::ansiPath(path.string()).value_or("");
}

// "中文" CR LF "第二行" LF in GBK, and what UTF-8 makes of it with each line end.
const std::string gbkSource = "\xD6\xD0\xCE\xC4\r\n\xB5\xDA\xB6\xFE\xD0\xD0\n";
const std::string utf8Crlf = "\xE4\xB8\xAD\xE6\x96\x87\r\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\r\n";
const std::string utf8Lf = "\xE4\xB8\xAD\xE6\x96\x87\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\n";
const std::string mark = "\xEF\xBB\xBF";

struct OutputRow {
    const char* name;
    bool markOn;
    const char* lineEndRadio;
    const char* placeRadio;
    const char* folder;        // typed into the folder field, below the test's root
    const char* resultPath;    // where a.txt's result lands, below the root
    std::string resultBytes;   // its bytes
    const char* backupPath;    // the original kept, or "" for none
    const char* settingsLines; // the [选项] section the close writes
    const char* shownPlace;    // the caption of the options button afterwards
    bool warned;               // drawn in the warning colour
};

// Pixels drawn clearly red, as the warning colour is on a light or a dark button; the classic
// captions and frames have none.
int warningPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            count += colour.red() - std::max(colour.green(), colour.blue()) > 80 ? 1 : 0;
        }
    return count;
}

// The options button as a user sees it: shown, its whole caption, red only when it warns.
void expectShownPlace(ui::MainWindow& window, const OutputRow& row, const char* when) {
    auto* button = static_cast<QPushButton*>(window.control("按钮输出选项"));
    EXPECT_TRUE(button->isVisible()) << when;
    EXPECT_EQ(button->text(), QString::fromUtf8(row.shownPlace)) << when;
    EXPECT_LE(button->sizeHint().width(), button->width()) << when << ": caption cut";
    EXPECT_EQ(warningPixels(button) > 20, row.warned) << when;
}

class OutputOptionsTest : public ::testing::TestWithParam<OutputRow> {};

TEST_P(OutputOptionsTest, DialogChoicesDriveTheRunAndAreSavedOnlyOnceChanged) {
    const OutputRow& row = GetParam();
    QTemporaryDir temp;
    const std::filesystem::path root(temp.path().toStdString());
    writeBytes(root / "a.txt", gbkSource);
    settings::ConfigStore store(ansiPathOf(root / "registry"));
    ASSERT_TRUE(ui::openSettings(store, ansiPathOf(root / "青枫匣.ini")));
    std::vector<std::string> reports;
    int foldersOpened = 0;
    batch::OutputChoices chosen;
    ui::ShellDialogs dialogs;
    dialogs.chooseFiles = [&](const AnsiText&, const AnsiText&, const AnsiText&) {
        return std::vector<AnsiText>{ansiPathOf(root / "a.txt")};
    };
    dialogs.showMessage = [&](const AnsiText& text, const platform::MessageStyle&, const AnsiText&,
                              const AnsiText&) {
        reports.push_back(platform::utf8FromAnsi(text).value_or("?"));
        return platform::MessageAnswer::Yes;
    };
    dialogs.openFolder = [&](const AnsiText&) { return ++foldersOpened, true; };
    {
        ui::MainWindow window(ui::programHandlers(store), dialogs);
        window.show();
        QTest::mouseClick(window.control("单选框输出UTF8"), Qt::LeftButton);
        bool accepted = false;
        whenShown<ui::OutputOptionsDialog>([&](ui::OutputOptionsDialog* dialog) {
            dialog->findChild<QCheckBox*>(QStringLiteral("复选框写入BOM"))->setChecked(row.markOn);
            dialog->findChild<QRadioButton*>(QString::fromUtf8(row.lineEndRadio))->click();
            dialog->findChild<QRadioButton*>(QString::fromUtf8(row.placeRadio))->click();
            if (*row.folder) {
                dialog->findChild<QLineEdit*>(QStringLiteral("编辑框输出文件夹"))
                    ->setText(QString::fromStdString((root / row.folder).string()));
            }
            dialog->accept();
            accepted = dialog->result() == QDialog::Accepted;
        });
        EXPECT_EQ(warningPixels(window.control("按钮输出选项")), 0) << "before";
        QTest::mouseClick(window.control("按钮输出选项"), Qt::LeftButton);
        ASSERT_TRUE(accepted);
        expectShownPlace(window, row, "chosen");
        chosen = window.adapter().outputChoices();
        QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);
        window.close();
    }
    store.destroy();
    EXPECT_NE(chosen, batch::OutputChoices());
    EXPECT_EQ(readBytes(root / row.resultPath), row.resultBytes);
    if (*row.backupPath) {
        EXPECT_EQ(readBytes(root / row.backupPath), gbkSource);
    }
    EXPECT_EQ(std::filesystem::exists(root / "转换结果"),
              std::string(row.resultPath).starts_with("转换结果"));
    // Replacing sources asks first (answered 是 here). Only a result folder is offered to be
    // opened; a replaced source has none.
    if (*row.backupPath) {
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports.front(),
                  platform::utf8FromAnsi(batch::replaceQuestion(1, AnsiText("~"))).value_or(""));
    } else {
        ASSERT_EQ(reports.size(), 1u);
    }
    EXPECT_EQ(foldersOpened, std::string(row.resultPath) != "a.txt" ? 1 : 0);
    const std::string saved = platform::utf8FromAnsi(readBytes(root / "青枫匣.ini")).value_or("");
    EXPECT_TRUE(saved.ends_with(row.settingsLines)) << saved;

    // The next start has them again.
    settings::ConfigStore next(ansiPathOf(root / "registry"));
    ASSERT_TRUE(ui::openSettings(next, ansiPathOf(root / "青枫匣.ini")));
    ui::MainWindow restarted(ui::programHandlers(next), {});
    EXPECT_TRUE(restarted.adapter().outputChoices() == chosen);
    restarted.show();
    expectShownPlace(restarted, row, "restarted");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputOptionsTest,
    ::testing::Values(
        OutputRow{"NoMarkUnixLineEnds", false, "单选框换行LF", "单选框输出到转换结果", "",
                  "转换结果/a.txt", utf8Lf, "",
                  "[选项]\r\n输出文件夹=\r\n输出位置=转换结果\r\n换行符=LF\r\n写入BOM=假",
                  "输出选项…", false},
        OutputRow{"ChosenFolderMadeWithItsParents", true, "单选框换行CRLF",
                  "单选框输出到指定文件夹", "out/deeper", "out/deeper/a.txt", mark + utf8Crlf, "",
                  "", "输出：指定文件夹", false},
        OutputRow{"SourceReplacedAndKept", true, "单选框换行保持", "单选框替换原文件", "", "a.txt",
                  // A replaced file keeps its original's lack of a mark.
                  "\xE4\xB8\xAD\xE6\x96\x87\r\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\n", "a.txt~",
                  "输出位置=替换原文件\r\n换行符=保持\r\n写入BOM=真", "输出：替换原文件", true}),
    [](const ::testing::TestParamInfo<OutputRow>& row) { return std::string(row.param.name); });

struct ReplaceRow {
    const char* name;
    platform::MessageAnswer answer;
    bool closeWhileAsked; // the window is closed while the question is open
    bool replaced;
};

class ReplaceQuestionTest : public ::testing::TestWithParam<ReplaceRow> {};

// Before a run replaces sources, the user is asked with the count. Anything but 是 on an open
// window leaves the folder as it was and the buttons ready; 是 replaces and keeps the original.
TEST_P(ReplaceQuestionTest, RunReplacesSourcesOnlyAfterYes) {
    const ReplaceRow& row = GetParam();
    QTemporaryDir temp;
    const std::filesystem::path root(temp.path().toStdString());
    writeBytes(root / "a.txt", gbkSource);
    std::vector<AnsiText> asked;
    std::vector<platform::MessageButtons> buttons;
    ui::MainWindow* shown = nullptr;
    ui::ShellDialogs dialogs;
    dialogs.chooseFiles = [&](const AnsiText&, const AnsiText&, const AnsiText&) {
        return std::vector<AnsiText>{ansiPathOf(root / "a.txt")};
    };
    dialogs.showMessage = [&](const AnsiText& text, const platform::MessageStyle& style,
                              const AnsiText&, const AnsiText&) {
        asked.push_back(text);
        buttons.push_back(style.buttons);
        if (row.closeWhileAsked && shown)
            shown->close();
        return asked.size() == 1 ? row.answer : platform::MessageAnswer::No;
    };
    ui::WindowHandlers handlers;
    handlers.startFileBatch = batch::startFileBatch;
    ui::MainWindow window(handlers, dialogs);
    shown = &window;
    window.show();
    QTest::mouseClick(window.control("单选框输出UTF8"), Qt::LeftButton);
    batch::OutputChoices inPlace;
    inPlace.place = batch::OutputPlace::ReplaceSources;
    window.adapter().setOutputChoices(inPlace);

    QTest::mouseClick(window.control("按钮批量转换"), Qt::LeftButton);

    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), batch::replaceQuestion(1, AnsiText("~")));
    EXPECT_EQ(buttons.front(), platform::MessageButtons::YesNo);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    if (row.replaced) {
        EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "a.txt~"}));
        EXPECT_EQ(readBytes(root / "a.txt~"), gbkSource);
        EXPECT_NE(readBytes(root / "a.txt"), gbkSource);
        EXPECT_EQ(asked.size(), 2u) << "the report";
    } else {
        EXPECT_EQ(files, std::vector<std::string>{"a.txt"});
        EXPECT_EQ(readBytes(root / "a.txt"), gbkSource);
        EXPECT_EQ(asked.size(), 1u) << "a report of a run that did not happen";
    }
    EXPECT_FALSE(window.batchSession().handlerActive());
    EXPECT_EQ(static_cast<QPushButton*>(window.control("按钮批量转换"))->text(),
              QStringLiteral("批量转换"));
    EXPECT_TRUE(window.control("按钮批量转换文件夹")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReplaceQuestionTest,
    ::testing::Values(ReplaceRow{"No", platform::MessageAnswer::No, false, false},
                      ReplaceRow{"Yes", platform::MessageAnswer::Yes, false, true},
                      ReplaceRow{"YesAfterTheWindowClosed", platform::MessageAnswer::Yes, true,
                                 false}),
    [](const ::testing::TestParamInfo<ReplaceRow>& row) { return std::string(row.param.name); });

// A folder that cannot be made (a file stands in its path) is told in the dialog, which stays
// open; nothing is taken until the user fixes or cancels it.
TEST(OutputOptionsDialog, FolderThatCannotBeMadeKeepsTheDialogOpenAndSaysWhy) {
    QTemporaryDir temp;
    const std::filesystem::path root(temp.path().toStdString());
    writeBytes(root / "file", "");
    ui::OutputOptionsDialog dialog({}, {});
    dialog.findChild<QRadioButton*>(QStringLiteral("单选框输出到指定文件夹"))->click();
    dialog.findChild<QLineEdit*>(QStringLiteral("编辑框输出文件夹"))
        ->setText(QString::fromStdString((root / "file" / "out").string()));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    const auto* problem = dialog.findChild<QLabel*>(QStringLiteral("标签输出选项问题"));
    EXPECT_TRUE(problem->text().startsWith(QStringLiteral("无法创建输出文件夹 ")))
        << problem->text().toStdString();
    EXPECT_FALSE(problem->isHidden());
}

// ---------------------------------------------------------------------------------------------
// The banner slides only while someone may be looking.

TEST(RestingBanner, SlidesOnlyWhileShownActiveAndUsedOfLate) {
    ui::MainWindow window({}, {});
    ui::PromotionStrip& strip = window.promotionStrip();
    const QTimer* slide = strip.timer();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(slide->isActive());

    window.showMinimized();
    EXPECT_FALSE(slide->isActive()) << "minimised";
    window.showNormal();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(slide->isActive()) << "restored";

    // No input for the rest time (shortened here): it rests; a key wakes it.
    strip.restTimer()->start(1);
    EXPECT_TRUE(QTest::qWaitFor([slide] { return !slide->isActive(); }, 5000)) << "rested";
    QTest::keyClick(window.control("编辑框文件过滤"), Qt::Key_A);
    EXPECT_TRUE(slide->isActive()) << "woken";

    window.hide();
    EXPECT_FALSE(slide->isActive()) << "hidden";
}

// ---------------------------------------------------------------------------------------------
// A dark palette: the strip and its link follow it, also when it comes after the window.

TEST(DarkPalette, StripAndLinkFollowThePalette) {
    const QPalette light = QApplication::palette();
    ui::MainWindow window({}, {});
    window.show();
    const QColor classicLink =
        window.control("文字软件主页")->palette().color(QPalette::WindowText);
    EXPECT_EQ(classicLink, QColor(0, 0, 238));

    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Link, QColor(42, 130, 218));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    QWidget* strip = window.control("图片框3");
    const QImage stripImage = strip->grab().toImage();
    const QImage iconImage =
        static_cast<QLabel*>(window.control("图片软件主页"))->pixmap().toImage();
    QApplication::setPalette(light);

    EXPECT_EQ(QColor(stripImage.pixel(2, 2)), QColor(35, 35, 35)) << "the strip";
    EXPECT_EQ(QColor(iconImage.pixel(0, 0)), QColor(35, 35, 35)) << "around the icon";
    EXPECT_EQ(window.control("文字软件主页")->palette().color(QPalette::WindowText),
              QColor(42, 130, 218));
}

} // namespace

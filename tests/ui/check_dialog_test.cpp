// 检查 as a user meets it: the window's context menu, the files a batch button would take, the
// dialog's rows and preview, and then converting them or leaving them. Dialogs that the window
// asks through its hooks are answered by the test; the check dialog is played in.
#include "ui/check_dialog.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "platform/ansi_text.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/modal_dialog.h"
#include "tests/ui/qt_application_environment.h"
#include "tests/ui/window_probe.h"
#include "ui/main_window.h"
#include "ui/window_adapter.h"

namespace {

using platform::testing::readBytes;
using platform::testing::writeBytes;

namespace fs = std::filesystem;
using platform::AnsiText;

AnsiText ansiPathOf(const fs::path& path) {
    return platform::ansiPath(path.string()).value_or("");
}

// The window's hooks: the open dialog and the picker answer what the row says; the report is
// recorded.
struct Hooks {
    std::vector<AnsiText> files;
    AnsiText folder;
    std::vector<std::string> messages;

    ui::ShellDialogs dialogs() {
        ui::ShellDialogs d;
        d.chooseFiles = [this](const AnsiText&, const AnsiText&, const AnsiText&) { return files; };
        d.pickFolder = [this](const AnsiText&, const AnsiText&) { return folder; };
        d.showMessage = [this](const AnsiText& text, const platform::MessageStyle&, const AnsiText&,
                               const AnsiText&) {
            messages.push_back(platform::utf8FromAnsi(text).value_or("?"));
            return platform::MessageAnswer::No;
        };
        return d;
    }
};

// What the dialog showed once its checks had ended.
struct Seen {
    std::vector<std::string> rows; // "name | read | written | finding"
    std::string preview;           // of the row named in the test
    bool convertEnabledWhileShown = false;
    bool writtenBeforeAnswer = true;
};

QPushButton* buttonCaptioned(QWidget* dialog, const char* caption) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QString::fromUtf8(caption))
            return button;
    return nullptr;
}

// Plays the check dialog once its checks have ended (its 转换 is enabled then): reads its rows,
// selects `previewed` and reads the preview, answers 转换 or 取消. The checks run under the
// dialog's own event processing, so the test looks again later rather than waiting in place.
void playCheckDialog(Seen& seen, const QString& previewed, bool convert,
                     const fs::path& resultFolder) {
    whenShown<ui::CheckDialog>([&seen, previewed, convert, resultFolder](ui::CheckDialog* shown) {
        auto look = std::make_shared<std::function<void()>>();
        QPointer<ui::CheckDialog> dialog(shown);
        *look = [&seen, previewed, convert, resultFolder, dialog, look] {
            if (!dialog)
                return;
            if (!buttonCaptioned(dialog, "转换")->isEnabled()) {
                QTimer::singleShot(10, *look);
                return;
            }
            seen.convertEnabledWhileShown = true;
            seen.writtenBeforeAnswer = fs::exists(resultFolder);
            auto* table = dialog->findChild<QTreeWidget*>(QStringLiteral("检查结果"));
            for (int i = 0; i < table->topLevelItemCount(); ++i) {
                QTreeWidgetItem* row = table->topLevelItem(i);
                seen.rows.push_back((row->text(0) + " | " + row->text(1) + " | " + row->text(2) +
                                     " | " + row->text(3))
                                        .toStdString());
                if (row->text(0) == previewed)
                    table->setCurrentItem(row);
            }
            seen.preview = dialog->findChild<QPlainTextEdit*>(QStringLiteral("预览"))
                               ->toPlainText()
                               .toStdString();
            // Ending the cycle destroys this very lambda when it runs as the first look: what the
            // click needs is taken out of it first.
            QPushButton* answer = buttonCaptioned(dialog, convert ? "转换" : "取消");
            *look = nullptr;
            QTest::mouseClick(answer, Qt::LeftButton);
        };
        (*look)();
    });
}

// Opens the check menu, by the 检查… button or by right-clicking the window's file button, and
// picks the entry for `button`'s way.
void chooseCheckFromMenu(ui::MainWindow& window, const char* entry, bool byButton) {
    if (byButton) {
        QTest::mouseClick(window.control("按钮检查"), Qt::LeftButton);
    } else {
        QWidget* fileButton = window.control("按钮批量转换");
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                fileButton->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(fileButton, &click);
    }
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "no context menu";
    QAction* action = nullptr;
    for (QAction* candidate : menu->actions())
        if (candidate->objectName() == QString::fromUtf8(entry))
            action = candidate;
    ASSERT_NE(action, nullptr) << entry;
    menu->hide();
    action->trigger();
}

struct CheckRow {
    const char* name;
    const char* entry; // the menu's entry: the open dialog's way or the folder's
    bool subFolders;
    bool convert;
    std::vector<std::string> rows;
    const char* previewed;
    std::string preview;
    bool byButton = false; // the menu opened by the 检查… button, not by a right click
};

class CheckDialogTest : public ::testing::TestWithParam<CheckRow> {};

// Input UTF-8 and output ANSI chosen; a file with two bytes UTF-8 cannot read, a clean one, a
// file in a sub-folder and one the filter leaves out.
TEST_P(CheckDialogTest, ListsWhatARunWouldDoAndWritesOnlyWhenConverted) {
    const CheckRow& row = GetParam();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path root(temp.path().toStdString());
    writeBytes(root / "好.txt", "第一行\n第二行\n");
    writeBytes(root / "坏.txt", "ab\nc\xFF"
                                "d\xFE\n");
    writeBytes(root / "子" / "深.txt", "sub");
    writeBytes(root / "别.dat", "not listed");
    Hooks hooks;
    hooks.folder = ansiPathOf(root);
    hooks.files = {ansiPathOf(root / "坏.txt"), ansiPathOf(root / "好.txt")};

    ui::MainWindow window({}, hooks.dialogs());
    window.show();
    ui::testing::setChecked(window, "单选框输入UTF8", true);
    ui::testing::setChecked(window, "单选框输出ANSI", true);
    ui::testing::setChecked(window, "复选框包含子文件夹", row.subFolders);
    static_cast<QLineEdit*>(window.control("编辑框文件过滤"))->setText(QStringLiteral("*.txt"));

    Seen seen;
    playCheckDialog(seen, QString::fromUtf8(row.previewed), row.convert, root / "转换结果");
    chooseCheckFromMenu(window, row.entry, row.byButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.convertEnabledWhileShown; }, 20000));
    // The run, when asked, has ended once the handler is no longer active.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.batchSession().handlerActive(); }, 20000));

    // A folder lists in the system's order.
    std::vector<std::string> rows = seen.rows;
    std::vector<std::string> expected = row.rows;
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(seen.preview, row.preview);
    EXPECT_FALSE(seen.writtenBeforeAnswer);
    if (row.convert) {
        ASSERT_EQ(hooks.messages.size(), 1u);
        EXPECT_EQ(hooks.messages[0].rfind("转换完成", 0), 0u) << hooks.messages[0];
        EXPECT_EQ(readBytes(root / "转换结果" / "好.txt"), platform::ansi("第一行\n第二行\n"));
        EXPECT_TRUE(fs::exists(root / "转换结果" / "坏.txt"));
    } else {
        EXPECT_TRUE(hooks.messages.empty());
        EXPECT_FALSE(fs::exists(root / "转换结果"));
    }
    EXPECT_EQ(ui::testing::captionOf(window, "按钮批量转换"), platform::ansi("批量转换"));
}

const std::string badFinding =
    "坏.txt | UTF-8 | ANSI | 源文件有不符合其编码的字符，已替换为“?”，共 2 个字符，第一个在第 2 "
    "行第 2 列：\\xff";

INSTANTIATE_TEST_SUITE_P(Ways, CheckDialogTest,
                         ::testing::Values(CheckRow{"FolderWithSubFoldersCancelled",
                                                    "菜单检查文件夹",
                                                    true,
                                                    false,
                                                    {"好.txt | UTF-8 | ANSI | 完整", badFinding,
                                                     "子/深.txt | UTF-8 | ANSI | 完整"},
                                                    "好.txt",
                                                    "第一行\n第二行\n",
                                                    true},
                                           CheckRow{"FolderWithoutSubFoldersCancelled",
                                                    "菜单检查文件夹",
                                                    false,
                                                    false,
                                                    {"好.txt | UTF-8 | ANSI | 完整", badFinding},
                                                    "坏.txt",
                                                    "ab\nc?d?\n"},
                                           CheckRow{"ChosenFilesConverted",
                                                    "菜单检查文件",
                                                    false,
                                                    true,
                                                    {"好.txt | UTF-8 | ANSI | 完整", badFinding},
                                                    "好.txt",
                                                    "第一行\n第二行\n"}),
                         [](const ::testing::TestParamInfo<CheckRow>& row) {
                             return std::string(row.param.name);
                         });

} // namespace

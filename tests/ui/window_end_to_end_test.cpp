// The window driven as a user drives it, with the real dialogs of the desktop: choose the
// output encoding, type a filter, click the folder button, type the folder into the picker,
// answer the report, then check the converted files and, after Esc, the settings file.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/ansi_text.h"
#include "settings/config_store.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/qt_application_environment.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/window_adapter.h"

namespace {

using platform::testing::readBytes;
using platform::testing::writeBytes;

using platform::AnsiText;

std::string utf16le(const QString& text) {
    std::string bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes += static_cast<char>(c.unicode() & 0xFF);
        bytes += static_cast<char>(c.unicode() >> 8);
    }
    return bytes;
}

// Types text key by key; characters without a key of their own arrive as an input method
// delivers them, as text on an unnamed key.
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
    }
}

template <typename Dialog> Dialog* openDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Plays the user's part in the modal dialogs the click opens: types the folder into the picker
// and accepts it, then reads the report and answers No.
class DialogUser : public QObject {
public:
    explicit DialogUser(QString folderToType) : folder(std::move(folderToType)) {
        connect(&poll, &QTimer::timeout, this, [this] { step(); });
        poll.start(50);
        deadline.start();
    }

    QString pickerTitle;
    QString report;
    bool pickerAnswered = false;
    bool reportAnswered = false;
    bool gaveUp = false;

private:
    void step() {
        if (deadline.elapsed() > 30000) {
            gaveUp = true;
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
            return;
        }
        if (!pickerAnswered) {
            if (auto* picker = openDialog<QFileDialog>()) {
                pickerTitle = picker->windowTitle();
                auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name) {
                    return;
                }
                // A user reads the dialog before typing: its folder view fills in the
                // background and may still reset the name box for a moment.
                if (!pickerSeen.isValid()) {
                    pickerSeen.start();
                }
                if (pickerSeen.elapsed() < 500) {
                    return;
                }
                name->setFocus();
                name->selectAll();
                typeText(name, folder);
                if (name->text() != folder) {
                    return;
                }
                pickerAnswered = true;
                auto* buttons = picker->findChild<QDialogButtonBox*>();
                QAbstractButton* choose =
                    buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
                if (choose && choose->isEnabled()) {
                    QTest::mouseClick(choose, Qt::LeftButton);
                } else {
                    QTest::keyClick(name, Qt::Key_Return);
                }
            }
            return;
        }
        if (!reportAnswered) {
            if (auto* box = openDialog<QMessageBox>()) {
                report = box->text();
                reportAnswered = true;
                QAbstractButton* no = box->button(QMessageBox::No);
                if (no) {
                    QTest::mouseClick(no, Qt::LeftButton);
                } else {
                    box->close();
                }
            }
        }
    }

    QString folder;
    QTimer poll;
    QElapsedTimer deadline;
    QElapsedTimer pickerSeen;
};

TEST(WindowEndToEnd, FolderRunThroughTheRealPickerAndReportThenEscapeSavesTheChoices) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::filesystem::path root(temp.path().toStdString());
    const std::filesystem::path sources = root / "来源 文件";
    std::filesystem::create_directories(sources);
    writeBytes(sources / "gbk.txt", platform::ansi("简体中文，青枫匣"));
    writeBytes(sources / "utf8.txt", "\xEF\xBB\xBF" + std::string("UTF-8 文本"));
    writeBytes(sources / "other.dat", "not taken by the filter");
    const std::filesystem::path settingsFile = root / "青枫匣.ini";

    settings::ConfigStore store(platform::ansiPath((root / "registry").string()).value_or(""));
    ASSERT_TRUE(ui::openSettings(store, platform::ansiPath(settingsFile.string()).value_or("")));
    ui::MainWindow window(ui::programHandlers(store), ui::desktopDialogs());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The user's choices: output "Unicode", filter *.txt.
    QTest::mouseClick(window.control("单选框输出Ule"), Qt::LeftButton);
    auto* filter = static_cast<QLineEdit*>(window.control("编辑框文件过滤"));
    QTest::mouseDClick(filter, Qt::LeftButton);
    filter->selectAll();
    QTest::keyClicks(filter, QStringLiteral("*.txt"));
    ASSERT_EQ(filter->text(), QStringLiteral("*.txt"));

    const QString folder = QString::fromStdString(sources.string());
    DialogUser user(folder);
    QTest::mouseClick(window.control("按钮批量转换文件夹"), Qt::LeftButton, {}, QPoint(100, 24));

    ASSERT_FALSE(user.gaveUp);
    EXPECT_TRUE(user.pickerAnswered);
    EXPECT_EQ(user.pickerTitle, QStringLiteral("选择要批量转换的文件(*.txt)所在文件夹："));
    ASSERT_TRUE(user.reportAnswered)
        << "chosen folder: " << window.adapter().rememberedFolder(batch::BatchButton::Folder);
    EXPECT_TRUE(user.report.startsWith(QStringLiteral("转换完成，耗时 ")))
        << user.report.toStdString();
    EXPECT_TRUE(user.report.contains(folder + QStringLiteral("/转换结果/")))
        << user.report.toStdString();
    EXPECT_TRUE(user.report.endsWith(QStringLiteral("请问需要打开它吗？")));

    const std::filesystem::path results = sources / "转换结果";
    EXPECT_EQ(readBytes(results / "gbk.txt"), utf16le(QStringLiteral("简体中文，青枫匣")));
    EXPECT_EQ(readBytes(results / "utf8.txt"), utf16le(QStringLiteral("UTF-8 文本")));
    EXPECT_FALSE(std::filesystem::exists(results / "other.dat"));
    // Back to idle.
    EXPECT_EQ(static_cast<QPushButton*>(window.control("按钮批量转换文件夹"))->text(),
              QStringLiteral("   批量转换(文件夹方式)"));
    EXPECT_TRUE(window.control("按钮批量转换")->isEnabled());

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    const std::string saved = readBytes(settingsFile);
    const AnsiText folderBytes = platform::ansiPath(sources.string()).value_or("");
    EXPECT_NE(saved.find(platform::ansi("目录_文件夹=") + folderBytes + "\r\n"), std::string::npos);
    EXPECT_NE(saved.find(platform::ansi("文件过滤=*.txt")), std::string::npos);
    EXPECT_NE(saved.find(platform::ansi("[输出编码]\r\nUnicode big endian=假\r\nUnicode=真")),
              std::string::npos);
    EXPECT_NE(saved.find(platform::ansi("自动=假\r\n[繁简互转]")), std::string::npos);
}

} // namespace

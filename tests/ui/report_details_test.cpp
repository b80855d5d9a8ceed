// The completion report's 复制 and 保存 as a user meets them: a folder run with failures through
// the desktop's own report box, its details copied and saved, and a save that fails.
#include "ui/report_details.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "batch/batch_run.h"
#include "platform/ansi_text.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/qt_application_environment.h"
#include "tests/ui/window_probe.h"
#include "ui/main_window.h"
#include "ui/window_adapter.h"

namespace {

using platform::testing::readBytes;
using platform::testing::writeBytes;

namespace fs = std::filesystem;

// Acts on the first modal dialog of type Dialog that `wanted` accepts, once it is on top.
template <typename Dialog>
void whenOnTop(std::function<bool(Dialog*)> wanted, std::function<void(Dialog*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [wanted, act, poll] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog && wanted(dialog)) {
            *poll = nullptr;
            act(dialog);
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

// Answers the next save dialog with `path`, from within the dialog's own event loop: an answer
// given while it is still being shown would leave that loop waiting.
void saveAs(const QString& path) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [path, poll] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            QTimer::singleShot(50, dialog, [dialog, path] {
                // Typed in the name box, as a user would.
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(ReportDetailsTest, CopyAndSaveGiveEachFailedFileItsPlaceAndReason) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path root(temp.path().toStdString());
    // The save dialog opens in the home folder; the user's own must not slow it down.
    qputenv("HOME", temp.path().toLocal8Bit());
    writeBytes(root / "源" / "好.txt", "fine");
    writeBytes(root / "源" / "坏.txt", "a\xFF");
    writeBytes(root / "源" / "子" / "坏.txt", "b\xFE");
    const QString saved = QString::fromStdString((root / "详情.txt").string());
    // No file can be made there, whoever runs the test.
    const QString unsavable = QString::fromUtf8("/proc/青枫匣详情.txt");

    ui::ShellDialogs dialogs = ui::desktopDialogs();
    dialogs.pickFolder = [&root](const platform::AnsiText&, const platform::AnsiText&) {
        return platform::ansiPath((root / "源").string()).value_or("");
    };
    ui::WindowHandlers handlers;
    handlers.startFolderBatch = batch::startFolderBatch;
    ui::MainWindow window(handlers, dialogs);
    window.show();
    ui::testing::setChecked(window, "单选框输入UTF8", true);
    ui::testing::setChecked(window, "复选框包含子文件夹", true);

    QString details, copied, failure;
    bool stayedOpen = false;
    whenOnTop<QMessageBox>(
        [](QMessageBox* box) { return box->text().startsWith(QString::fromUtf8("转换完成")); },
        [&](QMessageBox* box) {
            details = box->detailedText();
            QApplication::clipboard()->clear();
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("复制详情")),
                              Qt::LeftButton);
            copied = QApplication::clipboard()->text();
            saveAs(saved);
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("保存详情")),
                              Qt::LeftButton);
            saveAs(unsavable);
            whenOnTop<QMessageBox>([box](QMessageBox* shown) { return shown != box; },
                                   [&failure](QMessageBox* shown) {
                                       failure = shown->text();
                                       shown->button(QMessageBox::Ok)->click();
                                   });
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("保存详情")),
                              Qt::LeftButton);
            stayedOpen = box->isVisible();
            box->button(QMessageBox::No)->click();
        });
    QTest::mouseClick(window.control("按钮批量转换文件夹"), Qt::LeftButton, {}, QPoint(100, 24));

    const std::string reason = "：源文件有不符合其编码的字符，已替换为“?”";
    EXPECT_EQ(sortedLines(details.toStdString()),
              (std::vector<std::string>{"坏.txt" + reason, "子/坏.txt" + reason}));
    EXPECT_EQ(copied, details);
    EXPECT_EQ(readBytes(root / "详情.txt"), details.toStdString() + "\n");
    EXPECT_TRUE(failure.startsWith(QString::fromUtf8("无法保存 ") + unsavable + "："))
        << failure.toStdString();
    EXPECT_TRUE(stayedOpen);
}

} // namespace

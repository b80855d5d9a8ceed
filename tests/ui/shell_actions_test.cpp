#include "ui/shell_actions.h"

#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "tests/ui/modal_dialog.h"

namespace {

using platform::MessageAnswer;

platform::AnsiText ansiPathOf(const QString& path) {
    return platform::ansiPath(path.toStdString()).value_or("");
}

TEST(ShowMessage, BatchReportAnsweredYesAndNo) {
    const platform::AnsiText report =
        platform::ansi("转换完成，耗时 1.53 秒\r\n请问需要打开它吗？");
    for (auto [button, expected] : {std::pair{QMessageBox::Yes, MessageAnswer::Yes},
                                    std::pair{QMessageBox::No, MessageAnswer::No}}) {
        QString title, text, yesCaption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenShown<QMessageBox>([&, clickOn = button](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            yesCaption = box->button(QMessageBox::Yes)->text();
            box->button(clickOn)->click();
        });
        EXPECT_EQ(ui::showMessage(report, platform::yesNoMessage, ""), expected);
        EXPECT_EQ(static_cast<int>(expected), button == QMessageBox::Yes ? 5 : 6);
        EXPECT_EQ(title, QStringLiteral("砚舟："));
        EXPECT_EQ(text, QStringLiteral("转换完成，耗时 1.53 秒\n请问需要打开它吗？"));
        EXPECT_EQ(icon, QMessageBox::Information);
        EXPECT_EQ(yesCaption, QStringLiteral("是(&Y)"));
    }
}

TEST(ShowMessage, KeepsRequestedIconTitleAndPlainText) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    Qt::TextFormat format = Qt::AutoText;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(ui::showMessage(platform::ansi("<b>a&b</b>"),
                              {.icon = platform::MessageIcon::Warning}, platform::ansi("配置")),
              MessageAnswer::Ok);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(title, QStringLiteral("配置"));
    EXPECT_EQ(text, QStringLiteral("<b>a&b</b>"));
    EXPECT_EQ(format, Qt::PlainText);
}

// Also through the classic style word (1: OK and Cancel) that hosts still pass.
TEST(ShowMessage, EscapeAnswersCancel) {
    whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(ui::showMessage("x", platform::messageStyleFromClassic(1), ""),
              MessageAnswer::Cancel);
}

TEST(ShowMessage, DefaultButtonFromStyle) {
    QString defaultCaption;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        defaultCaption = box->defaultButton()->text();
        box->defaultButton()->click();
    });
    const platform::MessageStyle yesNoCancel{.buttons = platform::MessageButtons::YesNoCancel,
                                             .defaultButton = 1};
    EXPECT_EQ(ui::showMessage("x", yesNoCancel, ""), MessageAnswer::No);
    EXPECT_EQ(defaultCaption, QStringLiteral("否(&N)"));
}

TEST(ConfirmConversion, EnterConvertsEscapeCancels) {
    for (auto [key, expected] :
         {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Escape, false}}) {
        QString title, text, defaultCaption;
        QStringList captions;
        whenShown<QMessageBox>([&, pressed = key](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            for (QAbstractButton* button : box->buttons())
                captions << button->text();
            defaultCaption = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, pressed);
        });
        EXPECT_EQ(ui::confirmConversion(platform::ansi("要转换 <b>1</b> 个文件吗？")), expected);
        EXPECT_EQ(title, QStringLiteral("青枫匣"));
        EXPECT_EQ(text, QStringLiteral("要转换 <b>1</b> 个文件吗？"));
        captions.sort();
        EXPECT_EQ(captions, (QStringList{QStringLiteral("取消"), QStringLiteral("转换")}));
        EXPECT_EQ(defaultCaption, QStringLiteral("转换"));
    }
}

class FolderPickerTest : public testing::Test {
protected:
    void TearDown() override { ui::releasePickerInitialFolder(); }
    QTemporaryDir temporary;
};

TEST_F(FolderPickerTest, OpensOnInitialFolderAndReturnsIt) {
    ASSERT_TRUE(QDir(temporary.path()).mkdir(QStringLiteral("资料 ")));
    QString folder = temporary.path() + QStringLiteral("/资料 ");
    QString title, directory;
    bool dirsOnly = false;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the button does
    });
    platform::AnsiText chosen = ui::pickFolder(ansiPathOf(folder));
    EXPECT_EQ(title, QStringLiteral("请选择一个文件夹"));
    EXPECT_EQ(directory, folder);
    EXPECT_TRUE(dirsOnly);
    EXPECT_EQ(chosen, ansiPathOf(folder)) << "the trailing blank belongs to the name";
    EXPECT_EQ(ui::pickerInitialFolder(), ansiPathOf(folder));
}

TEST_F(FolderPickerTest, CancelGivesEmptyAndFolderIsKeptUntilReleased) {
    QString title;
    bool dirsOnly = true;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        dialog->reject();
    });
    platform::AnsiText initial = ansiPathOf(temporary.path());
    EXPECT_EQ(
        ui::pickFolder(initial, platform::ansi("选择要批量转换的文件(*.txt)所在文件夹："), true),
        "");
    EXPECT_EQ(title, QStringLiteral("选择要批量转换的文件(*.txt)所在文件夹："));
    EXPECT_FALSE(dirsOnly);
    EXPECT_EQ(ui::pickerInitialFolder(), initial);
    ui::releasePickerInitialFolder();
    EXPECT_EQ(ui::pickerInitialFolder(), "");
}

TEST(ChooseFiles, ReturnsFullPathsInDialogOrder) {
    QTemporaryDir temporary;
    for (const char* name : {"甲.txt", "b c.txt"})
        std::ofstream(temporary.filePath(QString::fromUtf8(name)).toStdString()) << "x";
    QStringList filters;
    QString selectedFilter, directory;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        directory = dialog->directory().absolutePath();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"b c.txt\" \"甲.txt\""));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the button does
    });
    std::vector<platform::AnsiText> files = ui::chooseFiles(
        platform::ansi("选择要批量转换的多个文件："),
        platform::ansi("文本文件(*.txt)|*.txt|全部文件(*.*)|*.*"), ansiPathOf(temporary.path()));
    EXPECT_EQ(directory, temporary.path());
    EXPECT_EQ(filters, (QStringList{QStringLiteral("文本文件(*.txt) (*.txt)"),
                                    QStringLiteral("全部文件(*.*) (*)")}));
    // The user sees the descriptions as the program writes them.
    EXPECT_EQ(selectedFilter, QStringLiteral("文本文件(*.txt)"));
    EXPECT_EQ(files, (std::vector<platform::AnsiText>{
                         ansiPathOf(temporary.filePath(QStringLiteral("b c.txt"))),
                         ansiPathOf(temporary.filePath(QStringLiteral("甲.txt")))}));
}

TEST(ChooseFiles, CancelGivesNoFiles) {
    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(ui::chooseFiles("t", "", "").empty());
}

// Receives what the desktop would be asked to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    // On a desktop of its own whose file manager is named for folders.
    OpenedUrls() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        const QString data = desktop.path() + QStringLiteral("/data");
        QDir().mkpath(data + QStringLiteral("/applications"));
        QFile entry(data + QStringLiteral("/applications/files.desktop"));
        if (entry.open(QIODevice::WriteOnly))
            entry.write("[Desktop Entry]\nType=Application\nName=Files\nExec=true %U\n"
                        "MimeType=inode/directory;\n");
        entry.close();
        QFile list(desktop.path() + QStringLiteral("/mimeapps.list"));
        if (list.open(QIODevice::WriteOnly))
            list.write("[Default Applications]\ninode/directory=files.desktop\n");
        list.close();
        const std::pair<const char*, QByteArray> variables[] = {
            {"XDG_DATA_HOME", data.toUtf8()},
            {"XDG_DATA_DIRS", data.toUtf8()},
            {"XDG_CONFIG_HOME", desktop.path().toUtf8()},
            {"XDG_CONFIG_DIRS", desktop.path().toUtf8()},
            {"XDG_CURRENT_DESKTOP", "X-Generic"}};
        for (const auto& [name, value] : variables) {
            saved.emplace_back(name, qgetenv(name));
            qputenv(name, value);
        }
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        for (const auto& [name, value] : saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    QTemporaryDir desktop;
    std::vector<std::pair<const char*, QByteArray>> saved;
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(OpenInExplorer, OpensResultFolder) {
    OpenedUrls opened;
    QTemporaryDir temporary;
    QString folder = temporary.path() + QStringLiteral("/转换结果/");
    EXPECT_TRUE(ui::openInExplorer(ansiPathOf(folder), true, true, false, false));
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(folder));
}

// An existing folder is opened only when the desktop names a program for folders; otherwise the
// caller learns that nothing will open it.
TEST(OpenInExplorer, FolderNeedsAFileManager) {
    OpenedUrls opened;
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/转换结果");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(ui::openInExplorer(ansiPathOf(folder), true, true, false, false));
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(folder)});

    // The same desktop without any program for folders.
    std::vector<std::pair<const char*, QByteArray>> withFileManager;
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME"}) {
        withFileManager.emplace_back(name, qgetenv(name));
        qputenv(name, home.path().toUtf8());
    }
    EXPECT_FALSE(ui::openInExplorer(ansiPathOf(folder), true, true, false, false));
    EXPECT_EQ(opened.urls.size(), 1);
    for (const auto& [name, value] : withFileManager)
        qputenv(name, value);
}

TEST(OpenInExplorer, SelectFallsBackToParentFolderAndRootIsParent) {
    OpenedUrls opened;
    // The test runs without a session bus, so no file manager answers the select request.
    EXPECT_TRUE(ui::openInExplorer(ansiPathOf(QStringLiteral("/srv/docs/a b.txt")), false, false,
                                   false, false));
    EXPECT_TRUE(ui::openInExplorer(ansiPathOf(QStringLiteral("/srv/docs/a b.txt")), false, false,
                                   true, false, 9));
    EXPECT_TRUE(
        ui::openInExplorer(ansiPathOf(QStringLiteral("/a.txt")), false, false, true, false));
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/srv/docs")),
                                        QUrl::fromLocalFile(QStringLiteral("/srv/docs")),
                                        QUrl::fromLocalFile(QStringLiteral("/"))}));
}

TEST(OpenInExplorer, ProgramPathStartsDirectlyWithBlanksUninterpreted) {
    OpenedUrls opened;
    QTemporaryDir temporary;
    QString program = temporary.path() + QStringLiteral("/run me;rm -rf x.EXE");
    {
        std::ofstream script(program.toStdString());
        script << "#!/bin/sh\necho \"$0\" > \"$(dirname \"$0\")/marker\"\n";
    }
    ::chmod(program.toStdString().c_str(), 0755);
    EXPECT_TRUE(ui::openInExplorer(ansiPathOf(program), true, true, false, true));
    std::ifstream marker(temporary.filePath(QStringLiteral("marker")).toStdString());
    std::string line;
    std::getline(marker, line);
    EXPECT_EQ(QString::fromStdString(line), program);
    EXPECT_TRUE(opened.urls.isEmpty());

    EXPECT_FALSE(ui::openInExplorer(ansiPathOf(temporary.path() + QStringLiteral("/none.exe")),
                                    true, true, false, true));
}

TEST(RunCommandLine, StartsWithWindowsSplitAndReportsFailure) {
    QTemporaryDir temporary;
    QString target = temporary.path() + QStringLiteral("/新 文件");
    platform::AnsiText line = platform::ansi("touch \"") + ansiPathOf(target) + "\"";
    EXPECT_TRUE(ui::runCommandLine(line, true, -1));
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_FALSE(ui::runCommandLine("qfx-no-such-program arg", true));
    EXPECT_FALSE(ui::runCommandLine("   ", false));
    EXPECT_TRUE(ui::runCommandLine("true", false, 9));
}

// Programs in a private PATH folder that stand in for browsers: each records its name and its
// arguments, one per line.
class FakeBrowsers {
public:
    FakeBrowsers()
        : path("PATH", folder.path().toLocal8Bit()), browser("BROWSER", QByteArray()),
          dataHome("XDG_DATA_HOME", dataFolder.path().toLocal8Bit()),
          dataDirs("XDG_DATA_DIRS", dataFolder.path().toLocal8Bit()) {}

    void add(const QString& name) {
        const QString program = folder.filePath(name);
        std::ofstream(program.toStdString())
            << "#!/bin/sh\nprintf '%s\\n' \"${0##*/}\" \"$@\" > \"" << log().toStdString()
            << ".part\"\n/bin/mv \"" << log().toStdString() << ".part\" \"" << log().toStdString()
            << "\"\n";
        ::chmod(program.toStdString().c_str(), 0755);
    }
    void setBrowserVariable(const char* value) { qputenv("BROWSER", value); }
    QString programPath(const QString& name) const { return folder.filePath(name); }
    // The desktop opens web addresses with a browser whose desktop entry runs `exec`.
    void setDesktopBrowser(const char* exec) {
        const QString query = folder.filePath(QStringLiteral("xdg-mime"));
        std::ofstream(query.toStdString()) << "#!/bin/sh\necho web.desktop\n";
        ::chmod(query.toStdString().c_str(), 0755);
        QDir(dataFolder.path()).mkpath(QStringLiteral("applications"));
        std::ofstream(dataFolder.filePath(QStringLiteral("applications/web.desktop")).toStdString())
            << "[Desktop Entry]\nType=Application\nName=Web\nExec=" << exec << "\n";
    }

    // The started program's name and arguments, a line each; empty when none started within a
    // few seconds.
    std::string started() const {
        for (int waited = 0; waited < 5000 && !QFileInfo::exists(log()); waited += 20)
            QTest::qWait(20);
        QFile file(log());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll().toStdString();
    }

private:
    class Variable {
    public:
        Variable(const char* variableName, const QByteArray& value)
            : name(variableName), saved(qgetenv(variableName)),
              wasSet(qEnvironmentVariableIsSet(variableName)) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
        ~Variable() {
            if (wasSet)
                qputenv(name, saved);
            else
                qunsetenv(name);
        }

    private:
        const char* name;
        QByteArray saved;
        bool wasSet;
    };

    QString log() const { return logFolder.filePath(QStringLiteral("started")); }

    QTemporaryDir folder;
    QTemporaryDir logFolder;
    QTemporaryDir dataFolder;
    Variable path;
    Variable browser;
    Variable dataHome;
    Variable dataDirs;
};

struct BrowserRow {
    const char* name;
    std::vector<const char*> installed;
    const char* browserVariable; // nullptr: unset
    const char* expected;        // program and arguments before the target; nullptr: none starts
    const char* desktopBrowser = nullptr; // Exec of the desktop's web browser
    const char* self = nullptr;           // the installed program that plays this program
};

class StartWebBrowser : public testing::TestWithParam<BrowserRow> {};

TEST_P(StartWebBrowser, FirstProgramThatExistsGetsTheTargetAsItIs) {
    const BrowserRow& row = GetParam();
    FakeBrowsers browsers;
    for (const char* name : row.installed)
        browsers.add(QString::fromUtf8(name));
    if (row.browserVariable)
        browsers.setBrowserVariable(row.browserVariable);
    if (row.desktopBrowser)
        browsers.setDesktopBrowser(row.desktopBrowser);
    const std::string self =
        row.self ? browsers.programPath(QString::fromUtf8(row.self)).toStdString() : "";
    const std::string target = "/tmp/说明 书;$(touch x) \"a\".html";
    EXPECT_EQ(ui::startWebBrowser(target, self), row.expected != nullptr);
    if (row.expected) {
        EXPECT_EQ(browsers.started(), std::string(row.expected) + "\n" + target + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Order, StartWebBrowser,
    testing::Values(BrowserRow{"PageNeverThroughXdgOpen",
                               {"x-www-browser", "sensible-browser", "xdg-open"},
                               nullptr,
                               "sensible-browser"},
                    BrowserRow{"DesktopsWebBrowserFirst",
                               {"x-www-browser", "sensible-browser", "my-web"},
                               nullptr,
                               "my-web\n--new-window",
                               "\"my-web\" --new-window %f %i"},
                    BrowserRow{"NeverItself",
                               {"x-www-browser", "qfx-self"},
                               "qfx-self",
                               "x-www-browser",
                               nullptr,
                               "qfx-self"},
                    BrowserRow{"ThenSensibleBrowser",
                               {"x-www-browser", "sensible-browser"},
                               nullptr,
                               "sensible-browser"},
                    BrowserRow{"ThenXWwwBrowser", {"x-www-browser"}, nullptr, "x-www-browser"},
                    BrowserRow{"BrowserVariableBeforeAll",
                               {"xdg-open", "my-browser"},
                               "no-such-browser::my-browser",
                               "my-browser"},
                    BrowserRow{"NoneInstalled", {}, nullptr, nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

// A page on disk never reaches the desktop's opener of its file type, which may be this program.
TEST(OpenWebPage, AddressesToTheDesktopPagesToABrowser) {
    OpenedUrls opened;
    FakeBrowsers browsers;
    browsers.add(QStringLiteral("x-www-browser"));
    ui::openWebPage("https://example.org/a?b=c");
    ui::openWebPage("www.example.org");
    ui::openWebPage(platform::ansi("/tmp/说明 书.html"));
    ui::openWebPage("");
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl(QStringLiteral("https://example.org/a?b=c")),
                                        QUrl(QStringLiteral("http://www.example.org"))}));
    EXPECT_EQ(browsers.started(), "x-www-browser\n/tmp/说明 书.html\n");
}

TEST(OpenWebPage, StartsABrowserWhenTheDesktopCannotOpenTheTarget) {
    FakeBrowsers browsers;
    browsers.add(QStringLiteral("sensible-browser"));
    ui::openWebPage("https://example.org/a?b=c");
    EXPECT_EQ(browsers.started(), "sensible-browser\nhttps://example.org/a?b=c\n");
}

} // namespace

int main(int argc, char** argv) {
    // No file manager may answer: the select requests must take their fallback.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/qfx-test-bus");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "shell_actions_test.moc"

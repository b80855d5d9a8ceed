// The window as the desktop meets it, on a screen scaled to 200 %: Qt's own dialogs in Chinese,
// files dropped on it, visible keyboard focus, sharp pictures, a caption nothing hides and a
// dialog that fits.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "platform/ansi_text.h"
#include "settings/config_store.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/qt_application_environment.h"
#include "tests/ui/window_probe.h"
#include "ui/check_dialog.h"
#include "ui/desktop_identity.h"
#include "ui/main_window.h"
#include "ui/promotion_strip.h"
#include "ui/shell_actions.h"
#include "ui/startup.h"

namespace {

using platform::testing::readBytes;

using platform::AnsiText;

const char* const fileButton = "按钮批量转换";
const char* const folderButton = "按钮批量转换文件夹";

TEST(DesktopWindow, OpenDialogOfTheFileButtonReadsInChinese) {
    ASSERT_TRUE(ui::installChineseQtTexts());
    QString cancel;
    QTimer::singleShot(0, [&cancel] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                auto* buttons = dialog->findChild<QDialogButtonBox*>();
                if (buttons && buttons->button(QDialogButtonBox::Cancel))
                    cancel = buttons->button(QDialogButtonBox::Cancel)->text();
                dialog->reject();
            }
        }
    });
    (void)ui::chooseFiles(platform::ansi("选择要批量转换的多个文件："), "*.*|*.*", "");
    EXPECT_EQ(cancel, QStringLiteral("取消"));
}

// A window with the program's handlers over a settings file of its own, whose report is
// answered by the test; the report also tells which button's run it ended.
class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = std::filesystem::path(temp.path().toStdString());
        store = std::make_unique<settings::ConfigStore>(
            platform::ansiPath((root / "registry").string()).value_or(""));
        ASSERT_TRUE(ui::openSettings(
            *store, platform::ansiPath((root / "青枫匣.ini").string()).value_or("")));
        ui::ShellDialogs dialogs;
        dialogs.showMessage = [this](const AnsiText&, const platform::MessageStyle&,
                                     const AnsiText&, const AnsiText&) {
            const batch::BatchSession& session = window->batchSession();
            reportedUnder.push_back(session.runs(batch::BatchButton::Files)    ? fileButton
                                    : session.runs(batch::BatchButton::Folder) ? folderButton
                                                                               : "");
            if (whileReporting)
                whileReporting();
            return platform::MessageAnswer::No;
        };
        dialogs.confirmConversion = [this](const AnsiText& question) {
            questions.push_back(platform::utf8FromAnsi(question).value_or(""));
            return agree;
        };
        window = std::make_unique<ui::MainWindow>(ui::programHandlers(*store), dialogs);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void write(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories((root / name).parent_path());
        std::ofstream(root / name, std::ios::binary) << bytes;
    }

    QMimeData* urls(const std::vector<std::string>& names) {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const std::string& name : names)
            list << QUrl::fromLocalFile(QString::fromStdString((root / name).string()));
        data->setUrls(list);
        return data;
    }

    // True when the window took the drag; a dropped one is run once the drop has returned.
    bool drop(const std::vector<std::string>& names) {
        std::unique_ptr<QMimeData> data(urls(names));
        const QPoint centre = window->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent dropped(centre, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        QApplication::processEvents();
        return enter.isAccepted() && dropped.isAccepted();
    }

    QTemporaryDir temp;
    std::filesystem::path root;
    std::unique_ptr<settings::ConfigStore> store;
    std::unique_ptr<ui::MainWindow> window;
    std::vector<std::string> reportedUnder;
    std::function<void()> whileReporting;
    bool agree = true;                  // the answer to the question before a run
    std::vector<std::string> questions; // as UTF-8
};

struct DropCase {
    const char* name;
    std::vector<std::string> dropped;
    std::vector<std::string> converted; // in 转换结果 beside the file
    std::vector<std::string> notConverted;
    const char* runningButton; // nullptr: no run
    bool subFolders = false;   // the box 包含子文件夹 checked
    bool agreed = true;        // 转换 answered to the question
};

const DropCase dropCases[] = {
    {"FilesAsIfChosenInTheOpenDialog",
     {"one/a.dat", "one/b.txt"},
     {"one/a.dat", "one/b.txt"},
     {},
     fileButton},
    {"FolderAloneThroughTheFilterBox", {"two"}, {"two/c.txt"}, {"two/d.dat"}, folderButton},
    {"MixOfFolderAndFile",
     {"two", "one/a.dat"},
     {"two/c.txt", "one/a.dat"},
     {"two/d.dat"},
     fileButton},
    // The box concerns a folder dropped alone; files are converted as ever.
    {"FilesWithSubFoldersChecked",
     {"one/a.dat", "one/b.txt"},
     {"one/a.dat", "one/b.txt"},
     {},
     fileButton,
     true},
    {"DeclinedConvertsNothing",
     {"one/a.dat", "one/b.txt"},
     {},
     {"one/a.dat", "one/b.txt"},
     nullptr,
     false,
     false},
};

class DropCaseTest : public DropTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropCaseTest, DroppedPathsAreConvertedUnderTheButtonThatRunsThem) {
    const DropCase& c = GetParam();
    for (const char* name : {"one/a.dat", "one/b.txt", "two/c.txt", "two/d.dat"})
        write(name, platform::ansi("青枫"));
    ui::testing::setChecked(*window, "单选框输出UTF8", true);
    static_cast<QLineEdit*>(window->control("编辑框文件过滤"))->setText("*.txt");
    ui::testing::setChecked(*window, "复选框包含子文件夹", c.subFolders);
    agree = c.agreed;

    EXPECT_TRUE(drop(c.dropped));
    // Asked once, before anything ran, naming what was handed and the output chosen.
    ASSERT_EQ(questions.size(), 1u);
    const std::string& question = questions.front();
    EXPECT_NE(question.find(std::filesystem::path(c.dropped.front()).filename().string()),
              std::string::npos)
        << question;
    EXPECT_NE(question.find("输出编码：UTF-8"), std::string::npos) << question;
    EXPECT_EQ(reportedUnder, c.runningButton ? std::vector<std::string>{c.runningButton}
                                             : std::vector<std::string>{});
    for (const std::string& name : c.converted) {
        const auto path = std::filesystem::path(root / name);
        EXPECT_EQ(readBytes(path.parent_path() / "转换结果" / path.filename()), "\xEF\xBB\xBF青枫")
            << name;
    }
    for (const std::string& name : c.notConverted) {
        const auto path = std::filesystem::path(root / name);
        EXPECT_FALSE(std::filesystem::exists(path.parent_path() / "转换结果" / path.filename()));
    }
    EXPECT_FALSE(window->batchSession().handlerActive());
}

INSTANTIATE_TEST_SUITE_P(Drops, DropCaseTest, ::testing::ValuesIn(dropCases),
                         [](const ::testing::TestParamInfo<DropCase>& drop) {
                             return std::string(drop.param.name);
                         });

TEST_F(DropTest, DropDuringARunIsRefusedAndTheDragShowsIt) {
    write("a.txt", "a");
    write("b.txt", "b");
    bool takenDuringRun = true;
    whileReporting = [this, &takenDuringRun] {
        whileReporting = nullptr;
        takenDuringRun = drop({"b.txt"});
    };
    EXPECT_TRUE(drop({"a.txt"}));
    EXPECT_FALSE(takenDuringRun);
    QApplication::processEvents();
    EXPECT_EQ(reportedUnder.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(root / "转换结果" / "b.txt"));
}

class ButtonLookTest : public DropTest, public ::testing::WithParamInterface<const char*> {};

// A focused push button is also drawn as the default one, so the unfocused look compared is the
// default button's.
TEST_P(ButtonLookTest, KeyboardFocusIsVisible) {
    auto* button = static_cast<QPushButton*>(window->control(GetParam()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->control("编辑框文件过滤")->setFocus(Qt::TabFocusReason);
    button->setDefault(true);
    const QImage unfocused = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_NE(button->grab().toImage(), unfocused);
}

INSTANTIATE_TEST_SUITE_P(BatchButtons, ButtonLookTest, ::testing::Values(fileButton, folderButton));

TEST_F(DropTest, PicturesAreDrawnAtTheScreensPixelRatio) {
    const qreal ratio = window->devicePixelRatioF();
    ASSERT_EQ(ratio, 2.0) << "run with QT_SCALE_FACTOR=2";
    for (const char* name : {"图片官网", "图片软件主页"}) {
        const auto* label = static_cast<QLabel*>(window->control(name));
        const QPixmap picture = label->pixmap();
        EXPECT_EQ(picture.devicePixelRatio(), ratio) << name;
        EXPECT_EQ(picture.size(), label->size() * ratio) << name;
    }
}

// A scaled screen smaller than the classic window gets the whole layout shrunk to fit it.
TEST_F(DropTest, WindowFitsTheScaledScreen) {
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.height(), 403) << "run on a screen smaller than the window";
    EXPECT_LE(window->width(), available.width());
    EXPECT_LE(window->height(), available.height());
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->objectName() == "图片框3" || child->objectName() == "标签3")
            continue; // the strip and the rule run past the edges on purpose
        EXPECT_TRUE(window->rect().contains(child->geometry()))
            << child->objectName().toStdString();
    }
}

// 检查's dialog of many files on the same small scaled screen: it and its buttons stay on it,
// the list and the preview giving up height.
TEST_F(DropTest, CheckDialogFitsTheScaledScreen) {
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.height(), 520) << "run on a screen smaller than the dialog";
    batch::FolderScanResult list;
    for (int i = 0; i < 40; ++i)
        list.files.push_back(platform::ansi((root / ("f" + std::to_string(i) + ".txt")).string()));
    ui::CheckDialog dialog(list, window.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(available.contains(dialog.frameGeometry()))
        << dialog.frameGeometry().width() << "x" << dialog.frameGeometry().height() << " on "
        << available.width() << "x" << available.height();
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        const QRect place(button->mapToGlobal(QPoint(0, 0)), button->size());
        EXPECT_TRUE(available.contains(place)) << button->text().toStdString();
    }
    for (const char* name : {"检查结果", "预览"})
        EXPECT_GT(dialog.findChild<QWidget*>(QString::fromUtf8(name))->height(), 0) << name;
}

// Dark pixels are the caption's; the bevel's edge lies within the inset left out.
TEST_F(DropTest, FolderButtonCaptionIsCentredInThePartTheFilterBoxLeavesFree) {
    QWidget* button = window->control(folderButton);
    window->control(fileButton)->setFocus();
    const QImage image = button->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const int inset = static_cast<int>(6 * ratio);
    int left = image.width(), right = -1;
    for (int y = inset; y < image.height() - inset; ++y) {
        for (int x = inset; x < image.width() - inset; ++x) {
            if (qGray(image.pixel(x, y)) < 96) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, left) << "no caption drawn";
    const double free = (window->control("编辑框文件过滤")->x() - button->x()) * ratio;
    EXPECT_LT(right, free);
    EXPECT_NEAR(left, free - 1 - right, 3 * ratio);
}

} // namespace

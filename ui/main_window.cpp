// The main window: built from the control table, its events routed to the batch and settings
// handlers.
#include "ui/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "platform/file_system.h"
#include "qfx_version.h"
#include "ui/check_dialog.h"
#include "ui/control_names.h"
#include "ui/control_table.h"
#include "ui/desktop_identity.h"
#include "ui/output_options_dialog.h"
#include "ui/promotion_strip.h"
#include "ui/run_consent.h"

namespace ui {

MainWindow::MainWindow(WindowHandlers windowHandlers, ShellDialogs dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      handlers(std::move(windowHandlers)) {
    setWindowTitle(QStringLiteral("青枫匣 v" QFX_VERSION));
    setWindowIcon(programIcon());
    // Without a frame (no window manager) the client area is the whole outer size; fitOuterSize
    // shrinks it by the frame once the window system reports one.
    // On a screen smaller than the classic size (a scaled one) the whole layout shrinks to fit.
    double scale = 1.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        scale = std::min(
            {1.0, double(area.width()) / windowWidth, double(area.height()) / windowHeight});
    }
    outer = QSize(static_cast<int>(windowWidth * scale), static_cast<int>(windowHeight * scale));
    setFixedSize(outer);

    controls = buildControls(this, scale);
    fileButton = static_cast<QPushButton*>(controls.at(control::fileButton));
    folderButton = static_cast<QPushButton*>(controls.at(control::folderButton));

    auto* separator = static_cast<QLabel*>(controls.at("标签3"));
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    const auto openWebPage = dialogs.openWebPage;
    windowAdapter = std::make_unique<WindowAdapter>(
        this, controls, [this] { return closing; }, std::move(dialogs));
    strip = new PromotionStrip(
        controls.at("图片框3"), static_cast<ClickableLabel*>(controls.at("图片官网")),
        static_cast<ClickableLabel*>(controls.at("图片软件主页")),
        static_cast<HyperLinker*>(controls.at("文字软件主页")),
        [openWebPage](const QString& target) {
            if (openWebPage) {
                openWebPage(ansiText(target));
            }
        },
        this);

    connect(fileButton, &QPushButton::clicked, this, &MainWindow::fileButtonClicked);
    connect(folderButton, &QPushButton::clicked, this, [this] { folderButtonActivated(true); });
    // The options apply from the next run; while a picker or run is going on they wait.
    connect(static_cast<QPushButton*>(controls.at(control::outputOptionsButton)),
            &QPushButton::clicked, this, [this] {
                if (!closing && !session.handlerActive())
                    editOutputOptions(*windowAdapter, this);
            });
    folderButton->installEventFilter(this);
    // 检查 comes from its button in the strip and from the window's context menu; the folder
    // button keeps its right button for the wildcard scan.
    folderButton->setContextMenuPolicy(Qt::PreventContextMenu);
    fileButton->setToolTip(QStringLiteral("右键单击：先检查，再转换"));
    QMenu* checks = checkMenu(this, [this](batch::BatchButton button) {
        if (!closing) {
            CheckDialogReview review(this);
            batch::checkThenRun(windowAdapter->buttonWindow(), session, button, review);
        }
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this, checks](const QPoint& at) {
        if (!closing && !session.handlerActive())
            checks->popup(mapToGlobal(at));
    });
    auto* checkButton = static_cast<QPushButton*>(controls.at(control::checkButton));
    connect(checkButton, &QPushButton::clicked, this, [this, checks, checkButton] {
        if (!closing && !session.handlerActive())
            checks->popup(checkButton->mapToGlobal(QPoint(0, checkButton->height())));
    });
    // Files dropped anywhere on the window are converted; the filter box would take their
    // names as text.
    setAcceptDrops(true);
    controls.at(control::filterEdit)->setAcceptDrops(false);

    centreOnScreen();
    // The created event: every control exists and the user cannot act yet.
    if (handlers.loadSettings) {
        handlers.loadSettings(*windowAdapter);
    }
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::control(std::string_view name) const {
    auto found = controls.find(name);
    return found != controls.end() ? found->second : nullptr;
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

void MainWindow::fitOuterSize() {
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() < 0 || frame.height() < 0 || (frame.width() == 0 && frame.height() == 0)) {
        return;
    }
    const QSize client = outer - frame;
    if (client != size()) {
        setFixedSize(client);
        centreOnScreen();
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window manager adds its frame after the window is mapped.
    QTimer::singleShot(0, this, &MainWindow::fitOuterSize);
    QTimer::singleShot(200, this, &MainWindow::fitOuterSize);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Reaches the window only when the focused control did not take Enter itself. The
        // filter box belongs to the folder run, so Enter there starts that one.
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            const bool inFilter = focusWidget() == controls.at(control::filterEdit);
            (inFilter ? folderButton : fileButton)->click();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing) {
        closing = true;
        strip->timer()->stop();
        if (handlers.saveSettings) {
            handlers.saveSettings(*windowAdapter);
        }
    }
    // Never vetoed. During a run the window only hides here; the run sees the pump answer false
    // and unwinds, and the window is destroyed after the run has returned.
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == folderButton && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton &&
            folderButton->rect().contains(mouse->position().toPoint())) {
            folderButtonActivated(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// After the close request a click starts nothing; whether a click stops a run, starts one or is
// dropped because another handler is busy is the session's to tell.
void MainWindow::fileButtonClicked() {
    if (!closing && handlers.startFileBatch) {
        handlers.startFileBatch(windowAdapter->buttonWindow(), session);
    }
}

void MainWindow::folderButtonActivated(bool useFilterScan) {
    if (!closing && handlers.startFolderBatch) {
        handlers.startFolderBatch(windowAdapter->buttonWindow(), session, useFilterScan);
    }
}

namespace {

// The local files of a drag, as the file system's bytes; other addresses are left out.
std::vector<std::string> droppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

} // namespace

bool MainWindow::acceptsDrops() const {
    return !closing && !askingConsent && !session.handlerActive() && handlers.startDroppedBatch;
}

// While a dialog, picker, scan or run is going on, the drag is ignored, so the cursor shows
// that it cannot be dropped.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrops() && !droppedPaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrops() && !droppedPaths(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths = droppedPaths(event->mimeData());
    if (!acceptsDrops() || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The run starts after the drop has returned, so that the program the files came from is
    // not held up until the run's report is answered.
    convertPathsSoon(std::move(paths));
}

void MainWindow::convertPathsSoon(std::vector<std::string> nativePaths) {
    QTimer::singleShot(0, this,
                       [this, paths = std::move(nativePaths)] { convertHandedPaths(paths); });
}

namespace {

// The caption of the selected radio in a group's panel; empty when none is selected.
AnsiText selectedCaption(const QWidget* panel) {
    for (const QRadioButton* radio : panel->findChildren<QRadioButton*>()) {
        if (radio->isChecked())
            return ansiText(radio->text());
    }
    return {};
}

} // namespace

// Files the user did not pick in the window (a double-click in a file manager, a drop, perhaps
// on the wrong window) are converted only after the user has seen what and how.
void MainWindow::convertHandedPaths(const std::vector<std::string>& nativePaths) {
    if (!acceptsDrops() || nativePaths.empty())
        return;
    RunChoices choices;
    choices.input = selectedCaption(controls.at("图片框1"));
    choices.output = selectedCaption(controls.at("图片框2"));
    choices.script = selectedCaption(controls.at("外形框1"));
    choices.filter = windowAdapter->filterText();
    choices.place = windowAdapter->outputChoices().place;
    choices.outputFolder = windowAdapter->outputChoices().folder;
    const AnsiText question =
        consentQuestion(handedItems(nativePaths, platform::currentFolder()), choices);
    askingConsent = true;
    const bool agreed = windowAdapter->confirmConversion(question);
    askingConsent = false;
    if (agreed && acceptsDrops())
        (void)handlers.startDroppedBatch(windowAdapter->buttonWindow(), session, nativePaths);
}

} // namespace ui

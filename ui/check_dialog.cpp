// The check dialog: a table of the listed files filled as their checks come from the workers, a
// preview of the selected file, and the choice to convert or leave them.
#include "ui/check_dialog.h"

#include <utility>

#include <QAction>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "batch/batch_run.h"
#include "platform/file_problem.h"
#include "ui/window_adapter.h"

namespace ui {

namespace {

QString ui8(const char* utf8) {
    return QString::fromUtf8(utf8);
}

enum Column { FileColumn, ReadColumn, WrittenColumn, FindingColumn };

} // namespace

CheckDialog::CheckDialog(const batch::FolderScanResult& list, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("检查对话框"));
    setWindowTitle(ui8("检查 - 青枫匣"));
    const std::vector<AnsiText> paths = batch::checkedPaths(list);
    checks.resize(paths.size());

    status = new QLabel(this);
    status->setTextFormat(Qt::PlainText);
    progress = new QProgressBar(this);
    progress->setRange(0, static_cast<int>(paths.size()));
    progress->setValue(0);

    table = new QTreeWidget(this);
    table->setObjectName(QStringLiteral("检查结果"));
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setHeaderLabels({ui8("文件"), ui8("读取编码"), ui8("写入编码"), ui8("结果")});
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(paths.size()));
    for (const AnsiText& path : paths) {
        auto* row = new QTreeWidgetItem(
            {qtText(batch::nameInList(list.treeRoot, path)), {}, {}, ui8("等待检查")});
        row->setToolTip(FileColumn, qtText(path));
        rows.append(row);
    }
    table->addTopLevelItems(rows);
    table->header()->setStretchLastSection(true);
    table->setColumnWidth(FileColumn, 220);
    table->setColumnWidth(ReadColumn, 90);
    table->setColumnWidth(WrittenColumn, 90);
    connect(table, &QTreeWidget::currentItemChanged, this, &CheckDialog::showPreview);

    preview = new QPlainTextEdit(this);
    preview->setObjectName(QStringLiteral("预览"));
    preview->setReadOnly(true);
    preview->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* buttons = new QDialogButtonBox(this);
    stopButton = buttons->addButton(ui8("停止"), QDialogButtonBox::ActionRole);
    convertButton = buttons->addButton(ui8("转换"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(ui8("取消"), QDialogButtonBox::RejectRole);
    convertButton->setEnabled(false);
    convertButton->setDefault(true);
    connect(stopButton, &QPushButton::clicked, this, [this] {
        stopButton->setEnabled(false);
        if (onStop)
            onStop();
    });
    connect(convertButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CheckDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status);
    layout->addWidget(progress);
    layout->addWidget(table, 3);
    auto* previewCaption = new QLabel(ui8("预览（所选文件解码后的开头）："), this);
    layout->addWidget(previewCaption);
    layout->addWidget(preview, 2);
    layout->addWidget(buttons);
    // On a small or scaled screen the list and the preview give up height so that the buttons
    // stay on the screen.
    table->setMinimumHeight(table->fontMetrics().height() * 3);
    preview->setMinimumHeight(preview->fontMetrics().height() * 2);
    QSize wanted(720, 520);
    if (const QScreen* shown = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QSize available = shown->availableGeometry().size();
        wanted = wanted.boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
    }
    resize(wanted.expandedTo(minimumSizeHint()));
    status->setText(ui8("正在检查 %1 个文件……").arg(paths.size()));
}

void CheckDialog::showCheck(std::size_t row, batch::FileCheck found) {
    if (row >= checks.size())
        return;
    QTreeWidgetItem* item = table->topLevelItem(static_cast<int>(row));
    const engine::ConversionCheck& check = found.check;
    const bool read = !platform::isSourceProblem(check.status.problem);
    item->setText(ReadColumn, read ? qtText(batch::encodingCaption(check.detected)) : ui8("-"));
    item->setText(WrittenColumn, read ? qtText(batch::encodingCaption(check.written)) : ui8("-"));
    const QString finding = qtText(batch::checkFinding(check));
    item->setText(FindingColumn, finding);
    item->setToolTip(FindingColumn, finding);
    status->setText(ui8("正在检查：") +
                    qtText(batch::progressCaption(static_cast<int>(checks.size()),
                                                  static_cast<int>(row) + 1, found.sourcePath)));
    checks[row] = std::move(found);
    progress->setValue(static_cast<int>(++checkedCount));
    if (!table->currentItem())
        table->setCurrentItem(item);
    else if (table->currentItem() == item)
        showPreview();
}

void CheckDialog::checksEnded(bool allChecked) {
    checking = false;
    stopButton->setEnabled(false);
    convertButton->setEnabled(true);
    convertButton->setFocus();
    std::size_t complete = 0;
    for (const batch::FileCheck& found : checks)
        complete += !found.sourcePath.empty() && found.check.complete() ? 1 : 0;
    const QString counts =
        ui8("%1 个能完整转换，%2 个不能。").arg(complete).arg(checkedCount - complete);
    status->setText(
        allChecked
            ? ui8("检查了 %1 个文件：").arg(checkedCount) + counts
            : ui8("已停止：检查了 %1 个文件，共 %2 个；").arg(checkedCount).arg(checks.size()) +
                  counts);
}

void CheckDialog::reject() {
    if (checking && onStop)
        onStop();
    QDialog::reject();
}

void CheckDialog::showPreview() {
    const int row = table->indexOfTopLevelItem(table->currentItem());
    preview->clear();
    if (row < 0 || static_cast<std::size_t>(row) >= checks.size())
        return;
    const batch::FileCheck& found = checks[static_cast<std::size_t>(row)];
    if (found.sourcePath.empty()) {
        preview->setPlaceholderText(ui8("尚未检查"));
    } else if (platform::isSourceProblem(found.check.status.problem)) {
        preview->setPlaceholderText(ui8("无法读取"));
    } else {
        preview->setPlaceholderText(ui8("（空文件）"));
        preview->setPlainText(qtText(found.check.opening));
    }
}

bool CheckDialogReview::reviewChecks(const batch::FolderScanResult& list,
                                     const batch::RunOptions& options, batch::BatchSession& session,
                                     const batch::PumpEvents& pump) {
    CheckDialog dialog(list, parent);
    session.renewStopRequest();
    dialog.onStop = [&session] { session.requestStop(); };
    // Modal to the window, which keeps painting while the workers check.
    dialog.setWindowModality(Qt::WindowModal);
    dialog.show();
    bool windowGone = false;
    const bool allChecked = batch::checkList(
        list, options, session.stopToken(),
        [&] {
            windowGone = windowGone || (pump && !pump());
            return !windowGone;
        },
        [&dialog](std::size_t row, batch::FileCheck found) {
            dialog.showCheck(row, std::move(found));
        });
    // Cancelled while checking, or the window is going away: nothing is converted.
    if (windowGone || !dialog.isVisible())
        return false;
    dialog.checksEnded(allChecked);
    return dialog.exec() == QDialog::Accepted;
}

QMenu* checkMenu(QWidget* window, const std::function<void(batch::BatchButton)>& check) {
    auto* menu = new QMenu(window);
    menu->setObjectName(QStringLiteral("检查菜单"));
    struct Entry {
        const char* name;
        const char* caption;
        batch::BatchButton button;
    };
    for (const Entry& entry :
         {Entry{"菜单检查文件", "检查文件（先看再转换）…", batch::BatchButton::Files},
          Entry{"菜单检查文件夹", "检查文件夹（先看再转换）…", batch::BatchButton::Folder}}) {
        QAction* action = menu->addAction(ui8(entry.caption));
        action->setObjectName(ui8(entry.name));
        // Queued: the check's dialogs open once the menu is gone.
        QObject::connect(
            action, &QAction::triggered, window, [check, button = entry.button] { check(button); },
            Qt::QueuedConnection);
    }
    return menu;
}

} // namespace ui

// 检查: the window's look at what a run would do before it does it. A dialog lists the files a
// batch button would take with the encodings each would be read and written in and whether it
// would convert completely, previews the start of the selected file's decoded text, and lets the
// user convert them or leave them. The checks run on the workers while the window stays live.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QDialog>

#include "batch/batch_check.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace ui {

class CheckDialog : public QDialog {
    Q_OBJECT
public:
    // One row per entry of `list` (batch::checkedPaths), named by its place in the chosen folder.
    CheckDialog(const batch::FolderScanResult& list, QWidget* parent);

    // A row's check has come.
    void showCheck(std::size_t row, batch::FileCheck found);
    // Every row was checked (`allChecked`), or the check was stopped: the user decides now.
    void checksEnded(bool allChecked);

    // Asked when the user stops the check (停止 or 取消).
    std::function<void()> onStop;

protected:
    void reject() override;

private:
    void showPreview();

    std::vector<batch::FileCheck> checks; // by row; a row not yet checked has no path
    std::size_t checkedCount = 0;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    QTreeWidget* table = nullptr;
    QPlainTextEdit* preview = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* convertButton = nullptr;
    bool checking = true;
};

// The window's review of a check: the dialog modal to `window`, the checks on the workers.
class CheckDialogReview : public batch::CheckReview {
public:
    explicit CheckDialogReview(QWidget* window) : parent(window) {}
    bool reviewChecks(const batch::FolderScanResult& list, const batch::RunOptions& options,
                      batch::BatchSession& session, const batch::PumpEvents& pump) override;

private:
    QWidget* parent;
};

// The window's context menu that leads to 检查: one entry per way of choosing the files (the
// open dialog, the folder with the filter). `check` is called with the button whose way was
// chosen.
QMenu* checkMenu(QWidget* window, const std::function<void(batch::BatchButton)>& check);

} // namespace ui

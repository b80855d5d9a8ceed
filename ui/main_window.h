// The program's only window: the three choice groups, the filter, the two batch buttons with
// the run's progress display, and the promotion strip. Its handlers come from the batch and
// settings layers; the window routes its events to them with the session they share.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QWidget>

#include "batch/batch_session.h"
#include "ui/window_adapter.h"

class QPushButton;

namespace ui {

class PromotionStrip;

// What the window's events run. Start-up fills them with the settings and batch layers.
struct WindowHandlers {
    std::function<void(WindowAdapter&)> loadSettings; // created
    std::function<void(WindowAdapter&)> saveSettings; // close requested
    std::function<void(const batch::ButtonWindow&, batch::BatchSession&)> startFileBatch;
    std::function<void(const batch::ButtonWindow&, batch::BatchSession&, bool useFilterScan)>
        startFolderBatch;
    // Paths dropped on the window or given on its command line, as the file system's bytes.
    std::function<bool(const batch::ButtonWindow&, batch::BatchSession&,
                       const std::vector<std::string>& nativePaths)>
        startDroppedBatch;
};

// The window's outer size, frame included.
inline constexpr int windowWidth = 606;
inline constexpr int windowHeight = 403;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(WindowHandlers handlers, ShellDialogs dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    WindowAdapter& adapter() { return *windowAdapter; }
    PromotionStrip& promotionStrip() { return *strip; }
    QWidget* control(std::string_view name) const;

    // True once the close was requested; a run in progress then abandons the files converting
    // and shows nothing more.
    bool isClosing() const { return closing; }
    // The run state of the batch buttons, which their handlers keep.
    const batch::BatchSession& batchSession() const { return session; }

    // Places the window as it opens: left = (screen width - 606) / 2, top likewise.
    void centreOnScreen();

    // Converts the paths (the file system's bytes) as a drop would, once the events pending now
    // are processed and the user has agreed to the run with the current choices. Nothing
    // happens when the user declines, or when the window is closing or a handler is active.
    void convertPathsSoon(std::vector<std::string> nativePaths);
    // True when a drop would be taken now.
    bool acceptsDrops() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void fileButtonClicked();
    void folderButtonActivated(bool useFilterScan);
    void fitOuterSize();
    void convertHandedPaths(const std::vector<std::string>& nativePaths);

    WindowHandlers handlers;
    std::map<std::string_view, QWidget*> controls;
    std::unique_ptr<WindowAdapter> windowAdapter;
    PromotionStrip* strip = nullptr;
    QPushButton* fileButton = nullptr;
    QPushButton* folderButton = nullptr;
    // The classic outer size, or that size shrunk to fit a smaller screen (a scaled one).
    QSize outer{windowWidth, windowHeight};
    bool closing = false;
    bool askingConsent = false; // the question about handed files is open
    batch::BatchSession session;
};

} // namespace ui

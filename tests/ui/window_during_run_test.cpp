// The window while a slow file converts on a worker: it keeps painting and running its timers,
// its progress bar moves within the file, and closing it abandons the file without a report.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "batch/batch_run.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/qt_application_environment.h"
#include "ui/main_window.h"
#include "ui/promotion_strip.h"

namespace {

using platform::AnsiText;

// The progress bar as the screen shows it.
QImage paintedBar(ui::MainWindow& window) {
    return window.screen()->grabWindow(window.winId(), 24, 272, 552, 24).toImage();
}

// Whether the bar is painted filled at 40% of its width but not at 80% (away from the caption,
// which starts at the left).
bool filledToAboutHalf(const QImage& bar) {
    const int y = bar.height() / 2;
    return bar.pixelColor(bar.width() * 40 / 100, y) != bar.pixelColor(bar.width() * 80 / 100, y);
}

TEST(WindowDuringRun, PaintsAndMovesWithinAFileAndACloseAbandonsIt) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::filesystem::path root(temp.path().toStdString());
    std::ofstream(root / "a.txt") << "slow";
    std::filesystem::create_directory(root / "转换结果");
    std::ofstream(root / "转换结果" / "a.txt") << "earlier";

    int messages = 0;
    ui::ShellDialogs dialogs;
    dialogs.showMessage = [&messages](const AnsiText&, const platform::MessageStyle&,
                                      const AnsiText&, const AnsiText&) {
        ++messages;
        return platform::MessageAnswer::Ok;
    };
    ui::MainWindow window({}, dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.promotionStrip().timer()->stop();

    // The step goes on when the test has seen each stage painted.
    std::atomic<int> stage{0}; // 1: converting at 0, 2: half done, 3: seen half, go on
    batch::RunOptions options = window.adapter().runOptions();
    const engine::ScriptStep slowStep = [&stage](AnsiText&, engine::TextEncoding,
                                                 const engine::WorkControl& control) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        auto waitFor = [&](int value) {
            while (stage < value && !control.abandoned() &&
                   std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        };
        stage = 1;
        waitFor(2);
        control.reach(500);
        waitFor(4); // never reached: only the close ends it
        return engine::ScriptStepOutcome{platform::FileProblem::None};
    };
    options.script = [&slowStep] { return slowStep; };

    int ticks = 0;
    bool emptyAtStart = false, halfAtHalf = false;
    std::chrono::steady_clock::time_point closedAt;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (stage == 1) {
            emptyAtStart = !filledToAboutHalf(paintedBar(window));
            stage = 2;
        } else if (stage == 2 &&
                   static_cast<QProgressBar*>(window.control("进度条"))->value() == 500) {
            halfAtHalf = filledToAboutHalf(paintedBar(window));
            stage = 3;
        } else if (stage == 3 && ticks > 20) {
            closedAt = std::chrono::steady_clock::now();
            window.close();
        }
    });
    timer.start(10);
    batch::BatchSession session;
    batch::FolderScanResult list;
    list.files = {platform::ansiPath((root / "a.txt").string()).value()};
    ui::WindowAdapter& adapter = window.adapter();
    const batch::BatchSummary summary = batch::runBatch(
        list, options, adapter, session, [&adapter] { return adapter.pumpEvents(); });
    const auto ended = std::chrono::steady_clock::now();
    timer.stop();

    EXPECT_TRUE(emptyAtStart);
    EXPECT_TRUE(halfAtHalf) << "the bar did not show half of the file done";
    EXPECT_GT(ticks, 20) << "the window's timers stood still during the file";
    EXPECT_TRUE(summary.hostClosed);
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0].status.problem, engine::problems::Abandoned);
    const auto afterClose =
        std::chrono::duration_cast<std::chrono::milliseconds>(ended - closedAt).count();
    std::cout << "run ended " << afterClose << " ms after the close\n";
    EXPECT_LT(afterClose, 10000);
    EXPECT_EQ(messages, 0);
    std::ifstream earlier(root / "转换结果" / "a.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(earlier), {}), "earlier");
    EXPECT_TRUE(platform::testing::temporaryFiles(root / "转换结果").empty());
}

} // namespace

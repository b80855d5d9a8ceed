// The window while a slow file converts on a worker: it keeps painting and running its timers,
// its progress bar moves within the file, closing it abandons the file without a report, and a
// stopped run says so.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>
#include <vector>

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

struct StopRow {
    const char* name;
    std::vector<const char*> sources; // "slow" ones wait for the stop
    bool folderOffered;               // this run wrote a result before the stop
};

class StoppedRunTest : public ::testing::TestWithParam<StopRow> {};

// A stopped run's report says it stopped, and offers the result folder only when this run wrote
// into it; the folder a stop left empty is not offered.
TEST_P(StoppedRunTest, ReportSaysStoppedAndOffersOnlyAFolderWrittenInto) {
    const StopRow& row = GetParam();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::filesystem::path root(temp.path().toStdString());
    batch::FolderScanResult list;
    for (std::size_t i = 0; i < row.sources.size(); ++i) {
        const std::string name = std::string(1, char('a' + i)) + ".txt";
        std::ofstream(root / name) << row.sources[i];
        list.files.push_back(platform::ansiPath((root / name).string()).value());
    }

    std::vector<std::string> reports;
    std::vector<platform::MessageButtons> buttons;
    std::vector<AnsiText> opened;
    ui::ShellDialogs dialogs;
    dialogs.showMessage = [&](const AnsiText& text, const platform::MessageStyle& style,
                              const AnsiText&, const AnsiText&) {
        reports.push_back(platform::utf8FromAnsi(text).value_or("?"));
        buttons.push_back(style.buttons);
        return platform::MessageAnswer::Yes;
    };
    dialogs.openFolder = [&opened](const AnsiText& folder) {
        opened.push_back(folder);
        return true;
    };
    ui::MainWindow window({}, dialogs);
    window.show();

    std::atomic<bool> slowStarted{false};
    batch::RunOptions options = window.adapter().runOptions();
    const engine::ScriptStep step = [&slowStarted](AnsiText& text, engine::TextEncoding,
                                                   const engine::WorkControl& control) {
        if (text == "slow") {
            slowStarted = true;
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!control.abandoned() && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return engine::ScriptStepOutcome{platform::FileProblem::None};
    };
    options.script = [&step] { return step; };
    batch::BatchSession session;
    const std::filesystem::path written = root / "转换结果" / "a.txt";
    // The stop comes once the slow file is in hand and every quick one has its result.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (slowStarted && (!row.folderOffered || std::filesystem::exists(written)))
            session.requestStop();
    });
    timer.start(5);
    ui::WindowAdapter& adapter = window.adapter();
    const batch::BatchSummary summary = batch::runBatch(
        list, options, adapter, session, [&adapter] { return adapter.pumpEvents(); });
    timer.stop();

    EXPECT_TRUE(summary.stopped);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports.front().starts_with("已停止")) << reports.front();
    EXPECT_EQ(reports.front().find("转换完成"), std::string::npos) << reports.front();
    if (row.folderOffered) {
        EXPECT_EQ(buttons.front(), platform::MessageButtons::YesNo);
        EXPECT_EQ(opened, std::vector<AnsiText>{
                              platform::ansiPath((root / "转换结果").string()).value() + "/"});
    } else {
        EXPECT_EQ(buttons.front(), platform::MessageButtons::Ok) << reports.front();
        EXPECT_TRUE(opened.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Stops, StoppedRunTest,
                         ::testing::Values(StopRow{"BeforeAnyResult", {"slow"}, false},
                                           StopRow{"AfterAResult", {"quick", "slow"}, true}),
                         [](const ::testing::TestParamInfo<StopRow>& row) {
                             return std::string(row.param.name);
                         });

} // namespace

#include "batch/batch_run.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/charset_conversion.h"
#include "engine/piece_cutting.h"
#include "platform/path_scan.h"
#include "tests/batch/test_window.h"
#include "tests/platform/file_status_print.h"
#include "tests/platform/temp_folder.h"

using namespace batch;
using batch::fakes::failedNames;
using batch::fakes::TestWindow;
using platform::ansi;
using platform::AnsiText;
using platform::FileProblem;
using platform::FileStatus;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using platform::testing::readBytes;

// A fresh folder per test, removed afterwards.
class TempTree {
public:
    TempTree() {
        static int serial = 0;
        root = fs::temp_directory_path() /
               ("qfx_batch_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    ~TempTree() { fs::remove_all(root); }
    fs::path write(const std::string& name, const std::string& bytes) const {
        fs::path path = root / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static AnsiText ansiPath(const fs::path& path) { return *platform::ansiPath(path.string()); }
    fs::path root;
};

// Every test starts as a fresh program would: no stop requested, no handler active.
// A script step that holds a file whose text is "slow" until the run abandons it (20 s at most),
// telling `started` when it begins; other files pass unchanged.
engine::ScriptStep slowStep(std::atomic<bool>& started) {
    return [&started](AnsiText& text, engine::TextEncoding,
                      const engine::WorkControl& control) -> engine::ScriptStepOutcome {
        if (text != "slow")
            return FileProblem::None;
        started = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!control.abandoned() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return FileProblem::None;
    };
}

class BatchRun : public testing::Test {
protected:
    BatchSession session;
};

const std::string gbkHello = "\xC4\xE3\xBA\xC3"; // 你好

TEST_F(BatchRun, convertsInOrderIntoResultFolderBesideEachSource) {
    TempTree tree;
    fs::create_directories(tree.root / "other");
    std::vector<AnsiText> files;
    for (const char* name : {"b.txt", "a.txt", "c.old.txt"})
        files.push_back(TempTree::ansiPath(tree.write(name, gbkHello)));
    files.push_back(TempTree::ansiPath(tree.write("other/d", gbkHello)));

    TestWindow host;
    host.output = engine::TextEncoding::Utf8;
    BatchSummary summary = host.run(session, files);

    EXPECT_EQ(summary.converted, 4);
    EXPECT_EQ(summary.firstResultFolder(), TempTree::ansiPath(tree.root) + ansi("/转换结果/"));
    for (const char* name : {"b.txt", "a.txt", "c.old.txt", "other/d"}) {
        const fs::path source = tree.root / name;
        EXPECT_EQ(readBytes(source.parent_path() / "转换结果" / source.filename()),
                  "\xEF\xBB\xBF你好")
            << name;
    }
    EXPECT_EQ(host.progressCaptions,
              (std::vector<AnsiText>{"(4:1) b", "(4:2) a", "(4:3) c.old", "(4:4) d"}));
}

// Where each source's result goes when a run's files share names: beside its own source, and
// never over the result of an earlier, different source, which a later one reaching the same
// place through a link fails instead of replacing. Yes opens the first result folder.
TEST_F(BatchRun, sameNamesKeepEverySourcesResult) {
    struct Row {
        const char* name;
        std::vector<std::string> sources;                       // each file holds its path's ASCII
        std::vector<std::pair<std::string, std::string>> links; // link -> target
        std::vector<std::pair<std::string, std::string>> results; // output -> its source
        std::vector<std::string> taken;                           // names failing as taken
        std::vector<std::string> folders;                         // the result folders listed
    };
    const Row rows[] = {
        {"twoFoldersOneName",
         {"a/笔记.txt", "b/笔记.txt"},
         {},
         {{"a/转换结果/笔记.txt", "a/笔记.txt"}, {"b/转换结果/笔记.txt", "b/笔记.txt"}},
         {},
         {"a", "b"}},
        {"oneFolder", {"a/x.txt", "a/y.txt"}, {}, {{"a/转换结果/x.txt", "a/x.txt"}}, {}, {"a"}},
        {"sameSourceTwice",
         {"a/x.txt", "a/x.txt"},
         {},
         {{"a/转换结果/x.txt", "a/x.txt"}},
         {},
         {"a"}},
        {"sameSourceThroughLinkedFolder",
         {"a/x.txt", "l/x.txt"},
         {{"l", "a"}},
         {{"a/转换结果/x.txt", "a/x.txt"}},
         {},
         {"a"}},
        {"linkedResultFolderKeepsTheEarlierResult",
         {"a/x.txt", "b/x.txt", "b/y.txt"},
         {{"b/转换结果", "../a/转换结果"}},
         {{"a/转换结果/x.txt", "a/x.txt"}, {"a/转换结果/y.txt", "b/y.txt"}},
         {"x.txt"},
         {"a"}},
    };
    auto asciiOf = [](std::string path) {
        std::erase_if(path, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        return path;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempTree tree;
        fs::create_directories(tree.root / "a");
        fs::create_directories(tree.root / "b");
        for (const auto& [link, target] : row.links)
            fs::create_symlink(target, tree.root / link);
        std::vector<AnsiText> files;
        for (const std::string& source : row.sources) {
            if (!fs::exists(tree.root / source))
                tree.write(source, asciiOf(source));
            files.push_back(TempTree::ansiPath(tree.root / source));
        }
        TestWindow host;
        host.jobs = 4;
        BatchSummary summary = host.run(session, files);

        for (const auto& [result, source] : row.results)
            EXPECT_EQ(readBytes(tree.root / result), "\xEF\xBB\xBF" + asciiOf(source)) << result;
        std::vector<AnsiText> taken;
        for (const FileOutcome& outcome : host.outcomes)
            if (outcome.status == FileStatus{batch::problems::OutputTaken})
                taken.push_back(platform::fileNameOfPath(outcome.sourcePath));
        EXPECT_EQ(taken, std::vector<AnsiText>(row.taken.begin(), row.taken.end()));
        EXPECT_EQ(failedNames(summary), taken);
        EXPECT_EQ(summary.converted + static_cast<int>(taken.size()),
                  static_cast<int>(files.size()));
        std::vector<AnsiText> folders;
        for (const std::string& folder : row.folders)
            folders.push_back(TempTree::ansiPath(tree.root / folder) + ansi("/转换结果/"));
        EXPECT_EQ(summary.resultFolders, folders);
    }
}

TEST_F(BatchRun, replacesSameNameAndReusesResultFolder) {
    TempTree tree;
    fs::create_directories(tree.root / "转换结果");
    tree.write("转换结果/x.txt", "old result that is longer than the new one");
    TestWindow host;
    BatchSummary summary = host.run(session, {TempTree::ansiPath(tree.write("x.txt", gbkHello))});
    EXPECT_EQ(summary.converted, 1);
    EXPECT_EQ(readBytes(tree.root / "转换结果" / "x.txt"), gbkHello);
}

TEST_F(BatchRun, unreadableSourceGetsNoOutputAndIsReported) {
    TempTree tree;
    fs::create_directories(tree.root / "转换结果");
    tree.write("转换结果/gone.txt", "earlier result");
    std::vector<AnsiText> files{TempTree::ansiPath(tree.write("one.txt", "abc")),
                                TempTree::ansiPath(tree.root / "gone.txt"),
                                TempTree::ansiPath(tree.write("two.txt", "def"))};
    TestWindow host;
    BatchSummary summary = host.run(session, files);

    EXPECT_EQ(summary.converted, 2);
    ASSERT_EQ(failedNames(summary), std::vector<AnsiText>{"gone.txt"});
    EXPECT_EQ(readBytes(tree.root / "转换结果" / "gone.txt"), "earlier result");
    EXPECT_TRUE(fs::exists(tree.root / "转换结果" / "two.txt"));
    ASSERT_EQ(host.outcomes.size(), 3u);
    EXPECT_EQ(host.outcomes[1].status, (FileStatus{platform::problems::SourceUnopenable, ENOENT}));
    ASSERT_EQ(host.summaries.size(), 1u);
    EXPECT_NE(host.report().find(ansi("有 1 个文件未能完整转换：gone.txt\r\n\r\n")),
              std::string::npos);
}

// The command line's stop: a file never reached fails with a reason of its own, and a name
// holding a line break keeps to its one line of the details. A slow file holds the one worker, so
// the last file is still queued when the stop comes.
TEST_F(BatchRun, detailsGiveEveryFailureItsReasonOnItsOwnLine) {
    TempTree tree;
    std::vector<AnsiText> files{TempTree::ansiPath(tree.write("one.txt", "abc")),
                                TempTree::ansiPath(tree.root / "gone.txt"),
                                TempTree::ansiPath(tree.write("slow.txt", "slow")),
                                TempTree::ansiPath(tree.write("two\nlines.txt", "def"))};
    std::atomic<bool> slowStarted{false};
    TestWindow host;
    host.unreachedFilesFail = true;
    host.jobs = 1;
    host.scriptStep = slowStep(slowStarted);
    host.onPump = [&] {
        if (slowStarted)
            session.requestStop();
        return true;
    };
    BatchSummary summary = host.run(session, files);

    ASSERT_EQ(summary.failures.size(), 3u);
    EXPECT_EQ(summary.failures[2].name, "two\nlines.txt");
    EXPECT_EQ(summary.failures[2].status, FileStatus{batch::problems::NotReached});
    EXPECT_EQ(host.details(), ansi("gone.txt：无法读取：文件或文件夹不存在\n"
                                   "slow.txt：已停止，转换中途放弃，未写入\n"
                                   "two?lines.txt：已停止，未转换"));
}

// Memory running out in a piece on another worker fails that file alone: its earlier output
// stays, and the run goes on.
TEST_F(BatchRun, memoryRunningOutFailsOneFileAndTheRunGoesOn) {
    TempTree tree;
    fs::create_directories(tree.root / "转换结果");
    tree.write("转换结果/huge.txt", "earlier result");
    std::vector<AnsiText> files{TempTree::ansiPath(tree.write("huge.txt", "huge")),
                                TempTree::ansiPath(tree.write("next.txt", "next"))};
    TestWindow host;
    host.jobs = 2;
    host.scriptStep = [](AnsiText& text, engine::TextEncoding,
                         const engine::WorkControl& control) -> engine::ScriptStepOutcome {
        if (text == "huge")
            engine::forEachPiece(control, 8, [](std::size_t i) {
                if (i == 5)
                    throw std::bad_alloc();
            });
        return FileProblem::None;
    };
    BatchSummary summary = host.run(session, files);

    EXPECT_EQ(summary.converted, 1);
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0].status, FileStatus{batch::problems::OutOfMemory});
    EXPECT_EQ(readBytes(tree.root / "转换结果" / "huge.txt"), "earlier result");
    EXPECT_EQ(readBytes(tree.root / "转换结果" / "next.txt"), "\xEF\xBB\xBFnext");
    EXPECT_EQ(host.details(), ansi("huge.txt：内存不足"));
}

// A result folder that cannot be made is named with its own reason, and never as holding results;
// the question to open it is not asked.
TEST_F(BatchRun, resultFolderBlockedByAFileFailsEveryWrite) {
    TempTree tree;
    tree.write("转换结果", "a file where the folder should be");
    TestWindow host;
    BatchSummary summary = host.run(session, {TempTree::ansiPath(tree.write("a.txt", "abc")),
                                              TempTree::ansiPath(tree.write("b.txt", "abc"))});
    EXPECT_EQ(summary.converted, 0);
    ASSERT_EQ(summary.failures.size(), 2u);
    EXPECT_EQ(summary.failures[1].status,
              (FileStatus{batch::problems::ResultFolderUncreatable, ENOTDIR}));
    EXPECT_EQ(readBytes(tree.root / "转换结果"), "a file where the folder should be");
    ASSERT_EQ(host.summaries.size(), 1u);
    const AnsiText report = host.report();
    EXPECT_NE(report.find(ansi("\r\n无法创建输出文件夹 ") + TempTree::ansiPath(tree.root) +
                          ansi("/转换结果：路径中有一项不是文件夹")),
              std::string::npos);
    EXPECT_EQ(report.find(ansi("保存在")), std::string::npos);
    EXPECT_EQ(report.find(ansi("请问")), std::string::npos);
}

// The files converting at the click finish or are abandoned, and are reported; none starts after.
TEST_F(BatchRun, stopClickAfterSecondFileConvertsNoMore) {
    TempTree tree;
    std::vector<AnsiText> files;
    for (int i = 1; i <= 10; ++i)
        files.push_back(TempTree::ansiPath(tree.write("f" + std::to_string(i) + ".txt", "x")));
    TestWindow host;
    host.filesToChoose = files;
    bool clicked = false;
    host.onPump = [&] {
        if (host.outcomes.size() == 2 && !clicked) {
            clicked = true;
            startFileBatch(host.buttonWindow(), session); // the second click on the running button
        }
        return true;
    };
    startFileBatch(host.buttonWindow(), session);

    ASSERT_GE(host.outcomes.size(), 2u);
    for (size_t i = 0; i < files.size(); ++i) {
        const bool reported = i < host.outcomes.size();
        const bool ok = reported && host.outcomes[i].status.ok();
        if (reported) {
            EXPECT_EQ(host.outcomes[i].index, static_cast<int>(i) + 1);
            EXPECT_TRUE(ok ||
                        (i >= 2 && host.outcomes[i].status.problem == engine::problems::Abandoned))
                << i;
        }
        EXPECT_EQ(fs::exists(tree.root / "转换结果" / ("f" + std::to_string(i + 1) + ".txt")), ok)
            << i;
    }
    EXPECT_EQ(host.summaries.size(), 1u);
    EXPECT_EQ(host.fileButtonAtReport, ButtonState::Stopping);
    EXPECT_EQ(host.states[0], ButtonState::Idle);
    EXPECT_FALSE(!host.enabled[1]);
    EXPECT_TRUE(session.stopRequested()); // stays set until the next start

    // The next start clears it before its first file.
    host.onPump = nullptr;
    host.outcomes.clear();
    startFileBatch(host.buttonWindow(), session);
    EXPECT_EQ(host.outcomes.size(), 10u);
    EXPECT_FALSE(session.stopRequested());
}

TEST_F(BatchRun, fileButtonRemembersTheFolderOfTheFirstFile) {
    TempTree tree;
    TestWindow host;
    host.remembered[0] = "/start/here";
    host.filesToChoose = {TempTree::ansiPath(tree.write("a.txt", "x"))};
    startFileBatch(host.buttonWindow(), session);
    EXPECT_EQ(host.lastDialogFolder, "/start/here");
    EXPECT_EQ(host.lastDialogTitle, ansi("选择要批量转换的多个文件："));
    EXPECT_EQ(host.remembered[0], TempTree::ansiPath(tree.root));
}

TEST_F(BatchRun, cancelledDialogChangesNothing) {
    TestWindow host;
    host.remembered[0] = "/kept";
    startFileBatch(host.buttonWindow(), session);
    EXPECT_EQ(host.remembered[0], "/kept");
    EXPECT_TRUE(host.summaries.empty());
}

TEST_F(BatchRun, folderRunByFilterAndNoNestedStartDuringScan) {
    TempTree tree;
    tree.write("a.txt", "x");
    tree.write("b.TXT", "y");
    tree.write("c.htm", "z");
    TestWindow host;
    host.filter = "*.txt";
    host.folderToPick = TempTree::ansiPath(tree.root);
    int nestedDialogs = 0;
    host.onPump = [&] {
        // Clicks on either button while the scan or run is busy start nothing.
        host.filesToChoose = {"/should/not/run"};
        const AnsiText before = host.lastDialogTitle;
        startFileBatch(host.buttonWindow(), session);
        nestedDialogs += host.lastDialogTitle != before ? 1 : 0;
        host.filesToChoose.clear();
        return true;
    };
    startFolderBatch(host.buttonWindow(), session, true);

    EXPECT_EQ(host.lastDialogTitle, ansi("选择要批量转换的文件(*.txt)所在文件夹："));
    EXPECT_EQ(host.remembered[1], TempTree::ansiPath(tree.root));
    EXPECT_EQ(host.outcomes.size(), 2u);
    EXPECT_EQ(nestedDialogs, 0);
    EXPECT_FALSE(fs::exists(tree.root / "转换结果" / "c.htm"));
    EXPECT_EQ(host.states[1], ButtonState::Idle);
}

TEST_F(BatchRun, folderRunWithNoMatchOnlyRemembersFolder) {
    TempTree tree;
    tree.write("a.htm", "x");
    TestWindow host;
    host.filter = "*.txt";
    host.folderToPick = TempTree::ansiPath(tree.root);
    startFolderBatch(host.buttonWindow(), session, false);
    EXPECT_EQ(host.remembered[1], TempTree::ansiPath(tree.root));
    EXPECT_TRUE(host.summaries.empty());
    EXPECT_FALSE(fs::exists(tree.root / "转换结果"));
}

// Every name the filter takes is unrepresentable: the window still reports them as failed, by
// either scan, and the buttons come back.
TEST_F(BatchRun, folderRunOfUnrepresentableNamesOnlyReportsThem) {
    TempTree tree;
    tree.write("bad\xFF.txt", "x");
    tree.write("a.htm", "y");
    for (const bool useFilterScan : {true, false}) {
        TestWindow host;
        host.filter = "*.txt";
        host.folderToPick = TempTree::ansiPath(tree.root);
        startFolderBatch(host.buttonWindow(), session, useFilterScan);
        ASSERT_EQ(host.summaries.size(), 1u) << useFilterScan;
        EXPECT_NE(host.report().find(ansi("有 1 个文件未能完整转换：bad\uFFFD.txt")),
                  AnsiText::npos);
        // Nothing was written, so no folder is named or offered.
        EXPECT_EQ(host.report().find(ansi("转换结果")), AnsiText::npos);
        EXPECT_TRUE(host.summaries[0].resultFolders.empty());
        EXPECT_EQ(host.details(), ansi("bad\uFFFD.txt：文件名无法表示（不是有效的 UTF-8）"));
        ASSERT_EQ(host.outcomes.size(), 1u);
        EXPECT_EQ(host.outcomes[0].status, FileStatus{batch::problems::NameNotRepresentable});
        EXPECT_EQ(host.states[1], ButtonState::Idle);
        EXPECT_FALSE(!host.enabled[0]);
    }
}

TEST_F(BatchRun, closedWindowStopsWithoutReportOrControlChanges) {
    TempTree tree;
    std::vector<AnsiText> files;
    for (int i = 1; i <= 4; ++i)
        files.push_back(TempTree::ansiPath(tree.write("f" + std::to_string(i), "x")));
    TestWindow host;
    host.filesToChoose = files;
    host.onPump = [&host] { return host.pumpCount < 2; };
    startFileBatch(host.buttonWindow(), session);
    EXPECT_EQ(host.outcomes.size(), 1u);
    EXPECT_TRUE(host.summaries.empty());
    EXPECT_EQ(host.states[0], ButtonState::Running); // untouched after closing
}

// The smart-detection box, read once per run, decides how a Big5 source without a mark is read;
// with output Auto it goes back out in Big5. With the box clear it is read as ANSI, as always.
TEST_F(BatchRun, smartDetectionBoxDecidesHowBig5IsRead) {
    const std::string text = "這個問題需要進一步研究和討論，他們決定明年夏天去海邊旅行。\n";
    const std::string big5 = engine::convertCharset(text, "UTF-8", "BIG5");
    struct Row {
        bool smart;
        engine::TextEncoding output;
        engine::TextEncoding detected;
        std::string written;
    };
    const Row rows[] = {
        {false, engine::TextEncoding::Auto, engine::TextEncoding::Ansi, big5},
        {false, engine::TextEncoding::Utf8, engine::TextEncoding::Ansi,
         "\xEF\xBB\xBF" + engine::convertCharset(big5, "GB18030", "UTF-8")},
        {true, engine::TextEncoding::Auto, engine::TextEncoding::Big5, big5},
        {true, engine::TextEncoding::Utf8, engine::TextEncoding::Big5, "\xEF\xBB\xBF" + text},
    };
    for (const Row& row : rows) {
        TempTree tree;
        TestWindow host;
        host.smartDetection = row.smart;
        host.output = row.output;
        BatchSummary summary = host.run(session, {TempTree::ansiPath(tree.write("a", big5))});
        const std::string label = (row.smart ? "smart to " : "classic to ") +
                                  std::string(engine::encodingName(row.output));
        // Read as ANSI, the file is written as always but said to be most likely Big5.
        EXPECT_EQ(summary.converted, row.smart ? 1 : 0) << label;
        ASSERT_EQ(host.outcomes.size(), 1u) << label;
        EXPECT_EQ(host.outcomes[0].detected, row.detected) << label;
        EXPECT_EQ(host.outcomes[0].status.problem,
                  row.smart ? FileProblem::None : FileProblem(engine::problems::MaybeBig5))
            << label;
        EXPECT_EQ(readBytes(tree.root / "转换结果" / "a"), row.written) << label;
    }
}

// With the sub-folders box checked, the folder run converts the whole tree and keeps it: each
// output at its source's relative place under the root's result folder, the same name in two
// folders kept apart. Result folders, a link to a folder outside and a link loop are not entered,
// a killed run's leftover in a sub-folder's output folder goes, and no source changes.
TEST_F(BatchRun, folderRunWithSubFoldersKeepsTheTree) {
    TempTree tree;
    TempTree outside;
    outside.write("x.txt", "elsewhere");
    struct Row {
        const char* source;
        const char* output; // nullptr: the run makes none
    };
    const Row rows[] = {
        {"根.txt", "转换结果/根.txt"},
        {"甲/a.txt", "转换结果/甲/a.txt"},
        {"甲/子/a.txt", "转换结果/甲/子/a.txt"},
        {"甲/子/孙/深.txt", "转换结果/甲/子/孙/深.txt"},
        {"转换结果/旧.txt", nullptr},
        {"甲/转换结果/内.txt", nullptr},
    };
    for (const Row& row : rows) {
        fs::create_directories((tree.root / row.source).parent_path());
        tree.write(row.source, ansi(row.source)); // GBK bytes of its own path
    }
    fs::create_symlink(outside.root, tree.root / "甲" / "链");
    fs::create_symlink("..", tree.root / "甲" / "子" / "回环");
    const fs::path leftover = tree.root / "转换结果" / "甲" / ".a.txt.qfx-tmp-Ab12Z9";
    fs::create_directories(leftover.parent_path());
    std::ofstream(leftover) << "partial";

    TestWindow host;
    host.subFolders = true;
    host.output = engine::TextEncoding::Utf8;
    host.filter = "*.txt";
    host.folderToPick = TempTree::ansiPath(tree.root);
    startFolderBatch(host.buttonWindow(), session, true);

    EXPECT_EQ(host.outcomes.size(), 4u);
    for (const Row& row : rows) {
        EXPECT_EQ(readBytes(tree.root / row.source), ansi(row.source)) << row.source;
        if (row.output) {
            EXPECT_EQ(readBytes(tree.root / row.output), "\xEF\xBB\xBF" + std::string(row.source))
                << row.source;
        }
    }
    for (const char* notMade :
         {"转换结果/转换结果", "转换结果/甲/转换结果", "转换结果/甲/链", "转换结果/甲/子/回环"})
        EXPECT_FALSE(fs::exists(tree.root / notMade)) << notMade;
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(readBytes(outside.root / "x.txt"), "elsewhere");
    // Each folder's file before its sub-folders, and base names in the progress as in a flat run.
    EXPECT_EQ(host.progressCaptions,
              (std::vector<AnsiText>{ansi("(4:1) 根"), "(4:2) a", "(4:3) a", ansi("(4:4) 深")}));
}

// In a tree run two failed files of one name are told apart by their place below the root.
TEST_F(BatchRun, treeRunNamesFailuresByTheirPlace) {
    TempTree tree;
    for (const char* folder : {"甲", "乙"}) {
        fs::create_directories(tree.root / folder);
        tree.write(std::string(folder) + "/坏.txt", "abc");
        // A folder where the output should go keeps the file from being put in place.
        fs::create_directories(tree.root / "转换结果" / folder / "坏.txt");
    }
    TestWindow host;
    host.subFolders = true;
    host.folderToPick = TempTree::ansiPath(tree.root);
    startFolderBatch(host.buttonWindow(), session, true);

    ASSERT_EQ(host.summaries.size(), 1u);
    const AnsiText details = host.details();
    EXPECT_TRUE(details.starts_with(ansi("甲/坏.txt："))) << details;
    EXPECT_NE(details.find(ansi("\n乙/坏.txt：")), std::string::npos) << details;
}

struct ReportRow {
    const char* name;
    std::int64_t milliseconds;
    std::vector<std::string> failed;
    std::string expected; // UTF-8
    std::vector<std::string> folders = {"/docs/转换结果/"};
};

class CompletionReport : public testing::TestWithParam<ReportRow> {};

TEST_P(CompletionReport, readsExactly) {
    const ReportRow& row = GetParam();
    BatchSummary summary;
    summary.elapsedMilliseconds = row.milliseconds;
    for (const auto& name : row.failed)
        summary.failures.push_back({ansi(name), {engine::problems::LossyDecode}});
    for (const auto& folder : row.folders)
        summary.resultFolders.push_back(ansi(folder));
    EXPECT_EQ(completionReport(summary, true), ansi(row.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompletionReport,
    testing::Values(
        ReportRow{"allConverted",
                  1530,
                  {},
                  "转换完成，耗时 1.53 秒\r\n转换后的文件保存在这个目录：/docs/转换结果/\r\n\r\n"
                  "请问需要打开它吗？"},
        ReportRow{"threeFailed",
                  530,
                  {"a.txt", "b.txt", "c.txt"},
                  "转换完成，耗时 530 毫秒\r\n转换后的文件保存在这个目录：/docs/转换结果/\r\n"
                  "有 3 个文件未能完整转换：a.txt、b.txt、c.txt\r\n\r\n请问需要打开它吗？"},
        ReportRow{"exactlyFiveFailedAreAllNamed",
                  530,
                  {"1", "2", "3", "4", "5"},
                  "转换完成，耗时 530 毫秒\r\n转换后的文件保存在这个目录：/docs/转换结果/\r\n"
                  "有 5 个文件未能完整转换：1、2、3、4、5\r\n\r\n请问需要打开它吗？"},
        ReportRow{"moreThanFiveFailed",
                  530,
                  {"1", "2", "3", "4", "5", "6"},
                  "转换完成，耗时 530 毫秒\r\n转换后的文件保存在这个目录：/docs/转换结果/\r\n"
                  "有 6 个文件未能完整转换：1、2、3、4、5等\r\n\r\n请问需要打开它吗？"},
        ReportRow{"severalFoldersOneALine",
                  530,
                  {"a.txt"},
                  "转换完成，耗时 530 毫秒\r\n转换后的文件保存在这些目录：\r\n/a/转换结果/\r\n"
                  "/b/转换结果/\r\n有 1 个文件未能完整转换：a.txt\r\n\r\n请问需要打开第一个吗？",
                  {"/a/转换结果/", "/b/转换结果/"}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

namespace {

// Everything a run shows of a file, paths included.
std::string describe(const FileOutcome& outcome) {
    return std::to_string(outcome.index) + "/" + std::to_string(outcome.count) + " " +
           outcome.sourcePath + " -> " + outcome.outputPath + " " +
           std::string(engine::encodingName(outcome.detected)) + ">" +
           std::string(engine::encodingName(outcome.written)) + " " +
           std::string(outcome.status.problem.code());
}

// The result folders' files and their bytes.
std::map<std::string, std::string> outputsUnder(const fs::path& root) {
    std::map<std::string, std::string> outputs;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().string().find("转换结果") != std::string::npos)
            outputs[entry.path().string()] = readBytes(entry.path());
    return outputs;
}

} // namespace

// Several workers or one: the same outputs, byte for byte, and the same outcomes, failures and
// details in list order. Two sources of one name from two folders keep their own results; an
// unread source shows the encoding of the file before it.
TEST_F(BatchRun, workersChangeNothingTheUserSees) {
    TempTree tree;
    fs::create_directories(tree.root / "甲");
    fs::create_directories(tree.root / "乙");
    std::string large;
    while (large.size() < (std::size_t{1} << 19))
        large += gbkHello + "青枫匣 line\n";
    std::vector<AnsiText> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(
            TempTree::ansiPath(tree.write("甲/s" + std::to_string(i) + ".txt", gbkHello)));
    files.push_back(TempTree::ansiPath(tree.write("甲/同名.txt", large)));
    files.push_back(TempTree::ansiPath(tree.write("乙/同名.txt", "\xFF\xFEX\0"s)));
    files.push_back(TempTree::ansiPath(tree.root / "甲" / "gone.txt"));
    files.push_back(TempTree::ansiPath(tree.write("甲/empty.txt", "")));
    for (int i = 6; i < 12; ++i)
        files.push_back(TempTree::ansiPath(tree.write("甲/s" + std::to_string(i) + ".txt", "ab")));

    std::vector<std::string> firstOutcomes;
    std::map<std::string, std::string> firstOutputs;
    AnsiText firstDetails;
    for (const int jobs : {1, 4}) {
        fs::remove_all(tree.root / "甲" / "转换结果");
        fs::remove_all(tree.root / "乙" / "转换结果");
        TestWindow host;
        host.script = engine::ScriptMode::SimplifiedToTraditional;
        host.jobs = jobs;
        BatchSummary summary = host.run(session, files);
        std::vector<std::string> outcomes;
        for (const FileOutcome& outcome : host.outcomes)
            outcomes.push_back(describe(outcome));
        if (jobs == 1) {
            EXPECT_EQ(summary.converted, 15);
            ASSERT_EQ(outcomes.size(), files.size());
            EXPECT_NE(outcomes[8].find("utf16le>auto"), std::string::npos) << outcomes[8];
            EXPECT_EQ(readBytes(tree.root / "乙" / "转换结果" / "同名.txt"), "\xFF\xFEX\0"s);
            EXPECT_EQ(readBytes(tree.root / "甲" / "转换结果" / "同名.txt").size(), large.size());
            firstOutcomes = outcomes;
            firstOutputs = outputsUnder(tree.root);
            firstDetails = host.details();
            continue;
        }
        EXPECT_EQ(outcomes, firstOutcomes) << jobs;
        EXPECT_EQ(outputsUnder(tree.root), firstOutputs) << jobs;
        EXPECT_EQ(host.details(), firstDetails) << jobs;
    }
}

// A stop click or a close while a slow file converts: the file is abandoned at once, its earlier
// output stays and no temporary file is left; a stop reports it as not converted, a close shows
// nothing. The files before it are converted, none after it starts.
TEST_F(BatchRun, stopOrCloseAbandonsTheSlowFileInHand) {
    for (const bool close : {false, true}) {
        session.renewStopRequest();
        TempTree tree;
        fs::create_directories(tree.root / "转换结果");
        tree.write("转换结果/slow.txt", "earlier");
        const std::vector<AnsiText> files{TempTree::ansiPath(tree.write("one.txt", "fast")),
                                          TempTree::ansiPath(tree.write("slow.txt", "slow")),
                                          TempTree::ansiPath(tree.write("three.txt", "fast"))};
        std::atomic<bool> slowStarted{false};
        TestWindow host;
        host.unreachedFilesFail = true;
        host.jobs = 1;
        host.scriptStep = slowStep(slowStarted);
        std::chrono::steady_clock::time_point actedAt;
        host.onPump = [&] {
            if (slowStarted && actedAt == std::chrono::steady_clock::time_point{}) {
                actedAt = std::chrono::steady_clock::now();
                if (!close)
                    session.requestStop();
                return !close;
            }
            return actedAt == std::chrono::steady_clock::time_point{} || !close;
        };
        BatchSummary summary = host.run(session, files);
        const auto afterAction = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - actedAt)
                                     .count();
        std::cout << (close ? "close" : "stop") << ": run ended " << afterAction
                  << " ms after it\n";
        EXPECT_LT(afterAction, 10000) << close;
        EXPECT_EQ(summary.converted, 1) << close;
        // After a close nothing is reported, so the files never reached are not listed.
        ASSERT_EQ(summary.failures.size(), close ? 1u : 2u) << close;
        EXPECT_EQ(summary.failures[0].status, FileStatus{engine::problems::Abandoned}) << close;
        if (!close) {
            EXPECT_EQ(summary.failures[1].status, FileStatus{batch::problems::NotReached});
        }
        EXPECT_EQ(readBytes(tree.root / "转换结果" / "slow.txt"), "earlier") << close;
        EXPECT_FALSE(fs::exists(tree.root / "转换结果" / "three.txt")) << close;
        EXPECT_TRUE(platform::testing::temporaryFiles(tree.root / "转换结果").empty()) << close;
        EXPECT_EQ(host.summaries.size(), close ? 0u : 1u);
        // A stop still gives the file never started its record, as the command line prints.
        ASSERT_EQ(host.outcomes.size(), close ? 1u : 3u);
        if (!close) {
            EXPECT_EQ(host.outcomes[2].sourcePath, files[2]);
            EXPECT_EQ(host.outcomes[2].status, FileStatus{batch::problems::NotReached});
        }
    }
}

// The window's stop names the files the run had begun and no other, whatever the number of
// workers: files still queued for a worker, or never handed out, are not listed at all. With
// one worker the slow first file holds it and the rest wait; with more, the others convert the
// rest before the stop comes.
TEST_F(BatchRun, windowStopNamesOnlyTheFilesBegun) {
    for (const int jobs : {1, 2, 4}) {
        session.renewStopRequest();
        TempTree tree;
        std::vector<AnsiText> files{TempTree::ansiPath(tree.write("slow.txt", "slow"))};
        for (int i = 1; i <= 20; ++i)
            files.push_back(
                TempTree::ansiPath(tree.write("f" + std::to_string(i) + ".txt", "fast")));
        std::atomic<bool> slowStarted{false};
        TestWindow host;
        host.jobs = jobs;
        host.scriptStep = slowStep(slowStarted);
        host.onPump = [&] {
            if (!slowStarted)
                return true;
            bool restDone = true;
            for (int i = 1; jobs > 1 && i <= 20; ++i)
                restDone = restDone &&
                           fs::exists(tree.root / "转换结果" / ("f" + std::to_string(i) + ".txt"));
            if (restDone)
                session.requestStop();
            return true;
        };
        BatchSummary summary = host.run(session, files);

        EXPECT_TRUE(summary.stopped) << jobs;
        ASSERT_EQ(summary.failures.size(), 1u) << jobs;
        EXPECT_EQ(summary.failures[0].status, FileStatus{engine::problems::Abandoned}) << jobs;
        EXPECT_EQ(host.details(), ansi("slow.txt：已停止，转换中途放弃，未写入")) << jobs;
        EXPECT_EQ(summary.converted, jobs == 1 ? 0 : 20) << jobs;
    }
}

namespace {

// Where a run puts its outputs when told to: a chosen folder (flat or keeping a tree), or over
// the sources themselves.
struct PlaceRow {
    const char* name;
    std::vector<std::pair<std::string, std::string>> sources = {}; // below the root: bytes
    std::vector<std::string> listed =
        {};                        // what the run is given, below the root; empty: the sources
    bool tree = false;             // a tree scan of "src/" rather than a list
    const char* outputFolder = ""; // below the root; empty: none chosen
    bool inPlace = false;          // sources made 0640 first; any left must still be
    std::optional<std::string> backup = {}; // the suffix
    engine::TextEncoding output = engine::TextEncoding::Utf8;
    std::function<void(const fs::path&)> prepare = {}; // links, folders in the way
    std::vector<FileStatus> statuses = {};             // per source, in order
    // Afterwards, below the root: each path's bytes, or nullopt where nothing may be.
    std::vector<std::pair<std::string, std::optional<std::string>>> after = {};
    std::size_t entries = 0; // everything below the root afterwards, folders included

    friend void PrintTo(const PlaceRow& row, std::ostream* out) { *out << row.name; }
};

const std::string utf8Hello = "\xEF\xBB\xBF你好";
const std::string gbkJian = "\xBC\xF2"; // 简, which Big5 lacks

class OutputPlaces : public testing::TestWithParam<PlaceRow> {
protected:
    BatchSession session;
};

TEST_P(OutputPlaces, putEachOutputWhereAskedAndNeverOverASource) {
    const PlaceRow& row = GetParam();
    TempTree tree;
    FolderScanResult list;
    for (const auto& [name, bytes] : row.sources) {
        fs::create_directories((tree.root / name).parent_path());
        tree.write(name, bytes);
        if (row.listed.empty())
            list.files.push_back(TempTree::ansiPath(tree.root / name));
        if (row.inPlace)
            fs::permissions(tree.root / name,
                            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    for (const std::string& name : row.listed)
        list.files.push_back(TempTree::ansiPath(tree.root / name));
    if (row.tree)
        list.treeRoot = TempTree::ansiPath(tree.root / "src") + "/";
    if (row.prepare)
        row.prepare(tree.root);

    TestWindow host;
    host.output = row.output;
    host.inPlace = row.inPlace;
    if (row.backup)
        host.backupSuffix = *row.backup;
    if (*row.outputFolder)
        host.outputFolder = TempTree::ansiPath(tree.root / row.outputFolder);
    const BatchSummary summary = host.run(session, list);

    ASSERT_EQ(host.outcomes.size(), row.statuses.size());
    for (std::size_t i = 0; i < row.statuses.size(); ++i)
        EXPECT_EQ(host.outcomes[i].status, row.statuses[i]) << i;
    for (const auto& [name, bytes] : row.after) {
        if (bytes)
            EXPECT_EQ(readBytes(tree.root / name), *bytes) << name;
        else
            EXPECT_FALSE(fs::exists(fs::symlink_status(tree.root / name))) << name;
    }
    if (row.inPlace) {
        EXPECT_TRUE(summary.resultFolders.empty());
        for (const auto& [name, bytes] : row.sources)
            EXPECT_EQ(fs::status(tree.root / name).permissions() & fs::perms::mask,
                      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
                << name;
    } else if (*row.outputFolder) {
        // Offered only when this run put an output there.
        const bool wrote = std::ranges::any_of(row.statuses, [](const FileStatus& status) {
            return !platform::isSourceProblem(status.problem);
        });
        EXPECT_EQ(summary.resultFolders,
                  wrote ? std::vector<AnsiText>{host.outputFolder + platform::pathSeparator}
                        : std::vector<AnsiText>{});
    }
    std::size_t entries = 0;
    for (auto it = fs::recursive_directory_iterator(tree.root);
         it != fs::recursive_directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(entries, row.entries);
}

INSTANTIATE_TEST_SUITE_P(
    BatchRun, OutputPlaces,
    testing::Values(
        // The folder is made with its parents, and no 转换结果 beside the sources.
        PlaceRow{.name = "chosenFolderTakesEveryOutput",
                 .sources = {{"甲/x.txt", gbkHello}, {"乙/y.txt", gbkHello}},
                 .outputFolder = "out/新",
                 .statuses = {{}, {}},
                 .after = {{"out/新/x.txt", utf8Hello}, {"out/新/y.txt", utf8Hello}},
                 .entries = 8},
        PlaceRow{.name = "chosenFolderKeepsTheTree",
                 .sources = {{"src/甲/a.txt", gbkHello}, {"src/b.txt", gbkHello}},
                 .tree = true,
                 .outputFolder = "out",
                 .statuses = {{}, {}},
                 .after = {{"out/甲/a.txt", utf8Hello}, {"out/b.txt", utf8Hello}},
                 .entries = 8},
        PlaceRow{.name = "twoSourcesMeetingInTheFolder",
                 .sources = {{"甲/x.txt", gbkHello}, {"乙/x.txt", "other"}},
                 .outputFolder = "out",
                 .statuses = {{}, {batch::problems::OutputTaken}},
                 .after = {{"out/x.txt", utf8Hello}},
                 .entries = 6},
        // The first one's result would replace the second source: refused, never written.
        PlaceRow{.name = "outputThatIsAnotherListedSourceFails",
                 .sources = {{"f/x.txt", gbkHello}, {"f/转换结果/x.txt", gbkHello}},
                 .statuses = {{batch::problems::OutputIsListedSource}, {}},
                 .after = {{"f/x.txt", gbkHello},
                           {"f/转换结果/x.txt", gbkHello},
                           {"f/转换结果/转换结果/x.txt", utf8Hello}},
                 .entries = 6},
        // A second run over the same tree finds the first one's results: never sources.
        PlaceRow{.name = "treeNeverTakesItsOwnOutputFolder",
                 .sources = {{"src/a.txt", gbkHello}, {"src/out/a.txt", utf8Hello}},
                 .tree = true,
                 .outputFolder = "src/out",
                 .statuses = {{}},
                 .after = {{"src/out/a.txt", utf8Hello}},
                 .entries = 4},
        PlaceRow{.name = "missingSourceMakesNoFolder",
                 .listed = {"nosuch/x.txt"},
                 .statuses = {{platform::problems::SourceUnopenable, ENOENT}},
                 .after = {{"nosuch", std::nullopt}},
                 .entries = 0},
        PlaceRow{.name = "inPlaceLeavesABackupAlone",
                 .sources = {{"x.txt~", gbkHello}, {"y.txt.~3~", gbkHello}},
                 .inPlace = true,
                 .backup = "~",
                 .statuses = {{batch::problems::SourceIsBackup}, {batch::problems::SourceIsBackup}},
                 .after = {{"x.txt~", gbkHello}, {"y.txt.~3~", gbkHello}},
                 .entries = 2},
        PlaceRow{.name = "outputThatIsTheSourceFails",
                 .sources = {{"甲/x.txt", gbkHello}},
                 .outputFolder = "甲",
                 .statuses = {{batch::problems::OutputIsSource}},
                 .after = {{"甲/x.txt", gbkHello}},
                 .entries = 2},
        PlaceRow{.name = "inPlaceCompleteReplacesKeepingTheMode",
                 .sources = {{"x.txt", gbkHello}},
                 .inPlace = true,
                 .statuses = {{}},
                 .after = {{"x.txt", utf8Hello}, {"转换结果", std::nullopt}},
                 .entries = 1},
        PlaceRow{.name = "inPlaceIncompleteLeavesTheSource",
                 .sources = {{"x.txt", gbkJian + "\r\n"}},
                 .inPlace = true,
                 .output = engine::TextEncoding::Big5,
                 .statuses = {{.problem = engine::problems::NotReplaced,
                               .cause = engine::problems::Unconverted}},
                 .after = {{"x.txt", gbkJian + "\r\n"}},
                 .entries = 1},
        // Converted once: a second time would read the converted text as the source.
        PlaceRow{.name = "inPlaceSourceListedTwiceConvertsOnce",
                 .sources = {{"x.txt", gbkHello}},
                 .listed = {"x.txt", "./x.txt"},
                 .inPlace = true,
                 .statuses = {{}, {batch::problems::OutputTaken}},
                 .after = {{"x.txt", utf8Hello}},
                 .entries = 1},
        PlaceRow{.name = "inPlaceKeepsTheOriginalAsBackup",
                 .sources = {{"x.txt", gbkHello}},
                 .inPlace = true,
                 .backup = ".orig",
                 // What a killed run left of its backup goes.
                 .prepare =
                     [](const fs::path& root) {
                         std::ofstream(root / ".x.txt.orig.qfx-tmp-Ab12Z9") << "partial";
                     },
                 .statuses = {{}},
                 .after = {{"x.txt", utf8Hello}, {"x.txt.orig", gbkHello}},
                 .entries = 2},
        // An earlier backup is never replaced: the next one takes the first free number.
        PlaceRow{.name = "inPlaceKeepsAnEarlierBackupAndNumbersTheNext",
                 .sources = {{"x.txt", gbkHello}},
                 .inPlace = true,
                 .backup = ".orig",
                 .prepare =
                     [](const fs::path& root) {
                         fs::create_directories(root / "x.txt.orig/in");
                         std::ofstream(root / "x.txt.~1~") << "older";
                     },
                 .statuses = {{}},
                 .after = {{"x.txt", utf8Hello}, {"x.txt.~1~", "older"}, {"x.txt.~2~", gbkHello}},
                 .entries = 5},
        // Neither the link nor the file it leads to is touched.
        PlaceRow{
            .name = "inPlaceRefusesALink",
            .sources = {{"real.txt", gbkHello}},
            .listed = {"link.txt"},
            .inPlace = true,
            .prepare =
                [](const fs::path& root) { fs::create_symlink("real.txt", root / "link.txt"); },
            .statuses = {{engine::problems::SourceIsLink}},
            .after = {{"real.txt", gbkHello}},
            .entries = 2}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace

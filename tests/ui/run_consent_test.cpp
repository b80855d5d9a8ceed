// The question before files handed to the window (a drop, "Open with") are converted: it names
// where the results will go, and they go there.
#include "ui/run_consent.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include "batch/batch_run.h"
#include "batch/dropped_paths.h"
#include "platform/ansi_text.h"
#include "tests/platform/temp_folder.h"
#include "tests/ui/qt_application_environment.h"
#include "ui/main_window.h"

namespace {

namespace fs = std::filesystem;
using platform::AnsiText;
using platform::testing::readBytes;
using platform::testing::writeBytes;

// Every regular file below `root`, by its path relative to it, sorted.
std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

struct PlaceRow {
    const char* name;
    batch::OutputPlace place;
    const char* told;               // the question's last line; %s stands for the chosen folder
    std::vector<std::string> files; // below the root after the run, sorted
};

class ResultsPlaceTest : public ::testing::TestWithParam<PlaceRow> {};

// A folder is handed with the filter *.txt and the user agrees. Where the question says the
// results go, they go; before sources are replaced, a second question names how many.
TEST_P(ResultsPlaceTest, QuestionNamesWhereTheResultsGo) {
    const PlaceRow& row = GetParam();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path root(temp.path().toStdString());
    const std::string source = platform::ansi("青枫");
    for (const char* name : {"src/a.txt", "src/b.txt", "src/c.dat"})
        writeBytes(root / name, source);
    fs::create_directories(root / "out");
    const AnsiText out = platform::ansiPath((root / "out").string()).value_or("");

    std::vector<AnsiText> questions;
    std::vector<AnsiText> messages;
    ui::ShellDialogs dialogs;
    dialogs.confirmConversion = [&questions](const AnsiText& question) {
        questions.push_back(question);
        return true;
    };
    dialogs.showMessage = [&messages](const AnsiText& text, const platform::MessageStyle&,
                                      const AnsiText&, const AnsiText&) {
        messages.push_back(text);
        return platform::MessageAnswer::No;
    };
    ui::WindowHandlers handlers;
    handlers.startDroppedBatch = batch::startDroppedBatch;
    ui::MainWindow window(handlers, dialogs);
    static_cast<QLineEdit*>(window.control("编辑框文件过滤"))->setText("*.txt");
    batch::OutputChoices choices;
    choices.place = row.place;
    choices.folder = out;
    window.adapter().setOutputChoices(choices);
    window.show();

    window.convertPathsSoon({(root / "src").string()});
    QApplication::processEvents();

    ASSERT_EQ(questions.size(), 1u);
    std::string told = row.told;
    if (const auto at = told.find("%s"); at != std::string::npos)
        told.replace(at, 2, (root / "out").string());
    const std::string question = platform::utf8FromAnsi(questions.front()).value_or("");
    EXPECT_TRUE(question.ends_with("\n\n" + told)) << question;

    EXPECT_EQ(filesBelow(root), row.files);
    for (const char* name : {"src/a.txt", "src/b.txt", "src/c.dat"})
        EXPECT_EQ(readBytes(root / name), source) << name;
    ASSERT_FALSE(messages.empty());
    if (row.place == batch::OutputPlace::ReplaceSources) {
        // Answered 否: only the question, with the files the filter took.
        EXPECT_EQ(messages, std::vector<AnsiText>{batch::replaceQuestion(2, AnsiText("~"))});
    }
    EXPECT_FALSE(window.batchSession().handlerActive());
}

INSTANTIATE_TEST_SUITE_P(
    Places, ResultsPlaceTest,
    ::testing::Values(PlaceRow{"BesideTheSources",
                               batch::OutputPlace::BesideSources,
                               "结果写入“转换结果”文件夹，原文件不变。",
                               {"src/a.txt", "src/b.txt", "src/c.dat", "src/转换结果/a.txt",
                                "src/转换结果/b.txt"}},
                      PlaceRow{"ChosenFolder",
                               batch::OutputPlace::ChosenFolder,
                               "结果写入文件夹“%s”，原文件不变。",
                               {"out/a.txt", "out/b.txt", "src/a.txt", "src/b.txt", "src/c.dat"}},
                      PlaceRow{"ReplaceSources",
                               batch::OutputPlace::ReplaceSources,
                               "结果替换原文件（只替换能完整转换的文件），原文件备份为“文件名~”。",
                               {"src/a.txt", "src/b.txt", "src/c.dat"}}),
    [](const ::testing::TestParamInfo<PlaceRow>& row) { return std::string(row.param.name); });

} // namespace

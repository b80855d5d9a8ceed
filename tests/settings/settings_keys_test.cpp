#include "settings/settings_keys.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/temp_folder.h"
#include "tests/platform/unprivileged_user.h"

using platform::ansi;
using platform::AnsiText;
using platform::testing::readBytes;
using platform::testing::TempFolder;
using platform::testing::writeBytes;
using namespace settings;

namespace {

struct Radio {
    const char* name;
    const char* caption;
    bool initiallySelected;
};

const Radio radios[] = {
    {"单选框自动输入", "自动", true},
    {"单选框输入ANSI", "ANSI", false},
    {"单选框输入UTF8", "UTF-8", false},
    {"单选框输入Ule", "Unicode", false},
    {"单选框输入Ube", "Unicode big endian", false},
    {"单选框自动输出", "自动", true},
    {"单选框输出ANSI", "ANSI", false},
    {"单选框输出UTF8", "UTF-8", false},
    {"单选框输出Ule", "Unicode", false},
    {"单选框输出Ube", "Unicode big endian", false},
    {"单选框不转", "不转", true},
    {"单选框简到繁", "简体到繁体", false},
    {"单选框繁到简", "繁体到简体", false},
    {"单选框简到b5", "简体到Big5", false},
    {"单选框繁到b5", "繁体到Big5", false},
    {"单选框b5到简", "Big5到简体", false},
    {"单选框b5到繁", "Big5到繁体", false},
};

// The main window's persisted choices, in their layout state.
struct FakeWindow {
    WindowChoices choices;
    FakeWindow() {
        for (std::size_t row = 0; row < std::size(radios); ++row)
            choices.radios[row] = radios[row].initiallySelected;
        choices.filter = "*.*";
    }
};

FakeWindow freshWindow() {
    return {};
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\r\n" : "") + ansi(lines[i]);
    return out;
}

const std::vector<std::string> firstSaveLines = {"[输入编码]",    "Unicode big endian=假",
                                                 "Unicode=假",    "UTF-8=假",
                                                 "ANSI=假",       "自动=真",
                                                 "[输出编码]",    "Unicode big endian=假",
                                                 "Unicode=假",    "UTF-8=假",
                                                 "ANSI=假",       "自动=真",
                                                 "[繁简互转]",    "Big5到繁体=假",
                                                 "Big5到简体=假", "繁体到Big5=假",
                                                 "简体到Big5=假", "繁体到简体=假",
                                                 "简体到繁体=假", "不转=真",
                                                 "[转换来源]",    "文件过滤=*.*",
                                                 "目录_文件夹=",  "目录="};

// The state of a radio or check box, by its object name.
bool& selected(FakeWindow& window, std::string_view name) {
    for (std::size_t row = 0; row < std::size(radios); ++row)
        if (radios[row].name == name)
            return window.choices.radios[row];
    return window.choices.switches[name == "复选框智能识别编码" ? 0 : 1];
}

class SettingsFile : public ::testing::Test {
protected:
    TempFolder folder;
    AnsiText settingsPath = folder.path("青枫匣.ini");
    std::filesystem::path nativePath = folder.native("青枫匣.ini");

    // One program run: open the store, load into the window, let `use` act, save on close.
    template <typename Use> void run(FakeWindow& window, Use use) {
        ConfigStore store(folder.path("registry"));
        ASSERT_TRUE(store.setFile(settingsPath, StorageMode::File));
        loadSettingsIntoWindow(store, window.choices);
        use(window);
        saveSettingsFromWindow(store, window.choices);
        store.destroy();
    }
    void load(FakeWindow& window, const std::string& fileBytes) {
        writeBytes(nativePath, fileBytes);
        ConfigStore store(folder.path("registry"));
        ASSERT_TRUE(store.setFile(settingsPath, StorageMode::File));
        loadSettingsIntoWindow(store, window.choices);
    }
};

TEST_F(SettingsFile, firstSaveWritesTheKnownLayout) {
    FakeWindow window = freshWindow();
    run(window, [](FakeWindow&) {});
    EXPECT_EQ(readBytes(nativePath), crlf(firstSaveLines));
    // The first bytes exactly: "[输入编码]" CR LF "Unicode big endian=假".
    EXPECT_EQ(readBytes(nativePath).substr(0, 33),
              "[\xCA\xE4\xC8\xEB\xB1\xE0\xC2\xEB]\r\nUnicode big endian=\xBC\xD9");
}

TEST_F(SettingsFile, laterSavesOnlyReplaceValues) {
    FakeWindow window = freshWindow();
    run(window, [](FakeWindow&) {});
    run(window, [](FakeWindow& w) {
        selected(w, "单选框自动输入") = false;
        selected(w, "单选框输入UTF8") = true;
        w.choices.filesFolder = ansi("/home/用户/My Docs");
        w.choices.filter = ansi("*.txt;报告 *.htm");
    });
    std::vector<std::string> expected = firstSaveLines;
    expected[3] = "UTF-8=真";
    expected[5] = "自动=假";
    expected[21] = "文件过滤=*.txt;报告 *.htm";
    expected[23] = "目录=/home/用户/My Docs";
    EXPECT_EQ(readBytes(nativePath), crlf(expected));

    FakeWindow restarted = freshWindow();
    run(restarted, [](FakeWindow&) {});
    EXPECT_TRUE(selected(restarted, "单选框输入UTF8"));
    EXPECT_FALSE(selected(restarted, "单选框自动输入"));
    EXPECT_TRUE(selected(restarted, "单选框自动输出"));
    EXPECT_EQ(restarted.choices.filesFolder, ansi("/home/用户/My Docs"));
    EXPECT_EQ(restarted.choices.filter, ansi("*.txt;报告 *.htm"));
}

TEST_F(SettingsFile, missingFileKeepsLayoutState) {
    FakeWindow window = freshWindow();
    window.choices.filter = "typed";
    window.choices.filesFolder = "stale";
    ConfigStore store(folder.path("registry"));
    ASSERT_TRUE(store.setFile(settingsPath, StorageMode::File));
    loadSettingsIntoWindow(store, window.choices);
    for (const Radio& radio : radios)
        EXPECT_EQ(selected(window, radio.name), radio.initiallySelected) << radio.name;
    EXPECT_EQ(window.choices.filter, "*.*");
    EXPECT_EQ(window.choices.filesFolder, "");
    EXPECT_EQ(window.choices.folderFolder, "");
    EXPECT_EQ(readBytes(nativePath), "");
}

TEST_F(SettingsFile, sourceSectionMovedToTopStillLoads) {
    FakeWindow window = freshWindow();
    load(window,
         crlf({"[转换来源]", "目录=/srv/旧 文件", "目录_文件夹=/srv/夹", "文件过滤=", "[输入编码]",
               "自动=假", "ANSI=真", "[繁简互转]", "不转=假", "繁体到简体=真"}));
    EXPECT_EQ(window.choices.filesFolder, ansi("/srv/旧 文件"));
    EXPECT_EQ(window.choices.folderFolder, ansi("/srv/夹"));
    // An empty stored filter stays empty; only a missing key gives "*.*".
    EXPECT_EQ(window.choices.filter, "");
    EXPECT_TRUE(selected(window, "单选框输入ANSI"));
    EXPECT_FALSE(selected(window, "单选框自动输入"));
    EXPECT_TRUE(selected(window, "单选框繁到简"));
    EXPECT_FALSE(selected(window, "单选框不转"));
    EXPECT_TRUE(selected(window, "单选框自动输出"));
}

TEST_F(SettingsFile, keysUnderAnotherHeaderAreNotFound) {
    FakeWindow window = freshWindow();
    load(window, crlf({"[输出编码]", "目录=/wrong", "ANSI=真", "[输入编码]", "文件过滤=x"}));
    EXPECT_EQ(window.choices.filesFolder, "");
    EXPECT_EQ(window.choices.filter, "*.*");
    // "ANSI" of the output section does not select the input button of the same caption.
    EXPECT_FALSE(selected(window, "单选框输入ANSI"));
    EXPECT_TRUE(selected(window, "单选框输出ANSI"));
}

TEST_F(SettingsFile, everyButtonFalseLeavesGroupsEmpty) {
    std::vector<std::string> lines = firstSaveLines;
    for (std::string& line : lines) {
        const auto mark = line.find("=真");
        if (mark != std::string::npos)
            line.replace(mark, std::string("=真").size(), "=假");
    }
    FakeWindow window = freshWindow();
    load(window, crlf(lines));
    for (const Radio& radio : radios)
        EXPECT_FALSE(selected(window, radio.name)) << radio.name;
}

TEST_F(SettingsFile, lineBreakInFolderSurvivesRestart) {
    FakeWindow window = freshWindow();
    run(window, [](FakeWindow& w) { w.choices.folderFolder = "/a\r\nb"; });
    EXPECT_NE(readBytes(nativePath).find(ansi("目录_文件夹=/a┊*┊b")), std::string::npos);
    FakeWindow restarted = freshWindow();
    run(restarted, [](FakeWindow&) {});
    EXPECT_EQ(restarted.choices.folderFolder, "/a\r\nb");
}

// The two options are written, in a section of their own after the classic ones, only once one
// has been on, either of them alone; from then on both are kept, off included. A file without
// them reads as off. Each sequence of saves starts without a settings file.
TEST_F(SettingsFile, optionsAreWrittenOnceTurnedOnAndSurviveRestarts) {
    const char* smart = "复选框智能识别编码";
    const char* subFolders = "复选框包含子文件夹";
    struct Step {
        bool smartOn, subFoldersOn;
        std::vector<std::string> tail; // the lines after the classic layout
    };
    const std::vector<Step> sequences[] = {
        {
            {false, false, {}},
            {false, true, {"[选项]", "包含子文件夹=真", "智能识别编码=假"}},
            {true, false, {"[选项]", "包含子文件夹=假", "智能识别编码=真"}},
            {false, false, {"[选项]", "包含子文件夹=假", "智能识别编码=假"}},
        },
        {{true, false, {"[选项]", "包含子文件夹=假", "智能识别编码=真"}}},
    };
    for (const std::vector<Step>& steps : sequences) {
        std::filesystem::remove(nativePath);
        for (const Step& step : steps) {
            FakeWindow window = freshWindow();
            selected(window, smart) = true;
            selected(window, subFolders) = true;
            run(window, [&](FakeWindow& w) {
                selected(w, smart) = step.smartOn;
                selected(w, subFolders) = step.subFoldersOn;
            });
            std::vector<std::string> expected = firstSaveLines;
            expected.insert(expected.end(), step.tail.begin(), step.tail.end());
            EXPECT_EQ(readBytes(nativePath), crlf(expected)) << step.smartOn << step.subFoldersOn;

            FakeWindow restarted = freshWindow();
            selected(restarted, smart) = true;
            selected(restarted, subFolders) = true;
            ConfigStore store(folder.path("registry"));
            ASSERT_TRUE(store.setFile(settingsPath, StorageMode::File));
            loadSettingsIntoWindow(store, restarted.choices);
            EXPECT_EQ(selected(restarted, smart), step.smartOn);
            EXPECT_EQ(selected(restarted, subFolders), step.subFoldersOn);
        }
    }
}

TEST(SettingsFilePath, writableFileInReadOnlyFolderIsStillUsed) {
    platform::testing::UnprivilegedUser user;
    ASSERT_TRUE(user.usable());
    TempFolder folder;
    namespace fs = std::filesystem;
    fs::create_directory(folder.native("程序"));
    writeBytes(folder.native("程序/青枫匣.ini"), "[S]");
    user.handOver(folder.folder());
    user.handOver(folder.native("程序/青枫匣.ini"));
    // Nobody may add files to the program's folder (it stays root's when the tests run as root).
    fs::permissions(folder.native("程序"), fs::perms::owner_read | fs::perms::owner_exec |
                                               fs::perms::group_read | fs::perms::group_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", folder.native("配置").c_str(), 1);
    const AnsiText exeFolder = folder.path("程序");
    const auto decide = [&exeFolder] { return settingsFilePath(exeFolder); };
    EXPECT_EQ(user.run(decide), exeFolder + ansi("/青枫匣.ini"));
    // A file that cannot be opened for editing sends the settings to the user's folder.
    fs::permissions(folder.native("程序/青枫匣.ini"), fs::perms::owner_read);
    EXPECT_EQ(user.run(decide), folder.path("配置/青枫匣/青枫匣.ini"));
    if (saved)
        ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    fs::permissions(folder.native("程序"), fs::perms::owner_all);
}

struct SettingsPlace {
    const char* name;
    bool programFolderExists;
    bool fileBesideProgram;
    bool besideProgramChosen;
};

class SettingsFilePathTest : public ::testing::TestWithParam<SettingsPlace> {};

TEST_P(SettingsFilePathTest, portableOnlyWhenTheFileIsAlreadyThere) {
    const SettingsPlace& row = GetParam();
    TempFolder folder;
    if (row.programFolderExists)
        std::filesystem::create_directory(folder.native("程序"));
    if (row.fileBesideProgram)
        writeBytes(folder.native("程序/青枫匣.ini"), "[S]");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", folder.native("配置").c_str(), 1);

    const AnsiText path = settingsFilePath(folder.path("程序"));
    if (row.besideProgramChosen) {
        EXPECT_EQ(path, folder.path("程序/青枫匣.ini"));
    } else {
        EXPECT_EQ(path, folder.path("配置/青枫匣/青枫匣.ini"));
        EXPECT_TRUE(std::filesystem::is_directory(folder.native("配置/青枫匣")));
    }
    // Choosing never starts a settings file in the program's folder, however writable.
    EXPECT_EQ(std::filesystem::exists(folder.native("程序/青枫匣.ini")), row.fileBesideProgram);
    if (saved)
        ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

INSTANTIATE_TEST_SUITE_P(
    Places, SettingsFilePathTest,
    ::testing::Values(SettingsPlace{"FileBesideTheProgram", true, true, true},
                      SettingsPlace{"WritableProgramFolderWithoutFile", true, false, false},
                      SettingsPlace{"MissingProgramFolder", false, false, false}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

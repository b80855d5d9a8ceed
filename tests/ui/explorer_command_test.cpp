#include "ui/explorer_command.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct ExplorerRow {
    const char* name;
    std::string path;
    bool newWindow;
    bool runExecutables;
    bool asRoot;
    char separator;
    bool runDirectly;
    bool select;
    std::string commandLine;
};

class ExplorerCommandTest : public testing::TestWithParam<ExplorerRow> {};

TEST_P(ExplorerCommandTest, BuildsRequest) {
    const ExplorerRow& row = GetParam();
    ui::ExplorerRequest request =
        ui::explorerRequest(row.path, row.newWindow, row.runExecutables, row.asRoot, row.separator);
    EXPECT_EQ(request.commandLine, row.commandLine);
    EXPECT_EQ(request.runDirectly, row.runDirectly);
    EXPECT_EQ(request.select, row.select);
    EXPECT_EQ(ui::explorerCommandLine(row.path, row.newWindow, row.runExecutables, row.asRoot,
                                      row.separator),
              row.commandLine);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExplorerCommandTest,
    testing::Values(
        // The five combinations the program knows, on a Windows path.
        ExplorerRow{"NewWindowRunExecutables", R"(D:\docs\转换结果\)", true, true, false, '\\',
                    false, false, R"(explorer /n,"D:\docs\转换结果\")"},
        ExplorerRow{"SameWindowSelect", R"(D:\docs\a.txt)", false, false, false, '\\', false, true,
                    R"(explorer /e,/select,"D:\docs\a.txt")"},
        ExplorerRow{"NewWindowSelect", R"(D:\docs\a.txt)", true, false, false, '\\', false, true,
                    R"(explorer /n,/select,"D:\docs\a.txt")"},
        ExplorerRow{"SameWindowRootIsParent", R"(D:\docs\a.txt)", false, false, true, '\\', false,
                    false, R"(explorer /e,/root,"D:\docs")"},
        ExplorerRow{"NewWindowRunExecutablesRoot", R"(D:\docs\a.txt)", true, true, true, '\\',
                    false, false, R"(explorer /n,/root,"D:\docs")"},
        ExplorerRow{"ExeInCapitalsRunsDirectly", R"(D:\my tools\Setup.EXE)", false, true, false,
                    '\\', true, false, R"(D:\my tools\Setup.EXE)"},
        ExplorerRow{"ExeMixedCaseRunsDirectly", "/opt/x/tool.eXe", true, true, false, '/', true,
                    false, "/opt/x/tool.eXe"},
        ExplorerRow{"ExeWithoutRunExecutablesIsSelected", R"(D:\Setup.EXE)", false, false, false,
                    '\\', false, true, R"(explorer /e,/select,"D:\Setup.EXE")"},
        ExplorerRow{"ExeCheckedAfterRoot", R"(D:\bin.exe\a.txt)", true, true, true, '\\', true,
                    false, R"(D:\bin.exe)"},
        ExplorerRow{"NotQuiteExe", R"(D:\setup.exe2)", true, true, false, '\\', false, false,
                    R"(explorer /n,"D:\setup.exe2")"},
        ExplorerRow{"ShortPath", "exe", true, true, false, '\\', false, false,
                    R"(explorer /n,"exe")"},
        ExplorerRow{"RootWithoutSeparatorKeepsPath", "a.txt", false, false, true, '\\', false,
                    false, R"(explorer /e,/root,"a.txt")"},
        // 0xB0 0x5C is one character: its trail byte is no separator.
        ExplorerRow{"RootSkipsTrailByte", "D:\\x\\\xB0\\b", false, false, true, '\\', false, false,
                    "explorer /e,/root,\"D:\\x\""},
        ExplorerRow{"LinuxRootIsParent", "/home/u/docs/a.txt", true, true, true, '/', false, false,
                    R"(explorer /n,/root,"/home/u/docs")"},
        ExplorerRow{"LinuxRootOfTopLevelIsEmpty", "/a.txt", false, false, true, '/', false, false,
                    R"(explorer /e,/root,"")"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ExplorerRequest, TargetIsParentFolderWhenAsRoot) {
    EXPECT_EQ(ui::explorerRequest("/srv/data/file.txt", false, false, true, '/').target,
              "/srv/data");
    EXPECT_EQ(ui::explorerRequest("/srv/data/", false, false, false, '/').target, "/srv/data/");
}

} // namespace

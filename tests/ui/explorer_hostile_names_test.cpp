// The completion report's "open the folder" request for result folders whose path a hostile
// user chose: it opens that folder as a path and never starts anything the path names.
#include <string>

#include <gtest/gtest.h>

#include "platform/ansi_text.h"
#include "ui/explorer_command.h"

namespace {

struct HostileFolderRow {
    const char* name;
    std::string folder; // UTF-8, the folder of the first source
};

class ExplorerHostileNames : public testing::TestWithParam<HostileFolderRow> {};

// The window asks with newWindow and runExecutables set, asRoot not, for the result folder.
TEST_P(ExplorerHostileNames, ResultFolderIsOpenedAsItIs) {
    const platform::AnsiText resultFolder = platform::ansi(GetParam().folder + "/转换结果/");
    const ui::ExplorerRequest request = ui::explorerRequest(resultFolder, true, true, false);
    EXPECT_FALSE(request.runDirectly);
    EXPECT_FALSE(request.select);
    EXPECT_EQ(request.target, resultFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExplorerHostileNames,
    testing::Values(HostileFolderRow{"ProgramNamedFolder", "/tmp/setup.exe"},
                    HostileFolderRow{"LeadingDash", "/tmp/--help -rf"},
                    HostileFolderRow{"ShellSyntax", "/tmp/$(touch pwned); `id` | sh"},
                    HostileFolderRow{"QuotesAndBackslash", "/tmp/\"quoted\" it's \\n"},
                    HostileFolderRow{"LineBreak", "/tmp/first\nsecond"},
                    HostileFolderRow{"LongName", "/tmp/" + std::string(255, 'y')}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

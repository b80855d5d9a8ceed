// The window program's command line: help, version and unknown options answered before any
// window, "--" for a path that looks like an option, and a clear word when there is no display.
#include "ui/window_arguments.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QProcess>

#include "qfx_version.h"
#include "tests/ui/qt_application_environment.h"

namespace {

using Environment = std::map<std::string, std::string>;

const Environment x11{{"DISPLAY", ":0"}};

struct ArgumentsRow {
    const char* name;
    std::vector<std::string> arguments;
    Environment environment;
    std::optional<int> exitStatus;
    const char* out;   // what standard output starts with
    const char* error; // what standard error starts with
    std::vector<std::string> paths;
};

class WindowArgumentsTest : public ::testing::TestWithParam<ArgumentsRow> {};

TEST_P(WindowArgumentsTest, DecidesBeforeAnyWindow) {
    const ArgumentsRow& row = GetParam();
    const ui::WindowStart start =
        ui::windowStart(row.arguments, [&row](const char* name) -> const char* {
            const auto found = row.environment.find(name);
            return found != row.environment.end() ? found->second.c_str() : nullptr;
        });
    EXPECT_EQ(start.exitStatus, row.exitStatus);
    EXPECT_TRUE(start.out.starts_with(row.out)) << start.out;
    EXPECT_TRUE(start.error.starts_with(row.error)) << start.error;
    EXPECT_EQ(start.out.empty(), *row.out == '\0') << start.out;
    EXPECT_EQ(start.error.empty(), *row.error == '\0') << start.error;
    EXPECT_EQ(start.paths, row.paths);
}

const char* const version = "qingfengxia " QFX_VERSION "\n";
const char* const noDisplay = "qingfengxia: no display";

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowArgumentsTest,
    ::testing::Values(
        ArgumentsRow{"Help", {"--help"}, x11, 0, "Usage: qingfengxia ", "", {}},
        // Help needs no display, nor does it look at the paths around it.
        ArgumentsRow{"ShortHelpWithoutDisplay", {"a.txt", "-h"}, {}, 0, "Usage: ", "", {}},
        ArgumentsRow{"Version", {"--version"}, {}, 0, version, "", {}},
        ArgumentsRow{"UnknownOption",
                     {"a.txt", "--bogus"},
                     x11,
                     2,
                     "",
                     "qingfengxia: unknown option '--bogus'",
                     {}},
        ArgumentsRow{"LoneDashIsNoFile", {"-"}, x11, 2, "", "qingfengxia: unknown option '-'", {}},
        ArgumentsRow{"DashDashEndsOptions",
                     {"a.txt", "--", "--help", "-x", "--"},
                     x11,
                     std::nullopt,
                     "",
                     "",
                     {"a.txt", "--help", "-x", "--"}},
        ArgumentsRow{"Wayland",
                     {"目录"},
                     {{"WAYLAND_DISPLAY", "wayland-0"}},
                     std::nullopt,
                     "",
                     "",
                     {"目录"}},
        ArgumentsRow{
            "PlatformChosen", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, std::nullopt, "", "", {}},
        ArgumentsRow{"NoDisplay", {"a.txt"}, {}, 1, "", noDisplay, {}},
        ArgumentsRow{
            "EmptyDisplay", {}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, 1, "", noDisplay, {}}),
    [](const ::testing::TestParamInfo<ArgumentsRow>& row) { return std::string(row.param.name); });

// The built program, with no display at all: it answers on its own streams and never reaches the
// toolkit, which would abort.
TEST(WindowProgram, AnswersWithoutADisplay) {
    struct Run {
        QStringList arguments;
        int exitCode;
        const char* out;
        const char* error;
    };
    for (const Run& run : {Run{{QStringLiteral("--help")}, 0, "Usage: qingfengxia ", ""},
                           Run{{QStringLiteral("a.txt")}, 1, "", noDisplay}}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QFX_WINDOW_BINARY), run.arguments);
        ASSERT_TRUE(program.waitForFinished(30000));
        const std::string arguments = run.arguments.join(' ').toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << arguments;
        EXPECT_EQ(program.exitCode(), run.exitCode) << arguments;
        const std::string out = program.readAllStandardOutput().toStdString();
        const std::string error = program.readAllStandardError().toStdString();
        EXPECT_TRUE(out.starts_with(run.out)) << arguments << ": " << out;
        EXPECT_TRUE(error.starts_with(run.error)) << arguments << ": " << error;
    }
}

} // namespace

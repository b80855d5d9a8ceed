// "Open with": the built window program started on a virtual X display with two files on its
// command line asks before it converts them, and converts nothing while the question is open.
// The test waits for the question's window, then ends the program.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/ansi_text.h"

namespace {

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Starts the program, waits up to 30 s for the question (titled "青枫匣"), lets a second pass,
// then ends it; exits 0 when the question was seen and no report ("砚舟：") came.
constexpr const char* underXvfb = R"(
    unset QT_QPA_PLATFORM
    "$0" "$@" &
    pid=$!
    for _ in $(seq 150); do
        if xwininfo -name "青枫匣" >/dev/null 2>&1; then
            sleep 1
            xwininfo -name "砚舟：" >/dev/null 2>&1; reported=$?
            kill "$pid"
            [ "$reported" -ne 0 ]
            exit
        fi
        sleep 0.2
    done
    kill "$pid"
    exit 1
)";

TEST(OpenWith, TwoPathsOnTheCommandLineWaitForConsent) {
    int argc = 1;
    char name[] = "open_with_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::filesystem::path root(temp.path().toStdString());
    // A copy of its own, so that the settings file beside it is the test's.
    std::filesystem::create_directories(root / "bin");
    std::filesystem::copy_file(QFX_WINDOW_BINARY, root / "bin" / "qingfengxia");
    writeFile(root / "bin" / "青枫匣.ini",
              platform::ansi("[输出编码]\r\n自动=假\r\nANSI=假\r\nUTF-8=真\r\nUnicode=假\r\n"
                             "Unicode big endian=假\r\n"));
    const std::filesystem::path sources = root / "来源";
    std::filesystem::create_directories(sources);
    writeFile(sources / "a.txt", platform::ansi("青枫匣"));
    writeFile(sources / "b.txt", platform::ansi("文本"));

    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(sources.string()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), temp.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), temp.path());
    program.setProcessEnvironment(environment);
    // One path absolute, one relative to the folder the file manager started it in.
    program.start(QStringLiteral("xvfb-run"),
                  {QStringLiteral("-a"), QStringLiteral("sh"), QStringLiteral("-c"),
                   QString::fromUtf8(underXvfb),
                   QString::fromStdString((root / "bin" / "qingfengxia").string()),
                   QString::fromStdString((sources / "a.txt").string()), QStringLiteral("b.txt")});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0) << "no question, or a run without one; stderr: "
                                     << program.readAllStandardError().toStdString();
    EXPECT_FALSE(std::filesystem::exists(sources / "转换结果"));
}

} // namespace

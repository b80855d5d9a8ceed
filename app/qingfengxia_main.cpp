// The window program. Its arguments are files to convert (a file manager's "Open with"); they
// are read before the toolkit starts, which gets the program name only, so no file name is ever
// taken for a toolkit option.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "ui/startup.h"
#include "ui/window_arguments.h"

int main(int argc, char* argv[]) {
    ui::WindowStart start = ui::windowStart(std::vector<std::string>(argv + 1, argv + argc),
                                            [](const char* name) { return std::getenv(name); });
    if (start.exitStatus) {
        std::cout << start.out << std::flush;
        std::cerr << start.error << std::flush;
        return *start.exitStatus;
    }
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    ui::ProgramLifetime program;
    return ui::runProgram(program, std::move(start.paths));
}

// The window program. Its arguments are files to convert (a file manager's "Open with"); the
// toolkit gets the program name only, so no file name is ever taken for a toolkit option.
#include <string>
#include <vector>

#include <QApplication>

#include "ui/startup.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> paths(argv + 1, argv + argc);
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    ui::ProgramLifetime program;
    return ui::runProgram(program, std::move(paths));
}

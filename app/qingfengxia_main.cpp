// The window program. It looks at no command line: the toolkit gets the program name only.
#include <QApplication>

#include "ui/startup.h"

int main(int, char* argv[]) {
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    ui::ProgramLifetime program;
    return ui::runProgram(program);
}

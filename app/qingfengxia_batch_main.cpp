// qingfengxia-batch: converts files or a folder from the command line, exactly as a run from the
// window does.
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "batch/batch_command.h"
#include "platform/interrupt_signal.h"

int main(int argc, char** argv) {
    // Without it, Ctrl-C would end the process in the middle of an output file.
    (void)platform::catchInterruptSignals();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return batch::runBatchCommand(arguments, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}

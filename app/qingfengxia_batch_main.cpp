// qingfengxia-batch: converts files or a folder from the command line, exactly as a run from the
// window does.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "batch/batch_command.h"
#include "platform/interrupt_signal.h"

int main(int argc, char** argv) {
    // Without it, Ctrl-C or a reader closing the pipe (`| head`) would end the process in the
    // middle of an output file.
    (void)platform::catchInterruptSignals();
    // iconv's //TRANSLIT takes its replacements from the user's character type, as iconv does.
    (void)std::setlocale(LC_CTYPE, "");
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status =
        batch::runBatchCommand(arguments, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
    // Cleaned up after a stop: now end by the signal, so that a calling shell loop stops too.
    if (const int signal = platform::interruptSignal(); signal != 0) {
        std::cout.flush();
        platform::endBySignal(signal);
    }
    return status;
}

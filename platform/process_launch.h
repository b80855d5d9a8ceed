// Starting another program without any shell in between: the program and its arguments are
// passed as they are, so no character in a path is ever interpreted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into program and arguments the way the Windows C runtime does. The
// program name ends at the first blank or tab outside double quotes; its quotes only group, with
// no escapes (a program path holds backslashes). In the arguments, blanks and tabs separate
// outside quotes; 2n backslashes before a quote give n backslashes and the quote toggles quoting,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal; "" inside quotes
// gives one literal quote. Bytes of 0x80 and above start a two-byte character that is copied
// whole, so a GB18030 trail byte is never taken for a quote or backslash.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// What became of a start request.
struct [[nodiscard]] LaunchResult {
    bool started = false; // the program was found and is running (or has run, when waited for)
    int error = 0;        // errno of the failed step when not started, else 0
    int exitStatus = -1;  // the exit status when waited for and the program exited normally
};

// Starts arguments[0] (looked up in PATH when it holds no '/') with the given arguments, the
// caller's environment and working folder, and no inherited descriptors besides standard input,
// output and error. With wait, returns when the program has ended; otherwise returns once it is
// running, and the program is never left as a zombie. showState is the window show state asked
// for; desktops without one ignore it.
LaunchResult startProcess(const std::vector<std::string>& arguments, bool wait, int showState = 1);

} // namespace platform

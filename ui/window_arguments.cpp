// The window program's arguments, decided without the toolkit, which would abort without a
// display and take a file name for one of its own options.
#include "ui/window_arguments.h"

#include <utility>

#include "qfx_version.h"

namespace ui {

namespace {

constexpr const char* usage =
    "Usage: qingfengxia [--] [FILE | FOLDER]...\n"
    "       qingfengxia --help | --version\n"
    "Opens the 青枫匣 window, which converts many text files at once between encodings\n"
    "(GBK/GB18030, UTF-8, UTF-16LE/BE, Big5) and between Simplified and Traditional Chinese.\n"
    "\n"
    "Each FILE or FOLDER given (a file manager's \"Open with\" gives them) is converted only\n"
    "after the window has asked and the user has agreed, with the choices the window shows;\n"
    "a FOLDER gives the files its filter box picks.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "  --             every argument after it is a FILE or FOLDER, even one starting with -\n"
    "\n"
    "For scripts and the command line: qingfengxia-batch (qingfengxia-batch --help).\n";

bool isSet(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment ? environment(name) : nullptr;
    return value && *value;
}

} // namespace

WindowStart windowStart(const std::vector<std::string>& arguments,
                        const EnvironmentLookup& environment) {
    auto exitWith = [](int status, std::string out, std::string error) {
        WindowStart start;
        start.exitStatus = status;
        start.out = std::move(out);
        start.error = std::move(error);
        return start;
    };
    WindowStart start;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (!options || argument.empty() || argument[0] != '-')
            start.paths.push_back(argument);
        else if (argument == "--")
            options = false;
        else if (argument == "-h" || argument == "--help")
            return exitWith(0, usage, {});
        else if (argument == "--version")
            return exitWith(0, std::string("qingfengxia ") + QFX_VERSION + "\n", {});
        else
            return exitWith(2, {},
                            "qingfengxia: unknown option '" + argument +
                                "'\nRun 'qingfengxia --help' for the usage.\n");
    }
    // The toolkit would abort without one, with a message that does not say what to do.
    if (!isSet(environment, "DISPLAY") && !isSet(environment, "WAYLAND_DISPLAY") &&
        !isSet(environment, "QT_QPA_PLATFORM"))
        return exitWith(1, {},
                        "qingfengxia: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                        "run it in a desktop session or under xvfb-run, or use qingfengxia-batch "
                        "on the command line\n");
    return start;
}

} // namespace ui

// The window program's command line, read before any toolkit object exists: its help and
// version, the files and folders to convert, and whether there is a display to open on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// What the start comes to.
struct WindowStart {
    std::optional<int> exitStatus;  // set: print `out` and `error`, open no window, exit with it
    std::string out;                // for standard output
    std::string error;              // for standard error
    std::vector<std::string> paths; // without exitStatus: to convert once the user agrees
};

// Reads an environment variable; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// `arguments` without the program name. -h/--help and --version print and exit 0, an unknown
// option exits 2, and "--" makes every later argument a path. Without a display (no DISPLAY,
// no WAYLAND_DISPLAY and no QT_QPA_PLATFORM) the program exits 1, saying so.
WindowStart windowStart(const std::vector<std::string>& arguments,
                        const EnvironmentLookup& environment);

} // namespace ui

#include "ui/explorer_command.h"

#include <string_view>

#include "platform/path_scan.h"

namespace ui {
namespace {

bool endsWithExe(std::string_view path) {
    if (path.size() < 4)
        return false;
    std::string_view tail = path.substr(path.size() - 4);
    constexpr std::string_view exe = ".exe";
    for (size_t i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != exe[i])
            return false;
    }
    return true;
}

} // namespace

ExplorerRequest explorerRequest(const platform::AnsiText& path, bool newWindow, bool runExecutables,
                                bool asRoot, char separator) {
    ExplorerRequest request;
    request.target = path;
    if (asRoot) {
        size_t cut = platform::lastAsciiCharacter(path, separator);
        if (cut != std::string_view::npos)
            request.target = path.substr(0, cut);
    }
    if (runExecutables && endsWithExe(request.target)) {
        request.runDirectly = true;
        request.commandLine = request.target;
        return request;
    }
    request.select = !runExecutables && !asRoot;
    request.commandLine = "explorer ";
    request.commandLine += newWindow ? "/n" : "/e";
    request.commandLine += ",";
    if (request.select)
        request.commandLine += "/select,";
    if (asRoot)
        request.commandLine += "/root,";
    request.commandLine += "\"" + request.target + "\"";
    return request;
}

platform::AnsiText explorerCommandLine(const platform::AnsiText& path, bool newWindow,
                                       bool runExecutables, bool asRoot, char separator) {
    return explorerRequest(path, newWindow, runExecutables, asRoot, separator).commandLine;
}

} // namespace ui

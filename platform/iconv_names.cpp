#include "platform/iconv_names.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/iconv_handle.h"

namespace platform {

namespace {

// Where glibc keeps its converters' configuration: GCONV_PATH first, as iconv looks there too.
std::vector<std::filesystem::path> configurationFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* path = std::getenv("GCONV_PATH"); path && *path) {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');)
            if (!folder.empty())
                folders.emplace_back(folder);
    }
    for (const char* folder :
         {"/usr/lib/x86_64-linux-gnu/gconv", "/usr/lib/aarch64-linux-gnu/gconv",
          "/usr/lib/i386-linux-gnu/gconv", "/usr/lib64/gconv", "/usr/lib/gconv"})
        folders.emplace_back(folder);
    return folders;
}

// The names a configuration file declares: both sides of "alias A// B//", the first two words of
// "module FROM// TO// ...", without the "//".
void readNames(const std::filesystem::path& file, std::set<std::string>& names) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind, first, second;
        if (!(words >> kind >> first >> second) || (kind != "alias" && kind != "module"))
            continue;
        for (std::string name : {first, second}) {
            while (name.ends_with('/'))
                name.pop_back();
            if (!name.empty() && name != "INTERNAL" && name.front() != '-')
                names.insert(name);
        }
    }
}

} // namespace

std::vector<std::string> iconvEncodingNames() {
    std::set<std::string> names;
    std::error_code ignored;
    for (const std::filesystem::path& folder : configurationFolders()) {
        const std::filesystem::path main = folder / "gconv-modules";
        if (!std::filesystem::exists(main, ignored))
            continue;
        readNames(main, names);
        for (const auto& entry :
             std::filesystem::directory_iterator(folder / "gconv-modules.d", ignored))
            if (entry.path().extension() == ".conf")
                readNames(entry.path(), names);
        break; // the first folder that has one is iconv's
    }
    std::vector<std::string> usable;
    for (const std::string& name : names)
        if (IconvHandle(name.c_str(), "GB18030").valid() &&
            IconvHandle("GB18030", name.c_str()).valid())
            usable.push_back(name);
    return usable;
}

} // namespace platform

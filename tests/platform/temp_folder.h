// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/file_access.h"

namespace platform::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qfx-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            root = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    // A path inside the folder, as the program's AnsiText and as the file system's name.
    platform::AnsiText path(const std::string& utf8Name) const {
        return platform::ansi((root / utf8Name).string());
    }
    std::filesystem::path native(const std::string& utf8Name) const { return root / utf8Name; }
    const std::filesystem::path& folder() const { return root; }

private:
    std::filesystem::path root;
};

inline std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes the file whole, with the folders above it.
inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::error_code ignored;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Names in the folder that are temporary files of an unfinished write.
inline std::vector<std::string> temporaryFiles(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().filename().string().find(platform::temporaryFileMarker) !=
            std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

} // namespace platform::testing

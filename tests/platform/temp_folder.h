// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/ansi_text.h"

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

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace platform::testing

// A test's files as bytes: read whole, or written whole with the folders above them.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace platform::testing {

// Empty when the file cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace platform::testing

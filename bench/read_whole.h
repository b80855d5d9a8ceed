// A benchmark's input file, read whole into memory before anything is timed.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

inline bool readWhole(const char* path, std::string& content) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    content.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    return static_cast<bool>(in.read(content.data(), static_cast<std::streamsize>(content.size())));
}

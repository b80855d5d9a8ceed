// One iconv conversion descriptor, closed when the handle goes away. Every iconv user in the
// program holds its descriptor this way, so no failure path leaks one.
#pragma once

#include <string>
#include <string_view>

#include <iconv.h>

namespace platform {

class IconvHandle {
public:
    IconvHandle() = default;
    // Opens a conversion from `from` to `to`; valid() tells whether iconv knows the pair.
    IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    IconvHandle(IconvHandle&& other) noexcept : cd(other.cd) { other.cd = invalid(); }
    IconvHandle& operator=(IconvHandle&& other) noexcept {
        if (this != &other) {
            close();
            cd = other.cd;
            other.cd = invalid();
        }
        return *this;
    }
    ~IconvHandle() { close(); }

    bool valid() const { return cd != invalid(); }
    iconv_t get() const { return cd; }
    // Back to the initial shift state, so a kept descriptor can start a new conversion.
    void resetState() const {
        if (valid())
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    void close() {
        if (valid())
            iconv_close(cd);
        cd = invalid();
    }
    iconv_t cd = invalid();
};

// Converts the whole input strictly: any invalid or incomplete sequence, or an unknown pair,
// fails. Used at the program's edges (literals, paths, captions), not for file content.
bool convertStrict(const char* to, const char* from, std::string_view input, std::string& output);

} // namespace platform

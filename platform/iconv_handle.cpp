#include "platform/iconv_handle.h"

#include <cerrno>
#include <string>

#include "platform/iconv_cache.h"

namespace platform {

bool convertStrict(const char* to, const char* from, std::string_view input, std::string& output) {
    output.clear();
    const IconvLease handle(to, from);
    if (!handle.valid())
        return false;
    if (input.empty())
        return true;
    output.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t written = 0;
    for (;;) {
        char* out = output.data() + written;
        size_t outLeft = output.size() - written;
        size_t rc = iconv(handle.get(), &in, &inLeft, &out, &outLeft);
        written = output.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) {
            // Flush any pending shift sequence.
            out = output.data() + written;
            outLeft = output.size() - written;
            if (iconv(handle.get(), nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) {
                output.clear();
                return false;
            }
            written = output.size() - outLeft;
            break;
        }
        if (errno != E2BIG) {
            output.clear();
            return false;
        }
        output.resize(output.size() * 2);
    }
    output.resize(written);
    return true;
}

} // namespace platform

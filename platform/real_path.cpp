#include "platform/real_path.h"

#include <cstdlib>
#include <memory>

namespace platform {

AnsiText realPath(const AnsiText& path) {
    const std::optional<std::string> native = nativePath(path);
    if (path.empty() || !native)
        return {};
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(native->c_str(), nullptr),
                                                               &std::free);
    if (!resolved)
        return {};
    return ansiPath(resolved.get()).value_or(AnsiText());
}

} // namespace platform

#include "platform/real_path.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include <sys/stat.h>

#include "platform/path_scan.h"

namespace platform {

namespace {

// The path's components between separators, found character-wise.
std::vector<AnsiText> componentsOf(const AnsiText& path) {
    std::vector<AnsiText> components;
    size_t start = 0;
    const auto take = [&](size_t end) {
        if (end > start)
            components.emplace_back(path, start, end - start);
        start = end + 1;
    };
    forEachSeparator(path, take);
    take(path.size());
    return components;
}

AnsiText joined(const std::vector<AnsiText>& components, size_t from, size_t to) {
    AnsiText path;
    for (size_t i = from; i < to; ++i)
        path += pathSeparator + components[i];
    return path;
}

} // namespace

std::optional<std::string> realNativePath(const std::string& native) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(native.c_str(), nullptr),
                                                               &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

AnsiText realPath(const AnsiText& path) {
    const std::optional<std::string> native = nativePath(path);
    if (path.empty() || !native)
        return {};
    const std::optional<std::string> resolved = realNativePath(*native);
    return resolved ? ansiPath(*resolved).value_or(AnsiText()) : AnsiText();
}

bool mayBeSameFile(const AnsiText& a, const AnsiText& b) {
    const std::optional<std::string> first = nativePath(a);
    const std::optional<std::string> second = nativePath(b);
    struct stat firstInfo {};
    struct stat secondInfo {};
    if (!first || !second || ::stat(first->c_str(), &firstInfo) != 0 ||
        ::stat(second->c_str(), &secondInfo) != 0)
        return false;
    return firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
}

AnsiText absolutePath(const AnsiText& path, const AnsiText& workingFolder) {
    const bool absolute = !path.empty() && path.front() == pathSeparator;
    std::vector<AnsiText> components =
        componentsOf(absolute ? path : workingFolder + pathSeparator + path);
    std::erase(components, AnsiText("."));
    const auto lastUp = std::find(components.rbegin(), components.rend(), AnsiText(".."));
    if (lastUp != components.rend()) {
        const auto upTo = static_cast<size_t>(components.rend() - lastUp);
        AnsiText resolved = realPath(joined(components, 0, upTo));
        if (!resolved.empty()) {
            if (resolved == AnsiText(1, pathSeparator))
                resolved.clear();
            return resolved + joined(components, upTo, components.size());
        }
    }
    const AnsiText normal = joined(components, 0, components.size());
    return normal.empty() ? AnsiText(1, pathSeparator) : normal;
}

} // namespace platform

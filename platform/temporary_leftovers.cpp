#include "platform/temporary_leftovers.h"

#include <algorithm>
#include <set>

#include <unistd.h>

#include "platform/directory_listing.h"
#include "platform/file_access.h"

namespace platform {

namespace {

// mkostemp's replacement for its XXXXXX.
constexpr std::size_t uniqueSuffixLength = 6;

bool isUniqueSuffix(std::string_view suffix) {
    return suffix.size() == uniqueSuffixLength &&
           std::all_of(suffix.begin(), suffix.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

} // namespace

bool isTemporaryFileOf(std::string_view name, std::string_view target) {
    const std::size_t fixed = 1 + target.size() + temporaryFileMarker.size();
    if (target.empty() || name.size() != fixed + uniqueSuffixLength || name.front() != '.')
        return false;
    return name.substr(1, target.size()) == target &&
           name.substr(1 + target.size(), temporaryFileMarker.size()) == temporaryFileMarker &&
           isUniqueSuffix(name.substr(fixed));
}

bool isTemporaryLeftover(std::string_view name) {
    const std::size_t tail = temporaryFileMarker.size() + uniqueSuffixLength;
    if (name.size() < 1 + tail || name.front() != '.')
        return false;
    const std::string_view marked = name.substr(name.size() - tail);
    return marked.starts_with(temporaryFileMarker) &&
           isUniqueSuffix(marked.substr(temporaryFileMarker.size()));
}

int removeTemporaryLeftovers(const AnsiText& folder, const std::vector<AnsiText>& targets) {
    DirectoryReader reader(folder);
    if (!reader.isOpen() || targets.empty())
        return 0;
    const std::set<std::string_view> wanted(targets.begin(), targets.end());
    AnsiText base = folder;
    if (!base.empty() && base.back() != pathSeparator)
        base += pathSeparator;
    int removed = 0;
    while (std::optional<DirectoryEntry> entry = reader.next()) {
        if (!entry->representable || entry->kind != EntryKind::File)
            continue;
        const std::string_view name = entry->name;
        const std::size_t marker = name.rfind(temporaryFileMarker);
        if (marker == std::string_view::npos || marker < 2)
            continue;
        const std::string_view target = name.substr(1, marker - 1);
        if (!wanted.contains(target) || !isTemporaryFileOf(name, target))
            continue;
        const std::optional<std::string> native = nativePath(base + entry->name);
        if (native && ::unlink(native->c_str()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace platform

#include "batch/folder_scan.h"

#include <string_view>
#include <utility>
#include <vector>

#include "batch/regex_matcher.h"
#include "platform/directory_listing.h"
#include "platform/file_access.h"
#include "platform/path_scan.h"
#include "platform/temporary_leftovers.h"

namespace batch {

using platform::AnsiText;

namespace {

// A byte of 0x80 or above starts a two-byte character; its second byte is never taken for an
// ASCII character. (A GB18030 four-byte character reads as two such pairs, equally safe.)
bool startsDoubleByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

AnsiText withTrailingSeparator(const AnsiText& folder) {
    const size_t last = platform::lastSeparator(folder);
    if (last != AnsiText::npos && last + 1 == folder.size())
        return folder;
    return folder + platform::pathSeparator;
}

// Only A to Z change; double-byte characters stay as they are, whatever their second byte.
AnsiText lowerAscii(std::string_view text) {
    AnsiText out(text);
    for (size_t pos = 0; pos < out.size();) {
        if (startsDoubleByte(out[pos])) {
            pos += 2;
            continue;
        }
        if (out[pos] >= 'A' && out[pos] <= 'Z')
            out[pos] = static_cast<char>(out[pos] - 'A' + 'a');
        pos += 1;
    }
    return out;
}

bool isEscapedInRegex(char c) {
    return std::string_view("\\^$+.{}[]=()\"").find(c) != std::string_view::npos;
}

// A killed run's unfinished output is never a source, nor is the backup an in-place run kept of
// an original; the display form of an unrepresentable name keeps the ASCII bytes that mark one.
bool isSourceCandidate(const platform::DirectoryEntry& entry) {
    return entry.kind == platform::EntryKind::File && !platform::isTemporaryLeftover(entry.name) &&
           !platform::isBackupName(entry.name, defaultBackupSuffix);
}

// False when the host is going away: the scan ends there.
bool pump(const PumpEvents& pumpEvents) {
    return !pumpEvents || pumpEvents();
}

bool isEnteredFolder(const platform::DirectoryEntry& entry) {
    static const AnsiText resultFolder = platform::ansi(resultFolderName);
    return entry.kind == platform::EntryKind::Folder && !entry.link && entry.name != resultFolder;
}

// Lists `folder` (a non-empty path) and, with SubFolders::Include, its tree depth first: each
// folder's files, then its sub-folders one after the other. Only names read from the folders
// are joined to the root, and none holds a separator or is "." or "..", so every path stays in
// the tree; the sub-folders are opened refusing links, so none swapped in later is followed.
template <typename Takes>
FolderScanResult walkFolder(const AnsiText& folder, SubFolders subFolders, Takes takes,
                            const PumpEvents& pumpEvents) {
    FolderScanResult result;
    const AnsiText root = withTrailingSeparator(folder);
    if (subFolders == SubFolders::Include)
        result.treeRoot = root;
    // Folders still to list, the next on top; one listing is open at a time whatever the depth.
    std::vector<AnsiText> waiting{root};
    while (!waiting.empty()) {
        const AnsiText dir = std::move(waiting.back());
        waiting.pop_back();
        platform::DirectoryReader reader(dir, dir == root ? platform::FolderLinks::Follow
                                                          : platform::FolderLinks::Refuse);
        std::vector<AnsiText> inner;
        while (auto entry = reader.next()) {
            if (isSourceCandidate(*entry) && takes(entry->name)) {
                (entry->representable ? result.files : result.unrepresentable)
                    .push_back(dir + entry->name);
            } else if (subFolders == SubFolders::Include && isEnteredFolder(*entry)) {
                if (entry->representable)
                    inner.push_back(dir + entry->name + platform::pathSeparator);
                else
                    result.unrepresentable.push_back(dir + entry->name);
            }
            if (!pump(pumpEvents)) {
                result.cutShort = true;
                return result;
            }
        }
        waiting.insert(waiting.end(), inner.rbegin(), inner.rend());
    }
    return result;
}

} // namespace

FolderScanMode folderScanMode(const AnsiText& filter) {
    const AnsiText effective = filter.empty() ? AnsiText("*") : filter;
    if (effective == "*.*" || effective == "*")
        return FolderScanMode::AllFiles;
    // "*" never occurs as the second byte of a GB18030 character, so a byte search is exact.
    if (effective.starts_with("*.") && effective.find('*', 1) == AnsiText::npos)
        return FolderScanMode::Extension;
    return FolderScanMode::Wildcard;
}

AnsiText wildcardToRegex(const AnsiText& filter) {
    AnsiText out;
    out.reserve(filter.size() * 2);
    for (size_t pos = 0; pos < filter.size();) {
        const char c = filter[pos];
        if (startsDoubleByte(c)) {
            const size_t length = pos + 1 < filter.size() ? 2 : 1;
            out.append(filter, pos, length);
            pos += length;
            continue;
        }
        if (isEscapedInRegex(c)) {
            out += '\\';
            out += c;
        } else if (c == '*') {
            out += ".*";
        } else if (c == '?') {
            out += ".?";
        } else {
            out += c;
        }
        pos += 1;
    }
    return out;
}

FolderScanResult listFolderByFilter(const AnsiText& folder, const AnsiText& filter,
                                    const PumpEvents& pumpEvents, SubFolders subFolders) {
    // An empty folder would otherwise become the file-system root.
    if (folder.empty())
        return {};
    const AnsiText effective = filter.empty() ? AnsiText("*") : filter;
    const FolderScanMode mode = folderScanMode(effective);

    AnsiText extension;
    RegexMatcher matcher;
    if (mode == FolderScanMode::Extension)
        extension = lowerAscii(std::string_view(effective).substr(1));
    else if (mode == FolderScanMode::Wildcard)
        (void)matcher.create(wildcardToRegex(effective), true, true, true);

    const auto takes = [&](const AnsiText& name) {
        switch (mode) {
        case FolderScanMode::AllFiles:
            return true;
        case FolderScanMode::Extension: {
            const AnsiText lowered = lowerAscii(name);
            const size_t n = extension.size();
            const std::string_view tail = lowered.size() > n
                                              ? std::string_view(lowered).substr(lowered.size() - n)
                                              : std::string_view(lowered);
            return tail == extension;
        }
        case FolderScanMode::Wildcard:
            return matcher.countMatches(name) != 0;
        }
        return false;
    };
    return walkFolder(folder, subFolders, takes, pumpEvents);
}

FolderScanResult listFolderByPattern(const AnsiText& folder, const AnsiText& filter,
                                     const PumpEvents& pumpEvents, SubFolders subFolders) {
    if (folder.empty())
        return {};
    const platform::WildcardPattern pattern(filter.empty() ? AnsiText("*.*") : filter);
    if (!pattern.valid())
        return {};
    return walkFolder(
        folder, subFolders, [&](const AnsiText& name) { return pattern.matches(name); },
        pumpEvents);
}

} // namespace batch

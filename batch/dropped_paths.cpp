#include "batch/dropped_paths.h"

#include <optional>

#include "batch/batch_run.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"
#include "platform/path_scan.h"
#include "platform/real_path.h"

namespace batch {

using platform::AnsiText;

namespace {

std::optional<AnsiText> absoluteAnsiPath(const std::string& native, const AnsiText& workingFolder) {
    std::optional<AnsiText> path = platform::ansiPath(native);
    if (!path || path->empty())
        return std::nullopt;
    return platform::absolutePath(*path, workingFolder);
}

} // namespace

AnsiText droppedFolderAlone(const std::vector<std::string>& nativePaths,
                            const AnsiText& workingFolder) {
    if (nativePaths.size() != 1)
        return {};
    std::optional<AnsiText> path = absoluteAnsiPath(nativePaths.front(), workingFolder);
    return path && platform::isFolder(*path) ? *path : AnsiText();
}

FolderScanResult listDroppedPaths(const std::vector<std::string>& nativePaths,
                                  const AnsiText& filter, const AnsiText& workingFolder,
                                  const PumpEvents& pumpEvents) {
    FolderScanResult list;
    for (const std::string& native : nativePaths) {
        std::optional<AnsiText> path = absoluteAnsiPath(native, workingFolder);
        if (!path) {
            if (!native.empty())
                list.unrepresentable.push_back(platform::displayName(native));
            continue;
        }
        if (!platform::isFolder(*path)) {
            list.files.push_back(std::move(*path));
            continue;
        }
        FolderScanResult scan = listFolderByFilter(*path, filter, pumpEvents);
        list.files.insert(list.files.end(), scan.files.begin(), scan.files.end());
        list.unrepresentable.insert(list.unrepresentable.end(), scan.unrepresentable.begin(),
                                    scan.unrepresentable.end());
        if (scan.cutShort) {
            list.cutShort = true;
            break;
        }
    }
    return list;
}

bool startDroppedBatch(const ButtonWindow& window, BatchSession& session,
                       const std::vector<std::string>& nativePaths) {
    if (session.handlerActive())
        return false;
    const AnsiText workingFolder = platform::currentFolder();
    const AnsiText folder = droppedFolderAlone(nativePaths, workingFolder);
    const bool folderRun = !folder.empty();
    const BatchButton button = folderRun ? BatchButton::Folder : BatchButton::Files;
    // On the stack from here, so that clicks and further drops during the scan are refused.
    BatchSession::Handler handler(session, button);

    // A folder alone runs as the picker's choice would, its sub-folders included when the box
    // says so; a mix stays flat, each file's result beside it.
    const AnsiText filter = window.panel.filterText();
    FolderScanResult list =
        folderRun && window.panel.runOptions().subFolders == SubFolders::Include
            ? listFolderByFilter(folder, filter, window.pumpEvents, SubFolders::Include)
            : listDroppedPaths(nativePaths, filter, workingFolder, window.pumpEvents);
    if ((list.files.empty() && list.unrepresentable.empty()) || list.cutShort)
        return true;
    if (folderRun)
        window.panel.rememberFolder(button, folder);
    else if (!list.files.empty())
        window.panel.rememberFolder(button, platform::directoryOfPath(list.files.front()));
    runFromButton(window, session, handler, button, list);
    return true;
}

} // namespace batch

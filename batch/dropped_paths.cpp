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

bool startDroppedBatch(BatchHost& host, BatchSession& session,
                       const std::vector<std::string>& nativePaths) {
    if (session.handlerActive())
        return false;
    const AnsiText workingFolder = platform::currentFolder();
    const AnsiText folder = droppedFolderAlone(nativePaths, workingFolder);
    const bool folderRun = !folder.empty();
    const std::string_view button = folderRun ? control::folderButton : control::fileButton;
    const std::string_view otherButton = folderRun ? control::fileButton : control::folderButton;
    const ButtonCaptions& captions = folderRun ? folderButtonCaptions : fileButtonCaptions;
    // On the stack from here, so that clicks and further drops during the scan are refused.
    BatchSession::Handler handler(session, button);

    const PumpEvents pump = [&host] { return host.pumpEvents(); };
    // A folder alone runs as the picker's choice would, its sub-folders included when the box
    // says so; a mix stays flat, each file's result beside it.
    FolderScanResult list =
        folderRun && host.selected(control::subFoldersBox)
            ? listFolderByFilter(folder, host.text(control::filterEdit), pump, SubFolders::Include)
            : listDroppedPaths(nativePaths, host.text(control::filterEdit), workingFolder, pump);
    if ((list.files.empty() && list.unrepresentable.empty()) || list.cutShort)
        return true;
    if (folderRun)
        host.setTag(button, folder);
    else if (!list.files.empty())
        host.setTag(button, platform::directoryOfPath(list.files.front()));
    runFromButton(host, session, handler, button, otherButton, captions, list);
    return true;
}

} // namespace batch

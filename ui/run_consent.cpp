#include "ui/run_consent.h"

#include <algorithm>
#include <optional>

#include "platform/directory_listing.h"
#include "platform/file_system.h"
#include "platform/path_scan.h"
#include "platform/real_path.h"

namespace ui {

namespace {

// Enough names to recognise a double-clicked file or a small drop, few enough for a box.
constexpr std::size_t namesShown = 5;

AnsiText choiceOrNone(const AnsiText& caption) {
    return caption.empty() ? platform::ansi("（未选）") : caption;
}

} // namespace

std::vector<HandedItem> handedItems(const std::vector<std::string>& nativePaths,
                                    const AnsiText& workingFolder) {
    std::vector<HandedItem> items;
    for (const std::string& native : nativePaths) {
        if (native.empty())
            continue;
        const std::optional<AnsiText> path = platform::ansiPath(native);
        if (!path || path->empty()) {
            items.push_back({platform::fileNameOfPath(platform::displayName(native)), false});
            continue;
        }
        AnsiText absolute = platform::absolutePath(*path, workingFolder);
        while (absolute.size() > 1 && absolute.back() == platform::pathSeparator)
            absolute.pop_back();
        AnsiText name = platform::fileNameOfPath(absolute);
        items.push_back({name.empty() ? absolute : name, platform::isFolder(absolute)});
    }
    return items;
}

AnsiText consentQuestion(const std::vector<HandedItem>& items, const RunChoices& choices) {
    const auto folders = static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [](const HandedItem& i) { return i.folder; }));
    const std::size_t files = items.size() - folders;
    const AnsiText fileCount = std::to_string(files) + platform::ansi(" 个文件");
    const AnsiText folderCount = std::to_string(folders) + platform::ansi(" 个文件夹里的文件");
    AnsiText text = platform::ansi("要用下面的选择转换这 ");
    if (folders == 0)
        text += fileCount;
    else if (files == 0)
        text += folderCount;
    else
        text += fileCount + platform::ansi("和 ") + folderCount;
    text += platform::ansi("吗？\n");
    for (std::size_t i = 0; i < items.size() && i < namesShown; ++i) {
        text += "    " + items[i].name;
        if (items[i].folder)
            text += platform::pathSeparator;
        text += "\n";
    }
    if (items.size() > namesShown)
        text += platform::ansi("    …… 另有 ") + std::to_string(items.size() - namesShown) +
                platform::ansi(" 项\n");
    text += "\n" + platform::ansi("输入编码：") + choiceOrNone(choices.input) + "\n" +
            platform::ansi("输出编码：") + choiceOrNone(choices.output) + "\n" +
            platform::ansi("繁简互转：") + choiceOrNone(choices.script);
    if (folders > 0)
        text += "\n" + platform::ansi("文件过滤：") + choices.filter;
    text += "\n\n" + resultsPlaceText(choices.place, choices.outputFolder);
    return text;
}

AnsiText resultsPlaceText(batch::OutputPlace place, const AnsiText& outputFolder) {
    switch (place) {
    case batch::OutputPlace::BesideSources:
        break;
    case batch::OutputPlace::ChosenFolder:
        return platform::ansi("结果写入文件夹“") + outputFolder + platform::ansi("”，原文件不变。");
    case batch::OutputPlace::ReplaceSources:
        return platform::ansi("结果替换原文件（只替换能完整转换的文件），原文件备份为“文件名") +
               batch::backupSuffix + platform::ansi("”。");
    }
    return platform::ansi("结果写入“转换结果”文件夹，原文件不变。");
}

} // namespace ui

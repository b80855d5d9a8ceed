#include "batch/headless_host.h"

#include "batch/batch_run.h"

#include <array>

namespace batch {

using engine::ScriptMode;
using engine::TextEncoding;

namespace {

constexpr std::array<std::string_view, 5> inputRadios{control::inputAuto, control::inputAnsi,
                                                      control::inputUtf8, control::inputUtf16LE,
                                                      control::inputUtf16BE};
constexpr std::array<std::string_view, 5> outputRadios{control::outputAuto, control::outputAnsi,
                                                       control::outputUtf8, control::outputUtf16LE,
                                                       control::outputUtf16BE};
// In ScriptMode order.
constexpr std::array<std::string_view, 7> scriptRadios{control::scriptNone,
                                                       control::scriptSimplifiedToTraditional,
                                                       control::scriptTraditionalToSimplified,
                                                       control::scriptSimplifiedToBig5,
                                                       control::scriptTraditionalToBig5,
                                                       control::scriptBig5ToSimplified,
                                                       control::scriptBig5ToTraditional};

template <typename T> T valueOr(const auto& map, std::string_view key, T fallback) {
    auto found = map.find(key);
    return found == map.end() ? fallback : found->second;
}

} // namespace

HeadlessHost::HeadlessHost() {
    captions[std::string(control::fileButton)] = fileButtonCaptions().idle;
    captions[std::string(control::folderButton)] = folderButtonCaptions().idle;
    texts[std::string(control::filterEdit)] = "*.*";
    chooseInput(TextEncoding::Auto);
    chooseOutput(TextEncoding::Auto);
    chooseScript(ScriptMode::None);
}

AnsiText HeadlessHost::caption(std::string_view name) {
    return valueOr(captions, name, AnsiText());
}
void HeadlessHost::setCaption(std::string_view name, const AnsiText& value) {
    captions[std::string(name)] = value;
}
AnsiText HeadlessHost::tag(std::string_view name) {
    return valueOr(tags, name, AnsiText());
}
void HeadlessHost::setTag(std::string_view name, const AnsiText& value) {
    tags[std::string(name)] = value;
}
AnsiText HeadlessHost::text(std::string_view name) {
    return valueOr(texts, name, AnsiText());
}
void HeadlessHost::setText(std::string_view name, const AnsiText& value) {
    texts[std::string(name)] = value;
}
bool HeadlessHost::selected(std::string_view name) {
    return selectedRadios.contains(name);
}
void HeadlessHost::setDisabled(std::string_view name, bool value) {
    disabled[std::string(name)] = value;
}
void HeadlessHost::setMaximum(std::string_view name, int value) {
    maximum[std::string(name)] = value;
}
void HeadlessHost::setPosition(std::string_view name, int value) {
    position[std::string(name)] = value;
}

bool HeadlessHost::pumpEvents() {
    ++pumpCount;
    return onPump ? onPump() : true;
}

std::vector<AnsiText> HeadlessHost::chooseFiles(const AnsiText& title, const AnsiText&,
                                                const AnsiText& initialFolder) {
    lastDialogTitle = title;
    lastDialogFolder = initialFolder;
    return filesToChoose;
}

AnsiText HeadlessHost::pickFolder(const AnsiText& initialFolder, const AnsiText& title) {
    lastDialogTitle = title;
    lastDialogFolder = initialFolder;
    return folderToPick;
}

platform::MessageAnswer HeadlessHost::showMessage(const AnsiText& message, int, const AnsiText&) {
    messagesShown.push_back(message);
    return messageAnswer;
}

void HeadlessHost::openFolder(const AnsiText& folder) {
    foldersOpened.push_back(folder);
}

void HeadlessHost::selectOne(std::span<const std::string_view> group, size_t index) {
    for (std::string_view radio : group)
        selectedRadios.erase(std::string(radio));
    selectedRadios.insert(std::string(group[index < group.size() ? index : 0]));
}

void HeadlessHost::chooseInput(TextEncoding encoding) {
    selectOne(inputRadios, static_cast<size_t>(encoding));
}

void HeadlessHost::chooseOutput(TextEncoding encoding) {
    selectOne(outputRadios, static_cast<size_t>(encoding));
}

void HeadlessHost::chooseScript(ScriptMode mode) {
    selectOne(scriptRadios, static_cast<size_t>(mode));
}

} // namespace batch

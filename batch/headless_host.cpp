#include "batch/headless_host.h"

#include "batch/batch_run.h"

namespace batch {

namespace {

template <typename T>
T valueOr(const std::map<std::pair<std::string, ControlAttribute>, T>& map,
          const std::pair<std::string, ControlAttribute>& key, T fallback) {
    auto found = map.find(key);
    return found == map.end() ? fallback : found->second;
}

} // namespace

HeadlessHost::HeadlessHost() {
    setCaption(control::fileButton, platform::ansi(fileButtonCaptions.idle));
    setCaption(control::folderButton, platform::ansi(folderButtonCaptions.idle));
    setText(control::filterEdit, "*.*");
    for (const Choice& choice : choiceTable)
        if (isDefaultChoice(choice))
            choose(choice.group, choice.value);
}

AnsiText HeadlessHost::textAttribute(std::string_view control, ControlAttribute attribute) {
    return valueOr(texts, key(control, attribute), AnsiText());
}
void HeadlessHost::setTextAttribute(std::string_view control, ControlAttribute attribute,
                                    const AnsiText& value) {
    texts[key(control, attribute)] = value;
}
bool HeadlessHost::flagAttribute(std::string_view control, ControlAttribute attribute) {
    return valueOr(flags, key(control, attribute), false);
}
void HeadlessHost::setFlagAttribute(std::string_view control, ControlAttribute attribute,
                                    bool value) {
    if (attribute == ControlAttribute::Selected && value)
        for (const Choice& choice : choiceTable)
            if (choice.control == control)
                for (const Choice& other : choiceTable)
                    if (other.group == choice.group)
                        flags[key(other.control, attribute)] = false;
    flags[key(control, attribute)] = value;
}
int HeadlessHost::numberAttribute(std::string_view control, ControlAttribute attribute) {
    return valueOr(numbers, key(control, attribute), 0);
}
void HeadlessHost::setNumberAttribute(std::string_view control, ControlAttribute attribute,
                                      int value) {
    numbers[key(control, attribute)] = value;
    if (attribute == ControlAttribute::Position)
        numbers[key(control, ControlAttribute::PositionPermille)] = 0;
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

platform::MessageAnswer HeadlessHost::showMessage(const AnsiText& message, int, const AnsiText&,
                                                  const AnsiText& details) {
    messagesShown.push_back(message);
    detailsShown.push_back(details);
    return messageAnswer;
}

bool HeadlessHost::openFolder(const AnsiText& folder) {
    foldersOpened.push_back(folder);
    return folderOpens;
}

void HeadlessHost::choose(ChoiceGroup group, int value) {
    const Choice* choice = findChoice(group, value);
    setSelected((choice ? *choice : defaultChoice(group)).control, true);
}

} // namespace batch

// A host for batch runs without a screen: control attributes kept in memory, dialogs answered
// from preset values. The command-line converter builds on it, and so do the tests.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "batch/batch_host.h"
#include "batch/choices.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace batch {

class HeadlessHost : public BatchHost {
public:
    // Starts like the window: idle captions, "*.*" in the filter box, the first radio of each
    // group selected.
    HeadlessHost();

    AnsiText textAttribute(std::string_view control, ControlAttribute attribute) override;
    void setTextAttribute(std::string_view control, ControlAttribute attribute,
                          const AnsiText& value) override;
    bool flagAttribute(std::string_view control, ControlAttribute attribute) override;
    void setFlagAttribute(std::string_view control, ControlAttribute attribute,
                          bool value) override;
    int numberAttribute(std::string_view control, ControlAttribute attribute) override;
    void setNumberAttribute(std::string_view control, ControlAttribute attribute,
                            int value) override;
    bool pumpEvents() override;
    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                      const AnsiText& initialFolder) override;
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override;
    platform::MessageAnswer showMessage(const AnsiText& text, int style, const AnsiText& title,
                                        const AnsiText& details = {}) override;
    bool openFolder(const AnsiText& folder) override;

    // Selects the radio of the group that stands for the choice (the group's first when the
    // group offers no such choice).
    void choose(ChoiceGroup group, int value);
    void chooseInput(engine::TextEncoding encoding) { choose(ChoiceGroup::Input, int(encoding)); }
    void chooseOutput(engine::TextEncoding encoding) { choose(ChoiceGroup::Output, int(encoding)); }
    void chooseScript(engine::ScriptMode mode) { choose(ChoiceGroup::Script, int(mode)); }

    // What the dialogs answer, and what they were asked.
    std::vector<AnsiText> filesToChoose;
    AnsiText folderToPick;
    platform::MessageAnswer messageAnswer = platform::MessageAnswer::No;
    std::vector<AnsiText> messagesShown;
    std::vector<AnsiText> detailsShown; // each message's details, empty when it had none
    std::vector<AnsiText> foldersOpened;
    bool folderOpens = true; // what openFolder answers
    AnsiText lastDialogTitle;
    AnsiText lastDialogFolder;

    // Run at every pumpEvents, as a window's pending clicks would be; return false to act as a
    // window that was closed.
    std::function<bool()> onPump;
    int pumpCount = 0;

private:
    using Key = std::pair<std::string, ControlAttribute>;
    static Key key(std::string_view control, ControlAttribute attribute) {
        return {std::string(control), attribute};
    }

    std::map<Key, AnsiText> texts;
    std::map<Key, bool> flags;
    std::map<Key, int> numbers;
};

} // namespace batch

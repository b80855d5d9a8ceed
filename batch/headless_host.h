// A host for batch runs without a screen: control attributes kept in memory, dialogs answered
// from preset values. The command-line converter builds on it, and so do the tests.
#pragma once

#include "batch/batch_host.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>

namespace batch {

class HeadlessHost : public BatchHost {
public:
    // Starts like the window: idle captions, "*.*" in the filter box, the first radio of each
    // group selected.
    HeadlessHost();

    AnsiText caption(std::string_view control) override;
    void setCaption(std::string_view control, const AnsiText& caption) override;
    AnsiText tag(std::string_view control) override;
    void setTag(std::string_view control, const AnsiText& tag) override;
    AnsiText text(std::string_view control) override;
    bool selected(std::string_view control) override;
    void setDisabled(std::string_view control, bool disabled) override;
    void setMaximum(std::string_view control, int maximum) override;
    void setPosition(std::string_view control, int position) override;
    bool pumpEvents() override;
    std::vector<AnsiText> chooseFiles(const AnsiText& title, const AnsiText& filter,
                                      const AnsiText& initialFolder) override;
    AnsiText pickFolder(const AnsiText& initialFolder, const AnsiText& title) override;
    platform::MessageAnswer showMessage(const AnsiText& text, int style,
                                        const AnsiText& title) override;
    void openFolder(const AnsiText& folder) override;

    // Selects the radio of each group that stands for the choice.
    void chooseInput(engine::TextEncoding encoding);
    void chooseOutput(engine::TextEncoding encoding);
    void chooseScript(engine::ScriptMode mode);
    void setText(std::string_view control, const AnsiText& text);

    // What the dialogs answer, and what they were asked.
    std::vector<AnsiText> filesToChoose;
    AnsiText folderToPick;
    platform::MessageAnswer messageAnswer = platform::MessageAnswer::No;
    std::vector<AnsiText> messagesShown;
    std::vector<AnsiText> foldersOpened;
    AnsiText lastDialogTitle;
    AnsiText lastDialogFolder;

    // Run at every pumpEvents, as a window's pending clicks would be; return false to act as a
    // window that was closed.
    std::function<bool()> onPump;
    int pumpCount = 0;

    std::map<std::string, bool, std::less<>> disabled;
    std::map<std::string, int, std::less<>> maximum;
    std::map<std::string, int, std::less<>> position;

private:
    // Selects group[index] (the first when out of range) and clears the rest of the group.
    void selectOne(std::span<const std::string_view> group, size_t index);

    std::map<std::string, AnsiText, std::less<>> captions;
    std::map<std::string, AnsiText, std::less<>> tags;
    std::map<std::string, AnsiText, std::less<>> texts;
    std::set<std::string, std::less<>> selectedRadios;
};

} // namespace batch

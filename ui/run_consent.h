// Files handed to the window from outside (its command line, a drop) run only after the user
// agrees: the question says how many, names the first few and shows the choices the run would
// take, so that a double-click on a text file never converts it behind the user's back.
#pragma once

#include <string>
#include <vector>

#include "batch/output_choices.h"
#include "platform/ansi_text.h"

namespace ui {

using platform::AnsiText;

// One handed path as the question names it: its last name, and whether it is a folder.
struct HandedItem {
    AnsiText name;
    bool folder = false;
};

// The handed paths (the file system's bytes, relative ones taken against `workingFolder`) in
// the order handed. A name the program cannot hold is shown readably, never opened.
std::vector<HandedItem> handedItems(const std::vector<std::string>& nativePaths,
                                    const AnsiText& workingFolder);

// The captions of the selected choices (empty when a group has none selected) and where the
// results go.
struct RunChoices {
    AnsiText input;
    AnsiText output;
    AnsiText script;
    AnsiText filter; // named only when a folder is handed: it picks the folder's files
    batch::OutputPlace place = batch::OutputPlace::BesideSources;
    AnsiText outputFolder; // with ChosenFolder
};

// How many files the run would take: the number of files handed and of folders whose files
// it would take, the first few names, the choices, and where the results go.
AnsiText consentQuestion(const std::vector<HandedItem>& items, const RunChoices& choices);

// Where a run's results go, as one sentence: the 转换结果 folder beside the sources, the chosen
// folder, or the sources themselves with their backups.
AnsiText resultsPlaceText(batch::OutputPlace place, const AnsiText& outputFolder);

} // namespace ui

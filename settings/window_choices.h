// The window's persisted choices as values: the settings load them into the window and save them
// from it, and the window maps them to its controls.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>

#include "batch/choices.h"
#include "batch/output_choices.h"
#include "platform/ansi_text.h"

namespace settings {

struct WindowChoices {
    // Each choice's radio, in the choice table's order: selected or not.
    std::array<bool, std::size(batch::choiceTable)> radios{};
    // Each option's check box, in the option table's order.
    std::array<bool, std::size(batch::optionTable)> switches{};
    platform::AnsiText filesFolder;  // the folder the file button's dialog opens in
    platform::AnsiText folderFolder; // the folder the folder button's picker starts from
    platform::AnsiText filter;       // the filter box's text
    batch::OutputChoices output;     // the output options dialog's choices

    // Sets one radio as the window's radios allow: selecting one clears the rest of its group;
    // clearing the selected one leaves the group with none selected.
    void setRadio(std::size_t row, bool selected) {
        if (selected)
            for (std::size_t i = 0; i < radios.size(); ++i)
                if (batch::choiceTable[i].group == batch::choiceTable[row].group)
                    radios[i] = false;
        radios[row] = selected;
    }
};

} // namespace settings

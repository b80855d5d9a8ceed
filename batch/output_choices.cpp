#include "batch/output_choices.h"

namespace batch {

void applyOutputChoices(const OutputChoices& choices, RunOptions& options) {
    options.write = choices.write;
    options.outputFolder.clear();
    options.inPlace = false;
    options.backupSuffix.reset();
    switch (choices.place) {
    case OutputPlace::BesideSources:
        break;
    case OutputPlace::ChosenFolder:
        options.outputFolder = choices.folder;
        break;
    case OutputPlace::ReplaceSources:
        options.inPlace = true;
        options.backupSuffix = AnsiText(backupSuffix);
        break;
    }
}

} // namespace batch

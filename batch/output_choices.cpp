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
        // 写入 BOM left on is the classic choice, not a wish for a mark: a replaced file keeps
        // the mark it had or lacked.
        options.write.markAsSource = choices.write.byteOrderMark;
        break;
    }
}

} // namespace batch

// How and where the window's runs write their results: the output options dialog edits these,
// the settings keep them, and they set the same run options as the command line's --no-bom,
// --eol, --output-dir and --in-place.
#pragma once

#include "batch/run_options.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"

namespace batch {

enum class OutputPlace {
    BesideSources,  // a 转换结果 folder beside the sources (the classic place)
    ChosenFolder,   // every result in one folder the user chose
    ReplaceSources, // each source replaced by its complete conversion, the original kept as backup
};

// The suffix a replaced source's original is kept under, as the command line's --backup has it.
inline constexpr const char* backupSuffix = "~";
static_assert(std::string_view(backupSuffix) == defaultBackupSuffix);

struct OutputChoices {
    engine::WriteOptions write; // the mark and the line ends
    OutputPlace place = OutputPlace::BesideSources;
    AnsiText folder; // absolute; used with ChosenFolder only

    bool operator==(const OutputChoices& other) const {
        return write.byteOrderMark == other.write.byteOrderMark &&
               write.lineEnding == other.write.lineEnding && place == other.place &&
               folder == other.folder;
    }
};

// Sets the run's mark, line ends and output place from `choices`.
void applyOutputChoices(const OutputChoices& choices, RunOptions& options);

} // namespace batch

// The choices a run is made with, built once by each front end: the window from its controls,
// the command line from its arguments.
#pragma once

#include <functional>
#include <optional>

#include "batch/folder_scan.h"
#include "engine/single_file_conversion.h"
#include "engine/text_encoding.h"
#include "engine/write_options.h"
#include "platform/ansi_text.h"

namespace batch {

using platform::AnsiText;

// The script step of the next file to start. Asked as each file starts, so that a change of the
// choice during a run applies from the next file started on (with several workers, files start
// ahead of the one the progress shows).
using ScriptChoice = std::function<engine::ScriptStep()>;

// The script conversion of `mode` for every file.
ScriptChoice fixedScript(engine::ScriptMode mode);
// The script conversion of whatever `mode` answers when a file starts.
ScriptChoice scriptReadPerFile(std::function<engine::ScriptMode()> mode);

struct RunOptions {
    engine::TextEncoding input = engine::TextEncoding::Auto;
    // Auto writes each file in the encoding detected for it.
    engine::TextEncoding output = engine::TextEncoding::Auto;
    ScriptChoice script; // empty: no script conversion
    engine::DetectionRule detection = engine::DetectionRule::Classic;
    // Whether a folder's scan takes its sub-folders too.
    SubFolders subFolders = SubFolders::Skip;
    int jobs = 0; // files converted at once; below 1, one per core
    // The script step of the file starting now; empty when there is none.
    engine::ScriptStep scriptForNextFile() const {
        return script ? script() : engine::ScriptStep();
    }

    // A stopped run counts the files it never reached as failed (the command line's accounting;
    // the window's report names only what was tried).
    bool unreachedFilesFail = false;
    // The output's mark and line ends.
    engine::WriteOptions write;
    // An absolute folder every output goes into, made with its parents; a tree's outputs keep
    // their places below it. An output that would be its own source fails instead.
    AnsiText outputFolder; // empty: 转换结果 beside each source (or in a tree's root)
    // Each source replaced by its conversion, only when that is complete; no result folder.
    bool inPlace = false;
    std::optional<AnsiText> backupSuffix; // with inPlace: keep the original as source + suffix
};

} // namespace batch

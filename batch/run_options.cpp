#include "batch/run_options.h"

#include <utility>

namespace batch {

ScriptChoice fixedScript(engine::ScriptMode mode) {
    return [mode] { return engine::scriptStepOf(mode); };
}

ScriptChoice scriptReadPerFile(std::function<engine::ScriptMode()> mode) {
    return [mode = std::move(mode)] { return engine::scriptStepOf(mode()); };
}

} // namespace batch

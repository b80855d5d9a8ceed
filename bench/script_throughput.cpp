// Whole-process throughput of the script conversion: reads a GB18030/GBK text, converts it once
// and writes the result, so /usr/bin/time shows the time and peak memory of one file's mapping.
//
//     script-throughput INPUT [OUTPUT] [MODE]     MODE: s2t (default), t2s, s2big5, ...

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/script_conversion.h"
#include "read_whole.h"

namespace {

bool modeFromName(std::string_view name, engine::ScriptMode& mode) {
    for (int value = 0; value <= static_cast<int>(engine::ScriptMode::Big5ToTraditional); ++value) {
        if (engine::scriptModeName(static_cast<engine::ScriptMode>(value)) == name) {
            mode = static_cast<engine::ScriptMode>(value);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    engine::ScriptMode mode = engine::ScriptMode::SimplifiedToTraditional;
    if (argc < 2 || argc > 4 || (argc == 4 && !modeFromName(argv[3], mode))) {
        std::fprintf(stderr, "usage: script-throughput INPUT [OUTPUT] [none|s2t|t2s|s2big5|"
                             "t2big5|big52s|big52t]\n");
        return 2;
    }
    std::string text;
    if (!readWhole(argv[1], text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    engine::ScriptResult result = engine::convertScript(mode, text);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(result.text.data(), static_cast<std::streamsize>(result.text.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 2;
        }
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("%s: %.1f MB in %.2f s, %.2f MB/s%s%s\n",
                std::string(engine::scriptModeName(mode)).c_str(), megabytes, seconds,
                seconds > 0 ? megabytes / seconds : 0.0,
                result.problem == engine::problems::ScriptUnavailable ? ", failed" : "",
                result.problem == engine::problems::LossyScript ? ", lossy" : "");
    engine::releaseScriptConverters();
    return result.ok() ? 0 : 1;
}

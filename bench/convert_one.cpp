// convert-one: reads, decodes, encodes and writes one file exactly as a batch run does for each
// of its files, so that the engine's time and memory can be measured on large sources.
//
//     convert-one --in auto|ansi|utf8|utf16le|utf16be --out ... [--script s2t|t2s|...]
//                 [--workers N] SOURCE DEST_FOLDER
//
// With --workers N above 1 a large file is converted in pieces on N workers.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/script_conversion.h"
#include "engine/single_file_conversion.h"
#include "platform/ansi_text.h"
#include "platform/worker_pool.h"

namespace {

std::optional<engine::TextEncoding> encodingNamed(std::string_view name) {
    using engine::TextEncoding;
    for (TextEncoding encoding : {TextEncoding::Auto, TextEncoding::Ansi, TextEncoding::Utf8,
                                  TextEncoding::Utf16LE, TextEncoding::Utf16BE})
        if (engine::encodingName(encoding) == name)
            return encoding;
    return std::nullopt;
}

std::optional<engine::ScriptMode> scriptModeNamed(std::string_view name) {
    for (int value = 0; value <= static_cast<int>(engine::ScriptMode::Big5ToTraditional); ++value)
        if (engine::scriptModeName(static_cast<engine::ScriptMode>(value)) == name)
            return static_cast<engine::ScriptMode>(value);
    return std::nullopt;
}

int usage() {
    std::fputs("usage: convert-one --in auto|ansi|utf8|utf16le|utf16be --out ENC [--script MODE] "
               "[--workers N] SOURCE DEST_FOLDER\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<engine::TextEncoding> input = engine::TextEncoding::Auto;
    std::optional<engine::TextEncoding> output = engine::TextEncoding::Auto;
    std::optional<engine::ScriptMode> mode = engine::ScriptMode::None;
    int workers = 1;
    std::string paths[2];
    int pathCount = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if ((argument == "--in" || argument == "--out") && i + 1 < argc) {
            (argument == "--in" ? input : output) = encodingNamed(argv[++i]);
            if (!input || !output)
                return usage();
        } else if (argument == "--script" && i + 1 < argc) {
            mode = scriptModeNamed(argv[++i]);
            if (!mode)
                return usage();
        } else if (argument == "--workers" && i + 1 < argc) {
            workers = std::atoi(argv[++i]);
        } else if (pathCount < 2 && !argument.starts_with("--")) {
            paths[pathCount++] = argv[i];
        } else {
            return usage();
        }
    }
    if (pathCount != 2)
        return usage();
    const std::optional<platform::AnsiText> source = platform::ansiPath(paths[0]);
    const std::optional<platform::AnsiText> folder = platform::ansiPath(paths[1]);
    if (!source || !folder) {
        std::fputs("convert-one: paths must be valid UTF-8\n", stderr);
        return 2;
    }

    std::optional<platform::WorkerPool> pool;
    engine::WorkControl control;
    if (workers > 1)
        control.pool = &pool.emplace(workers);
    const engine::ScriptStep script = engine::scriptStepOf(*mode);

    const auto started = std::chrono::steady_clock::now();
    const engine::FileConversion result = engine::convertFile(
        *source, *input, *output, *folder, script, engine::DetectionRule::Classic, control);
    const auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started);

    std::printf("detected %s, written %s, %s, %.1f ms\n",
                std::string(engine::encodingName(result.detected)).c_str(),
                std::string(engine::encodingName(result.written)).c_str(),
                result.status.ok()
                    ? "ok"
                    : ("failed: " + platform::describeProblemInEnglish(
                                        result.status, engine::encodingName(result.detected)))
                          .c_str(),
                elapsed.count());
    return result.status.ok() ? 0 : 1;
}

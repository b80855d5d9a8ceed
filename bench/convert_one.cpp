// convert-one: reads, decodes, encodes and writes one file exactly as a batch run does for each
// of its files, so that the engine's time and memory can be measured on large sources.
//
//     convert-one --in auto|ansi|utf8|utf16le|utf16be --out ... SOURCE DEST_FOLDER

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "engine/single_file_conversion.h"
#include "platform/ansi_text.h"

namespace {

std::optional<engine::TextEncoding> encodingNamed(std::string_view name) {
    using engine::TextEncoding;
    for (TextEncoding encoding : {TextEncoding::Auto, TextEncoding::Ansi, TextEncoding::Utf8,
                                  TextEncoding::Utf16LE, TextEncoding::Utf16BE})
        if (engine::encodingName(encoding) == name)
            return encoding;
    return std::nullopt;
}

int usage() {
    std::fputs("usage: convert-one --in auto|ansi|utf8|utf16le|utf16be --out ENC SOURCE "
               "DEST_FOLDER\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<engine::TextEncoding> input = engine::TextEncoding::Auto;
    std::optional<engine::TextEncoding> output = engine::TextEncoding::Auto;
    std::string paths[2];
    int pathCount = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if ((argument == "--in" || argument == "--out") && i + 1 < argc) {
            (argument == "--in" ? input : output) = encodingNamed(argv[++i]);
            if (!input || !output)
                return usage();
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

    const auto started = std::chrono::steady_clock::now();
    engine::TextEncoding detected = engine::TextEncoding::Auto;
    const engine::FileConversion result =
        engine::convertFile(*source, *input, *output, *folder, detected);
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

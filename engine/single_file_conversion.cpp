#include "engine/single_file_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/charset_declaration.h"
#include "engine/code_page_conversion.h"
#include "engine/system_fallbacks.h"
#include "platform/file_access.h"
#include "platform/path_scan.h"

namespace engine {

namespace {

constexpr std::size_t smallestChunk = 4096;
constexpr std::size_t largestChunk = std::size_t{1} << 20;

// Streams the output into the replacing file through one reused buffer, so a large output is
// never held in memory as a whole. The buffer is sized to the expected output, so a run over
// many small files does not prepare a large buffer for each, and it gathers the byte-order mark
// with the text, so a small file goes out in one write. A write that fails shows in the next
// call and in commit().
class FileSink final : public ByteSink {
public:
    FileSink(const AnsiText& path, std::size_t expectedSize)
        : file(path), chunk(std::clamp(expectedSize, smallestChunk, largestChunk)) {}
    const FileStatus& status() const { return file.status(); }
    FileStatus commit() {
        if (!flush())
            return file.status();
        return file.commit();
    }

    std::span<char> room(std::size_t atLeast) override {
        // A buffer more than half full goes out first, so the converter gets a long stretch.
        if (pending > 0 && chunk - pending < std::max(atLeast, chunk / 2))
            (void)flush();
        if (!buffer || chunk - pending < atLeast) {
            chunk = std::max(chunk, atLeast);
            buffer.reset(new char[chunk]);
            pending = 0;
        }
        return {buffer.get() + pending, chunk - pending};
    }
    bool wrote(std::size_t count) override {
        pending += count;
        return file.status().ok();
    }
    bool append(std::string_view bytes) override {
        if (!buffer)
            buffer.reset(new char[chunk]);
        if (bytes.size() <= chunk - pending) {
            std::memcpy(buffer.get() + pending, bytes.data(), bytes.size());
            pending += bytes.size();
            return file.status().ok();
        }
        if (!flush() || !file.write(bytes))
            return false;
        written += bytes.size();
        return true;
    }
    bool truncate(std::size_t length) override {
        if (length >= written) {
            pending = std::min(pending, length - written);
            return file.status().ok();
        }
        pending = 0;
        if (!file.truncate(length))
            return false;
        written = length;
        return true;
    }
    std::size_t size() const override { return written + pending; }

private:
    bool flush() {
        if (pending == 0)
            return file.status().ok();
        const bool ok = file.write({buffer.get(), pending});
        written += pending;
        pending = 0;
        return ok;
    }

    platform::ReplacingFile file;
    std::size_t chunk;
    std::unique_ptr<char[]> buffer;
    std::size_t pending = 0; // bytes in the buffer, not yet written
    std::size_t written = 0; // bytes handed to the file
};

} // namespace

DecodedFile decodeSourceFile(const AnsiText& path, TextEncoding input, DetectionRule rule,
                             const WorkControl& control) {
    platform::FileContent content = platform::readWholeFile(path);
    if (!content.status.ok())
        return {AnsiText(), TextEncoding::Auto, content.status};
    const DetectedEncoding found = detectSourceEncoding(content.bytes, input, rule);
    DecodedText decoded = decodeContent(std::move(content.bytes), found.contentStart,
                                        found.encoding, control, found.utf8Trial);
    if (decoded.abandoned)
        return {AnsiText(), TextEncoding::Auto, {engine::problems::Abandoned}};
    control.reachPart(1, 1);
    // A cut text lost more than a "?" for a character does.
    FileStatus status{decoded.lossy ? engine::problems::LossyDecode : FileProblem::None};
    if (decoded.zeroCut)
        status = {.problem = engine::problems::ZeroByteCut, .offset = *decoded.zeroCut};
    return {std::move(decoded.text), decoded.encoding, status};
}

FileStatus encodeAndWriteFile(const AnsiText& outputPath, std::string_view text,
                              TextEncoding encoding, const WorkControl& control) {
    // UTF-16 doubles ASCII text; the mark adds a few bytes.
    FileSink sink(outputPath, 2 * text.size() + 16);
    if (!sink.status().ok())
        return sink.status();
    const FileProblem textProblem = encodeTextInto(text, encoding, sink, control);
    // The sink's temporary file goes with it when it is not committed.
    if (textProblem == engine::problems::Abandoned || control.abandoned())
        return {engine::problems::Abandoned};
    const FileStatus status = sink.commit();
    if (!status.ok())
        return status;
    return {textProblem};
}

ScriptStepOutcome convertScriptInPlace(ScriptMode mode, AnsiText& text, TextEncoding decodedFrom,
                                       const WorkControl& control) {
    mode = scriptModeForSource(mode, decodedFrom);
    if (mode == ScriptMode::None)
        return {};
    ScriptResult converted = convertScript(mode, text, control);
    text = std::move(converted.text);
    return {converted.problem, leavesBig5(mode), std::move(converted.detail)};
}

ScriptStep scriptStepOf(ScriptMode mode) {
    if (mode == ScriptMode::None)
        return {};
    return [mode](AnsiText& text, TextEncoding decodedFrom, const WorkControl& control) {
        return convertScriptInPlace(mode, text, decodedFrom, control);
    };
}

Big5Output settleBig5Output(AnsiText& text, TextEncoding target, const WorkControl& control) {
    switch (target) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        text = codePageInPieces(big5ToText, text, control).text;
        return {target, target};
    default:
        return {TextEncoding::Big5, TextEncoding::Ansi};
    }
}

FileConversion convertFile(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                           const AnsiText& outputFolder, const ScriptStep& script,
                           DetectionRule rule, const WorkControl& control) {
    FileConversion result;
    auto abandoned = [&result] {
        result.status = {engine::problems::Abandoned};
        return result;
    };
    if (control.abandoned())
        return abandoned();
    auto note = [&result](const FileStatus& status) {
        if (result.status.ok())
            result.status = status;
    };
    // The script step, when there is one, is the slowest by far.
    const int decoded = script ? 200 : 400;
    const int scripted = script ? 800 : 400;
    DecodedFile source = decodeSourceFile(sourcePath, input, rule, control.share(0, decoded));
    if (source.status.problem == engine::problems::Abandoned)
        return abandoned();
    result.detected = source.detected;
    note(source.status);
    if (platform::isSourceProblem(source.status.problem))
        return result;
    bool big5 = false;
    if (script) {
        const ScriptStepOutcome stepped =
            script(source.text, source.detected, control.share(decoded, scripted));
        if (stepped.problem == engine::problems::Abandoned)
            return abandoned();
        note({.problem = stepped.problem, .detail = stepped.detail});
        big5 = stepped.big5;
    }
    if (control.abandoned())
        return abandoned();
    AnsiText outputPath = outputFolder;
    if (!outputPath.empty() && !platform::fileNameOfPath(outputPath).empty())
        outputPath += platform::pathSeparator;
    outputPath += platform::fileNameOfPath(sourcePath);
    result.written = output == TextEncoding::Auto ? source.detected : output;
    TextEncoding encodeAs = result.written;
    if (big5) {
        const Big5Output settled =
            settleBig5Output(source.text, result.written, control.share(scripted, scripted));
        result.written = settled.written;
        encodeAs = settled.encodeAs;
    }
    rewriteCharsetDeclarations(source.text, result.written);
    const FileStatus written =
        encodeAndWriteFile(outputPath, source.text, encodeAs, control.share(scripted, 1000));
    if (written.problem == engine::problems::Abandoned)
        return abandoned();
    note(written);
    control.reachPart(1, 1);
    return result;
}

} // namespace engine

#include "engine/windowed_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/file_sink.h"
#include "engine/piece_cutting.h"
#include "platform/file_access.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

// The encodings the tables convert straight into one another, the internal text included.
bool convertsStraight(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Ansi:
    case TextEncoding::Utf8:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Big5:
    case TextEncoding::Big5Hkscs:
        return true;
    default:
        return false;
    }
}

// Enough pieces that every worker has some while the next window is read, and few enough that
// the window stays a small part of a large file's memory.
std::size_t windowSizeOf(const WorkControl& control) {
    const std::size_t workers = control.pool ? static_cast<std::size_t>(control.pool->size()) : 1;
    return pieceSizeOf(control) * std::clamp<std::size_t>(2 * workers, 4, 8);
}

// A window's memory, kept by the thread for its next large file.
char* windowMemory(std::size_t size) {
    thread_local std::unique_ptr<char[]> memory;
    thread_local std::size_t held = 0;
    if (held < size) {
        memory.reset(new char[size]);
        held = size;
    }
    return memory.get();
}

// The length of the start of `data` that ends with a whole UTF-8 character: an unfinished one
// at the end waits for the next window.
std::size_t wholeUtf8Length(std::string_view data) {
    std::size_t lead = data.size();
    while (lead > 0 && data.size() - lead < 4 &&
           (static_cast<unsigned char>(data[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return data.size();
    const auto first = static_cast<unsigned char>(data[lead - 1]);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return data.size() - (lead - 1) < length ? lead - 1 : data.size();
}

} // namespace

std::optional<FileConversion> convertInWindows(const AnsiText& sourcePath, TextEncoding input,
                                               TextEncoding output, const AnsiText& outputPath,
                                               const ScriptStep& script, DetectionRule rule,
                                               const WorkControl& control,
                                               const WriteOptions& write) {
    // The smart rule weighs the whole text; a definite choice needs only its mark.
    if (script || write.lineEnding != LineEnding::Keep || control.abandoned() ||
        (input == TextEncoding::Auto && rule != DetectionRule::Classic) ||
        (input != TextEncoding::Auto && !convertsStraight(input)) ||
        (output != TextEncoding::Auto && !convertsStraight(output)))
        return std::nullopt;
    const std::size_t window = windowSizeOf(control);
    platform::SourceFile source(sourcePath);
    if (!source.status().ok() || source.size() <= window)
        return std::nullopt;
    char* const memory = windowMemory(window);
    std::size_t held = 0;        // bytes in the window
    std::uint64_t readSoFar = 0; // bytes of the source read
    auto readMore = [&] {
        const std::int64_t got = source.read({memory + held, window - held});
        if (got < 0)
            return false;
        held += static_cast<std::size_t>(got);
        readSoFar += static_cast<std::uint64_t>(got);
        return true;
    };
    if (!readMore())
        return std::nullopt;
    const std::string_view first(memory, held);
    const DetectedEncoding found = detectSourceEncoding(first, input, rule);
    // Without a mark, a "<" may begin a declared charset, which would decide the encoding of the
    // whole (and then the first window's may be only a part of the story).
    if (input == TextEncoding::Auto && found.contentStart == 0 &&
        first.find('<') != std::string_view::npos)
        return std::nullopt;
    TextEncoding from = found.encoding;
    // ANSI text that reads as UTF-8 is UTF-8: while the first window does, the file is taken for
    // UTF-8, and a later window that does not sends it the other way.
    if (from == TextEncoding::Ansi && found.utf8Trial) {
        const std::string_view start = first.substr(0, wholeUtf8Length(first));
        if (platform::isValidUtf8(start))
            from = TextEncoding::Utf8;
    }
    const TextEncoding to = output == TextEncoding::Auto ? from : output;
    // A set that writes some pairs of characters as one code could pair them across a window.
    if (to == TextEncoding::Big5Hkscs)
        return std::nullopt;
    const PieceRule cutRule = pieceRuleOf(from);
    FileSink sink(outputPath, largestChunk);
    const std::string_view mark = write.byteOrderMark ? byteOrderMark(to) : std::string_view();
    if (!sink.status().ok() || !sink.append(mark))
        return std::nullopt;
    StoppableSink stoppable(sink, control);
    SpareOutputs spare; // for every window's pieces
    const std::uint64_t total = source.size();
    std::size_t start = std::min(found.contentStart, held);
    std::uint64_t converted = start; // source bytes converted, a skipped mark included
    auto permille = [total](std::uint64_t done) {
        return static_cast<int>(done * 1000 / std::max<std::uint64_t>(total, 1));
    };
    for (;;) {
        const bool last = readSoFar >= source.size();
        const std::string_view data(memory + start, held - start);
        std::size_t length = data.size();
        if (!last) {
            const std::vector<std::size_t> ends = pieceEnds(data, cutRule, pieceSizeOf(control));
            if (ends.size() < 2)
                return std::nullopt; // no place to cut it: read whole
            length = ends[ends.size() - 2];
        }
        const std::string_view part = data.substr(0, length);
        if (!isPlainContent(part, from))
            return std::nullopt;
        const WorkControl share =
            control.share(permille(converted), permille(converted + part.size()));
        const StraightOutcome outcome = writeStraight(part, from, to, stoppable, share, &spare);
        if (outcome == StraightOutcome::Abandoned || control.abandoned())
            return FileConversion{.status = {engine::problems::Abandoned}};
        if (outcome != StraightOutcome::Written)
            return std::nullopt;
        converted += part.size();
        if (last)
            break;
        // The unconverted end moves to the front and the window fills up behind it.
        const std::size_t rest = data.size() - length;
        std::memmove(memory, data.data() + length, rest);
        held = rest;
        start = 0;
        if (!readMore())
            return std::nullopt;
    }
    // Text of characters the internal text drops reads as none, which the other way handles.
    if (sink.size() == mark.size() || !sink.commit().ok())
        return std::nullopt;
    control.reachPart(1, 1);
    return FileConversion{.detected = from, .written = to, .status = {}};
}

} // namespace engine

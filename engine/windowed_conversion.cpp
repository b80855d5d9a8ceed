#include "engine/windowed_conversion.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/charset_declaration.h"
#include "engine/file_sink.h"
#include "engine/piece_cutting.h"
#include "platform/file_access.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

// How far past its nominal end a piece looks for the place where a character begins.
constexpr std::size_t reach = 4096;
// A piece reads from this many bytes before its nominal start: enough to tell a character
// boundary there from the bytes around it, and even, so that UTF-16 units keep their places.
constexpr std::size_t lookBack = 4;

// The length of the start of `data` that ends with a whole UTF-8 character: an unfinished one
// at the end belongs to the next piece.
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

std::optional<FileConversion>
convertInWindows(const platform::SourceFile& source, const AnsiText& sourcePath, TextEncoding input,
                 TextEncoding output, const AnsiText& outputPath, const ScriptStep& script,
                 DetectionRule rule, const WorkControl& control, const WriteOptions& write,
                 const AnsiText& backupPath) {
    // The smart rule weighs the whole text; a definite choice needs only its mark.
    if (script || write.lineEnding != LineEnding::Keep || control.abandoned() ||
        (input == TextEncoding::Auto && rule != DetectionRule::Classic) ||
        (input != TextEncoding::Auto && !convertsStraight(input)) ||
        (output != TextEncoding::Auto && !convertsStraight(output)))
        return std::nullopt;
    // Even, as the reads must start at even offsets.
    const std::size_t pieceSize = (pieceSizeOf(control) + 1) & ~std::size_t{1};
    const std::uint64_t size = source.size();
    if (!source.status().ok() || size / 4 < pieceSize)
        return std::nullopt;
    // The encoding is found from the first piece's stretch.
    std::string head(pieceSize, '\0');
    if (source.readAt(0, head) != static_cast<std::int64_t>(head.size()))
        return std::nullopt;
    const DetectedEncoding found = detectSourceEncoding(head, input, rule);
    TextEncoding from = found.encoding;
    // A "<" may begin a charset declaration, which decides the encoding of the whole and is
    // rewritten on the way. A Big5 page whose head ends within the first piece has all of them
    // there (and the start told the encoding as the whole would); its other pieces convert as
    // they are, bar a zero. Any other text with a "<" goes the other way.
    const bool big5 = from == TextEncoding::Big5 || from == TextEncoding::Big5Hkscs;
    const bool utf16 = from == TextEncoding::Utf16LE || from == TextEncoding::Utf16BE;
    const bool page = !utf16 && head.find('<') != std::string::npos;
    if (page && (!big5 || !declarationsEndWithin(head)))
        return std::nullopt;
    // ANSI text that reads as UTF-8 is UTF-8: while its start does, the file is taken for UTF-8,
    // and a later piece that does not sends it the other way.
    if (from == TextEncoding::Ansi && found.utf8Trial &&
        platform::isValidUtf8(std::string_view(head).substr(0, wholeUtf8Length(head))))
        from = TextEncoding::Utf8;
    const TextEncoding to = output == TextEncoding::Auto ? from : output;
    // A set that writes some pairs of characters as one code could pair them across a cut.
    if (to == TextEncoding::Big5Hkscs)
        return std::nullopt;
    const std::vector<DeclaredValue> values =
        page ? declarationsToRewrite(head, to) : std::vector<DeclaredValue>();
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i].start < values[i - 1].start + values[i - 1].length)
            return std::nullopt;
    const PieceRule cutRule = pieceRuleOf(from);
    const bool widens = to == TextEncoding::Utf16LE || to == TextEncoding::Utf16BE;
    FileSink sink(outputPath, largestChunk, source.permissions());
    const std::string_view mark =
        write.markFor(found.contentStart > 0) ? byteOrderMark(to) : std::string_view();
    if (!sink.status().ok() || !sink.append(mark))
        return std::nullopt;

    // Every piece reads its own stretch of the source, [nominal start - lookBack, nominal end +
    // reach), and converts from the first character boundary at or after its nominal start to
    // the first one at or after its nominal end: neighbours find the same place from the same
    // bytes. So the pieces read and convert on every worker at once; only the writing is in
    // order.
    std::vector<std::size_t> ends;
    for (std::uint64_t end = pieceSize; end < size; end += pieceSize)
        ends.push_back(static_cast<std::size_t>(end));
    ends.push_back(static_cast<std::size_t>(size));
    SpareOutputs spareInputs;
    SpareOutputs spareOutputs;
    struct Converted {
        std::unique_ptr<ReusedOutput> input;
        std::unique_ptr<ReusedOutput> output;
        bool ok = false;
    };
    auto make = [&](std::size_t start, std::size_t end) -> std::optional<Converted> {
        Converted piece{spareInputs.take(), spareOutputs.take()};
        const std::size_t first = start == 0 ? 0 : start - lookBack;
        const std::size_t last =
            end == size ? end
                        : static_cast<std::size_t>(std::min<std::uint64_t>(size, end + reach));
        piece.input->reset(last - first);
        const std::span<char> room = piece.input->room(last - first);
        const std::int64_t got = source.readAt(first, room.first(last - first));
        if (got != static_cast<std::int64_t>(last - first))
            return piece; // the file changed under the reading
        (void)piece.input->wrote(last - first);
        const std::string_view stretch = piece.input->view();
        // The end of the source ends a character too.
        auto boundary = [&](std::size_t at) -> std::optional<std::size_t> {
            const std::optional<std::size_t> place = boundaryAround(stretch, at, cutRule);
            return place || last < size ? place : std::optional<std::size_t>(stretch.size());
        };
        const std::optional<std::size_t> textStart =
            start == 0 ? std::optional<std::size_t>(found.contentStart) : boundary(lookBack);
        const std::optional<std::size_t> textEnd =
            end == size ? std::optional<std::size_t>(stretch.size()) : boundary(end - first);
        if (!textStart || !textEnd || *textStart > *textEnd)
            return piece;
        const std::string_view text = stretch.substr(*textStart, *textEnd - *textStart);
        if (page ? text.find('\0') != std::string_view::npos : !isPlainContent(text, from))
            return piece;
        piece.output->reset(widens ? 2 * text.size() : text.size() + text.size() / 2);
        auto convert = [&](std::string_view part, TextEncoding partFrom) {
            return convertPieceStraight(part, partFrom, to, *piece.output,
                                        convertedSizeLimit(part.size())) == ConversionStatus::Ok;
        };
        // The first piece holds the page's declarations, at their places in the file.
        std::size_t done = 0;
        piece.ok = true;
        for (const DeclaredValue& value :
             start == 0 ? std::span(values) : std::span<const DeclaredValue>()) {
            piece.ok = piece.ok && convert(text.substr(done, value.start - done), from) &&
                       convert(charsetLabel(to), TextEncoding::Utf8);
            done = value.start + value.length;
        }
        piece.ok = piece.ok && convert(text.substr(done), from);
        return piece;
    };
    bool failed = false;
    auto take = [&](std::size_t, Converted& piece) {
        failed = !piece.ok || !sink.append(piece.output->view()) || control.abandoned();
        spareInputs.giveBack(std::move(piece.input));
        spareOutputs.giveBack(std::move(piece.output));
        return !failed;
    };
    const bool finished = convertPiecesInOrder<Converted>(control, ends, make, take) == ends.size();
    if (control.abandoned())
        return FileConversion{.status = {engine::problems::Abandoned}};
    // Text of characters the internal text drops reads as none, which the other way handles.
    if (!finished || failed || sink.size() == mark.size() ||
        (!backupPath.empty() && platform::keepBackup(sourcePath, backupPath) != 0) ||
        !sink.commit().ok())
        return std::nullopt;
    control.reachPart(1, 1);
    return FileConversion{.detected = from, .written = to, .status = {}};
}

} // namespace engine

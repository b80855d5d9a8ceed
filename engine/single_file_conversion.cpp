#include "engine/single_file_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "engine/charset_declaration.h"
#include "engine/code_page_conversion.h"
#include "engine/file_sink.h"
#include "engine/other_encodings.h"
#include "engine/piece_cutting.h"
#include "engine/source_screening.h"
#include "engine/system_fallbacks.h"
#include "engine/windowed_conversion.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/path_scan.h"

namespace engine {

namespace {

// A source's bytes as read, what their start says (screenSource) and the encoding found for
// them when they are text.
struct SourceBytes {
    platform::FileContent content;
    DetectedEncoding found{TextEncoding::Auto, 0};
    FileStatus screened;
    unsigned permissions = 0; // the source's, for its outputs
};

SourceBytes readSource(platform::SourceFile& file, TextEncoding input, DetectionRule rule) {
    SourceBytes source{
        platform::readWholeFile(file), {TextEncoding::Auto, 0}, {}, file.permissions()};
    if (!source.content.status.ok())
        return source;
    const std::string_view bytes = source.content.bytes;
    source.screened =
        screenSource(bytes.substr(0, screenedLength), bytes.size() <= screenedLength, input, rule);
    if (!platform::isSourceProblem(source.screened.problem))
        source.found = detectSourceEncoding(bytes, input, rule);
    return source;
}

// What the start of a source larger than the screened length says, read before the rest, so
// that a large binary file is refused unread and a large text is never replaced on a suspicion.
// None for a smaller source, which readSource screens, and for one that cannot be read (the
// read reports that).
FileStatus screenLargeSource(const platform::SourceFile& file, TextEncoding input,
                             DetectionRule rule) {
    if (!file.status().ok() || file.size() <= screenedLength)
        return {};
    std::string head(screenedLength, '\0');
    if (file.readAt(0, head) != static_cast<std::int64_t>(head.size()))
        return {};
    return screenSource(head, false, input, rule);
}

SourceBytes readSource(const AnsiText& path, TextEncoding input, DetectionRule rule) {
    platform::SourceFile file(path);
    return readSource(file, input, rule);
}

DecodedFile decodeSource(SourceBytes source, const WorkControl& control) {
    platform::FileContent& content = source.content;
    if (!content.status.ok())
        return {AnsiText(), TextEncoding::Auto, content.status};
    if (platform::isSourceProblem(source.screened.problem))
        return {AnsiText(), TextEncoding::Auto, source.screened};
    const DetectedEncoding& found = source.found;
    DecodedText decoded = decodeContent(std::move(content.bytes), found.contentStart,
                                        found.encoding, control, found.utf8Trial);
    if (decoded.abandoned)
        return {AnsiText(), TextEncoding::Auto, {engine::problems::Abandoned}};
    control.reachPart(1, 1);
    // A cut text lost more than a "?" for a character does.
    FileStatus status{decoded.lossy ? engine::problems::LossyDecode : FileProblem::None};
    if (decoded.zeroCut)
        status = {.problem = decoded.endMarkCut ? engine::problems::EndMarkCut
                                                : engine::problems::ZeroByteCut,
                  .offset = *decoded.zeroCut};
    // Text most likely read in the wrong encoding says so before anything else.
    if (isEncodingSuspicion(source.screened.problem))
        status = source.screened;
    return {std::move(decoded.text), decoded.encoding, status};
}

} // namespace

DecodedFile decodeSourceFile(const AnsiText& path, TextEncoding input, DetectionRule rule,
                             const WorkControl& control) {
    return decodeSource(readSource(path, input, rule), control);
}

FileStatus encodeAndWriteFile(const AnsiText& outputPath, std::string_view text,
                              TextEncoding encoding, const WorkControl& control,
                              const WriteOptions& write,
                              std::optional<unsigned> sourcePermissions) {
    // UTF-16 doubles ASCII text; the mark adds a few bytes.
    FileSink sink(outputPath, 2 * text.size() + 16, sourcePermissions);
    if (!sink.status().ok())
        return sink.status();
    const FileProblem textProblem =
        encodeTextInto(text, encoding, sink, control, write.byteOrderMark);
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
    ScriptResult converted = convertScriptOver(mode, text, control);
    ScriptStepOutcome outcome{converted.problem, leavesBig5(mode), std::move(converted.detail)};
    outcome.readBig5 =
        mode == ScriptMode::Big5ToSimplified || mode == ScriptMode::Big5ToTraditional;
    return outcome;
}

ScriptStep scriptStepOf(ScriptMode mode) {
    if (mode == ScriptMode::None)
        return {};
    return [mode](AnsiText& text, TextEncoding decodedFrom, const WorkControl& control) {
        return convertScriptInPlace(mode, text, decodedFrom, control);
    };
}

Big5Output settleBig5Output(AnsiText& text, TextEncoding target, const WorkControl& control) {
    if (isOtherEncoding(target)) {
        text = codePageInPieces(big5ToText, text, control).text;
        return {target, target};
    }
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

namespace {

// A source's text made ready to encode: decoded, through the script step, settled where the step
// left Big5 bytes, its line ends changed and its charset declarations rewritten. When `ready` is
// false the file ends here and the result says why (abandoned, or a source problem).
struct PreparedText {
    FileConversion result;
    AnsiText text;
    TextEncoding encodeAs = TextEncoding::Auto;
    WorkControl encoding;     // the control narrowed to the encoding's share
    WriteOptions write;       // with the mark settled for this source
    unsigned permissions = 0; // the source's
    bool ready = false;
};

PreparedText prepareText(SourceBytes bytes, TextEncoding output, const ScriptStep& script,
                         const WorkControl& control, const WriteOptions& write) {
    PreparedText prepared;
    FileConversion& result = prepared.result;
    prepared.write = write;
    prepared.write.byteOrderMark = write.markFor(bytes.found.contentStart > 0);
    prepared.write.markAsSource = false;
    prepared.permissions = bytes.permissions;
    auto abandoned = [&prepared] {
        prepared.result.status = {engine::problems::Abandoned};
        return std::move(prepared);
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
    DecodedFile source = decodeSource(std::move(bytes), control.share(0, decoded));
    if (source.status.problem == engine::problems::Abandoned)
        return abandoned();
    result.detected = source.detected;
    note(source.status);
    if (platform::isSourceProblem(source.status.problem))
        return prepared;
    // Text read as iconv reads it keeps its zeros, which only a target known to iconv takes
    // whole; a script step or any other target ends the text at the first.
    const TextEncoding target = output == TextEncoding::Auto ? source.detected : output;
    if (!(isOtherEncoding(target) && !script))
        if (const std::size_t zero = source.text.find('\0'); zero != std::string::npos)
            note({.problem = engine::problems::ZeroByteCut, .offset = zero});
    bool big5 = false;
    if (script) {
        const ScriptStepOutcome stepped =
            script(source.text, source.detected, control.share(decoded, scripted));
        if (stepped.problem == engine::problems::Abandoned)
            return abandoned();
        if (stepped.readBig5 && result.status.problem == engine::problems::MaybeBig5)
            result.status = {};
        note({.problem = stepped.problem, .detail = stepped.detail});
        big5 = stepped.big5;
    }
    if (control.abandoned())
        return abandoned();
    result.written = output == TextEncoding::Auto ? source.detected : output;
    prepared.encodeAs = result.written;
    if (big5) {
        const Big5Output settled =
            settleBig5Output(source.text, result.written, control.share(scripted, scripted));
        result.written = settled.written;
        prepared.encodeAs = settled.encodeAs;
    }
    // On the bytes every encoding is made from (Big5 ones included), so that UTF-16 and a
    // fallback's own bytes get the same line ends.
    if (!changeLineEndings(source.text, write.lineEnding, control.share(scripted, scripted)))
        return abandoned();
    rewriteCharsetDeclarations(source.text, result.written);
    prepared.text = std::move(source.text);
    prepared.encoding = control.share(scripted, 1000);
    prepared.ready = true;
    return prepared;
}

// The file converted from its source's bytes straight into the output's, when nothing between
// needs the internal text: no script step, the line ends kept, no zero character, no "<" that
// could begin a charset declaration (a Big5 page's are rewritten on the way), and every
// character one the internal text keeps as it is. The output is then the one the way through
// the internal text writes. Nothing when the file must go that way; it then starts afresh (an
// output begun here is dropped uncommitted).
std::optional<FileConversion> convertStraight(const SourceBytes& source, TextEncoding output,
                                              const AnsiText& outputPath, const ScriptStep& script,
                                              const WorkControl& control,
                                              const WriteOptions& write) {
    if (script || write.lineEnding != LineEnding::Keep || !source.content.status.ok() ||
        !source.screened.ok() || control.abandoned())
        return std::nullopt;
    TextEncoding from = source.found.encoding;
    // ANSI text is first tried as UTF-8, and is UTF-8 when it reads whole as that.
    if (from == TextEncoding::Ansi && source.found.utf8Trial)
        from = TextEncoding::Utf8;
    const TextEncoding to = output == TextEncoding::Auto ? from : output;
    // The internal text itself is read the way through it, which keeps its bytes.
    if (from == TextEncoding::Ansi || !convertsStraight(from) || !convertsStraight(to))
        return std::nullopt;
    const std::string_view bytes = source.content.bytes;
    const std::string_view content =
        bytes.substr(std::min(source.found.contentStart, bytes.size()));
    // (A UTF-16 text cut inside a unit does not convert straight: the lone byte is invalid.)
    if (content.empty())
        return std::nullopt;
    // A Big5 page's declarations are rewritten as the bytes go by. Scanned character by
    // character, its bytes show them where its text does: only ASCII makes them up, and no
    // Big5 trail byte is one of the characters that end a value.
    const bool page = from == TextEncoding::Big5 || from == TextEncoding::Big5Hkscs;
    const std::vector<DeclaredValue> values =
        page ? declarationsToRewrite(content, to) : std::vector<DeclaredValue>();
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i].start < values[i - 1].start + values[i - 1].length)
            return std::nullopt;
    // A set that writes some pairs of characters as one code could pair them across a label.
    if (!values.empty() && to == TextEncoding::Big5Hkscs)
        return std::nullopt;
    const std::string_view mark =
        write.markFor(source.found.contentStart > 0) ? byteOrderMark(to) : std::string_view();
    // A small file converts in memory first: one that cannot go straight then costs no
    // temporary file made and removed. A large one streams into its file.
    ByteCollector inMemory;
    std::optional<FileSink> file;
    ByteSink* converted = &inMemory;
    if (content.size() > largestChunk || cutsInPieces(control, content.size())) {
        file.emplace(outputPath, 2 * content.size() + 16, source.permissions);
        if (!file->status().ok() || !file->append(mark))
            return std::nullopt;
        converted = &*file;
    }
    const std::size_t before = converted->size();
    StoppableSink stoppable(*converted, control);
    StraightOutcome outcome = StraightOutcome::Written;
    std::size_t done = 0;
    for (const DeclaredValue& value : values) {
        outcome =
            writeStraight(content.substr(done, value.start - done), from, to, stoppable, control);
        if (outcome == StraightOutcome::Written)
            outcome = writeStraight(charsetLabel(to), TextEncoding::Utf8, to, stoppable, control);
        if (outcome != StraightOutcome::Written)
            break;
        done = value.start + value.length;
    }
    if (outcome == StraightOutcome::Written)
        outcome = writeStraight(content.substr(done), from, to, stoppable, control);
    if (outcome == StraightOutcome::Abandoned || control.abandoned())
        return FileConversion{.status = {engine::problems::Abandoned}};
    // Text of characters the internal text drops reads as none, which the other way handles.
    // The scans come last: most text that fails to convert, fails early.
    if (outcome != StraightOutcome::Written || converted->size() == before ||
        (page ? content.find('\0') != std::string_view::npos : !isPlainContent(content, from)))
        return std::nullopt;
    if (!file) {
        file.emplace(outputPath, mark.size() + inMemory.size(), source.permissions);
        if (!file->status().ok() || !file->append(mark) || !inMemory.pourInto(*file))
            return std::nullopt;
    }
    if (!file->commit().ok())
        return std::nullopt;
    control.reachPart(1, 1);
    return FileConversion{.detected = from, .written = to, .status = {}};
}

} // namespace

FileConversion convertFile(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                           const AnsiText& outputFolder, const ScriptStep& script,
                           DetectionRule rule, const WorkControl& control,
                           const WriteOptions& write) {
    AnsiText outputPath = outputFolder;
    if (!outputPath.empty() && !platform::fileNameOfPath(outputPath).empty())
        outputPath += platform::pathSeparator;
    outputPath += platform::fileNameOfPath(sourcePath);
    // Opened once for either way: a run of small files pays for no second open.
    platform::SourceFile file(sourcePath);
    const FileStatus screened = screenLargeSource(file, input, rule);
    if (platform::isSourceProblem(screened.problem))
        return {.status = screened};
    if (std::optional<FileConversion> windowed = convertInWindows(
            file, sourcePath, input, output, outputPath, script, rule, control, write)) {
        if (isEncodingSuspicion(screened.problem) &&
            !platform::isSourceProblem(windowed->status.problem) &&
            windowed->status.problem != engine::problems::Abandoned)
            windowed->status = screened;
        return *windowed;
    }
    SourceBytes source = readSource(file, input, rule);
    if (platform::isSourceProblem(source.screened.problem))
        return {.status = source.screened};
    if (std::optional<FileConversion> straight =
            convertStraight(source, output, outputPath, script, control, write))
        return *straight;
    PreparedText prepared = prepareText(std::move(source), output, script, control, write);
    FileConversion& result = prepared.result;
    if (!prepared.ready)
        return result;
    const FileStatus written =
        encodeAndWriteFile(outputPath, prepared.text, prepared.encodeAs, prepared.encoding,
                           prepared.write, prepared.permissions);
    if (written.problem == engine::problems::Abandoned) {
        result.status = written;
        return result;
    }
    if (result.status.ok()) {
        result.status = written;
        result.status.problem = sourceSideOf(written.problem, result.detected);
    }
    control.reachPart(1, 1);
    return result;
}

FileConversion convertFileInPlace(const AnsiText& sourcePath, TextEncoding input,
                                  TextEncoding output, const ScriptStep& script, DetectionRule rule,
                                  const WorkControl& control, const WriteOptions& write,
                                  const AnsiText& backupPath) {
    if (platform::isSymbolicLink(sourcePath))
        return {.status = {engine::problems::SourceIsLink}};
    platform::SourceFile file(sourcePath);
    // Text that is most likely misread is left as it is, before anything is written; a script
    // step that reads Big5 may clear that, which only the whole text's way finds.
    if (const FileStatus screened = screenLargeSource(file, input, rule); !screened.ok()) {
        if (platform::isSourceProblem(screened.problem))
            return {.status = screened};
        if (!script)
            return {
                .status = {.problem = engine::problems::NotReplaced, .cause = screened.problem}};
    }
    if (std::optional<FileConversion> windowed = convertInWindows(
            file, sourcePath, input, output, sourcePath, script, rule, control, write, backupPath))
        return *windowed;
    PreparedText prepared =
        prepareText(readSource(file, input, rule), output, script, control, write);
    FileConversion& result = prepared.result;
    // The source stays; the status says why, as the cause of NotReplaced.
    auto kept = [&result](FileStatus why) {
        why.cause = why.problem;
        why.problem = engine::problems::NotReplaced;
        result.status = std::move(why);
        return result;
    };
    if (!prepared.ready)
        return result;
    if (!result.status.ok())
        return kept(result.status);
    FileSink sink(sourcePath, 2 * prepared.text.size() + 16, prepared.permissions);
    if (!sink.status().ok())
        return kept(sink.status());
    const FileProblem textProblem = encodeTextInto(prepared.text, prepared.encodeAs, sink,
                                                   prepared.encoding, prepared.write.byteOrderMark);
    // Dropping the sink uncommitted removes what it built.
    if (textProblem == engine::problems::Abandoned || control.abandoned()) {
        result.status = {engine::problems::Abandoned};
        return result;
    }
    if (textProblem != FileProblem::None)
        return kept(sink.status().ok() ? FileStatus{sourceSideOf(textProblem, result.detected)}
                                       : sink.status());
    if (!backupPath.empty())
        if (const int error = platform::keepBackup(sourcePath, backupPath); error != 0)
            return kept({engine::problems::BackupUnmade, error});
    if (const FileStatus committed = sink.commit(); !committed.ok())
        return kept(committed);
    control.reachPart(1, 1);
    return result;
}

} // namespace engine

#include "engine/script_conversion.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/ansi_scan.h"
#include "engine/code_page_conversion.h"
#include "engine/opencc_converter.h"
#include "engine/piece_cutting.h"
#include "engine/system_fallbacks.h"
#include "engine/table_codecs.h"
#include "platform/iconv_cache.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

// A long text goes through in pieces cut after a line break: no phrase spans one, so the cut
// changes nothing, and the workers share them. The flat matching maps a piece in a few
// milliseconds; OpenCC's own, when it has to serve, needs several times the piece's size and
// about a tenth of a second for it, so a stop is seen soon either way.
constexpr size_t mappedPieceSize = 256 * 1024;

// A sequence the converter refuses passes through the mapping whole as the converter's reading
// measures it: a byte that starts no character alone.
size_t characterLength(std::string_view text, size_t pos) {
    return platform::doubleByteLength(text, pos, platform::DoubleByteRule::Gb18030);
}

// A buffer the converter writes into and that is read back only as far as it wrote: it grows but
// is never cleared, since clearing it for every piece would cost as much as converting it.
class Scratch {
public:
    char* roomFor(size_t size) {
        if (capacity < size) {
            bytes.reset(new char[size]);
            capacity = size;
        }
        return bytes.get();
    }

private:
    std::unique_ptr<char[]> bytes;
    size_t capacity = 0;
};

// Whether the tables converted all of `text` into `sink` (emptied first). Where they did, the
// bytes are iconv's; where they did not (an invalid sequence), iconv goes over it stretch by
// stretch.
bool convertedByTable(std::string_view text, std::string_view from, std::string_view to,
                      ReusedOutput& sink) {
    sink.reset();
    return convertByTable(text, from, to, sink, convertedSizeLimit(text.size())) ==
           ConversionStatus::Ok;
}

// Maps GB18030 pieces through one OpenCC converter: GB18030 -> UTF-8 -> OpenCC -> GB18030.
class PieceMapper {
public:
    explicit PieceMapper(const OpenccConverter& converter) : opencc(converter) {}

    bool valid() const { return toUtf8.valid() && toAnsi.valid(); }

    // Appends the mapped piece to out; false when the library or a conversion failed.
    bool mapPiece(std::string_view piece, AnsiText& out) {
        if (isAscii(piece)) {
            out.append(piece);
            return true;
        }
        // OpenCC reads its input as a zero-terminated string, so zero bytes stay outside it.
        for (size_t start = 0; start <= piece.size();) {
            size_t zero = piece.find('\0', start);
            if (zero == std::string_view::npos)
                zero = piece.size();
            if (!mapStretches(piece.substr(start, zero - start), out))
                return false;
            if (zero < piece.size())
                out.push_back('\0');
            start = zero + 1;
        }
        return true;
    }

private:
    // Converts the valid stretches of text; a byte sequence that is not GB18030 is kept as it is.
    bool mapStretches(std::string_view text, AnsiText& out) {
        if (convertedByTable(text, "GB18030", "UTF-8", tableOutput))
            return mapUtf8(tableOutput.view(), out);
        size_t pos = 0;
        while (pos < text.size()) {
            char* in = const_cast<char*>(text.data()) + pos;
            size_t inLeft = text.size() - pos;
            // GB18030 to UTF-8 grows a character by at most half.
            const size_t room = inLeft + inLeft / 2 + 8;
            char* const start = utf8.roomFor(room);
            char* outPtr = start;
            size_t outLeft = room;
            const size_t rc = iconv(toUtf8.get(), &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            const size_t consumed = text.size() - pos - inLeft;
            if (outLeft < room && !mapUtf8({start, room - outLeft}, out))
                return false;
            pos += consumed;
            if (rc != static_cast<size_t>(-1))
                break;
            if (error == E2BIG) {
                if (consumed == 0)
                    return false;
                continue;
            }
            // EILSEQ or EINVAL: an invalid or truncated sequence passes through untouched.
            const size_t length = characterLength(text, pos);
            out.append(text.substr(pos, length));
            pos += length;
            toUtf8.resetState();
        }
        return true;
    }

    bool mapUtf8(std::string_view text, AnsiText& out) {
        mapped.clear();
        if (!opencc.convertInto(text, mapped))
            return false;
        if (convertedByTable(mapped, "UTF-8", "GB18030", tableOutput)) {
            out.append(tableOutput.view());
            return true;
        }
        // Every character OpenCC produces has a GB18030 form, at most twice its UTF-8 length.
        char* in = mapped.data();
        size_t inLeft = mapped.size();
        const size_t room = inLeft * 2 + 8;
        char* const start = ansi.roomFor(room);
        char* outPtr = start;
        size_t outLeft = room;
        toAnsi.resetState();
        if (iconv(toAnsi.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return false;
        out.append(start, room - outLeft);
        return true;
    }

    const OpenccConverter& opencc;
    platform::IconvLease toUtf8{"UTF-8", "GB18030"};
    platform::IconvLease toAnsi{"GB18030", "UTF-8"};
    Scratch utf8;
    Scratch ansi;
    std::string mapped; // reused by every stretch of the piece
    ReusedOutput tableOutput;
};

ScriptResult mapScript(ScriptDirection direction, std::string_view text,
                       const WorkControl& control) {
    ScriptResult result;
    // Only Chinese characters are mapped: a text without any needs no dictionaries at all.
    if (isAscii(text)) {
        result.text = text;
        return result;
    }
    auto unavailable = [&result, text, direction] {
        result.text = text;
        result.problem = engine::problems::ScriptUnavailable;
        result.detail = openccLoadFailure(direction);
        return std::move(result);
    };
    // One converter serves every piece, held until the last is done.
    const std::shared_ptr<const OpenccConverter> converter = sharedOpenccConverter(direction);
    if (!converter)
        return unavailable();
    const size_t size = control.pieceSize > 0 ? control.pieceSize : mappedPieceSize;
    const std::vector<size_t> ends = pieceEnds(text, PieceRule::Lines, size);
    // The mapped text is about as long as the original; reserving once keeps the peak near
    // twice the text instead of the three times a growing string would reach.
    result.text.reserve(text.size() + text.size() / 16 + 64);
    // Pieces are handed out all at once and appended in order as they come, each freed once
    // appended, so only a few pieces are held besides the text and its mapping.
    std::atomic<bool> mappable{true};
    auto make = [&](size_t start, size_t end) -> std::optional<AnsiText> {
        AnsiText mapped;
        PieceMapper mapper(*converter);
        if (mapper.valid() && mapper.mapPiece(text.substr(start, end - start), mapped))
            return mapped;
        mappable = false;
        return std::nullopt;
    };
    auto take = [&](size_t, AnsiText& mapped) {
        result.text.append(mapped);
        return true;
    };
    if (convertPiecesInOrder<AnsiText>(control, ends, make, take) < ends.size()) {
        if (control.abandoned())
            return {AnsiText(), engine::problems::Abandoned};
        if (!mappable)
            return unavailable();
    }
    return result;
}

// A code-page step over a long text in pieces on the control's workers. The text ends at its
// first zero byte, as each step's own reading has it.
CodePageResult codePageStep(CodePageResult (*step)(std::string_view), std::string_view text,
                            const WorkControl& control) {
    if (!cutsInPieces(control, text.size()))
        return step(text);
    return codePageInPieces(step, text, control);
}

// The code-page step that is a mode's only step (t2big5, big52t), or none.
CodePageResult (*loneCodePageStep(ScriptMode mode))(std::string_view) {
    switch (mode) {
    case ScriptMode::TraditionalToBig5:
        return ansiToBig5;
    case ScriptMode::Big5ToTraditional:
        return big5ToAnsi;
    default:
        return nullptr;
    }
}

} // namespace

std::string_view scriptModeName(ScriptMode mode) {
    switch (mode) {
    case ScriptMode::None:
        return "none";
    case ScriptMode::SimplifiedToTraditional:
        return "s2t";
    case ScriptMode::TraditionalToSimplified:
        return "t2s";
    case ScriptMode::SimplifiedToBig5:
        return "s2big5";
    case ScriptMode::TraditionalToBig5:
        return "t2big5";
    case ScriptMode::Big5ToSimplified:
        return "big52s";
    case ScriptMode::Big5ToTraditional:
        return "big52t";
    }
    return {};
}

ScriptMode scriptModeForSource(ScriptMode mode, TextEncoding decodedFrom) {
    if (decodedFrom == TextEncoding::Ansi)
        return mode;
    switch (mode) {
    case ScriptMode::Big5ToSimplified:
        return ScriptMode::TraditionalToSimplified;
    case ScriptMode::Big5ToTraditional:
        return ScriptMode::None;
    default:
        return mode;
    }
}

bool leavesBig5(ScriptMode mode) {
    return mode == ScriptMode::SimplifiedToBig5 || mode == ScriptMode::TraditionalToBig5;
}

ScriptResult simplifiedToTraditional(std::string_view text, const WorkControl& control) {
    return mapScript(ScriptDirection::SimplifiedToTraditional, text, control);
}

ScriptResult traditionalToSimplified(std::string_view text, const WorkControl& control) {
    return mapScript(ScriptDirection::TraditionalToSimplified, text, control);
}

ScriptResult convertScript(ScriptMode mode, std::string_view text, const WorkControl& control) {
    // A mapping that could not run outweighs the characters a Big5 step lost; a stop outweighs
    // everything.
    auto worse = [&control](FileProblem mapping, bool lossy) -> FileProblem {
        if (control.abandoned())
            return engine::problems::Abandoned;
        if (mapping != FileProblem::None)
            return mapping;
        return lossy ? engine::problems::LossyScript : FileProblem::None;
    };
    // The OpenCC mapping takes the larger share of a two-step mode's time.
    const WorkControl first = control.share(0, 800);
    const WorkControl second = control.share(800, 1000);
    switch (mode) {
    case ScriptMode::SimplifiedToTraditional:
        return simplifiedToTraditional(text, control);
    case ScriptMode::TraditionalToSimplified:
        return traditionalToSimplified(text, control);
    case ScriptMode::SimplifiedToBig5: {
        ScriptResult traditional = simplifiedToTraditional(text, first);
        if (traditional.problem == engine::problems::Abandoned)
            return traditional;
        CodePageResult big5 = codePageStep(ansiToBig5, traditional.text, second);
        return {std::move(big5.text), worse(traditional.problem, big5.lossy),
                std::move(traditional.detail)};
    }
    case ScriptMode::Big5ToSimplified: {
        CodePageResult ansi = codePageStep(big5ToAnsi, text, control.share(0, 200));
        if (control.abandoned())
            return {AnsiText(), engine::problems::Abandoned};
        ScriptResult simplified = traditionalToSimplified(ansi.text, control.share(200, 1000));
        simplified.problem = worse(simplified.problem, ansi.lossy);
        return simplified;
    }
    case ScriptMode::TraditionalToBig5:
    case ScriptMode::Big5ToTraditional: {
        CodePageResult mapped = codePageStep(loneCodePageStep(mode), text, control);
        return {std::move(mapped.text), worse(FileProblem::None, mapped.lossy)};
    }
    case ScriptMode::None:
        break;
    }
    return {AnsiText(text), FileProblem::None};
}

ScriptResult convertScriptOver(ScriptMode mode, AnsiText& text, const WorkControl& control) {
    CodePageResult (*const step)(std::string_view) = loneCodePageStep(mode);
    if (!step || !cutsInPieces(control, text.size())) {
        ScriptResult result = convertScript(mode, text, control);
        text = std::move(result.text);
        result.text.clear();
        return result;
    }
    const CodePageResult mapped = codePageInPiecesOver(step, text, control);
    // As convertScript has it: a stop outweighs everything.
    if (mapped.abandoned || control.abandoned()) {
        text.clear();
        return {AnsiText(), engine::problems::Abandoned};
    }
    return {AnsiText(), mapped.lossy ? engine::problems::LossyScript : FileProblem::None};
}

void setScriptDictionaryDirectory(std::string directory) {
    setOpenccDictionaryDirectory(std::move(directory));
}

void releaseScriptConverters() {
    releaseOpenccConverters();
}

} // namespace engine

#include "engine/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/ansi_scan.h"
#include "engine/code_page_conversion.h"
#include "engine/other_encodings.h"
#include "engine/piece_cutting.h"
#include "engine/replacing_conversion.h"
#include "engine/smart_detection.h"
#include "engine/system_fallbacks.h"
#include "engine/table_codecs.h"
#include "engine/web_page_charset.h"

namespace engine {

namespace {

// Where the first UTF-16 unit from `from` on that is `a` or `b` begins, or nothing: 32 units a
// step with SSE2 until a step holds one, then unit by unit.
std::optional<std::size_t> firstUnitOf(std::string_view data, std::size_t from, std::uint16_t a,
                                       std::uint16_t b, bool bigEndian) {
    std::size_t at = from;
    // The units as a little-endian load sees them.
    const auto loaded = [bigEndian](std::uint16_t unit) {
        return static_cast<std::uint16_t>(bigEndian ? (unit >> 8 | unit << 8) : unit);
    };
#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const __m128i wantA = _mm_set1_epi16(static_cast<short>(loaded(a)));
    const __m128i wantB = _mm_set1_epi16(static_cast<short>(loaded(b)));
    auto hits = [&](std::size_t offset) {
        const __m128i units =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + offset));
        return _mm_or_si128(_mm_cmpeq_epi16(units, wantA), _mm_cmpeq_epi16(units, wantB));
    };
    for (; at + 64 <= data.size(); at += 64)
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(hits(at), hits(at + 16)),
                                           _mm_or_si128(hits(at + 32), hits(at + 48)))) != 0)
            break; // the units below find where
#else
    (void)loaded;
#endif
    const char aFirst = static_cast<char>(bigEndian ? a >> 8 : a & 0xFF);
    const char aSecond = static_cast<char>(bigEndian ? a & 0xFF : a >> 8);
    const char bFirst = static_cast<char>(bigEndian ? b >> 8 : b & 0xFF);
    const char bSecond = static_cast<char>(bigEndian ? b & 0xFF : b >> 8);
    for (; at + 1 < data.size(); at += 2) {
        const char first = data[at];
        const char second = data[at + 1];
        if ((first == aFirst && second == aSecond) || (first == bFirst && second == bSecond))
            return at;
    }
    return std::nullopt;
}

struct EncodingRow {
    TextEncoding encoding;
    std::string_view converter;
    std::string_view mark;
    std::string_view name;
};

constexpr std::array<EncodingRow, 7> encodingTable{{
    {TextEncoding::Auto, "", "", "auto"},
    {TextEncoding::Ansi, "", "", "ansi"},
    {TextEncoding::Utf8, "UTF-8", "\xEF\xBB\xBF", "utf8"},
    {TextEncoding::Utf16LE, "UTF-16LE", "\xFF\xFE", "utf16le"},
    {TextEncoding::Utf16BE, "UTF-16BE", "\xFE\xFF", "utf16be"},
    {TextEncoding::Big5, "BIG5", "", "big5"},
    {TextEncoding::Big5Hkscs, "BIG5-HKSCS", "", "big5hkscs"},
}};

const EncodingRow* rowOf(TextEncoding encoding) {
    for (const auto& row : encodingTable)
        if (row.encoding == encoding)
            return &row;
    return nullptr;
}

constexpr std::string_view internalCharset = "GB18030";

bool startsWith(std::string_view data, TextEncoding encoding) {
    const std::string_view mark = byteOrderMark(encoding);
    return !mark.empty() && data.substr(0, mark.size()) == mark;
}

// Encodings with a converter name go through the converter; Auto and Ansi are the internal text.
bool isConverted(TextEncoding encoding) {
    return !converterName(encoding).empty();
}

// Receives a decoding's output straight into the text it becomes. The converter fills a small
// buffer that stays in the cache and each filled stretch is appended to the text, whose room is
// reserved from the source's length: the text is written once, where it stays, and no pieces
// are joined afterwards. From the first zero byte on nothing is kept, since the text ends there,
// but the conversion still runs to the end to tell whether all of the data converts; text in an
// encoding known only to iconv keeps its zeros, as iconv does (`keepZeros`).
class TextSink final : public ByteSink {
public:
    TextSink(AnsiText& target, std::size_t expectedSize, bool keepZeros = false)
        : text(target), zerosKept(keepZeros) {
        text.clear();
        text.reserve(expectedSize);
    }
    std::span<char> room(std::size_t atLeast) override {
        std::string& scratch = scratchBuffer();
        if (scratch.size() < atLeast)
            scratch.resize(atLeast);
        return {scratch.data(), scratch.size()};
    }
    bool wrote(std::size_t count) override { return append({scratchBuffer().data(), count}); }
    bool append(std::string_view bytes) override {
        received += bytes.size();
        if (zerosKept) {
            text.append(bytes);
        } else if (!cut) {
            const std::size_t zero = bytes.find('\0');
            cut = zero != std::string_view::npos;
            text.append(bytes.substr(0, zero));
        }
        return true;
    }
    bool truncate(std::size_t length) override {
        if (length < text.size()) {
            text.resize(length);
            cut = false;
        }
        received = length;
        return true;
    }
    std::size_t size() const override { return received; }
    // True when a zero byte ended the text.
    bool ended() const { return cut; }

private:
    // One per thread, so a run over many small files prepares it once. Large enough that the
    // converter seldom stops for room: each stop makes it convert part of its input again.
    static std::string& scratchBuffer() {
        thread_local std::string scratch(std::size_t{1} << 20, '\0');
        return scratch;
    }

    AnsiText& text;
    bool zerosKept;
    std::size_t received = 0;
    bool cut = false;
};

// The content converted to GB18030 and cut at its first zero byte, or empty. No supported
// source grows on the way to GB18030 unless it is full of characters GB18030 keeps in four
// bytes, so the source's length is room enough; a longer text grows the room and goes on.
AnsiText convertedContent(const ByteBuffer& data, std::size_t contentStart,
                          std::string_view charset, bool keepZeros = false) {
    const std::string_view content = std::string_view(data).substr(contentStart);
    AnsiText text;
    TextSink sink(text, content.size(), keepZeros);
    if (convertCharsetInto(content, charset, internalCharset, sink) != ConversionStatus::Ok)
        return AnsiText();
    return text;
}

enum class PiecesOutcome {
    Converted, // every piece converted
    Failed,    // some piece did not: the whole text would not have either
    Refused,   // the sink refused bytes
    Abandoned, // the control's stop came between pieces
};

// convertedContent in pieces on the control's workers, joined in order as they come. A piece
// that converts whole gives its stretch of the whole text's result, since no character straddles
// a cut, so only the growth rule needs the pieces together: each runs under the whole content's
// limit and their sum is checked against it. A piece after the one that ended the text must
// still convert, as the whole content would have to. On success the source is released.
PiecesOutcome convertedContentInPieces(ByteBuffer& data, std::size_t contentStart,
                                       TextEncoding encoding, const WorkControl& control,
                                       AnsiText& text) {
    const std::string_view content = std::string_view(data).substr(contentStart);
    const std::vector<std::size_t> ends =
        pieceEnds(content, pieceRuleOf(encoding), pieceSizeOf(control));
    struct Piece {
        AnsiText text;
        std::size_t produced = 0;
        bool ended = false;
        bool converted = false;
    };
    const std::uint64_t limit = convertedSizeLimit(content.size());
    auto make = [&](std::size_t start, std::size_t end) -> std::optional<Piece> {
        Piece piece;
        TextSink sink(piece.text, end - start);
        piece.converted =
            convertCharsetInto(content.substr(start, end - start), converterName(encoding),
                               internalCharset, sink, limit) == ConversionStatus::Ok;
        piece.produced = sink.size();
        piece.ended = sink.ended();
        return piece;
    };
    // The text is seldom longer than its source; where it is, the string grows.
    AnsiText joined;
    joined.reserve(content.size());
    std::uint64_t produced = 0;
    bool ended = false;
    bool failed = false;
    auto take = [&](std::size_t, Piece& piece) {
        if (!piece.converted) {
            failed = true;
            return false;
        }
        produced += piece.produced;
        if (!ended)
            joined.append(piece.text);
        ended = ended || piece.ended;
        return true;
    };
    const bool finished = convertPiecesInOrder<Piece>(control, ends, make, take) == ends.size();
    if (control.abandoned())
        return PiecesOutcome::Abandoned;
    // An empty text counts as no conversion, as it does for the text converted whole.
    if (!finished || failed || produced > limit || joined.empty())
        return PiecesOutcome::Failed;
    data = ByteBuffer();
    text = std::move(joined);
    return PiecesOutcome::Converted;
}

// The text converted piece by piece into the sink by convert(piece, output, limit), written in
// order while later pieces convert. Written pieces hand their memory on to later ones. A piece's
// output is expected to be as long as the piece, or twice that when `widens`.
template <class Convert>
PiecesOutcome convertInPieces(std::string_view raw, PieceRule rule, bool widens, ByteSink& sink,
                              const WorkControl& control, Convert convert) {
    SpareOutputs spare;
    const std::vector<std::size_t> ends = pieceEnds(raw, rule, pieceSizeOf(control));
    const std::uint64_t limit = convertedSizeLimit(raw.size());
    struct Converted {
        std::unique_ptr<ReusedOutput> output;
        ConversionStatus status;
    };
    std::uint64_t produced = 0;
    std::optional<PiecesOutcome> outcome;
    auto make = [&](std::size_t start, std::size_t end) -> std::optional<Converted> {
        std::unique_ptr<ReusedOutput> output = spare.take();
        const std::size_t length = end - start;
        output->reset(widens ? 2 * length : length + length / 2);
        const ConversionStatus status = convert(raw.substr(start, length), *output, limit);
        return Converted{std::move(output), status};
    };
    auto take = [&](std::size_t, Converted& piece) {
        if (piece.status != ConversionStatus::Ok)
            outcome = PiecesOutcome::Failed;
        else if ((produced += piece.output->size()) > limit)
            outcome = PiecesOutcome::Failed;
        else if (!sink.append(piece.output->view()))
            outcome = PiecesOutcome::Refused;
        spare.giveBack(std::move(piece.output));
        return !outcome;
    };
    if (convertPiecesInOrder<Converted>(control, ends, make, take) == ends.size())
        return PiecesOutcome::Converted;
    return outcome.value_or(PiecesOutcome::Abandoned);
}

// The raw text (no zero byte) encoded in pieces.
PiecesOutcome encodeInPieces(std::string_view raw, TextEncoding encoding, ByteSink& sink,
                             const WorkControl& control) {
    const bool wide = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
    return convertInPieces(
        raw, PieceRule::Converter, wide, sink, control,
        [encoding](std::string_view piece, ByteSink& output, std::uint64_t limit) {
            return convertCharsetInto(piece, internalCharset, converterName(encoding), output,
                                      limit);
        });
}

// The text the converter rejected, through the system fallback behind the mark already in the
// sink, or "?" for each character an encoding known only to iconv lacks; the text's own bytes
// where there is neither (Big5, as the classic program has it).
FileProblem encodeByFallback(std::string_view text, TextEncoding encoding, ByteSink& sink,
                             const WorkControl& control) {
    if (isOtherEncoding(encoding)) {
        const ReplacedConversion replaced =
            convertReplacing(text, internalCharset, converterName(encoding), ReplacingSide::Encode,
                             sink, omitsUnconvertible(encoding));
        if (!replaced.written)
            return platform::problems::OutputUnwritable;
        return replaced.replaced > 0 ? engine::problems::Unrepresentable : FileProblem::None;
    }
    if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf16LE ||
        encoding == TextEncoding::Utf16BE) {
        switch (encodeBySystemInto(text, encoding, sink, control)) {
        case FallbackOutcome::Exact:
            return FileProblem::None;
        case FallbackOutcome::Lossy:
            return engine::problems::LossyEncode;
        case FallbackOutcome::Refused:
            return platform::problems::OutputUnwritable;
        case FallbackOutcome::Abandoned:
            return engine::problems::Abandoned;
        }
    }
    if (!sink.append(text.substr(0, text.find('\0'))))
        return platform::problems::OutputUnwritable;
    return engine::problems::Unconverted;
}

// The content of an encoding known only to iconv, each unreadable byte read as "?" (or left out),
// its zeros kept.
CodePageResult decodedReplacing(std::string_view content, TextEncoding encoding) {
    CodePageResult result;
    TextSink sink(result.text, content.size(), true);
    const ReplacedConversion replaced =
        convertReplacing(content, converterName(encoding), internalCharset, ReplacingSide::Decode,
                         sink, omitsUnconvertible(encoding), otherUnitSize(encoding));
    if (!replaced.written)
        result.text.clear();
    result.lossy = replaced.replaced > 0;
    return result;
}

// The first zero character of the content read as `encoding`: a zero unit of UTF-16, else a zero
// byte, which no supported encoding uses inside a character.
std::optional<std::size_t> firstZeroCharacter(std::string_view data, std::size_t contentStart,
                                              TextEncoding encoding) {
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return firstUnitOf(data, contentStart, 0, 0, encoding == TextEncoding::Utf16BE);
    const std::size_t zero = data.find('\0', contentStart);
    return zero == std::string_view::npos ? std::nullopt : std::optional(zero);
}

// Where the ANSI reading of the whole data, `length` bytes long (ansiTextLength), stopped: at a
// zero byte or a 0x1A, or at a lead byte a zero follows (the cut is then the zero).
std::optional<std::size_t> ansiCut(std::string_view data, std::size_t length) {
    if (length >= data.size())
        return std::nullopt;
    return data[length] == '\0' || data[length] == '\x1A' ? length : length + 1;
}

// A cut matters unless it is a single terminator: the last byte, or the last unit of `unit`
// bytes. Anything after it, zeros too, is lost text.
std::optional<std::size_t> lossyCut(std::string_view data, std::optional<std::size_t> cut,
                                    std::size_t unit = 1) {
    if (!cut || *cut + unit >= data.size())
        return std::nullopt;
    return cut;
}

} // namespace

std::string_view converterName(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    return row ? row->converter : otherConverterName(encoding);
}

std::string_view byteOrderMark(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    if (row)
        return row->mark;
    // iconv's UTF-8 writes none of its own; one asked for is UTF-8's.
    const std::string_view name = otherShortName(encoding);
    return name.starts_with("utf-8") || name.starts_with("utf8") ? rowOf(TextEncoding::Utf8)->mark
                                                                 : std::string_view();
}

std::string_view encodingName(TextEncoding encoding) {
    const EncodingRow* row = rowOf(encoding);
    if (row)
        return row->name;
    const std::string_view other = otherShortName(encoding);
    return other.empty() ? std::string_view("unknown") : other;
}

} // namespace engine

namespace engine {

DetectedEncoding detectSourceEncoding(std::string_view data, TextEncoding choice,
                                      DetectionRule rule) {
    if (isOtherEncoding(choice))
        return {choice, 0};
    switch (choice) {
    case TextEncoding::Ansi:
    case TextEncoding::Big5:
    case TextEncoding::Big5Hkscs:
        return {choice, 0};
    case TextEncoding::Utf8:
        return {choice, startsWith(data, TextEncoding::Utf8) ? 3u : 0u};
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        // Only a real mark is skipped; otherwise the first character would be lost.
        return {choice,
                startsWith(data, TextEncoding::Utf16LE) || startsWith(data, TextEncoding::Utf16BE)
                    ? 2u
                    : 0u};
    default:
        break;
    }
    if (startsWith(data, TextEncoding::Utf8))
        return {TextEncoding::Utf8, 3};
    if (startsWith(data, TextEncoding::Utf16LE))
        return {TextEncoding::Utf16LE, 2};
    if (startsWith(data, TextEncoding::Utf16BE))
        return {TextEncoding::Utf16BE, 2};
    // A source without any "<" declares no charset; only then is its text's length not needed,
    // which saves two passes over a large plain text.
    const bool mayBePage = data.find('<') != std::string_view::npos;
    TextEncoding declared = TextEncoding::Auto;
    switch (mayBePage ? detectWebPageCharset(data.substr(0, ansiTextLength(data)))
                      : WebPageCharset::None) {
    case WebPageCharset::Utf8:
        declared = TextEncoding::Utf8;
        break;
    case WebPageCharset::Big5:
        declared = TextEncoding::Big5;
        break;
    case WebPageCharset::Big5Hkscs:
        declared = TextEncoding::Big5Hkscs;
        break;
    case WebPageCharset::None:
        break;
    }
    if (declared != TextEncoding::Auto) // the smart rule wants the bytes to agree
        return {rule == DetectionRule::Smart ? smartDeclaredEncoding(data, declared) : declared, 0};
    switch (rule) {
    case DetectionRule::Smart: {
        const TextEncoding found = smartSourceEncoding(data);
        // ASCII alone still reads as UTF-8, as the classic rule has it.
        return {found, 0, found != TextEncoding::Ansi || isAscii(data)};
    }
    default:
        return {TextEncoding::Ansi, 0};
    }
}

bool isPlainContent(std::string_view content, TextEncoding encoding) {
    // ANSI text also ends at a 0x1A; a byte encoding's other bytes never stand for these.
    if (encoding != TextEncoding::Utf16LE && encoding != TextEncoding::Utf16BE)
        return findAnyOf(content, '\0', '<', encoding == TextEncoding::Ansi ? '\x1A' : '\0') ==
               std::string_view::npos;
    return !firstUnitOf(content, 0, '\0', '<', encoding == TextEncoding::Utf16BE);
}

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

ConversionStatus convertPieceStraight(std::string_view piece, TextEncoding from, TextEncoding to,
                                      ByteSink& output, std::uint64_t limit) {
    if (from == TextEncoding::Ansi && to == TextEncoding::Ansi)
        return output.append(piece) ? ConversionStatus::Ok : ConversionStatus::SinkFailed;
    auto nameOf = [](TextEncoding encoding) {
        return encoding == TextEncoding::Ansi ? internalCharset : converterName(encoding);
    };
    // The internal text on either side is the tables' own conversion.
    const std::optional<ConversionStatus> status =
        from == TextEncoding::Ansi || to == TextEncoding::Ansi
            ? convertByTable(piece, nameOf(from), nameOf(to), output, limit)
            : convertStraight(piece, nameOf(from), nameOf(to), output, limit);
    return status.value_or(ConversionStatus::UnknownPair);
}

StraightOutcome writeStraight(std::string_view content, TextEncoding from, TextEncoding to,
                              ByteSink& sink, const WorkControl& control) {
    auto convert = [from, to](std::string_view piece, ByteSink& output, std::uint64_t limit) {
        return convertPieceStraight(piece, from, to, output, limit);
    };
    // A set that writes some pairs of characters as one code could pair them across a cut.
    if (cutsInPieces(control, content.size()) && to != TextEncoding::Big5Hkscs) {
        const bool widens = to == TextEncoding::Utf16LE || to == TextEncoding::Utf16BE;
        switch (convertInPieces(content, pieceRuleOf(from), widens, sink, control, convert)) {
        case PiecesOutcome::Converted:
            return StraightOutcome::Written;
        case PiecesOutcome::Refused:
            return StraightOutcome::Refused;
        case PiecesOutcome::Abandoned:
            return StraightOutcome::Abandoned;
        case PiecesOutcome::Failed:
            return StraightOutcome::Failed;
        }
    }
    switch (convert(content, sink, convertedSizeLimit(content.size()))) {
    case ConversionStatus::Ok:
        return StraightOutcome::Written;
    case ConversionStatus::SinkFailed:
        return StraightOutcome::Refused;
    default:
        return StraightOutcome::Failed;
    }
}

DecodedText decodeContent(ByteBuffer data, std::size_t contentStart, TextEncoding encoding,
                          const WorkControl& control, bool utf8Trial) {
    contentStart = std::min(contentStart, data.size());
    // UTF-16 cut inside its last unit: the whole units convert and the lone byte is one
    // unreadable character, rather than the whole text going to a fallback that reads every
    // unit as little-endian.
    std::optional<char> loneByte;
    if ((encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) &&
        (data.size() - contentStart) % 2 == 1) {
        loneByte = data.back();
        data.pop_back();
    }
    // Where a character of an encoding known only to iconv ends is iconv's secret: it reads whole.
    const bool inPieces =
        cutsInPieces(control, data.size() - contentStart) && !isOtherEncoding(encoding);
    // The content read as `as`; false when it does not convert whole.
    auto converted = [&](TextEncoding as, AnsiText& text) {
        if (!inPieces) {
            text = convertedContent(data, contentStart, converterName(as), isOtherEncoding(as));
            return text.empty() ? PiecesOutcome::Failed : PiecesOutcome::Converted;
        }
        return convertedContentInPieces(data, contentStart, as, control, text);
    };
    // A mark and nothing after it is an empty text in its encoding, as the program writes one.
    if (isConverted(encoding) && contentStart > 0 && contentStart == data.size() && !loneByte)
        return {AnsiText(), encoding, false, false, std::nullopt};
    // Found before converting: a conversion in pieces releases the data.
    const TextEncoding zeroRule = isConverted(encoding) ? encoding : TextEncoding::Utf8;
    const bool wide = zeroRule == TextEncoding::Utf16LE || zeroRule == TextEncoding::Utf16BE;
    // iconv reads a zero as any other character.
    const std::optional<std::size_t> contentCut =
        isOtherEncoding(encoding)
            ? std::nullopt
            : lossyCut(data, firstZeroCharacter(data, contentStart, zeroRule), wide ? 2 : 1);
    AnsiText text;
    if (isConverted(encoding)) {
        switch (converted(encoding, text)) {
        case PiecesOutcome::Converted:
            return {std::move(text), encoding, loneByte.has_value(), false, contentCut};
        case PiecesOutcome::Abandoned:
            return {AnsiText(), encoding, false, true, std::nullopt};
        default:
            break;
        }
        const std::string_view content = std::string_view(data).substr(contentStart);
        CodePageResult fallback;
        if (encoding == TextEncoding::Utf8)
            fallback = decodeUtf8BySystem(content, control);
        else if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
            fallback = decodeUtf16BySystem(content, control);
        else if (isOtherEncoding(encoding))
            fallback = decodedReplacing(content, encoding);
        else
            fallback = codePageInPieces(big5ToAnsi, content, control);
        if (fallback.abandoned)
            return {AnsiText(), encoding, false, true, std::nullopt};
        if (!fallback.text.empty())
            return {std::move(fallback.text), encoding, fallback.lossy || loneByte.has_value(),
                    false, contentCut};
    } else if (utf8Trial) {
        // Plain ANSI is first tried as UTF-8: sources without a mark are recognised this way.
        switch (converted(TextEncoding::Utf8, text)) {
        case PiecesOutcome::Converted:
            return {std::move(text), TextEncoding::Utf8, false, false, contentCut};
        case PiecesOutcome::Abandoned:
            return {AnsiText(), TextEncoding::Ansi, false, true, std::nullopt};
        default:
            break;
        }
    }
    // The whole data from byte 0, a skipped mark included, read as ANSI text: the buffer itself.
    if (loneByte)
        data.push_back(*loneByte);
    const std::size_t length = ansiTextLength(data); // two passes over a large text: once
    const std::optional<std::size_t> cut = lossyCut(data, ansiCut(data, length));
    const bool endMark = cut && data[*cut] == '\x1A';
    data.resize(length);
    return {std::move(data), TextEncoding::Ansi, false, false, cut, endMark};
}

FileProblem encodeTextInto(std::string_view text, TextEncoding encoding, ByteSink& sink,
                           const WorkControl& control, bool withMark) {
    const std::string_view raw = isOtherEncoding(encoding) ? text : text.substr(0, text.find('\0'));
    if (!isConverted(encoding))
        return sink.append(raw) ? FileProblem::None : platform::problems::OutputUnwritable;
    const std::string_view mark = withMark ? byteOrderMark(encoding) : std::string_view();
    if (!mark.empty() && !sink.append(mark))
        return platform::problems::OutputUnwritable;
    if (raw.empty())
        return FileProblem::None;
    if (cutsInPieces(control, raw.size()) && !isOtherEncoding(encoding)) {
        switch (encodeInPieces(raw, encoding, sink, control)) {
        case PiecesOutcome::Converted:
            return FileProblem::None;
        case PiecesOutcome::Refused:
            return platform::problems::OutputUnwritable;
        case PiecesOutcome::Abandoned:
            return engine::problems::Abandoned;
        case PiecesOutcome::Failed:
            break;
        }
    } else {
        const ConversionStatus status =
            convertCharsetInto(raw, internalCharset, converterName(encoding), sink);
        if (status == ConversionStatus::Ok)
            return FileProblem::None;
        if (status == ConversionStatus::SinkFailed)
            return platform::problems::OutputUnwritable;
    }
    if (!sink.truncate(mark.size()))
        return platform::problems::OutputUnwritable;
    return encodeByFallback(text, encoding, sink, control);
}

FileProblem sourceSideOf(FileProblem encoded, TextEncoding decodedFrom) {
    return encoded == engine::problems::LossyEncode && decodedFrom == TextEncoding::Ansi
               ? FileProblem(engine::problems::LossyDecode)
               : encoded;
}

EncodedText encodeText(std::string_view text, TextEncoding encoding) {
    ByteCollector collector(text.size() + 3);
    const FileProblem problem = encodeTextInto(text, encoding, collector);
    return {collector.take(), problem};
}

} // namespace engine

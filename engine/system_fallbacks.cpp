#include "engine/system_fallbacks.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/piece_cutting.h"
#include "engine/replacing_conversion.h"
#include "platform/code_page.h"

namespace engine {

namespace {

using platform::codePage::ansi;
using platform::codePage::utf8;

std::string_view uptoZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::u16string unitsOf(std::string_view littleEndian) {
    std::u16string units(littleEndian.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(littleEndian[2 * i]) |
                                         static_cast<unsigned char>(littleEndian[2 * i + 1]) << 8);
    return units;
}

void appendBytes(ByteBuffer& bytes, const std::u16string& units, bool bigEndian) {
    for (const char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
}

// Bytes of a code page decoded into UTF-16 units; `replaced` tells whether any became a
// replacement. Empty for empty input.
std::u16string wideFrom(unsigned codePage, std::string_view raw, bool& replaced) {
    replaced = false;
    const int length = static_cast<int>(raw.size());
    if (length == 0)
        return {};
    const int needed = platform::multiByteToWideChar(codePage, raw.data(), length, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0)
        platform::multiByteToWideChar(codePage, raw.data(), length, units.data(), needed,
                                      &replaced);
    return units;
}

// UTF-16 units as the internal text. Every character GB18030 holds keeps its place; a
// replacement character (what a bad sequence was read as) and an unpaired surrogate become "?",
// as does a character the internal text cannot hold, and make the result lossy.
CodePageResult ansiFromUnits(const std::u16string& units) {
    if (units.empty())
        return {AnsiText(), false};
    std::string bytes;
    bytes.reserve(2 * units.size());
    bool replacement = false;
    for (const char16_t unit : units) {
        const bool bad = unit == u'\uFFFD';
        replacement = replacement || bad;
        const char16_t kept = bad ? u'?' : unit;
        bytes.push_back(static_cast<char>(kept & 0xFF));
        bytes.push_back(static_cast<char>(kept >> 8));
    }
    ByteCollector text(units.size() * 2);
    const ReplacedConversion converted =
        convertReplacing(bytes, "UTF-16LE", "GB18030", ReplacingSide::Decode, text, false, 2);
    return {text.take(), replacement || converted.replaced > 0};
}

// The internal text as UTF-16 units, each character it holds kept (four-byte ones too); a
// sequence that is no GB18030 character becomes "?" and makes the result lossy.
std::u16string unitsOfText(std::string_view raw, bool& replaced) {
    ByteCollector bytes(2 * raw.size());
    const ReplacedConversion converted =
        convertReplacing(raw, "GB18030", "UTF-16LE", ReplacingSide::Encode, bytes);
    replaced = converted.replaced > 0;
    return unitsOf(bytes.take());
}

// Runs `make` over the pieces ending at `ends`, on the control's workers, and hands each result
// to `take` in order. False when the control's stop or `take` ended it early.
template <typename Make, typename Take>
bool eachPiece(const std::vector<std::size_t>& ends, const WorkControl& control, Make make,
               Take&& take) {
    const auto made = [&](std::size_t start, std::size_t end) -> std::optional<CodePageResult> {
        return make(start, end);
    };
    const auto taken = [&](std::size_t, CodePageResult& piece) { return take(piece); };
    return convertPiecesInOrder<CodePageResult>(control, ends, made, taken) == ends.size();
}

// Collects the pieces' results into one, released piece by piece as they are appended.
struct Joined {
    CodePageResult result{AnsiText(), false};
    explicit Joined(std::size_t expectedSize) { result.text.reserve(expectedSize); }
    bool operator()(CodePageResult& piece) {
        result.text.append(piece.text);
        AnsiText().swap(piece.text);
        result.lossy = result.lossy || piece.lossy;
        return true;
    }
    CodePageResult done(bool finished) {
        if (!finished)
            return {AnsiText(), false, true};
        return std::move(result);
    }
};

// The ANSI text (no zero byte) read by code page 936 and written as UTF-8 or UTF-16: one piece.
CodePageResult encodePiece(std::string_view raw, TextEncoding encoding) {
    bool replaced = false;
    const std::u16string units = unitsOfText(raw, replaced);
    ByteBuffer bytes;
    if (encoding == TextEncoding::Utf8) {
        // Pieces are cut between characters, so no surrogate pair is split.
        const int count = static_cast<int>(units.size());
        const int needed =
            count > 0 ? platform::wideCharToMultiByte(utf8, units.data(), count, nullptr, 0) : 0;
        bytes.assign(static_cast<std::size_t>(needed), '\0');
        if (needed > 0)
            platform::wideCharToMultiByte(utf8, units.data(), count, bytes.data(), needed);
    } else {
        bytes.reserve(2 * units.size());
        appendBytes(bytes, units, encoding == TextEncoding::Utf16BE);
    }
    return {std::move(bytes), replaced};
}

CodePageResult encodeBySystem(std::string_view text, TextEncoding encoding,
                              const WorkControl& control, std::string_view terminator) {
    ByteCollector collector(text.size());
    const FallbackOutcome outcome = encodeBySystemInto(text, encoding, collector, control);
    if (outcome == FallbackOutcome::Abandoned)
        return {AnsiText(), false, true};
    ByteBuffer bytes = collector.take();
    bytes.append(terminator);
    return {std::move(bytes), outcome == FallbackOutcome::Lossy};
}

} // namespace

CodePageResult decodeUtf16BySystem(std::string_view bytes, const WorkControl& control) {
    // Read as a zero-terminated string of little-endian units, never past the end of the data;
    // an odd last byte other than zero is a unit of its own.
    std::size_t length = bytes.size() & ~std::size_t{1};
    bool terminated = false;
    for (std::size_t i = 0; i < length; i += 2) {
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
            length = i;
            terminated = true;
            break;
        }
    }
    const std::string_view whole = bytes.substr(0, length);
    Joined joined(length / 2);
    const bool finished = eachPiece(
        pieceEnds(whole, PieceRule::Utf16LE, pieceSizeOf(control)), control,
        [&](std::size_t start, std::size_t end) {
            return ansiFromUnits(unitsOf(whole.substr(start, end - start)));
        },
        joined);
    if (finished && !terminated && (bytes.size() & 1) != 0 && bytes.back() != '\0') {
        CodePageResult last = ansiFromUnits(
            std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(bytes.back()))));
        joined(last);
    }
    return joined.done(finished);
}

CodePageResult decodeUtf8BySystem(std::string_view bytes, const WorkControl& control) {
    // The text ends at the first zero byte, yet a bad sequence after it still counts as one
    // replaced. A zero byte starts a character, so it is a place to cut.
    const std::size_t zero = std::min(bytes.find('\0'), bytes.size());
    Joined joined(zero);
    const bool finished = eachPiece(
        pieceEnds(bytes, PieceRule::Utf8, pieceSizeOf(control)), control,
        [&](std::size_t start, std::size_t end) {
            const std::size_t middle = std::clamp(zero, start, end);
            bool replaced = false;
            CodePageResult piece =
                ansiFromUnits(wideFrom(utf8, bytes.substr(start, middle - start), replaced));
            piece.lossy = piece.lossy || replaced;
            if (middle < end && !piece.lossy) {
                const std::string_view rest = bytes.substr(middle, end - middle);
                platform::multiByteToWideChar(utf8, rest.data(), static_cast<int>(rest.size()),
                                              nullptr, 0, &replaced);
                piece.lossy = replaced;
            }
            return piece;
        },
        joined);
    return joined.done(finished);
}

FallbackOutcome encodeBySystemInto(std::string_view text, TextEncoding encoding, ByteSink& sink,
                                   const WorkControl& control) {
    const std::string_view raw = uptoZero(text);
    bool lossy = false;
    bool refused = false;
    // Whole: only the reading of the whole text tells a four-byte character from two bad ones.
    // This way is taken only by a text that is not valid GB18030.
    const std::vector<std::size_t> whole =
        raw.empty() ? std::vector<std::size_t>() : std::vector<std::size_t>{raw.size()};
    const bool finished = eachPiece(
        whole, control,
        [&](std::size_t start, std::size_t end) {
            return encodePiece(raw.substr(start, end - start), encoding);
        },
        [&](CodePageResult& piece) {
            lossy = lossy || piece.lossy;
            refused = !sink.append(piece.text);
            return !refused;
        });
    if (refused)
        return FallbackOutcome::Refused;
    if (!finished)
        return FallbackOutcome::Abandoned;
    return lossy ? FallbackOutcome::Lossy : FallbackOutcome::Exact;
}

CodePageResult encodeUtf16LEBySystem(std::string_view text, const WorkControl& control) {
    return encodeBySystem(text, TextEncoding::Utf16LE, control, std::string_view("\0\0", 2));
}

CodePageResult encodeUtf16BEBySystem(std::string_view text, const WorkControl& control) {
    return encodeBySystem(text, TextEncoding::Utf16BE, control, std::string_view("\0\0", 2));
}

CodePageResult encodeUtf8BySystem(std::string_view text, const WorkControl& control) {
    return encodeBySystem(text, TextEncoding::Utf8, control, std::string_view("\0", 1));
}

CodePageResult codePageInPieces(CodePageResult (*step)(std::string_view), std::string_view text,
                                const WorkControl& control) {
    text = uptoZero(text);
    Joined joined(text.size());
    const bool finished = eachPiece(
        pieceEnds(text, PieceRule::CodePage, pieceSizeOf(control)), control,
        [&](std::size_t start, std::size_t end) { return step(text.substr(start, end - start)); },
        joined);
    return joined.done(finished);
}

CodePageResult codePageInPiecesOver(CodePageResult (*step)(std::string_view), AnsiText& text,
                                    const WorkControl& control) {
    const std::string_view source = uptoZero(text);
    const std::vector<std::size_t> ends =
        pieceEnds(source, PieceRule::CodePage, pieceSizeOf(control));
    std::size_t written = 0; // the result so far, at the text's start
    bool spilling = false;   // a piece grew past its source's end: it and the rest go here
    AnsiText spilled;
    bool lossy = false;
    const auto make = [&](std::size_t start, std::size_t end) -> std::optional<CodePageResult> {
        return step(source.substr(start, end - start));
    };
    // Pieces after this one are still being read, but only from their own sources, all at or
    // beyond its end.
    const auto take = [&](std::size_t i, CodePageResult& piece) {
        lossy = lossy || piece.lossy;
        spilling = spilling || written + piece.text.size() > ends[i];
        if (spilling) {
            spilled += piece.text;
        } else {
            std::copy(piece.text.begin(), piece.text.end(),
                      text.begin() + static_cast<std::ptrdiff_t>(written));
            written += piece.text.size();
        }
        AnsiText().swap(piece.text);
        return true;
    };
    if (convertPiecesInOrder<CodePageResult>(control, ends, make, take) < ends.size())
        return {AnsiText(), false, true};
    text.resize(written);
    text += spilled;
    return {AnsiText(), lossy};
}

} // namespace engine

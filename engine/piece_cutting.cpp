#include "engine/piece_cutting.h"

#include <algorithm>

#include "platform/text_steps.h"

namespace engine {

namespace {

// How far past the wanted end a place is looked for by the bytes around it alone (about a
// piece's length, and at least the four bytes within which UTF-8 always has one), before the
// characters are counted from the piece's start instead.
constexpr std::size_t nearbyReach = 4096;

// Under Lines, a line longer than four pieces is cut after its last one-byte character within
// that limit.
constexpr std::size_t longestLines = 4;

unsigned byteAt(std::string_view data, std::size_t at) {
    return static_cast<unsigned char>(data[at]);
}

bool isContinuation(unsigned byte) {
    return (byte & 0xC0) == 0x80;
}

// Whether a character boundary at `at` (0 < at < size) can be told from the bytes before and at
// it, whatever came earlier:
// - UTF-8: a byte that is no continuation byte starts a character; and no character holds more
//   than three continuation bytes, so after three of them one has ended. The converter and the
//   system's reading (one replacement per maximal ill-formed part) both take a lead byte with
//   continuation bytes only.
// - GB18030 and Big5, valid: a byte below 30 is always a character of its own (trail bytes
//   start at 40, the digits 30-39 of a four-byte character too); a byte below 80 ends a
//   character and starts none longer, so the byte below 80 after it is a character of its own.
//   An invalid text fails in some piece as it fails whole, wherever the cut.
// - Code pages 936 and 950 read by the system: a byte that is no lead byte is a character alone
//   or the trail of the lead before it, and ends a character either way.
bool boundaryNearby(std::string_view data, std::size_t at, PieceRule rule) {
    switch (rule) {
    case PieceRule::Utf8:
        return !isContinuation(byteAt(data, at)) ||
               (at >= 3 && isContinuation(byteAt(data, at - 1)) &&
                isContinuation(byteAt(data, at - 2)) && isContinuation(byteAt(data, at - 3)));
    case PieceRule::Converter:
        return byteAt(data, at - 1) < 0x30 ||
               (at >= 2 && byteAt(data, at - 1) < 0x80 && byteAt(data, at - 2) < 0x80);
    case PieceRule::CodePage:
        return !platform::isDoubleByteLead(static_cast<unsigned char>(data[at - 1]));
    case PieceRule::Utf16LE:
    case PieceRule::Utf16BE:
    case PieceRule::Lines:
        break;
    }
    return false;
}

// The length of the character at `at` as `rule` parses the text from a boundary. Under the
// converter's rule a byte it refuses stands alone; a text holding one fails in some piece
// wherever the cuts fall, since pieces that all convert join into a text that converts. The
// mapping passes such a byte through alone as well.
std::size_t characterLength(std::string_view data, std::size_t at, PieceRule rule) {
    return platform::doubleByteLength(data, at,
                                      rule == PieceRule::CodePage
                                          ? platform::DoubleByteRule::CodePage
                                          : platform::DoubleByteRule::Gb18030);
}

// The first offset at or after `from` where a piece starting at the boundary `start` may end;
// data.size() when there is none.
std::size_t cutAtOrAfter(std::string_view data, PieceRule rule, std::size_t start, std::size_t from,
                         std::size_t reach) {
    if (rule == PieceRule::Utf16LE || rule == PieceRule::Utf16BE) {
        // The unit after the cut must not be a low surrogate (DC00-DFFF), in the data's order.
        const std::size_t high = rule == PieceRule::Utf16LE ? 1 : 0;
        for (std::size_t at = from + (from & 1); at + 1 < data.size(); at += 2)
            if ((byteAt(data, at + high) & 0xFC) != 0xDC)
                return at;
        return data.size();
    }
    const std::size_t last = std::min(data.size(), from + reach);
    for (std::size_t at = std::max<std::size_t>(from, 1); at <= last; ++at)
        if (at == data.size() || boundaryNearby(data, at, rule))
            return at;
    // Nothing tells a boundary nearby (Chinese text without a line feed or any ASCII): count
    // characters from the piece's start. A GB18030 cut is put before a character of one or two
    // bytes, so that no four-byte combining mark is parted from the letter it follows, which
    // the Big5-HKSCS encoder would otherwise write as two characters instead of one.
    for (std::size_t at = start; at < data.size();) {
        if (at >= from && (rule != PieceRule::Converter || characterLength(data, at, rule) < 4))
            return at;
        at += characterLength(data, at, rule);
    }
    return data.size();
}

// Where a piece of GB18030 text for the mapping that starts at `start` ends, the text holding
// more than `pieceSize` bytes from there.
std::size_t lineCut(std::string_view data, std::size_t start, std::size_t pieceSize) {
    const std::size_t longestPiece = longestLines * pieceSize;
    const std::size_t rest = data.size() - start;
    // A line feed is never part of a multi-byte GB18030 character, so searching bytes is safe.
    std::size_t newline = data.substr(start, pieceSize).rfind('\n');
    if (newline != std::string_view::npos)
        return start + newline + 1;
    newline = data.substr(start + pieceSize, longestPiece - pieceSize).find('\n');
    if (newline != std::string_view::npos)
        return start + pieceSize + newline + 1;
    if (rest <= longestPiece)
        return data.size();
    std::size_t boundary = start;
    std::size_t afterOneByte = start;
    for (std::size_t at = start; at < start + longestPiece;) {
        const std::size_t length = characterLength(data, at, PieceRule::Lines);
        if (at + length > start + longestPiece)
            break;
        at += length;
        boundary = at;
        if (length == 1)
            afterOneByte = at;
    }
    return afterOneByte > start ? afterOneByte : boundary;
}

} // namespace

std::optional<std::size_t> boundaryAround(std::string_view data, std::size_t from, PieceRule rule) {
    if (rule == PieceRule::Utf16LE || rule == PieceRule::Utf16BE) {
        const std::size_t high = rule == PieceRule::Utf16LE ? 1 : 0;
        for (std::size_t at = from + (from & 1); at + 1 < data.size(); at += 2)
            if ((byteAt(data, at + high) & 0xFC) != 0xDC)
                return at;
        return std::nullopt;
    }
    for (std::size_t at = std::max<std::size_t>(from, 1); at < data.size(); ++at)
        if (boundaryNearby(data, at, rule))
            return at;
    return std::nullopt;
}

std::size_t pieceSizeOf(const WorkControl& control) {
    return control.pieceSize > 0 ? control.pieceSize : defaultPieceSize;
}

bool cutsInPieces(const WorkControl& control, std::size_t length) {
    return control.pool != nullptr && length / 2 >= pieceSizeOf(control);
}

PieceRule pieceRuleOf(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return PieceRule::Utf8;
    case TextEncoding::Utf16LE:
        return PieceRule::Utf16LE;
    case TextEncoding::Utf16BE:
        return PieceRule::Utf16BE;
    default:
        return PieceRule::Converter;
    }
}

std::vector<std::size_t> pieceEnds(std::string_view data, PieceRule rule, std::size_t pieceSize) {
    std::vector<std::size_t> ends;
    pieceSize = std::max<std::size_t>(pieceSize, 1);
    for (std::size_t start = 0; start < data.size();) {
        std::size_t end = data.size();
        if (data.size() - start > pieceSize)
            end = rule == PieceRule::Lines
                      ? lineCut(data, start, pieceSize)
                      : cutAtOrAfter(data, rule, start, start + pieceSize,
                                     std::clamp<std::size_t>(pieceSize, 4, nearbyReach));
        ends.push_back(end);
        start = end;
    }
    return ends;
}

void forEachPiece(const WorkControl& control, std::size_t count,
                  const std::function<void(std::size_t)>& body) {
    if (control.pool) {
        control.pool->forEachPiece(count, body);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        body(i);
}

} // namespace engine

#include "engine/piece_cutting.h"

namespace engine {

namespace {

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// The first offset at or after `from` where a piece may end, or npos.
std::size_t cutAtOrAfter(std::string_view data, TextEncoding encoding, std::size_t from) {
    if (!isUtf16(encoding)) {
        const std::size_t newline = data.find('\n', from == 0 ? 0 : from - 1);
        return newline == std::string_view::npos ? newline : newline + 1;
    }
    // The unit after the cut must not be a low surrogate (DC00-DFFF), in the data's byte order.
    const std::size_t high = encoding == TextEncoding::Utf16LE ? 1 : 0;
    for (std::size_t at = from + (from & 1); at + 1 < data.size(); at += 2)
        if ((static_cast<unsigned char>(data[at + high]) & 0xFC) != 0xDC)
            return at;
    return std::string_view::npos;
}

} // namespace

std::size_t pieceSizeOf(const WorkControl& control) {
    return control.pieceSize > 0 ? control.pieceSize : defaultPieceSize;
}

bool cutsInPieces(const WorkControl& control, std::size_t length) {
    return control.pool != nullptr && length / 2 >= pieceSizeOf(control);
}

std::vector<std::size_t> pieceEnds(std::string_view data, TextEncoding encoding,
                                   std::size_t pieceSize) {
    std::vector<std::size_t> ends;
    pieceSize = std::max<std::size_t>(pieceSize, 1);
    for (std::size_t start = 0; start < data.size();) {
        std::size_t end = data.size();
        if (data.size() - start > pieceSize) {
            const std::size_t cut = cutAtOrAfter(data, encoding, start + pieceSize);
            if (cut != std::string_view::npos && cut < data.size())
                end = cut;
        }
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

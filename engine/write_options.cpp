#include "engine/write_options.h"

#include <cstring>
#include <optional>
#include <vector>

#include "engine/piece_cutting.h"

namespace engine {

namespace {

// The bytes [start, end) of `whole` with their line ends changed. The bytes just outside the
// stretch are looked at, so that a CR LF pair cut in two by a piece's end stays one line end.
void appendChanged(std::string& out, std::string_view whole, std::size_t start, std::size_t end,
                   LineEnding ending) {
    std::size_t at = start;
    while (at < end) {
        const std::size_t next = whole.find_first_of("\r\n", at);
        const std::size_t stop = next == std::string_view::npos || next > end ? end : next;
        out.append(whole.substr(at, stop - at));
        if (stop == end)
            break;
        const bool followedByLf = stop + 1 < whole.size() && whole[stop + 1] == '\n';
        const bool afterCr = stop > 0 && whole[stop - 1] == '\r';
        if (whole[stop] == '\r') {
            // A CR before an LF leaves the line end to the LF.
            if (ending == LineEnding::Crlf)
                out += followedByLf ? "\r" : "\r\n";
            else if (!followedByLf)
                out += '\n';
        } else {
            out += ending == LineEnding::Crlf && !afterCr ? "\r\n" : "\n";
        }
        at = stop + 1;
    }
}

// Whether the text already has only the line ends asked for, so that it need not be copied.
bool alreadyEnded(std::string_view text, LineEnding ending) {
    if (ending == LineEnding::Lf)
        return text.find('\r') == std::string_view::npos;
    for (std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos;
         at = text.find_first_of("\r\n", at + 1)) {
        if (text[at] == '\r') {
            if (at + 1 >= text.size() || text[at + 1] != '\n')
                return false;
            ++at; // its LF
        } else {
            return false; // an LF without its CR
        }
    }
    return true;
}

} // namespace

bool changeLineEndings(std::string& text, LineEnding ending, const WorkControl& control) {
    if (ending == LineEnding::Keep || alreadyEnded(text, ending))
        return !control.abandoned();
    const std::string_view whole = text;
    // CR LF may double the text; plain text grows by a few percent.
    const std::size_t expected = whole.size() + whole.size() / 16 + 16;
    std::string changed;
    if (!cutsInPieces(control, whole.size())) {
        changed.reserve(expected);
        appendChanged(changed, whole, 0, whole.size(), ending);
        text = std::move(changed);
        return !control.abandoned();
    }
    // Any byte is a place to cut: the bytes are never read as characters.
    std::vector<std::size_t> ends;
    const std::size_t piece = pieceSizeOf(control);
    for (std::size_t end = piece; end < whole.size(); end += piece)
        ends.push_back(end);
    ends.push_back(whole.size());
    changed.reserve(expected);
    auto make = [&](std::size_t start, std::size_t end) -> std::optional<std::string> {
        std::string out;
        out.reserve(end - start + (end - start) / 16 + 16);
        appendChanged(out, whole, start, end, ending);
        return out;
    };
    auto take = [&](std::size_t, std::string& out) {
        changed += out;
        return true;
    };
    if (convertPiecesInOrder<std::string>(control, ends, make, take) != ends.size())
        return false;
    text = std::move(changed);
    return true;
}

} // namespace engine

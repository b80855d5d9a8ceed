#include "engine/ansi_scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace engine {

namespace {

bool isHigh(char byte) {
    return static_cast<unsigned char>(byte) >= 0x80;
}

char folded(char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte | 0x20) : byte;
}

bool isLetter(char byte) {
    return folded(byte) >= 'a' && folded(byte) <= 'z';
}

// Whether `marker` matches the text at `at`, which begins a character: the marker's characters
// then line up with the text's, since equal lead bytes pair with the following bytes alike.
bool matchesAt(std::string_view text, std::size_t at, std::string_view marker, bool caseless) {
    if (marker.size() > text.size() - at)
        return false;
    for (std::size_t i = 0; i < marker.size(); ++i) {
        const char m = marker[i];
        const char t = text[at + i];
        if (isHigh(m)) {
            if (t != m || (i + 1 < marker.size() && text[at + i + 1] != marker[i + 1]))
                return false;
            ++i;
        } else if (caseless ? folded(t) != folded(m) : t != m) {
            return false;
        }
    }
    return true;
}

// The next position at or after `from` holding `first` (either case when `both`).
std::size_t nextCandidate(std::string_view text, std::size_t from, char first, bool both) {
    if (!both) {
        const void* hit = std::memchr(text.data() + from, first, text.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                   : std::string_view::npos;
    }
    const char wanted = folded(first);
    for (std::size_t i = from; i < text.size(); ++i)
        if (folded(text[i]) == wanted)
            return i;
    return std::string_view::npos;
}

} // namespace

bool CharacterStarts::isStart(std::size_t position) {
    if (position < known)
        known = 0;
    // Every byte below 0x80 ends a character (as a character or a second byte), so only the run
    // of high bytes right before the position decides: they pair up from its beginning.
    std::size_t runStart = position;
    while (runStart > known && isHigh(text[runStart - 1]))
        --runStart;
    const bool start = (position - runStart) % 2 == 0;
    known = start ? position : position + 1;
    return start;
}

std::size_t ansiTextLength(std::string_view data) {
    std::size_t length = data.size();
    if (const void* zero = std::memchr(data.data(), 0, data.size())) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(zero) - data.data());
        CharacterStarts starts(data);
        // A zero that follows a lead byte ends the text before that lead byte.
        length = starts.isStart(at) ? at : at - 1;
    }
    CharacterStarts starts(data);
    std::size_t from = 0;
    while (from < length) {
        const void* hit = std::memchr(data.data() + from, 0x1A, length - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data.data());
        if (starts.isStart(at))
            return at;
        from = at + 1;
    }
    return length;
}

std::size_t findAnyOf(std::string_view data, char a, char b, char c) {
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i wantA = _mm_set1_epi8(a);
    const __m128i wantB = _mm_set1_epi8(b);
    const __m128i wantC = _mm_set1_epi8(c);
    auto hits = [&](std::size_t offset) {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + offset));
        return _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, wantA), _mm_cmpeq_epi8(bytes, wantB)),
            _mm_cmpeq_epi8(bytes, wantC));
    };
    for (; at + 64 <= data.size(); at += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(hits(at), hits(at + 16)),
                                         _mm_or_si128(hits(at + 32), hits(at + 48)));
        if (_mm_movemask_epi8(any) != 0)
            break; // the bytes below find where
    }
    for (; at + 16 <= data.size(); at += 16)
        if (const int mask = _mm_movemask_epi8(hits(at)); mask != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
#endif
    for (; at < data.size(); ++at)
        if (data[at] == a || data[at] == b || data[at] == c)
            return at;
    return std::string_view::npos;
}

bool isAscii(std::string_view text) {
    for (const unsigned char byte : text)
        if (byte >= 0x80)
            return false;
    return true;
}

AnsiText ansiTextCopy(std::string_view data) {
    return AnsiText(data.substr(0, ansiTextLength(data)));
}

std::size_t findMarker(std::string_view text, std::string_view marker, std::size_t from,
                       bool caseless) {
    if (from > text.size())
        return std::string_view::npos;
    if (marker.empty())
        return from;
    const bool both = caseless && isLetter(marker[0]);
    CharacterStarts starts(text);
    for (std::size_t at = nextCandidate(text, from, marker[0], both); at != std::string_view::npos;
         at = nextCandidate(text, at + 1, marker[0], both)) {
        if (matchesAt(text, at, marker, caseless) && starts.isStart(at))
            return at;
    }
    return std::string_view::npos;
}

} // namespace engine

#include "engine/conversion_check.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "engine/charset_conversion.h"
#include "engine/other_encodings.h"
#include "engine/source_screening.h"
#include "platform/file_access.h"
#include "platform/iconv_cache.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

unsigned byteAt(std::string_view text, std::size_t position) {
    return static_cast<unsigned char>(text[position]);
}

// The line and column of the next character of a walk.
struct Cursor {
    std::size_t line = 1;
    std::size_t column = 1;

    void pass(bool lineBreak) {
        if (lineBreak) {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
};

// The characters found so far and the first of them.
struct Tally {
    std::size_t count = 0;
    std::optional<CharacterPlace> first;

    void note(const Cursor& at, std::string utf8, std::string_view bytes) {
        if (count++ == 0)
            first = CharacterPlace{at.line, at.column, std::move(utf8), std::string(bytes)};
    }
};

// The converter's reading, so that a byte it cannot read counts as one character.
std::size_t ansiCharacterLength(std::string_view text, std::size_t position) {
    return platform::doubleByteLength(text, position, platform::DoubleByteRule::Gb18030);
}

void passAnsi(Cursor& cursor, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); i += ansiCharacterLength(text, i))
        cursor.pass(text[i] == '\n');
}

void passUtf8(Cursor& cursor, std::string_view utf8) {
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            cursor.pass(c == '\n');
}

// How many bytes of an invalid sequence at the start of `rest` count as one unreadable
// character: a UTF-16 unit; a UTF-8 lead byte with the continuation bytes it claims; a Big5
// lead byte with a byte in the trail range; otherwise one byte (in an encoding known only to
// iconv, its smallest character's bytes).
std::size_t unreadableLength(std::string_view rest, TextEncoding encoding) {
    if (isOtherEncoding(encoding)) // as the lenient reading passes them
        return std::min(otherUnitSize(encoding), rest.size());
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return std::min<std::size_t>(2, rest.size());
    const unsigned lead = byteAt(rest, 0);
    if (encoding == TextEncoding::Utf8) {
        const std::size_t claimed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
        std::size_t length = 1;
        while (length < claimed && length < rest.size() && (byteAt(rest, length) & 0xC0) == 0x80)
            ++length;
        return length;
    }
    if (lead >= 0x81 && lead <= 0xFE && rest.size() >= 2) {
        const unsigned trail = byteAt(rest, 1);
        if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE))
            return 2;
    }
    return 1;
}

// Converts `data` from `from` to `to` stretch by stretch. After each stretch `visit(offset,
// produced, refused)` learns how far the input got and what came out; when `refused`, the input
// at `offset` does not convert and `visit` returns how many bytes to pass over. False when
// iconv knows no such pair.
template <typename Visit>
bool walkConversion(std::string_view data, std::string_view from, std::string_view to,
                    const WorkControl& control, Visit visit) {
    platform::IconvLease lease(to, from);
    if (!lease.valid())
        return false;
    std::array<char, 16384> buffer;
    std::size_t offset = 0;
    while (offset < data.size() && !control.abandoned()) {
        // iconv takes a non-const pointer but does not write through it.
        char* in = const_cast<char*>(data.data() + offset);
        std::size_t inLeft = data.size() - offset;
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        errno = 0;
        const std::size_t result = iconv(lease.get(), &in, &inLeft, &out, &outLeft);
        const bool refused = result == static_cast<std::size_t>(-1) && errno != E2BIG;
        offset = data.size() - inLeft;
        const std::size_t skip =
            visit(offset, std::string_view(buffer.data(), buffer.size() - outLeft), refused);
        if (refused) {
            offset += std::clamp<std::size_t>(skip, 1, data.size() - offset);
            lease.resetState();
        }
    }
    return true;
}

// The sequences of `content` that are not valid in `encoding`, placed in the text the source
// would give.
Tally unreadableCharacters(std::string_view content, TextEncoding encoding,
                           const WorkControl& control) {
    Tally tally;
    Cursor cursor;
    (void)walkConversion(content, converterName(encoding), "UTF-8", control,
                         [&](std::size_t offset, std::string_view produced, bool refused) {
                             passUtf8(cursor, produced);
                             if (!refused)
                                 return std::size_t{0};
                             const std::size_t length =
                                 unreadableLength(content.substr(offset), encoding);
                             tally.note(cursor, std::string(), content.substr(offset, length));
                             cursor.pass(false); // it becomes one "?"
                             return length;
                         });
    return tally;
}

// The characters of `text` (up to its first zero byte, as the encoder reads it) that
// `encoding` cannot take, and the bytes of `text` that are no GB18030 character.
Tally unencodableCharacters(std::string_view text, TextEncoding encoding,
                            const WorkControl& control) {
    const std::string_view raw = text.substr(0, text.find('\0'));
    Tally tally;
    Cursor cursor;
    std::size_t passed = 0;
    (void)walkConversion(raw, "GB18030", converterName(encoding), control,
                         [&](std::size_t offset, std::string_view, bool refused) {
                             passAnsi(cursor, raw.substr(passed, offset - passed));
                             passed = offset;
                             if (!refused)
                                 return std::size_t{0};
                             const std::size_t length = ansiCharacterLength(raw, offset);
                             const std::string_view bytes = raw.substr(offset, length);
                             bool readable = false;
                             ByteBuffer utf8 = convertCharset(bytes, "GB18030", "UTF-8", &readable);
                             tally.note(cursor, readable ? std::move(utf8) : std::string(), bytes);
                             cursor.pass(bytes == "\n");
                             passed += length;
                             return length;
                         });
    return tally;
}

// The "?" characters of `after` that `before` does not hold at the same line and column: those
// a script step put in place of characters the target code page lacks. Each is given with the
// bytes `before` holds there.
Tally questionMarksAdded(std::string_view before, std::string_view after) {
    using Place = std::pair<std::size_t, std::size_t>;
    std::vector<Place> earlier; // rising, as walked
    Cursor cursor;
    for (std::size_t i = 0; i < before.size(); i += ansiCharacterLength(before, i)) {
        if (before[i] == '?')
            earlier.emplace_back(cursor.line, cursor.column);
        cursor.pass(before[i] == '\n');
    }
    Tally tally;
    cursor = Cursor();
    for (std::size_t i = 0; i < after.size(); i += ansiCharacterLength(after, i)) {
        if (after[i] == '?' &&
            !std::binary_search(earlier.begin(), earlier.end(), Place{cursor.line, cursor.column}))
            tally.note(cursor, std::string(), std::string_view());
        cursor.pass(after[i] == '\n');
    }
    if (!tally.first)
        return tally;
    cursor = Cursor();
    for (std::size_t i = 0; i < before.size(); i += ansiCharacterLength(before, i)) {
        if (cursor.line == tally.first->line && cursor.column == tally.first->column) {
            tally.first->bytes = before.substr(i, ansiCharacterLength(before, i));
            break;
        }
        cursor.pass(before[i] == '\n');
    }
    return tally;
}

// A character found in the decoded text as the source holds it: the character itself, and its
// bytes in the encoding the source was read in rather than the text's own GB18030.
void placeInSource(CharacterPlace& place, TextEncoding detected) {
    if (place.bytes.empty())
        return;
    bool readable = false;
    ByteBuffer utf8 = convertCharset(place.bytes, "GB18030", "UTF-8", &readable);
    if (!readable)
        return;
    if (place.utf8.empty())
        place.utf8 = std::move(utf8);
    if (detected == TextEncoding::Utf8) {
        place.bytes = place.utf8;
    } else if (detected == TextEncoding::Utf16LE || detected == TextEncoding::Utf16BE) {
        bool converted = false;
        ByteBuffer own = convertCharset(place.utf8, "UTF-8", converterName(detected), &converted);
        if (converted)
            place.bytes = std::move(own);
    }
}

// The first previewLines lines of `text`, at most previewBytes bytes, ending between characters.
AnsiText openingOf(std::string_view text) {
    std::size_t lines = 0;
    std::size_t end = 0;
    while (end < text.size() && lines < previewLines) {
        const std::size_t length = ansiCharacterLength(text, end);
        if (end + length > previewBytes)
            break;
        lines += text[end] == '\n' ? 1 : 0;
        end += length;
    }
    return AnsiText(text.substr(0, end));
}

} // namespace

ConversionCheck checkConversion(const AnsiText& sourcePath, TextEncoding input, TextEncoding output,
                                const ScriptStep& script, DetectionRule rule,
                                const WorkControl& control, const WriteOptions& write) {
    ConversionCheck check;
    auto abandoned = [&check] {
        check = ConversionCheck();
        check.status = {engine::problems::Abandoned};
        return check;
    };
    auto note = [&check](FileProblem problem, auto locate) {
        if (!check.status.ok() || problem == FileProblem::None)
            return;
        check.status = {problem};
        Tally found = locate();
        check.affected = found.count;
        check.first = std::move(found.first);
    };

    DecodedFile source = decodeSourceFile(sourcePath, input, rule, control);
    if (source.status.problem == engine::problems::Abandoned)
        return abandoned();
    if (platform::isSourceProblem(source.status.problem)) {
        check.status = source.status;
        return check;
    }
    const TextEncoding detected = source.detected;
    check.detected = detected;
    check.opening = openingOf(source.text);
    const bool endMark = source.status.problem == engine::problems::EndMarkCut;
    if (source.status.problem == engine::problems::ZeroByteCut || endMark) {
        // The cut stands where the text ends.
        check.status = source.status;
        check.affected = 1;
        Cursor cursor;
        passAnsi(cursor, source.text);
        check.first = CharacterPlace{cursor.line, cursor.column, std::string(),
                                     std::string(1, endMark ? '\x1A' : '\0')};
    }
    // A text most likely read in the wrong encoding has no characters to point at.
    if (isEncodingSuspicion(source.status.problem))
        check.status = source.status;
    note(source.status.problem, [&] {
        // Read again only now: a clean source needs no second look at its bytes.
        const platform::FileContent content = platform::readWholeFile(sourcePath);
        const std::size_t start = detectSourceEncoding(content.bytes, detected).contentStart;
        return unreadableCharacters(std::string_view(content.bytes).substr(start), detected,
                                    control);
    });

    bool big5 = false;
    if (script) {
        const AnsiText before = source.text;
        const ScriptStepOutcome stepped = script(source.text, detected, control);
        if (stepped.problem == engine::problems::Abandoned || control.abandoned())
            return abandoned();
        if (stepped.readBig5 && check.status.problem == engine::problems::MaybeBig5)
            check.status = {};
        big5 = stepped.big5;
        note(stepped.problem, [&] {
            Tally added = stepped.problem == engine::problems::LossyScript
                              ? questionMarksAdded(before, source.text)
                              : Tally();
            if (added.first)
                placeInSource(*added.first, detected);
            return added;
        });
        if (check.status.problem == engine::problems::ScriptUnavailable)
            check.status.detail = stepped.detail;
    }

    check.written = output == TextEncoding::Auto ? detected : output;
    TextEncoding encodeAs = check.written;
    if (big5) {
        const Big5Output settled = settleBig5Output(source.text, check.written, control);
        check.written = settled.written;
        encodeAs = settled.encodeAs;
    }
    if (!changeLineEndings(source.text, write.lineEnding, control))
        return abandoned();
    CountingSink sink;
    const FileProblem encoded =
        encodeTextInto(source.text, encodeAs, sink, control, write.byteOrderMark);
    if (encoded == engine::problems::Abandoned || control.abandoned())
        return abandoned();
    note(sourceSideOf(encoded, detected), [&] {
        Tally refused = unencodableCharacters(source.text, encodeAs, control);
        // After a Big5 step the text holds Big5 bytes, which the source never did.
        if (refused.first && !big5)
            placeInSource(*refused.first, detected);
        return refused;
    });
    if (control.abandoned())
        return abandoned();
    return check;
}

} // namespace engine

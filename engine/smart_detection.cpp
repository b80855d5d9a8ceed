#include "engine/smart_detection.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include <strings.h>
#include <uchardet.h>

#include "engine/chinese_scores.h"
#include "platform/text_steps.h"

namespace engine {

namespace {

enum class UnitKind { Ascii, Latin, Ideograph, OtherText, High, Low, Forbidden, Other };

struct UnitRange {
    char16_t first;
    char16_t last;
    UnitKind kind;
};

// Checked in order; the first range holding a unit decides. Kept to what Chinese prose mixed with
// ASCII uses, so that the byte pairs of GBK, Big5 and UTF-8 text mostly fall outside it (Hangul,
// Yi, the private use area, lone surrogates).
// clang-format off
constexpr UnitRange unitRanges[] = {
    {0x0000, 0x0000, UnitKind::Forbidden},
    {0x0009, 0x000D, UnitKind::Ascii},
    {0x0020, 0x007E, UnitKind::Ascii},
    {0x00A0, 0x00FF, UnitKind::Latin},
    // Symbols GBK and Big5 hold. No pair of ASCII bytes, nor one of ASCII and one of GBK or
    // Big5, reads as one of the ranges added to the original set (accented Latin, Greek,
    // Cyrillic, small and vertical forms); CJK radicals, technical or currency signs would take
    // "/x", "#x" or " \xCA" for text.
    {0x0100, 0x024F, UnitKind::OtherText}, // accented Latin, pinyin tone marks
    {0x02B0, 0x02FF, UnitKind::OtherText}, // modifier letters (bopomofo tones)
    {0x0370, 0x04FF, UnitKind::OtherText}, // Greek, Cyrillic
    {0x2000, 0x206F, UnitKind::OtherText}, // general punctuation
    {0x2100, 0x22FF, UnitKind::OtherText}, // letter-like signs, arrows, mathematics
    {0x2460, 0x27BF, UnitKind::OtherText}, // enclosed numbers, box drawing, shapes, symbols
    {0x3000, 0x33FF, UnitKind::OtherText}, // CJK punctuation, kana, bopomofo, enclosed CJK
    {0x3400, 0x4DBF, UnitKind::Ideograph},
    {0x4E00, 0x9FFF, UnitKind::Ideograph},
    {0xD800, 0xDBFF, UnitKind::High},
    {0xDC00, 0xDFFF, UnitKind::Low},
    {0xF900, 0xFAFF, UnitKind::Ideograph},
    {0xFE10, 0xFE1F, UnitKind::OtherText}, // vertical forms
    {0xFE30, 0xFE6F, UnitKind::OtherText}, // CJK compatibility forms, small forms
    {0xFF00, 0xFFEF, UnitKind::OtherText}, // full-width forms
    {0xFFFE, 0xFFFF, UnitKind::Forbidden},
};
// clang-format on

UnitKind kindOf(char16_t unit) {
    for (const UnitRange& range : unitRanges) {
        if (unit < range.first)
            break;
        if (unit <= range.last)
            return range.kind;
    }
    return UnitKind::Other;
}

struct UnitCounts {
    bool valid = true; // no forbidden unit, no unpaired surrogate
    std::size_t units = 0;
    std::size_t ascii = 0; // ASCII and Latin-1: code units with a zero high byte
    std::size_t ideographs = 0;
    std::size_t text = 0;
};

UnitCounts countUnits(std::string_view data, bool littleEndian) {
    UnitCounts counts;
    counts.units = data.size() / 2;
    bool pending = false; // a high surrogate waits for its low half
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto first = static_cast<unsigned char>(data[i]);
        const auto second = static_cast<unsigned char>(data[i + 1]);
        const auto unit =
            static_cast<char16_t>(littleEndian ? first | second << 8 : first << 8 | second);
        const UnitKind kind = kindOf(unit);
        if (pending != (kind == UnitKind::Low) || kind == UnitKind::Forbidden) {
            counts.valid = false;
            return counts;
        }
        pending = kind == UnitKind::High;
        switch (kind) {
        case UnitKind::Ascii:
        case UnitKind::Latin:
            ++counts.ascii;
            ++counts.text;
            break;
        case UnitKind::Ideograph:
            ++counts.ideographs;
            ++counts.text;
            break;
        case UnitKind::OtherText:
        case UnitKind::High:
        case UnitKind::Low:
            ++counts.text;
            break;
        default:
            break;
        }
    }
    counts.valid = !pending;
    return counts;
}

bool readsAsText(const UnitCounts& counts) {
    return counts.valid && counts.units > 0 && counts.text * 20 >= counts.units * 19;
}

// An owned uchardet detector, kept per thread and reset between sources.
struct DetectorDeleter {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};
using Detector = std::unique_ptr<std::remove_pointer_t<uchardet_t>, DetectorDeleter>;

// Enough for the statistics to settle; a source's first Chinese text is where they start.
constexpr std::size_t detectorWindow = std::size_t{64} << 10;

struct CharsetRow {
    const char* name;
    TextEncoding encoding;
};

// uchardet's names of what the engine decodes. GB2312 and GBK are subsets of the ANSI reading.
constexpr CharsetRow decodableCharsets[] = {
    {"GB18030", TextEncoding::Ansi},         {"GBK", TextEncoding::Ansi},
    {"GB2312", TextEncoding::Ansi},          {"BIG5", TextEncoding::Big5},
    {"BIG5-HKSCS", TextEncoding::Big5Hkscs}, {"UTF-8", TextEncoding::Utf8},
    {"UTF-16LE", TextEncoding::Utf16LE},     {"UTF-16BE", TextEncoding::Utf16BE},
};

// What uchardet decides from the window: what it names, or Auto when it names nothing the
// engine decodes (no answer, a single-byte code page), which leaves the choice to plausibility.
TextEncoding detectedCharset(std::string_view window) {
    thread_local Detector detector(uchardet_new());
    if (!detector)
        return TextEncoding::Auto;
    uchardet_reset(detector.get());
    if (uchardet_handle_data(detector.get(), window.data(), window.size()) != 0)
        return TextEncoding::Auto;
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    if (charset == nullptr)
        return TextEncoding::Auto;
    for (const CharsetRow& row : decodableCharsets)
        if (strcasecmp(charset, row.name) == 0)
            return row.encoding;
    return TextEncoding::Auto;
}

// From the first byte of 0x80 or above, where a source's Chinese text and its statistics start;
// empty for ASCII.
std::string_view statisticsWindow(std::string_view data) {
    std::size_t start = 0;
    while (start < data.size() && static_cast<unsigned char>(data[start]) < 0x80)
        ++start;
    return data.substr(start, detectorWindow);
}

using platform::Utf8Status;

struct Utf8Reading {
    Utf8Status shape = Utf8Status::Valid;
    bool multiByte = false; // holds a whole character of two or more bytes
};

Utf8Reading readUtf8(std::string_view data) {
    Utf8Reading reading;
    std::size_t i = 0;
    while (i < data.size()) {
        if (static_cast<unsigned char>(data[i]) < 0x80) {
            ++i;
            continue;
        }
        const platform::Utf8Step step = platform::utf8StepAt(data, i);
        if (step.status != Utf8Status::Valid) {
            reading.shape = step.status;
            return reading;
        }
        reading.multiByte = true;
        i += step.length;
    }
    return reading;
}

// A double-byte reading of the window: the summed plausibility of its characters and how many
// byte sequences it cannot read (`malformed` by the shape of the bytes, `unmapped` by a code
// the table does not assign). A character cut by the end of the window is not counted.
struct ChineseReading {
    long score = 0;
    std::size_t malformed = 0;
    std::size_t unmapped = 0;
    std::size_t fourByte = 0;   // four-byte GB18030 characters
    std::size_t characters = 0; // two-byte characters read
    std::size_t asciiText = 0;  // printable ASCII bytes

    bool clean() const { return malformed == 0 && unmapped == 0; }
};

bool isTrail(unsigned char byte, bool big5) {
    return big5 ? (byte >= 0x40 && byte <= 0x7E) || (byte >= 0xA1 && byte <= 0xFE)
                : byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// A four-byte GB18030 character (outside GBK: ©, •, ™, rarer ideographs) reads as a symbol would.
constexpr int fourByteScore = 6;
// A byte of printable ASCII in a double-byte reading, set against UTF-16.
constexpr long asciiScore = 1;
// A lone two-byte character is as likely GBK, which the classic rule reads, as Big5: Big5
// needs a clear lead.
constexpr long singleCharacterLead = 2;
// The units of a UTF-16 reading that are no ideographs, scored as in the tables: full-width
// forms and CJK punctuation, and other symbols.
constexpr int fullWidthScore = 8;
constexpr int symbolScore = 3;

ChineseReading readChinese(std::string_view window, bool big5) {
    const signed char* scores = big5 ? big5PairScores : gb18030PairScores;
    ChineseReading reading;
    std::size_t i = 0;
    auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(window[at]); };
    while (i < window.size()) {
        const unsigned char lead = byteAt(i);
        if (lead < 0x80) {
            reading.asciiText += lead >= 0x20 && lead < 0x7F;
            ++i;
            continue;
        }
        if (i + 1 == window.size())
            break;
        const unsigned char trail = byteAt(i + 1);
        if (lead == 0x80 || lead == 0xFF) {
            ++reading.malformed;
            ++i;
        } else if (isTrail(trail, big5)) {
            const int score = scores[(lead - 0x81) * chinesePairTrails + (trail - 0x40)];
            if (score < 0)
                ++reading.unmapped;
            else
                reading.score += score;
            ++reading.characters;
            i += 2;
        } else if (!big5 && trail >= 0x30 && trail <= 0x39) {
            if (i + 3 >= window.size())
                break;
            if (byteAt(i + 2) < 0x81 || byteAt(i + 2) == 0xFF || byteAt(i + 3) < 0x30 ||
                byteAt(i + 3) > 0x39) {
                ++reading.malformed;
                ++i;
                continue;
            }
            reading.score += fourByteScore;
            ++reading.fourByte;
            i += 4;
        } else {
            ++reading.malformed;
            ++i;
        }
    }
    return reading;
}

// GB18030 (Ansi) or Big5 for bytes that are not UTF-8. A reading that decodes cleanly wins over
// one that does not; between two clean readings the more plausible Chinese wins. Only what that
// leaves open goes to uchardet, which costs far more than the readings: a tie, and two readings
// that are both unclean (where HKSCS may be named); UTF-16 it names is taken too.
TextEncoding chineseEncoding(std::string_view window) {
    const ChineseReading gb = readChinese(window, false);
    const ChineseReading big5 = readChinese(window, true);
    if (gb.clean() && big5.clean() && big5.score != gb.score)
        return big5.score > gb.score + (big5.characters <= 1 ? singleCharacterLead : 0)
                   ? TextEncoding::Big5
                   : TextEncoding::Ansi;
    if (gb.clean() != big5.clean())
        return gb.clean() ? TextEncoding::Ansi : TextEncoding::Big5;
    const TextEncoding named = detectedCharset(window);
    switch (named) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Big5:
    case TextEncoding::Big5Hkscs:
        return named;
    default:
        return TextEncoding::Ansi;
    }
}

// How plausible a character is as Chinese, on the scale of ChineseReading's score.
long characterScore(char32_t c) {
    if (c >= ideographScoresFirst && c <= ideographScoresLast)
        return ideographScores[c - ideographScoresFirst];
    if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF))
        return fullWidthScore;
    return c >= 0x80 ? symbolScore : 0;
}

// How plausible `window` (from a lead byte on) is as UTF-8 Chinese, up to where it stops
// being UTF-8.
long utf8Plausibility(std::string_view window) {
    long score = 0;
    std::size_t i = 0;
    while (i < window.size()) {
        const platform::Utf8Step step = platform::utf8StepAt(window, i);
        if (step.status != Utf8Status::Valid)
            break;
        score += characterScore(step.scalar);
        i += step.length;
    }
    return score;
}

// How plausible `data` is as UTF-16 Chinese, on the scale of ChineseReading's score.
long utf16Plausibility(std::string_view data, bool littleEndian) {
    long score = 0;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto first = static_cast<unsigned char>(data[i]);
        const auto second = static_cast<unsigned char>(data[i + 1]);
        const unsigned unit = littleEndian ? first | second << 8 : first << 8 | second;
        if (unit >= 0x100)
            score += characterScore(unit);
    }
    return score;
}

} // namespace

TextEncoding utf16WithoutMark(std::string_view data, bool validUtf8) {
    if (data.size() < 2)
        return TextEncoding::Auto;
    // A lone last byte (a file cut inside its last unit) is left unread.
    const std::size_t whole = data.size() - data.size() % 2;
    std::size_t zerosEven = 0;
    std::size_t zerosOdd = 0;
    bool high = false;
    for (std::size_t i = 0; i < whole; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte == 0)
            ++(i % 2 == 0 ? zerosEven : zerosOdd);
        high = high || byte >= 0x80;
    }
    // The four-byte characters of GB18030 (0x81-0xFE, 0x30-0x39 twice) read as ideographs in
    // either byte order; text that decodes cleanly with them is GB18030.
    auto gb18030WithFourByte = [&] {
        const ChineseReading gb = readChinese(data, false);
        return gb.clean() && gb.fourByte > 0;
    };
    const UnitCounts little = countUnits(data, true);
    const UnitCounts big = countUnits(data, false);
    enum class Take { No, ByShape, ByIdeographs };
    auto takes = [&](bool littleEndian) {
        // ASCII puts its zero bytes on the high side of its units; CJK characters such as
        // U+4E00 and U+6700 put some on the low side, but fewer in Chinese prose.
        const std::size_t highSide = littleEndian ? zerosOdd : zerosEven;
        const std::size_t lowSide = littleEndian ? zerosEven : zerosOdd;
        const UnitCounts& counts = littleEndian ? little : big;
        if (!readsAsText(counts))
            return Take::No;
        if (counts.ascii > 0 && highSide >= lowSide)
            return Take::ByShape;
        // Box drawing (U+2500) and ideographs like U+4E00 may outnumber the ASCII, but read the
        // other way round their neighbours (U+2502, U+4E2D) are no text. A broken unit the
        // other way round says nothing of the kind.
        const UnitCounts& reversed = littleEndian ? big : little;
        if (counts.ascii > 0 && reversed.valid && !readsAsText(reversed))
            return Take::ByShape;
        return !validUtf8 && high && counts.ideographs * 2 >= counts.units &&
                       lowSide * 4 < counts.units && !gb18030WithFourByte()
                   ? Take::ByIdeographs
                   : Take::No;
    };
    const Take takesLittle = takes(true);
    const Take takesBig = takes(false);
    if (takesLittle == Take::ByShape || takesBig == Take::ByShape) {
        if (takesLittle != Take::No && takesBig != Take::No)
            return TextEncoding::Auto;
        return takesLittle == Take::ByShape ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    }
    if (takesLittle == Take::No && takesBig == Take::No)
        return TextEncoding::Auto;
    // Ideographs alone: short GBK or Big5 text among ASCII reads as ideographs too, in either
    // byte order, but as rare ones. The most plausible reading decides.
    const std::string_view window = data.substr(0, detectorWindow);
    const long littleScore = takesLittle == Take::No ? -1 : utf16Plausibility(window, true);
    const long bigScore = takesBig == Take::No ? -1 : utf16Plausibility(window, false);
    if (littleScore == bigScore)
        return TextEncoding::Auto;
    for (const bool big5 : {false, true}) {
        const ChineseReading reading = readChinese(window, big5);
        // Its ASCII counts too: in UTF-16 the same bytes make up ideographs, which score.
        const long score = reading.score + static_cast<long>(reading.asciiText) * asciiScore;
        if (reading.clean() && score >= std::max(littleScore, bigScore))
            return TextEncoding::Auto;
    }
    return littleScore > bigScore ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
}

TextEncoding smartSourceEncoding(std::string_view data) {
    const Utf8Reading utf8 = readUtf8(data);
    const TextEncoding utf16 = utf16WithoutMark(data, utf8.shape == Utf8Status::Valid);
    if (utf16 != TextEncoding::Auto)
        return utf16;
    if (utf8.shape == Utf8Status::Valid && !utf8.multiByte)
        return TextEncoding::Ansi; // ASCII: the classic reading, which takes it as UTF-8
    const std::string_view window = statisticsWindow(data);
    if (utf8.shape == Utf8Status::Valid) {
        // Short GBK text can be valid UTF-8 as well (一 is D2 BB, Cyrillic һ): only a clean
        // Chinese reading far more plausible than the UTF-8 one outweighs it.
        const ChineseReading gb = readChinese(window, false);
        return gb.clean() && gb.score > 2 * utf8Plausibility(window) ? TextEncoding::Ansi
                                                                     : TextEncoding::Utf8;
    }
    if (utf8.shape == Utf8Status::Truncated && utf8.multiByte) {
        // Short GBK text can be UTF-8 up to a cut last character too (斐济: EC B3 BC C3).
        const long utf8Score = utf8Plausibility(window);
        const ChineseReading gb = readChinese(window, false);
        const ChineseReading big5 = readChinese(window, true);
        if (!(gb.clean() && gb.score >= utf8Score) && !(big5.clean() && big5.score >= utf8Score))
            return TextEncoding::Utf8;
    }
    // UTF-8 only for valid UTF-8: anything else is double-byte Chinese or ANSI text.
    return chineseEncoding(window);
}

TextEncoding smartDeclaredEncoding(std::string_view data, TextEncoding declared) {
    const Utf8Reading utf8 = readUtf8(data);
    if (declared == TextEncoding::Utf8)
        return utf8.shape == Utf8Status::Invalid ? smartSourceEncoding(data) : declared;
    const std::string_view window = statisticsWindow(data);
    const ChineseReading big5 = readChinese(window, true);
    const bool confirmed = declared == TextEncoding::Big5Hkscs ? big5.malformed == 0 : big5.clean();
    if (utf8.shape != Utf8Status::Invalid && utf8.multiByte)
        return smartSourceEncoding(data); // UTF-8 text, which Big5 text never is
    const ChineseReading gb = readChinese(window, false);
    // GBK text often decodes cleanly as Big5 too, but as rare characters.
    if (confirmed && !(gb.clean() && gb.score > 2 * big5.score))
        return declared;
    return gb.clean() ? smartSourceEncoding(data) : declared;
}

TextEncoding surelyNotAnsi(std::string_view data) {
    const bool validUtf8 = readUtf8(data).shape == Utf8Status::Valid;
    // A few units read as text either way round by chance.
    constexpr std::size_t fewestUtf16Bytes = 32;
    if (data.size() >= fewestUtf16Bytes)
        if (const TextEncoding utf16 = utf16WithoutMark(data, validUtf8);
            utf16 != TextEncoding::Auto)
            return utf16;
    if (validUtf8)
        return TextEncoding::Auto;
    // A few characters prove little: short GBK text reads as Big5 now and then.
    constexpr std::size_t fewestCharacters = 4;
    const std::string_view window = statisticsWindow(data);
    const ChineseReading big5 = readChinese(window, true);
    if (!big5.clean() || big5.characters < fewestCharacters)
        return TextEncoding::Auto;
    const ChineseReading gb = readChinese(window, false);
    const bool sure = gb.clean() ? big5.score > 2 * gb.score : big5.score >= gb.score;
    return sure ? TextEncoding::Big5 : TextEncoding::Auto;
}

} // namespace engine

#include "engine/smart_detection.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include <strings.h>
#include <uchardet.h>

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
constexpr UnitRange unitRanges[] = {
    {0x0000, 0x0000, UnitKind::Forbidden},
    {0x0009, 0x000D, UnitKind::Ascii},
    {0x0020, 0x007E, UnitKind::Ascii},
    {0x00A0, 0x00FF, UnitKind::Latin},
    {0x2000, 0x206F, UnitKind::OtherText}, // general punctuation
    {0x2100, 0x22FF, UnitKind::OtherText}, // letter-like signs, arrows, mathematics
    {0x2460, 0x27BF, UnitKind::OtherText}, // enclosed numbers, box drawing, shapes, symbols
    {0x3000, 0x33FF, UnitKind::OtherText}, // CJK punctuation, kana, bopomofo, enclosed CJK
    {0x3400, 0x4DBF, UnitKind::Ideograph},
    {0x4E00, 0x9FFF, UnitKind::Ideograph},
    {0xD800, 0xDBFF, UnitKind::High},
    {0xDC00, 0xDFFF, UnitKind::Low},
    {0xF900, 0xFAFF, UnitKind::Ideograph},
    {0xFE30, 0xFE4F, UnitKind::OtherText}, // CJK compatibility forms
    {0xFF00, 0xFFEF, UnitKind::OtherText}, // full-width forms
    {0xFFFE, 0xFFFF, UnitKind::Forbidden},
};

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

TextEncoding detectedCharset(std::string_view data) {
    std::size_t start = 0;
    while (start < data.size() && static_cast<unsigned char>(data[start]) < 0x80)
        ++start;
    if (start == data.size())
        return TextEncoding::Ansi; // ASCII: any reading gives the same text
    thread_local Detector detector(uchardet_new());
    if (!detector)
        return TextEncoding::Ansi;
    uchardet_reset(detector.get());
    const std::string_view window = data.substr(start, detectorWindow);
    if (uchardet_handle_data(detector.get(), window.data(), window.size()) != 0)
        return TextEncoding::Ansi;
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    if (charset == nullptr)
        return TextEncoding::Ansi;
    for (const CharsetRow& row : decodableCharsets)
        if (strcasecmp(charset, row.name) == 0)
            return row.encoding;
    return TextEncoding::Ansi;
}

} // namespace

TextEncoding utf16WithoutMark(std::string_view data, bool validUtf8) {
    if (data.size() < 2 || data.size() % 2 != 0)
        return TextEncoding::Auto;
    std::size_t zerosEven = 0;
    std::size_t zerosOdd = 0;
    bool high = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte == 0)
            ++(i % 2 == 0 ? zerosEven : zerosOdd);
        high = high || byte >= 0x80;
    }
    auto takes = [&](bool littleEndian) {
        // ASCII puts its zero bytes on the high side of its units; CJK characters such as
        // U+4E00 and U+6700 put some on the low side, but fewer in Chinese prose.
        const std::size_t highSide = littleEndian ? zerosOdd : zerosEven;
        const std::size_t lowSide = littleEndian ? zerosEven : zerosOdd;
        const UnitCounts counts = countUnits(data, littleEndian);
        if (!readsAsText(counts))
            return false;
        if (counts.ascii > 0 && highSide >= lowSide)
            return true;
        return !validUtf8 && high && counts.ideographs * 2 >= counts.units &&
               lowSide * 4 < counts.units;
    };
    const bool little = takes(true);
    const bool big = takes(false);
    if (little == big)
        return TextEncoding::Auto;
    return little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
}

bool isValidUtf8(std::string_view data) {
    std::size_t i = 0;
    while (i < data.size()) {
        const auto lead = static_cast<unsigned char>(data[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        // The bounds of the second byte rule out overlong forms, surrogates and > U+10FFFF.
        unsigned char low = 0x80;
        unsigned char top = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            top = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            top = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (data.size() - i < length)
            return false;
        const auto second = static_cast<unsigned char>(data[i + 1]);
        if (second < low || second > top)
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            const auto next = static_cast<unsigned char>(data[i + k]);
            if (next < 0x80 || next > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

TextEncoding smartSourceEncoding(std::string_view data) {
    const bool validUtf8 = isValidUtf8(data);
    const TextEncoding utf16 = utf16WithoutMark(data, validUtf8);
    if (utf16 != TextEncoding::Auto)
        return utf16;
    if (validUtf8)
        return TextEncoding::Ansi;
    return detectedCharset(data);
}

} // namespace engine

#include "engine/source_screening.h"

#include <array>
#include <optional>

#include "engine/other_encodings.h"
#include "engine/smart_detection.h"

namespace engine {

namespace {

using namespace std::string_view_literals;

// Bytes a format's files hold at a fixed place. Each holds a byte no plain text starts with
// (a control or a high byte) or is long enough that no text begins that way by chance.
struct Signature {
    std::size_t at;
    std::string_view bytes;
    std::string_view format;
};

constexpr std::array signatures{
    Signature{0, "\x89PNG\r\n\x1A\n"sv, "PNG"},
    Signature{0, "\xFF\xD8\xFF"sv, "JPEG"},
    Signature{0, "GIF87a"sv, "GIF"},
    Signature{0, "GIF89a"sv, "GIF"},
    Signature{0, "II*\0"sv, "TIFF"},
    Signature{0, "MM\0*"sv, "TIFF"},
    Signature{0, "\0\0\1\0"sv, "ICO"},
    Signature{0, "%PDF-"sv, "PDF"},
    Signature{0, "PK\x03\x04"sv, "ZIP"},
    Signature{0, "PK\x05\x06"sv, "ZIP"},
    Signature{0, "PK\x07\x08"sv, "ZIP"},
    Signature{0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "Office"},
    Signature{0, "\x1F\x8B"sv, "gzip"},
    Signature{0,
              "\xFD"
              "7zXZ\0"sv,
              "xz"},
    Signature{0, "7z\xBC\xAF\x27\x1C"sv, "7z"},
    Signature{0, "Rar!\x1A\x07"sv, "RAR"},
    Signature{0, "\x28\xB5\x2F\xFD"sv, "zstd"},
    Signature{0,
              "\x7F"
              "ELF"sv,
              "ELF"},
    Signature{0, "\xCA\xFE\xBA\xBE"sv, "Java class"},
    Signature{0, "\0asm"sv, "WebAssembly"},
    Signature{0, "SQLite format 3\0"sv, "SQLite"},
    Signature{0, "OggS\0"sv, "Ogg"},
    Signature{0, "fLaC\0\0\0\x22"sv, "FLAC"},
    Signature{0, "ID3\x02"sv, "MP3"},
    Signature{0, "ID3\x03"sv, "MP3"},
    Signature{0, "ID3\x04"sv, "MP3"},
    Signature{0, "\x1A\x45\xDF\xA3"sv, "Matroska"},
    Signature{0, "wOFF"sv, "WOFF"},
    Signature{0, "wOF2"sv, "WOFF2"},
    Signature{8, "WEBPVP8"sv, "WebP"},
    Signature{8, "WAVEfmt "sv, "WAV"},
    Signature{8, "WAVEJUNK"sv, "WAV"},
    Signature{8, "WAVELIST"sv, "WAV"},
    Signature{8, "AVI LIST"sv, "AVI"},
    // A box's size in four big-endian bytes, the first of them zero, then its type.
    Signature{0,
              "\0\0\0\x14"
              "ftyp"sv,
              "MP4"},
    Signature{0,
              "\0\0\0\x18"
              "ftyp"sv,
              "MP4"},
    Signature{0,
              "\0\0\0\x1C"
              "ftyp"sv,
              "MP4"},
    Signature{0,
              "\0\0\0\x20"
              "ftyp"sv,
              "MP4"},
};

bool holdsAt(std::string_view head, std::size_t at, std::string_view bytes) {
    return head.size() >= at + bytes.size() && head.substr(at, bytes.size()) == bytes;
}

// "BZh" and a block size, then the block's own magic (the digits of pi): seven letters a text
// could begin with on their own.
bool isBzip2(std::string_view head) {
    return holdsAt(head, 0, "BZh") && head.size() >= 10 && head[3] >= '1' && head[3] <= '9' &&
           head.substr(4, 6) == "\x31\x41\x59\x26\x53\x59"sv;
}

// "BM", the size, then four reserved zero bytes.
bool isBitmap(std::string_view head) {
    return holdsAt(head, 0, "BM") && holdsAt(head, 6, "\0\0\0\0"sv);
}

// The RIFF container's own formats are told by the name at offset 8 and the chunk after it; a
// file with "RIFF" alone is left to the zero-byte rule.
bool isRiff(std::string_view head) {
    return holdsAt(head, 0, "RIFF");
}

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// Where the zero characters of the head begin when they make it binary: more than one with text
// after them, or nothing but zeros in a whole source. Zeros that end the text (a terminator, or
// padding) leave it text, whose cut the decoding reports. A zero unit of UTF-16, a zero byte
// otherwise.
std::optional<std::size_t> binaryZeros(std::string_view head, bool whole, TextEncoding encoding,
                                       std::size_t contentStart) {
    const std::size_t step = isUtf16(encoding) ? 2 : 1;
    auto zeroAt = [&](std::size_t at) {
        return head[at] == '\0' && (step == 1 || head[at + 1] == '\0');
    };
    std::optional<std::size_t> first;
    std::size_t zeros = 0;
    bool textAfterZero = false;
    for (std::size_t at = contentStart; at + step <= head.size(); at += step) {
        if (zeroAt(at)) {
            first = first.value_or(at);
            ++zeros;
        } else if (first) {
            textAfterZero = true;
        }
    }
    if (!first)
        return std::nullopt;
    if (textAfterZero ? zeros > 1 : whole && *first == contentStart)
        return first;
    return std::nullopt;
}

} // namespace

std::string_view binaryFormatOf(std::string_view head) {
    if (isBzip2(head))
        return "bzip2";
    if (isBitmap(head))
        return "BMP";
    for (const Signature& signature : signatures) {
        if (signature.at == 8 && !isRiff(head))
            continue;
        if (holdsAt(head, signature.at, signature.bytes))
            return signature.format;
    }
    return {};
}

platform::FileStatus screenSource(std::string_view head, bool whole, TextEncoding input,
                                  DetectionRule rule) {
    if (const std::string_view format = binaryFormatOf(head); !format.empty())
        return {.problem = engine::problems::NotText, .detail = std::string(format)};
    // Where the head does not cover the source, a reading of it is only a guess at the whole;
    // that is what the statistical rule takes, too.
    const DetectedEncoding found = detectSourceEncoding(head, input, rule);
    const bool classicAnsi = input == TextEncoding::Auto && rule == DetectionRule::Classic &&
                             found.encoding == TextEncoding::Ansi;
    // UTF-16 without a mark is full of zero bytes: it is text read the wrong way.
    if (classicAnsi) {
        switch (surelyNotAnsi(head)) {
        case TextEncoding::Big5:
            return {engine::problems::MaybeBig5};
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            return {engine::problems::MaybeUtf16};
        default:
            break;
        }
    }
    // Encodings known only to iconv may have zero bytes in their characters (UTF-32).
    if (isOtherEncoding(found.encoding))
        return {};
    if (const std::optional<std::size_t> zero =
            binaryZeros(head, whole, found.encoding, found.contentStart))
        return {.problem = engine::problems::ZeroBytes, .offset = *zero};
    return {};
}

bool isEncodingSuspicion(platform::FileProblem problem) {
    return problem == engine::problems::MaybeBig5 || problem == engine::problems::MaybeUtf16;
}

} // namespace engine

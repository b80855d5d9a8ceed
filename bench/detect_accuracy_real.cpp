// How often automatic detection reads real Chinese text right: the translations of the gettext
// catalogues Debian packages install (zh_CN for Simplified, zh_TW for Traditional), cut into
// sources of four size bands and three kinds (message lines, .po-style mostly-ASCII text, CSV),
// in every encoding, UTF-16 also cut inside its last unit, plus web pages with a right, a wrong and
// no charset declaration. Each source is read by smart and classic detection and, for comparison,
// by uchardet alone (the library behind the uchardet command).
//
//     detect-accuracy-real [--count N] [--seed N] [--locale DIR]
//
// A source counts as read right as in detect-accuracy: the decoding reports its encoding and
// gives back its text. uchardet counts when it names the encoding (GB18030, GBK or GB2312 for
// both GB rows, Big5 or Big5-HKSCS for Big5). The catalogues' text never fed the detection's
// character table, which comes from OpenCC's dictionaries and Qt's catalogues.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <strings.h>
#include <uchardet.h>

#include "engine/charset_conversion.h"
#include "engine/script_conversion.h"
#include "engine/text_encoding.h"

namespace {

using engine::DetectionRule;
using engine::TextEncoding;

class Random {
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(engine() % count); }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

private:
    std::mt19937_64 engine;
};

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 4; k-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

bool hasHan(std::string_view utf8) {
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xE3 && lead <= 0xE9)
            return true;
    }
    return false;
}

// The translations of one catalogue (plural forms apart) that hold Chinese.
void readCatalogue(const std::filesystem::path& path, std::vector<std::string>& messages) {
    std::ifstream in(path, std::ios::binary);
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    if (file.size() < 20 || littleEndian32(file, 0) != 0x950412DE)
        return;
    const std::uint32_t count = littleEndian32(file, 8);
    const std::uint32_t table = littleEndian32(file, 16);
    for (std::uint32_t i = 0; i < count && table + 8 * i + 8 <= file.size(); ++i) {
        const std::uint32_t length = littleEndian32(file, table + 8 * i);
        const std::uint32_t offset = littleEndian32(file, table + 8 * i + 4);
        if (offset > file.size() || length > file.size() - offset)
            continue;
        std::string_view text = std::string_view(file).substr(offset, length);
        while (!text.empty()) {
            const std::string_view form = text.substr(0, text.find('\0'));
            if (hasHan(form) && form.find("Content-Type:") == std::string_view::npos)
                messages.emplace_back(form);
            text.remove_prefix(std::min(text.size(), form.size() + 1));
        }
    }
}

std::vector<std::string> catalogueMessages(const std::filesystem::path& folder) {
    std::vector<std::string> messages;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".mo")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        readCatalogue(file, messages);
    return messages;
}

enum class Shape { Lines, Po, Csv, CSource, Ini };

// `size` bytes or so of text of the shape, from consecutive messages at a random place.
std::string draw(Random& random, const std::vector<std::string>& messages, Shape shape,
                 std::size_t size) {
    std::string text;
    std::size_t at = random.below(messages.size());
    while (text.size() < size * 2 + 8) {
        const std::string& message = messages[at];
        at = (at + 1) % messages.size();
        switch (shape) {
        case Shape::Po:
            text += "msgid \"" + std::to_string(random.below(1000)) + " item\"\nmsgstr \"" +
                    message + "\"\n\n";
            break;
        case Shape::Csv:
            text += std::to_string(random.below(100000)) + "," + message.substr(0, 60) + "," +
                    std::to_string(random.below(100)) + "\n";
            break;
        case Shape::CSource:
            text +=
                "    /* " + message.substr(0, 80) + " */\n    report(_(\"" + message + "\"));\n";
            break;
        case Shape::Ini:
            text += "name" + std::to_string(random.below(100)) + "=" + message + "\n";
            break;
        default:
            text += message + "\n";
            break;
        }
    }
    return text;
}

// The longest prefix of `utf8`, at a character boundary, whose encoding fits `size` bytes, and
// that encoding; empty when a character does not fit the charset.
struct Source {
    std::string bytes;
    std::string utf8;
};

Source cutToSize(const std::string& utf8, const char* charset, std::size_t size) {
    bool ok = false;
    const std::string all = engine::convertCharset(utf8, "UTF-8", charset, &ok);
    if (!ok)
        return {};
    // Bisect over character boundaries; encodings here only grow with the text.
    std::vector<std::size_t> ends;
    for (std::size_t i = 1; i <= utf8.size(); ++i)
        if (i == utf8.size() || (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80)
            ends.push_back(i);
    std::size_t low = 0;
    std::size_t high = ends.size();
    Source best;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        std::string prefix = utf8.substr(0, ends[middle]);
        std::string bytes = engine::convertCharset(prefix, "UTF-8", charset, &ok);
        if (ok && bytes.size() <= size) {
            best = {std::move(bytes), std::move(prefix)};
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return best;
}

struct Encoding {
    const char* name;
    const char* charset;
    TextEncoding expected;
    bool traditional; // from the zh_TW catalogues
};

const Encoding encodings[] = {
    {"GBK", "GBK", TextEncoding::Ansi, false},
    {"GB18030 (4-byte)", "GB18030", TextEncoding::Ansi, false},
    {"Big5", "BIG5", TextEncoding::Big5, true},
    {"UTF-8", "UTF-8", TextEncoding::Utf8, false},
    {"UTF-16LE", "UTF-16LE", TextEncoding::Utf16LE, false},
    {"UTF-16BE", "UTF-16BE", TextEncoding::Utf16BE, true},
};

bool hasFourByteCharacter(std::string_view gb18030) {
    for (std::size_t i = 0; i + 3 < gb18030.size(); ++i) {
        const auto lead = static_cast<unsigned char>(gb18030[i]);
        if (lead < 0x80)
            continue;
        const auto second = static_cast<unsigned char>(gb18030[i + 1]);
        if (second >= 0x30 && second <= 0x39)
            return true;
        ++i;
    }
    return false;
}

bool readsRight(const Source& source, TextEncoding expected, DetectionRule rule) {
    const engine::DetectedEncoding found =
        engine::detectSourceEncoding(source.bytes, TextEncoding::Auto, rule);
    const engine::DecodedText decoded = engine::decodeContent(source.bytes, found.contentStart,
                                                              found.encoding, {}, found.utf8Trial);
    const bool encodingRight =
        decoded.encoding == expected ||
        (expected == TextEncoding::Big5 && decoded.encoding == TextEncoding::Big5Hkscs);
    return encodingRight && !decoded.lossy &&
           decoded.text == engine::convertCharset(source.utf8, "UTF-8", "GB18030");
}

struct DetectorDeleter {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};

bool uchardetRight(const std::string& bytes, TextEncoding expected) {
    static const std::unique_ptr<std::remove_pointer_t<uchardet_t>, DetectorDeleter> detector(
        uchardet_new());
    uchardet_reset(detector.get());
    uchardet_handle_data(detector.get(), bytes.data(), bytes.size());
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    auto is = [&](const char* wanted) { return name != nullptr && strcasecmp(name, wanted) == 0; };
    switch (expected) {
    case TextEncoding::Ansi:
        return is("GB18030") || is("GBK") || is("GB2312");
    case TextEncoding::Big5:
        return is("BIG5") || is("BIG5-HKSCS");
    case TextEncoding::Utf8:
        return is("UTF-8");
    case TextEncoding::Utf16LE:
        return is("UTF-16LE") || is("UTF-16");
    case TextEncoding::Utf16BE:
        return is("UTF-16BE") || is("UTF-16");
    default:
        return false;
    }
}

struct Tally {
    int total = 0;
    int smart = 0;
    int classic = 0;
    int uchardet = 0;
    // Sources classic reads right and smart does not (Big5 and UTF-16 apart: classic cannot).
    int worse = 0;

    // `cut`: the source ends inside a unit, so only the detected encoding is judged.
    void add(const Source& source, TextEncoding expected, bool cut = false) {
        ++total;
        auto right = [&](DetectionRule rule) {
            if (!cut)
                return readsRight(source, expected, rule);
            return engine::detectSourceEncoding(source.bytes, TextEncoding::Auto, rule).encoding ==
                   expected;
        };
        const bool smartRight = right(DetectionRule::Smart);
        const bool classicRight = right(DetectionRule::Classic);
        smart += smartRight;
        // DETECT_MISSES in the environment lists the sources smart detection misses.
        if (!smartRight && std::getenv("DETECT_MISSES") != nullptr) {
            const TextEncoding found =
                engine::detectSourceEncoding(source.bytes, TextEncoding::Auto, DetectionRule::Smart)
                    .encoding;
            std::fprintf(stderr, "miss (%s as %s%s): %s\n", engine::encodingName(expected).data(),
                         engine::encodingName(found).data(), classicRight ? ", classic right" : "",
                         source.utf8.c_str());
        }
        classic += classicRight;
        worse += classicRight && !smartRight;
        uchardet += uchardetRight(source.bytes, expected);
    }
};

double percent(int part, int whole) {
    return whole == 0 ? 0.0 : 100.0 * part / whole;
}

void printRow(const char* what, const char* band, const Tally& tally) {
    std::printf("| %s | %s | %d | %.1f %% | %.1f %% | %.1f %% | %d |\n", what, band, tally.total,
                percent(tally.smart, tally.total), percent(tally.classic, tally.total),
                percent(tally.uchardet, tally.total), tally.worse);
}

struct Band {
    const char* name;
    std::size_t low;
    std::size_t high;
};

const Band bands[] = {
    {"10-30 B", 10, 30},
    {"31-200 B", 31, 200},
    {"201-2000 B", 201, 2000},
    {"2-20 KB", 2001, 20000},
};

const Shape textShapes[] = {Shape::Lines, Shape::Po, Shape::Csv, Shape::CSource, Shape::Ini};

// One source of the encoding: real text of a random shape and size within the band; empty when
// the draw does not fit (a character the charset lacks, no four-byte character for GB18030).
Source drawSource(Random& random, const std::vector<std::string>& messages,
                  const Encoding& encoding, const Band& band) {
    const Shape shape = textShapes[random.below(std::size(textShapes))];
    const std::size_t size = band.low + random.below(band.high - band.low + 1);
    std::string text = draw(random, messages, shape, size);
    const bool fourByte = std::strcmp(encoding.charset, "GB18030") == 0;
    if (fourByte) {
        // A symbol GBK lacks, as copyright lines and lists carry them.
        static const char* const symbols[] = {"©", "•", "™", "€", "®"};
        const std::size_t at = random.below(std::min(text.size(), size / 2 + 1));
        std::size_t boundary = at;
        while (boundary > 0 && (static_cast<unsigned char>(text[boundary]) & 0xC0) == 0x80)
            --boundary;
        text.insert(boundary, symbols[random.below(std::size(symbols))]);
    }
    Source source = cutToSize(text, encoding.charset, size);
    if (source.bytes.size() < band.low || !hasHan(source.utf8))
        return {};
    if (fourByte && !hasFourByteCharacter(source.bytes))
        return {};
    return source;
}

const char* const pageCharsets[] = {"utf-8", "gbk", "gb2312", "big5"};

std::string page(const char* charset, const std::string& body) {
    std::string text = "<!DOCTYPE html>\n<html><head>";
    if (charset != nullptr)
        text += std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
                charset + "\">";
    return text + "<title>文件</title></head>\n<body>\n<p>" + body + "</p>\n</body></html>\n";
}

const char* declaredFor(const Encoding& encoding) {
    if (encoding.expected == TextEncoding::Utf8)
        return "utf-8";
    return encoding.expected == TextEncoding::Big5 ? "big5" : "gbk";
}

// A web page in GBK, Big5 or UTF-8: declared right, wrong (another of the charsets) or not.
Source drawPage(Random& random, const std::vector<std::string>& messages, const Encoding& encoding,
                int declaration) {
    std::string body = draw(random, messages, Shape::Lines, 100 + random.below(1500));
    body = body.substr(0, body.rfind('\n', 100 + random.below(1500)));
    const char* charset = nullptr;
    if (declaration == 0)
        charset = declaredFor(encoding);
    else if (declaration == 1)
        do
            charset = pageCharsets[random.below(std::size(pageCharsets))];
        while (std::strcmp(charset, declaredFor(encoding)) == 0 ||
               (encoding.expected == TextEncoding::Ansi && std::strcmp(charset, "gb2312") == 0));
    const std::string text = page(charset, body);
    bool ok = false;
    std::string bytes = engine::convertCharset(text, "UTF-8", encoding.charset, &ok);
    if (!ok)
        return {};
    return {std::move(bytes), text};
}

} // namespace

int main(int argc, char** argv) {
    int count = 200;
    std::uint64_t seed = 20261208;
    std::filesystem::path locale = "/usr/share/locale";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--count")
            count = std::atoi(argv[i + 1]);
        else if (option == "--seed")
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        else if (option == "--locale")
            locale = argv[i + 1];
        else
            count = 0;
    }
    if (count <= 0 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: detect-accuracy-real [--count N] [--seed N] [--locale DIR]\n");
        return 2;
    }
    const std::vector<std::string> simplified = catalogueMessages(locale / "zh_CN" / "LC_MESSAGES");
    const std::vector<std::string> traditional =
        catalogueMessages(locale / "zh_TW" / "LC_MESSAGES");
    if (simplified.size() < 100 || traditional.size() < 100) {
        std::fprintf(stderr, "detect-accuracy-real: too few Chinese catalogues under %s\n",
                     locale.c_str());
        return 1;
    }
    std::printf("%zu Simplified and %zu Traditional messages; %d sources per row, seed %llu.\n\n",
                simplified.size(), traditional.size(), count,
                static_cast<unsigned long long>(seed));
    std::printf("| encoding | size | sources | smart | classic | uchardet | smart wrong, classic "
                "right |\n|---|---|---|---|---|---|---|\n");
    Random random(seed);
    Tally shortFiles;
    for (const Encoding& encoding : encodings) {
        const auto& messages = encoding.traditional ? traditional : simplified;
        Tally all;
        for (const Band& band : bands) {
            Tally tally;
            for (int refused = 0; tally.total < count && refused < 100 * count;) {
                const Source source = drawSource(random, messages, encoding, band);
                if (source.bytes.empty()) {
                    ++refused;
                    continue;
                }
                tally.add(source, encoding.expected);
                all.add(source, encoding.expected);
                if (band.high <= 30)
                    shortFiles.add(source, encoding.expected);
            }
            printRow(encoding.name, band.name, tally);
        }
        printRow(encoding.name, "all", all);
        if (encoding.expected != TextEncoding::Utf16LE &&
            encoding.expected != TextEncoding::Utf16BE)
            continue;
        Tally cut;
        for (int refused = 0; cut.total < count && refused < 100 * count;) {
            Source source = drawSource(random, messages, encoding, bands[random.below(3)]);
            if (source.bytes.empty()) {
                ++refused;
                continue;
            }
            source.bytes.pop_back(); // a file cut inside its last unit
            cut.add(source, encoding.expected, true);
        }
        printRow(encoding.name, "cut inside last unit, 10-2000 B", cut);
    }
    printRow("every encoding", "10-30 B", shortFiles);

    std::printf("\n| web page in | declaration | pages | smart | classic | uchardet | smart wrong, "
                "classic right |\n|---|---|---|---|---|---|---|\n");
    const char* const declarations[] = {"right", "wrong", "none"};
    for (const Encoding& encoding : encodings) {
        if (encoding.expected != TextEncoding::Ansi && encoding.expected != TextEncoding::Big5 &&
            encoding.expected != TextEncoding::Utf8)
            continue;
        if (std::strcmp(encoding.charset, "GB18030") == 0)
            continue;
        const auto& messages = encoding.traditional ? traditional : simplified;
        for (int declaration = 0; declaration < 3; ++declaration) {
            Tally tally;
            for (int refused = 0; tally.total < count && refused < 100 * count;) {
                const Source source = drawPage(random, messages, encoding, declaration);
                if (source.bytes.empty()) {
                    ++refused;
                    continue;
                }
                tally.add(source, encoding.expected);
            }
            printRow(encoding.name, declarations[declaration], tally);
        }
    }
    engine::releaseScriptConverters();
    return 0;
}

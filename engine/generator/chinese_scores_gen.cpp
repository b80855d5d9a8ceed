// Writes the plausibility tables of smart detection: for every two-byte character of GB18030
// and of Big5, and every ideograph U+3400-U+9FFF, how common the character is in Chinese text.
// Commonness is counted in OpenCC's phrase dictionaries (in text form), which hold both scripts and
// many rare characters, and in Qt's Chinese translation catalogues (.qm), running text in both
// scripts whose counts weigh eight times as much; a misread byte pair mostly lands on a character
// neither uses.
//
// Usage: chinese_scores_gen OUTPUT.cpp FILE... (FILE: a dictionary .txt or a catalogue .qm)
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <iconv.h>

namespace {

constexpr int leads = 0xFE - 0x81 + 1;
// Running text shows which characters are common better than a list of phrases does.
constexpr long catalogueWeight = 8;
constexpr int trails = 0xFE - 0x40 + 1;

// Decodes UTF-8 text; malformed bytes are skipped (the dictionaries are well-formed).
void countCharacters(std::string_view text, std::map<char32_t, long>& counts, long weight) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > text.size())
            break;
        char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k)
            point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (point >= 0x3400)
            counts[point] += weight;
        i += length;
    }
}

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// The translations of a Qt catalogue: in its messages section, records of a tag byte, most
// with a 32-bit length; a translation (tag 3) is UTF-16BE. Returned as UTF-8 for counting.
std::string catalogueTranslations(std::string_view file) {
    constexpr std::size_t magicSize = 16;
    constexpr unsigned char messagesTag = 0x69;
    std::string text;
    std::size_t at = magicSize;
    while (at + 5 <= file.size()) {
        const unsigned char tag = static_cast<unsigned char>(file[at]);
        const std::size_t length = bigEndian32(file, at + 1);
        const std::string_view section = file.substr(at + 5, length);
        at += 5 + section.size();
        if (tag != messagesTag)
            continue;
        std::size_t i = 0;
        while (i < section.size()) {
            const auto record = static_cast<unsigned char>(section[i++]);
            if (record == 1) // end of a message
                continue;
            if (record == 5) { // a 32-bit hash
                i += 4;
                continue;
            }
            if (record < 2 || record > 8 || i + 4 > section.size())
                break;
            const std::uint32_t size = bigEndian32(section, i);
            i += 4;
            if (size == 0xFFFFFFFF)
                continue; // a null string
            const std::string_view body = section.substr(i, size);
            i += body.size();
            if (record != 3)
                continue;
            for (std::size_t k = 0; k + 1 < body.size(); k += 2) {
                const unsigned unit = static_cast<unsigned char>(body[k]) << 8 |
                                      static_cast<unsigned char>(body[k + 1]);
                if (unit < 0x800 || (unit >= 0xD800 && unit <= 0xDFFF))
                    continue; // only what counting needs: the BMP's three-byte characters
                text += static_cast<char>(0xE0 | unit >> 12);
                text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
                text += static_cast<char>(0x80 | (unit & 0x3F));
            }
        }
    }
    return text;
}

// The one character `bytes` reads as in `charset`, or 0 when they are not exactly one.
char32_t decodeOne(iconv_t converter, const char bytes[2]) {
    char in[2] = {bytes[0], bytes[1]};
    char32_t out[4] = {};
    char* inPointer = in;
    std::size_t inLeft = 2;
    char* outPointer = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) ==
            static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != sizeof(char32_t))
        return 0;
    return out[0];
}

bool isIdeograph(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}

// 0 (never seen) to 15; -1 for what Chinese text never holds (user-defined areas).
int scoreOf(char32_t c, const std::map<char32_t, long>& counts) {
    static const std::u32string_view commonPunctuation =
        U"，。、；：？！「」『』（）《》〈〉“”‘’…—　・．";
    if (c == 0 || (c >= 0xE000 && c <= 0xF8FF))
        return -1;
    if (isIdeograph(c)) {
        const auto found = counts.find(c);
        const long count = found == counts.end() ? 0 : found->second;
        return count == 0 ? 0
                          : std::min(15, 1 + static_cast<int>(std::bit_width(
                                                 static_cast<unsigned long>(count))));
    }
    if (commonPunctuation.find(c) != std::u32string_view::npos)
        return 10;
    if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF))
        return 6;
    if (c >= 0x2500 && c <= 0x257F)
        return 5;
    if (c >= 0x3100 && c <= 0x312F)
        return 1; // bopomofo, where misread Big5 punctuation lands
    return 3;
}

std::vector<int> table(const char* charset, bool big5, const std::map<char32_t, long>& counts) {
    std::vector<int> scores(leads * trails, -1);
    iconv_t converter = iconv_open("UTF-32LE", charset);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        std::perror(charset);
        std::exit(1);
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F || (big5 && trail > 0x7E && trail < 0xA1))
                continue;
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            scores[(lead - 0x81) * trails + trail - 0x40] =
                scoreOf(decodeOne(converter, bytes), counts);
        }
    iconv_close(converter);
    return scores;
}

void writeTable(std::FILE* out, const char* name, const std::vector<int>& scores) {
    std::fprintf(out, "const signed char %s[%zu] = {", name, scores.size());
    for (std::size_t i = 0; i < scores.size(); ++i)
        std::fprintf(out, "%s%d,", i % 32 == 0 ? "\n" : "", scores[i]);
    std::fprintf(out, "\n};\n\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp DICTIONARY.txt...\n", argv[0]);
        return 2;
    }
    std::map<char32_t, long> counts;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::perror(argv[i]);
            return 1;
        }
        const std::string file{std::istreambuf_iterator<char>(in), {}};
        const std::string_view name = argv[i];
        if (name.ends_with(".qm"))
            countCharacters(catalogueTranslations(file), counts, catalogueWeight);
        else
            countCharacters(file, counts, 1);
    }
    if (counts.size() < 1000) {
        std::fprintf(stderr, "chinese_scores_gen: only %zu characters in the dictionaries\n",
                     counts.size());
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Generated by engine/generator/chinese_scores_gen.cpp; do not edit.\n"
                      "#include \"engine/chinese_scores.h\"\n\nnamespace engine {\n\n");
    writeTable(out, "gb18030PairScores", table("GB18030", false, counts));
    writeTable(out, "big5PairScores", table("BIG5", true, counts));
    std::vector<int> ideographs;
    for (char32_t c = 0x3400; c <= 0x9FFF; ++c)
        ideographs.push_back(scoreOf(c, counts));
    writeTable(out, "ideographScores", ideographs);
    std::fprintf(out, "} // namespace engine\n");
    return std::fclose(out) == 0 ? 0 : 1;
}

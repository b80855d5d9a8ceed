// Writes the plausibility tables of smart detection: for every two-byte character of GB18030
// and of Big5, how common the character it reads as is in Chinese text. Commonness is counted
// in OpenCC's phrase dictionaries (in text form), which hold both scripts; a misread byte pair
// mostly lands on a character they never use.
//
// Usage: chinese_scores_gen OUTPUT.cpp DICTIONARY.txt...
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
constexpr int trails = 0xFE - 0x40 + 1;

// Decodes UTF-8 text; malformed bytes are skipped (the dictionaries are well-formed).
void countCharacters(std::string_view text, std::map<char32_t, long>& counts) {
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
            ++counts[point];
        i += length;
    }
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
    std::fprintf(out, "const signed char %s[%d] = {", name, leads * trails);
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
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        countCharacters(text, counts);
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
    std::fprintf(out, "} // namespace engine\n");
    return std::fclose(out) == 0 ? 0 : 1;
}

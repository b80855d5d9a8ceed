#include "engine/code_page_conversion.h"

#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/code_page.h"

using namespace engine;

namespace {

// The plain route the conversions must match byte for byte: the whole text up to its first zero
// byte decoded to UTF-16 by the system, then encoded with "?" for what the target lacks.
CodePageResult throughUtf16(std::string_view text, unsigned source, unsigned target) {
    const std::string input(text.substr(0, text.find('\0')));
    std::u16string wide(input.size() + 1, u'\0');
    bool replaced = false;
    const int units = platform::multiByteToWideChar(source, input.c_str(), platform::zeroTerminated,
                                                    wide.data(), wide.size(), &replaced);
    std::string bytes(2 * wide.size(), '\0');
    bool used = false;
    const int length = platform::wideCharToMultiByte(target, wide.data(), units, bytes.data(),
                                                     bytes.size(), "?", &used);
    if (units <= 0 || length <= 0)
        return {"reference failed", true};
    bytes.resize(std::strlen(bytes.c_str()));
    return {bytes, replaced || used};
}

// The bytes in hexadecimal, a long text by its start and length.
std::string hex(std::string_view bytes) {
    std::string out;
    char digits[4];
    for (const unsigned char byte : bytes.substr(0, 16)) {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        out += digits;
    }
    return bytes.size() > 16 ? out + "... (" + std::to_string(bytes.size()) + " bytes)" : out;
}

struct Direction {
    const char* name;
    CodePageResult (*convert)(std::string_view);
    unsigned source, target;
};

void PrintTo(const Direction& direction, std::ostream* out) {
    *out << direction.name;
}

class CodePageConversionTest : public testing::TestWithParam<Direction> {
protected:
    // The first few inputs whose conversion differs from the plain route, described.
    static std::string mismatches(const std::vector<std::string>& inputs) {
        const Direction& direction = GetParam();
        std::string found;
        int count = 0;
        for (const std::string& input : inputs) {
            const CodePageResult fast = direction.convert(input);
            const CodePageResult plain = throughUtf16(input, direction.source, direction.target);
            if (fast.text == plain.text && fast.lossy == plain.lossy)
                continue;
            if (++count <= 5)
                found += "[" + hex(input) + "] gives [" + hex(fast.text) + "] " +
                         (fast.lossy ? "lossy" : "exact") + ", expected [" + hex(plain.text) +
                         "] " + (plain.lossy ? "lossy" : "exact") + "\n";
        }
        return found;
    }
};

TEST_P(CodePageConversionTest, everyOneAndTwoByteTextGivesThePlainRoutesBytes) {
    std::vector<std::string> inputs;
    for (int first = 0; first < 0x100; ++first) {
        inputs.push_back(std::string(1, static_cast<char>(first)));
        for (int next = 0; next < 0x100; ++next)
            inputs.push_back({static_cast<char>(first), static_cast<char>(next)});
    }
    EXPECT_EQ(mismatches(inputs), "");
}

// Bytes drawn from the classes that decide how a text is cut into characters; zero bytes are
// rare so that most texts go on past their first few characters.
std::string randomText(std::mt19937& random, std::size_t length, bool zeros) {
    static const std::vector<std::pair<int, int>> classes = {
        {0x01, 0x7F}, {0x40, 0x7E}, {0x81, 0xFE}, {0xA1, 0xFE},
        {0x80, 0x80}, {0xFF, 0xFF}, {0x00, 0x00}};
    std::discrete_distribution<int> pick({20, 10, 30, 30, 4, 4, zeros ? 1.0 : 0.0});
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const auto [low, high] = classes[pick(random)];
        text += static_cast<char>(std::uniform_int_distribution<int>(low, high)(random));
    }
    return text;
}

TEST_P(CodePageConversionTest, mixedTextsGiveThePlainRoutesBytes) {
    std::mt19937 random(17);
    std::vector<std::string> inputs;
    for (int i = 0; i < 4000; ++i)
        inputs.push_back(randomText(random, std::uniform_int_distribution<>(3, 12)(random), true));
    // Long texts cross the places where the output's room is renewed, with characters straddling
    // them; a run of 80 widens in Big5 and makes the output grow past its first guess.
    inputs.push_back(randomText(random, 300'000, false));
    inputs.push_back(std::string(300'001, '\x80'));
    inputs.push_back("a" + std::string(200'000, '\xA4') + "\xA4");
    EXPECT_EQ(mismatches(inputs), "");
}

INSTANTIATE_TEST_SUITE_P(
    BothWays, CodePageConversionTest,
    testing::Values(
        Direction{"big5ToAnsi", big5ToAnsi, platform::codePage::big5, platform::codePage::gbk},
        Direction{"ansiToBig5", ansiToBig5, platform::codePage::gbk, platform::codePage::big5}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

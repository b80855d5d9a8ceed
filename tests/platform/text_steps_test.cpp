#include "platform/text_steps.h"

#include <string>

#include <gtest/gtest.h>

using namespace platform;
using namespace std::string_literals;

namespace {

struct DoubleByteRow {
    const char* name;
    std::string text;
    std::size_t at;
    std::size_t gb18030;  // length under the converter's rule
    std::size_t codePage; // length under the code pages' rule
};

class DoubleByteLengthTest : public testing::TestWithParam<DoubleByteRow> {};

TEST_P(DoubleByteLengthTest, measuresTheCharacterUnderEachRule) {
    const DoubleByteRow& row = GetParam();
    EXPECT_EQ(doubleByteLength(row.text, row.at, DoubleByteRule::Gb18030), row.gb18030);
    EXPECT_EQ(doubleByteLength(row.text, row.at, DoubleByteRule::CodePage), row.codePage);
}

INSTANTIATE_TEST_SUITE_P(
    TextSteps, DoubleByteLengthTest,
    testing::Values(DoubleByteRow{"ascii", "ab", 0, 1, 1},
                    DoubleByteRow{"lowestLeadLowestTrail", "\x81\x40", 0, 2, 2},
                    DoubleByteRow{"highestLeadHighestTrail", "\xFE\xFE", 0, 2, 2},
                    DoubleByteRow{"byte80IsNoLead", "\x80\x40", 0, 1, 1},
                    DoubleByteRow{"byteFFIsNoLead", "\xFF\x40", 0, 1, 1},
                    DoubleByteRow{"trailBelowRange", "\x81\x3F", 0, 1, 2},
                    DoubleByteRow{"trail7F", "\x81\x7F", 0, 1, 2},
                    DoubleByteRow{"trailFF", "\x81\xFF", 0, 1, 2},
                    DoubleByteRow{"zeroAfterLead", "\x81\0"s, 0, 1, 1},
                    DoubleByteRow{"leadAtEnd", "a\xB0", 1, 1, 1},
                    DoubleByteRow{"fourBytes", "\x81\x30\x81\x30", 0, 4, 2},
                    DoubleByteRow{"fourBytesHighest", "\xFE\x39\xFE\x39", 0, 4, 2},
                    DoubleByteRow{"fourBytesCut", "\x81\x30\x81", 0, 1, 2},
                    DoubleByteRow{"fourBytesBadThird", "\x81\x30\x7F\x30", 0, 1, 2},
                    DoubleByteRow{"fourBytesBadFourth", "\x81\x30\x81\x3A", 0, 1, 2},
                    DoubleByteRow{"notFromTheStart", "a\xD6\xD0", 1, 2, 2}),
    [](const auto& param) { return std::string(param.param.name); });

struct Utf8Row {
    const char* name;
    std::string text;
    Utf8Status status; // of the first character
    std::size_t length;
    char32_t scalar;
    bool valid; // the whole text
};

class Utf8StepTest : public testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8StepTest, takesWellFormedCharactersAndMaximalIllFormedParts) {
    const Utf8Row& row = GetParam();
    const Utf8Step step = utf8StepAt(row.text, 0);
    EXPECT_EQ(step.status, row.status);
    EXPECT_EQ(step.length, row.length);
    if (row.status == Utf8Status::Valid) {
        EXPECT_EQ(step.scalar, row.scalar);
    }
    EXPECT_EQ(isValidUtf8(row.text), row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    TextSteps, Utf8StepTest,
    testing::Values(
        Utf8Row{"asciiWithZero", "a\0b"s, Utf8Status::Valid, 1, U'a', true},
        Utf8Row{"two", "\xC2\xA9", Utf8Status::Valid, 2, U'©', true},
        Utf8Row{"three", "\xE4\xB8\xAD", Utf8Status::Valid, 3, U'中', true},
        Utf8Row{"four", "\xF0\x9F\x98\x80", Utf8Status::Valid, 4, U'😀', true},
        Utf8Row{"lastBelowSurrogates", "\xED\x9F\xBF", Utf8Status::Valid, 3, U'\uD7FF', true},
        Utf8Row{"highest", "\xF4\x8F\xBF\xBF", Utf8Status::Valid, 4, U'\U0010FFFF', true},
        Utf8Row{"overlongTwo", "\xC1\xBF", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"overlongThree", "\xE0\x9F\xBF", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"overlongFour", "\xF0\x8F\xBF\xBF", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"surrogate", "\xED\xA0\x80", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"aboveUnicode", "\xF4\x90\x80\x80", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"leadF5", "\xF5\x80\x80\x80", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"strayContinuation", "\x80", Utf8Status::Invalid, 1, 0, false},
        Utf8Row{"badThird", "\xE4\xB8\x41", Utf8Status::Invalid, 2, 0, false},
        Utf8Row{"badFourth", "\xF0\x9F\x98\x41", Utf8Status::Invalid, 3, 0, false},
        Utf8Row{"cutAtEnd", "\xE4\xB8", Utf8Status::Truncated, 2, 0, false},
        Utf8Row{"validThenCut", "a\xF0\x9F", Utf8Status::Valid, 1, U'a', false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextSteps, escapesControlBytesAndWritesHex) {
    EXPECT_EQ(escapedControl('\n', ControlEscape::C), "\\n");
    EXPECT_EQ(escapedControl('\r', ControlEscape::Json), "\\r");
    EXPECT_EQ(escapedControl('\t', ControlEscape::C), "\\t");
    EXPECT_EQ(escapedControl(0x1B, ControlEscape::C), "\\x1b");
    EXPECT_EQ(escapedControl(0x7F, ControlEscape::Json), "\\u007f");
    EXPECT_EQ(escapedControl(0x00, ControlEscape::Json), "\\u0000");
    for (const unsigned byte : {0x00u, 0x1Fu, 0x7Fu})
        EXPECT_TRUE(isControlByte(static_cast<unsigned char>(byte))) << byte;
    for (const unsigned byte : {0x20u, 0x7Eu, 0x80u})
        EXPECT_FALSE(isControlByte(static_cast<unsigned char>(byte))) << byte;
    EXPECT_EQ(hexBytes("\xE4\xBD\x0A", "\\x"), "\\xe4\\xbd\\x0a");
    EXPECT_EQ(hexBytes("\xE4\xBD\x0A", ""), "e4bd0a");
    EXPECT_EQ(hexBytes("", "\\x"), "");
}

} // namespace

#include "engine/source_screening.h"

#include <string>

#include <gtest/gtest.h>

#include "engine/charset_conversion.h"

using namespace engine;
using namespace std::string_literals;
using TE = TextEncoding;

namespace {

std::string recoded(const std::string& utf8, const char* to) {
    return convertCharset(utf8, "UTF-8", to);
}

// Long enough that the statistics see a text, not a few characters.
const std::string prose = "这个问题需要进一步研究和讨论，他们决定明年夏天去海边旅行。"
                          "我们今天开会讨论电话号码表与请假单的问题。\n";
const std::string traditionalProse = "這個問題需要進一步研究和討論，他們決定明年夏天去海邊旅行。"
                                     "我們今天開會討論電話號碼表與請假單的問題。\n";

std::string utf16leAscii() {
    std::string text;
    for (const char c : "line one\nline two\nthe third line of plain text\n"s)
        text += {c, '\0'};
    return text;
}

struct ScreenRow {
    const char* name;
    std::string head;
    bool whole = true;
    TE input = TE::Auto;
    DetectionRule rule = DetectionRule::Classic;
    platform::FileStatus expected = {};
};

class ScreenSource : public testing::TestWithParam<ScreenRow> {};

TEST_P(ScreenSource, tellsBinaryAndMisreadSourcesFromText) {
    const ScreenRow& row = GetParam();
    EXPECT_EQ(screenSource(row.head, row.whole, row.input, row.rule), row.expected);
}

const std::string png = "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0"s;

INSTANTIATE_TEST_SUITE_P(
    Rows, ScreenSource,
    testing::Values(
        // Its header holds 0x1A before any zero: the ANSI reading would keep 8 bytes of it.
        ScreenRow{"png",
                  png,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::NotText, .detail = "PNG"}},
        // Whatever the input says: a picture is no text in any encoding.
        ScreenRow{"pngReadAsUtf16",
                  png,
                  true,
                  TE::Utf16LE,
                  DetectionRule::Smart,
                  {.problem = problems::NotText, .detail = "PNG"}},
        ScreenRow{"pdf",
                  "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n",
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::NotText, .detail = "PDF"}},
        ScreenRow{"officeZip",
                  "PK\x03\x04\x14\0\x06\0"s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::NotText, .detail = "ZIP"}},
        ScreenRow{"wave",
                  "RIFF\x24\x08\0\0WAVEfmt "s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::NotText, .detail = "WAV"}},
        ScreenRow{"bzip2",
                  "BZh91AY&SY\x12\x34"s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::NotText, .detail = "bzip2"}},
        // Text that merely starts with a format's first letters stays text.
        ScreenRow{"textStartingLikeBzip2", "BZh9 is not a file format\n"},
        ScreenRow{"textStartingWithWaveAtEight", "RIFFLE: WAVE hello\n"},
        // Zeros with text after them, more than one: a binary file of no known format.
        ScreenRow{"zerosInsideText",
                  "MZ\x90\0\x03\0\0\0\x04\0"s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::ZeroBytes, .offset = 3}},
        // One stray zero is the decoding's cut; zeros that pad the end too.
        ScreenRow{"oneZeroInsideText", "abc\0defgh"s},
        ScreenRow{"zeroPaddingAtTheEnd", "abcde\n\0\0\0\0"s},
        ScreenRow{"nothingButZeros",
                  "\0\0\0\0\0"s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::ZeroBytes, .offset = 0}},
        // Only the start of a larger file: the zeros may end where the head does.
        ScreenRow{"zerosToTheEndOfAHead", "\0\0\0\0\0"s, false},
        // UTF-16 counts zero units, not zero bytes; its ASCII is full of zero bytes.
        ScreenRow{"utf16WithMark", "\xFF\xFE" + utf16leAscii()},
        ScreenRow{"utf16WithZeroUnits",
                  "\xFF\xFEh\0\0\0i\0\0\0j\0"s,
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {.problem = problems::ZeroBytes, .offset = 4}},
        // Without a mark the classic rule reads it as ANSI: said to be UTF-16, not binary.
        ScreenRow{"utf16WithoutMark",
                  utf16leAscii(),
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {problems::MaybeUtf16}},
        ScreenRow{"utf16WithoutMarkSmart", utf16leAscii(), true, TE::Auto, DetectionRule::Smart},
        // A user who says ANSI gets no guess, but zeros in ANSI text are still no text.
        ScreenRow{"utf16ChosenAsAnsi",
                  utf16leAscii(),
                  true,
                  TE::Ansi,
                  DetectionRule::Classic,
                  {.problem = problems::ZeroBytes, .offset = 1}},
        ScreenRow{"big5ReadClassically",
                  recoded(traditionalProse, "BIG5"),
                  true,
                  TE::Auto,
                  DetectionRule::Classic,
                  {problems::MaybeBig5}},
        ScreenRow{"big5ReadSmartly", recoded(traditionalProse, "BIG5"), true, TE::Auto,
                  DetectionRule::Smart},
        ScreenRow{"big5ChosenAsAnsi", recoded(traditionalProse, "BIG5"), true, TE::Ansi},
        // The texts the classic rule reads right raise nothing.
        ScreenRow{"gbk", recoded(prose, "GBK")},
        ScreenRow{"gbkTraditional", recoded(traditionalProse, "GBK")}, ScreenRow{"utf8", prose}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace

#include "engine/text_encoding.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "engine/charset_conversion.h"
#include "platform/ansi_text.h"

using namespace engine;
using namespace std::string_literals;
using platform::ansi;

namespace {

using TE = TextEncoding;

struct DetectRow {
    const char* name;
    std::string data;
    TE choice;
    TE encoding;
    std::size_t start;
};

class DetectSourceEncodingTest : public testing::TestWithParam<DetectRow> {};

TEST_P(DetectSourceEncodingTest, settlesEncodingAndContentStart) {
    const DetectRow& row = GetParam();
    const DetectedEncoding found = detectSourceEncoding(row.data, row.choice);
    EXPECT_EQ(found.encoding, row.encoding);
    EXPECT_EQ(found.contentStart, row.start);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, DetectSourceEncodingTest,
    testing::Values(
        DetectRow{"ansiChoiceKeepsMark",
                  "\xEF\xBB\xBF"
                  "a",
                  TE::Ansi, TE::Ansi, 0},
        DetectRow{"utf8ChoiceSkipsMark",
                  "\xEF\xBB\xBF"
                  "a",
                  TE::Utf8, TE::Utf8, 3},
        DetectRow{"utf8ChoiceWithoutMark", "abc", TE::Utf8, TE::Utf8, 0},
        DetectRow{"utf16leChoiceSkipsMark",
                  "\xFF\xFE"
                  "a\0"s,
                  TE::Utf16LE, TE::Utf16LE, 2},
        DetectRow{"utf16leChoiceSkipsOtherMark", "\xFE\xFF\0a"s, TE::Utf16LE, TE::Utf16LE, 2},
        DetectRow{"utf16leChoiceWithoutMarkLosesNothing", "a\0b\0"s, TE::Utf16LE, TE::Utf16LE, 0},
        DetectRow{"utf16beChoiceSkipsMark", "\xFE\xFF\0a"s, TE::Utf16BE, TE::Utf16BE, 2},
        DetectRow{"utf16beChoiceWithoutMark", "\0a"s, TE::Utf16BE, TE::Utf16BE, 0},
        DetectRow{"autoUtf8Mark", "\xEF\xBB\xBF", TE::Auto, TE::Utf8, 3},
        DetectRow{"autoUtf16leMark",
                  "\xFF\xFE"
                  "a\0"s,
                  TE::Auto, TE::Utf16LE, 2},
        DetectRow{"autoUtf16leMarkBeforeZeros", "\xFF\xFE\0\0"s, TE::Auto, TE::Utf16LE, 2},
        DetectRow{"autoUtf16beMark", "\xFE\xFF\0a"s, TE::Auto, TE::Utf16BE, 2},
        DetectRow{"autoPartialMark",
                  "\xEF\xBB"
                  "a",
                  TE::Auto, TE::Ansi, 0},
        DetectRow{"autoWebPageUtf8", "<head><meta charset=utf-8></head>", TE::Auto, TE::Utf8, 0},
        DetectRow{"autoWebPageBig5", "<meta charset=big5>", TE::Auto, TE::Big5, 0},
        DetectRow{"autoWebPageHkscs", "<meta charset='big5-hkscs'>", TE::Auto, TE::Big5Hkscs, 0},
        DetectRow{"autoDeclarationBehindZeroUnseen", "a\0<meta charset=utf-8>"s, TE::Auto, TE::Ansi,
                  0},
        DetectRow{"autoDeclarationBehindEofMarkUnseen", "\x1A<meta charset=utf-8>", TE::Auto,
                  TE::Ansi, 0},
        DetectRow{"autoPlain", "\xD6\xD0", TE::Auto, TE::Ansi, 0},
        DetectRow{"autoEmpty", "", TE::Auto, TE::Ansi, 0}),
    [](const auto& param) { return std::string(param.param.name); });

struct DecodeRow {
    const char* name;
    std::string data;
    std::size_t start;
    TE encoding;
    std::string text;
    TE result;
    bool lossy;
    std::optional<std::size_t> zeroCut = {};
};

class DecodeContentTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeContentTest, givesTextAndEncoding) {
    const DecodeRow& row = GetParam();
    const DecodedText decoded = decodeContent(row.data, row.start, row.encoding);
    EXPECT_EQ(decoded.text, row.text);
    EXPECT_EQ(decoded.encoding, row.result);
    EXPECT_EQ(decoded.lossy, row.lossy);
    EXPECT_EQ(decoded.zeroCut, row.zeroCut);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, DecodeContentTest,
    testing::Values(
        DecodeRow{"utf8", "\xEF\xBB\xBF\xE4\xB8\xAD", 3, TE::Utf8, "\xD6\xD0", TE::Utf8, false},
        DecodeRow{"utf8OutsideGbk", "\xF0\xA0\x80\x80", 0, TE::Utf8, "\x95\x32\x82\x36", TE::Utf8,
                  false},
        DecodeRow{"utf8StopsAtZero", "ab\0cd"s, 0, TE::Utf8, "ab", TE::Utf8, false, 2},
        DecodeRow{"oneTrailingZeroIsATerminator", "ab\0"s, 0, TE::Utf8, "ab", TE::Utf8, false},
        DecodeRow{"zerosAfterTheTerminatorAreACut", "ab\0\0"s, 0, TE::Utf8, "ab", TE::Utf8, false,
                  2},
        DecodeRow{"utf16CutOnlyByAZeroUnit",
                  "\xFF\xFE"
                  "a\0\0\x4E\0\0b\0"s,
                  2, TE::Utf16LE, "a\xD2\xBB", TE::Utf16LE, false, 6},
        DecodeRow{"utf8KeepsEofMark",
                  "a\x1A"
                  "b",
                  0, TE::Utf8,
                  "a\x1A"
                  "b",
                  TE::Utf8, false},
        DecodeRow{"invalidUtf8UsesFallback",
                  "a\xFF"
                  "b",
                  0, TE::Utf8, "a?b", TE::Utf8, true},
        DecodeRow{"utf16le",
                  "\xFF\xFE\x2D\x4E"
                  "a\0"s,
                  2, TE::Utf16LE,
                  "\xD6\xD0"
                  "a",
                  TE::Utf16LE, false},
        DecodeRow{"utf16be", "\xFE\xFF\x4E\x2D\0a"s, 2, TE::Utf16BE,
                  "\xD6\xD0"
                  "a",
                  TE::Utf16BE, false},
        // Cut inside its last unit: the lone byte is unreadable, the rest reads big-endian.
        DecodeRow{"oddUtf16beDropsItsLoneByte",
                  "\xFE\xFF"
                  "\0a\0b\0"s,
                  2, TE::Utf16BE, "ab", TE::Utf16BE, true},
        DecodeRow{"big5", "\xA4\xA4\xA4\xE5", 0, TE::Big5, "\xD6\xD0\xCE\xC4", TE::Big5, false},
        DecodeRow{"big5Hkscs", "\xA4\xA4", 0, TE::Big5Hkscs, "\xD6\xD0", TE::Big5Hkscs, false},
        DecodeRow{"invalidBig5UsesFallback", "\xA4\xA4\x81\x40", 0, TE::Big5, "\xD6\xD0?", TE::Big5,
                  true},
        DecodeRow{"ansiPassingUtf8Trial", "abc", 0, TE::Ansi, "abc", TE::Utf8, false},
        DecodeRow{"ansiWithMarkPassesTrialKeepingIt",
                  "\xEF\xBB\xBF"
                  "a",
                  0, TE::Ansi,
                  "\x84\x31\x95\x33"
                  "a",
                  TE::Utf8, false},
        DecodeRow{"ansiGbk", "\xD6\xD0\xCE\xC4", 0, TE::Ansi, "\xD6\xD0\xCE\xC4", TE::Ansi, false},
        DecodeRow{"ansiCutAtEofMark", "\xD6\xD0\x1A\xCE\xC4", 0, TE::Ansi, "\xD6\xD0", TE::Ansi,
                  false, 2},
        DecodeRow{"ansiEofMarkAsTerminator", "\xD6\xD0\x1A", 0, TE::Ansi, "\xD6\xD0", TE::Ansi,
                  false},
        DecodeRow{"ansiCutAtZero", "\xD6\xD0\0\xCE"s, 0, TE::Ansi, "\xD6\xD0", TE::Ansi, false, 2},
        DecodeRow{"ansiLeadByteBeforeZero", "a\xD6\0b"s, 0, TE::Ansi, "a", TE::Ansi, false, 2},
        DecodeRow{"markOnlyIsAnEmptyUtf8Text", "\xEF\xBB\xBF", 3, TE::Utf8, "", TE::Utf8, false},
        DecodeRow{"utf16MarkOnlyIsAnEmptyText", "\xFF\xFE", 2, TE::Utf16LE, "", TE::Utf16LE, false},
        DecodeRow{"emptyAnsi", "", 0, TE::Ansi, "", TE::Ansi, false},
        DecodeRow{"zeroFirstEverywhere", "\0abc"s, 0, TE::Ansi, "", TE::Ansi, false, 0}),
    [](const auto& param) { return std::string(param.param.name); });

struct EncodeRow {
    const char* name;
    std::string text;
    TE encoding;
    std::string bytes;
    FileProblem problem;
};

class EncodeTextTest : public testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeTextTest, givesTheOutputFileBytes) {
    const EncodeRow& row = GetParam();
    const EncodedText encoded = encodeText(row.text, row.encoding);
    EXPECT_EQ(encoded.bytes, row.bytes);
    EXPECT_EQ(encoded.problem, row.problem);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, EncodeTextTest,
    testing::Values(
        EncodeRow{"ansiUnchanged", "\xD6\xD0", TE::Ansi, "\xD6\xD0", FileProblem::None},
        EncodeRow{"autoLikeAnsi", "\xD6\xD0", TE::Auto, "\xD6\xD0", FileProblem::None},
        EncodeRow{"outsideTableLikeAnsi", "\xD6\xD0", static_cast<TE>(9), "\xD6\xD0",
                  FileProblem::None},
        EncodeRow{"ansiInvalidKeptAsIs", "\x81", TE::Ansi, "\x81", FileProblem::None},
        EncodeRow{"utf8",
                  "\xD6\xD0"
                  "a",
                  TE::Utf8,
                  "\xEF\xBB\xBF\xE4\xB8\xAD"
                  "a",
                  FileProblem::None},
        EncodeRow{"utf16le", "\xD6\xD0", TE::Utf16LE, "\xFF\xFE\x2D\x4E", FileProblem::None},
        EncodeRow{"utf16be", "\xD6\xD0", TE::Utf16BE, "\xFE\xFF\x4E\x2D", FileProblem::None},
        EncodeRow{"big5NoMark", "\xD6\xD0", TE::Big5, "\xA4\xA4", FileProblem::None},
        EncodeRow{"big5HkscsNoMark", "\xD6\xD0", TE::Big5Hkscs, "\xA4\xA4", FileProblem::None},
        EncodeRow{"emptyUtf8IsMark", "", TE::Utf8, "\xEF\xBB\xBF", FileProblem::None},
        EncodeRow{"emptyUtf16leIsMark", "", TE::Utf16LE, "\xFF\xFE", FileProblem::None},
        EncodeRow{"emptyUtf16beIsMark", "", TE::Utf16BE, "\xFE\xFF", FileProblem::None},
        EncodeRow{"emptyAnsi", "", TE::Ansi, "", FileProblem::None},
        EncodeRow{"emptyBig5", "", TE::Big5, "", FileProblem::None},
        EncodeRow{"textEndsAtZero", "a\0b"s, TE::Utf8,
                  "\xEF\xBB\xBF"
                  "a",
                  FileProblem::None},
        EncodeRow{"fourByteSequence", "\x95\x32\x82\x36", TE::Utf8, "\xEF\xBB\xBF\xF0\xA0\x80\x80",
                  FileProblem::None},
        EncodeRow{"big5MissingCharacterLeavesAllUnconverted", "\xD6\xD0\xBC\xF2", TE::Big5,
                  "\xD6\xD0\xBC\xF2", engine::problems::Unconverted},
        // The lead byte alone is unreadable: the space after it is text and stays.
        EncodeRow{"invalidGbUsesUtf8Fallback",
                  "a\x81\x20"
                  "b",
                  TE::Utf8,
                  "\xEF\xBB\xBF"
                  "a? b",
                  engine::problems::LossyEncode},
        EncodeRow{"invalidGbUsesUtf16leFallback", "a\x81", TE::Utf16LE,
                  "\xFF\xFE"
                  "a\0?\0"s,
                  engine::problems::LossyEncode},
        EncodeRow{"invalidGbUsesUtf16beFallback", "a\x81", TE::Utf16BE, "\xFE\xFF\0a\0?"s,
                  engine::problems::LossyEncode}),
    [](const auto& param) { return std::string(param.param.name); });

// Every text survives encoding into every encoding and decoding back by detection.
class RoundTripTest : public testing::TestWithParam<TE> {};

TEST_P(RoundTripTest, autoDetectionReadsBackWhatWasWritten) {
    const AnsiText text = ansi("青枫匣：春江潮水连海平 ABC\r\n𠀀第二行");
    const EncodedText encoded = encodeText(text, GetParam());
    ASSERT_NE(encoded.problem, engine::problems::Unconverted);
    const DetectedEncoding found = detectSourceEncoding(encoded.bytes, TE::Auto);
    const DecodedText decoded = decodeContent(encoded.bytes, found.contentStart, found.encoding);
    EXPECT_EQ(decoded.text, text);
}

TEST_P(RoundTripTest, chosenInputReadsBackWhatWasWritten) {
    const AnsiText text = ansi("繁體與简体，Big5 之外：𠀀");
    const TE encoding = GetParam();
    const AnsiText expected = encoding == TE::Ansi || encoding == TE::Utf8 ||
                                      encoding == TE::Utf16LE || encoding == TE::Utf16BE
                                  ? text
                                  : AnsiText();
    if (expected.empty())
        GTEST_SKIP() << "Big5 cannot hold simplified characters";
    const EncodedText encoded = encodeText(text, encoding);
    const DetectedEncoding found = detectSourceEncoding(encoded.bytes, encoding);
    EXPECT_EQ(decodeContent(encoded.bytes, found.contentStart, found.encoding).text, expected);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, RoundTripTest,
                         testing::Values(TE::Ansi, TE::Utf8, TE::Utf16LE, TE::Utf16BE),
                         [](const auto& param) { return std::string(encodingName(param.param)); });

TEST(TextEncoding, big5RoundTripsTraditionalText) {
    const AnsiText text = ansi("繁體中文");
    const EncodedText encoded = encodeText(text, TE::Big5);
    ASSERT_NE(encoded.problem, engine::problems::Unconverted);
    EXPECT_EQ(decodeContent(encoded.bytes, 0, TE::Big5).text, text);
}

TEST(TextEncoding, largeAnsiSourceKeepsItsBytes) {
    std::string data;
    for (int i = 0; i < 100000; ++i)
        data += "\xC7\xE0\xB7\xE3\r\n";
    const DecodedText decoded = decodeContent(data, 0, TE::Ansi);
    EXPECT_EQ(decoded.encoding, TE::Ansi);
    EXPECT_EQ(decoded.text, data);
}

TEST(TextEncoding, largeUtf8SourceConvertsWhole) {
    std::string data;
    for (int i = 0; i < 100000; ++i)
        data += "\xE9\x9D\x92\xE6\x9E\xAB abc\n";
    const DecodedText decoded = decodeContent(data, 0, TE::Ansi);
    EXPECT_EQ(decoded.encoding, TE::Utf8);
    EXPECT_EQ(decoded.text.size(), 100000u * 9);
    EXPECT_EQ(decoded.text.substr(0, 9), "\xC7\xE0\xB7\xE3 abc\n");
}

} // namespace

namespace {

// Every Unicode scalar but U+0000, in UTF-8: the BMP, the 24 Private Use characters the system's
// GB18030 has no code for among them, and every plane beyond.
std::string everyScalar() {
    std::string utf8;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            utf8 += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                     static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            utf8 +=
                {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                 static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
    }
    return utf8;
}

} // namespace

// Every scalar survives the way through the internal text: from UTF-8 and UTF-16 into each
// of them. (Compared whole, not printed: the texts are megabytes long.)
TEST(TextEncoding, everyScalarSurvivesTheInternalText) {
    const std::string utf8 = everyScalar();
    const std::string utf16le = convertCharset(utf8, "UTF-8", "UTF-16LE");
    const std::string utf16be = convertCharset(utf8, "UTF-8", "UTF-16BE");
    ASSERT_FALSE(utf16le.empty());
    for (const auto& [source, encoding] :
         {std::pair{utf8, TE::Utf8}, std::pair{utf16be, TE::Utf16BE}}) {
        SCOPED_TRACE(std::string(encodingName(encoding)));
        const DecodedText decoded = decodeContent(ByteBuffer(source), 0, encoding);
        ASSERT_FALSE(decoded.lossy);
        EXPECT_TRUE(encodeText(decoded.text, TE::Utf8).bytes == "\xEF\xBB\xBF" + utf8);
        EXPECT_TRUE(encodeText(decoded.text, TE::Utf16LE).bytes == "\xFF\xFE" + utf16le);
        EXPECT_TRUE(encodeText(decoded.text, TE::Utf16BE).bytes == "\xFE\xFF" + utf16be);
    }
}

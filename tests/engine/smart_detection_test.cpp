#include "engine/smart_detection.h"

#include <string>

#include <gtest/gtest.h>

#include "engine/ansi_scan.h"
#include "engine/charset_conversion.h"
#include "engine/text_encoding.h"
#include "platform/text_steps.h"

using namespace engine;
using namespace std::string_literals;

namespace {

using TE = TextEncoding;

const std::string shortSimplified = "今天天气很好，我们一起去公园散步吧。";
const std::string longSimplified =
    "随着互联网的普及，人们的生活方式发生了很大变化。政府出台了一系列支持中小企业的政策，"
    "version 2.1 已经发布。\n这家餐厅的饭菜味道不错，价格也很实惠；学习外语最重要的是坚持。"
    "春节是中国最重要的传统节日，他们决定明年夏天去海边旅行。\n";
const std::string shortTraditional = "這個問題需要進一步研究和討論。";
const std::string longTraditional =
    "隨著網際網路的普及，人們的生活方式發生了很大變化。政府出臺了一系列支持中小企業的政策，"
    "version 2.1 已經發佈。\n這家餐廳的飯菜味道不錯，價格也很實惠；學習外語最重要的是堅持。"
    "春節是中國最重要的傳統節日，他們決定明年夏天去海邊旅行。\n";
const std::string ascii = "The quick brown fox jumps over the lazy dog 42 times.\n";
// More ASCII than the detector's window holds.
const std::string longAscii = [] {
    std::string text;
    while (text.size() < 70 * 1024)
        text += ascii;
    return text;
}();

// U+2500 puts a zero byte on the low side of its unit, more of them than the ASCII puts high.
const std::string boxTable = "┌────────┬──────┐\n│ 名称   │ 数量 │\n├────────┼──────┤\n"
                             "│ 苹果   │ 12   │\n└────────┴──────┘\n";

std::string page(const char* charset, const std::string& body) {
    return "<html><head><meta charset=\""s + charset + "\"></head><body>" + body +
           "</body></html>\n";
}

std::string encoded(const std::string& utf8, const char* charset) {
    bool ok = false;
    std::string bytes = convertCharset(utf8, "UTF-8", charset, &ok);
    EXPECT_TRUE(ok) << charset;
    return bytes;
}

struct SmartRow {
    const char* name;
    std::string text;    // UTF-8
    const char* charset; // how the source holds it
    std::size_t cut;     // bytes dropped from the end of the source
    TE smart;            // the encoding the decoding reports with the smart rule
    TE classic;          // ... and with the classic rule
};

class SmartDetectionTest : public testing::TestWithParam<SmartRow> {};

// Both rules run all the way through decoding, which is where a valid UTF-8 source without a
// mark is recognised. The smart rule must recover the text itself; the classic rule must read
// exactly as it did: ANSI sources are their own bytes.
TEST_P(SmartDetectionTest, readsSourceAsEachRuleShould) {
    const SmartRow& row = GetParam();
    std::string source = encoded(row.text, row.charset);
    source.resize(source.size() - row.cut);

    const DetectedEncoding smart = detectSourceEncoding(source, TE::Auto, DetectionRule::Smart);
    const DecodedText smartText =
        decodeContent(source, smart.contentStart, smart.encoding, {}, smart.utf8Trial);
    EXPECT_EQ(smartText.encoding, row.smart);
    if (row.cut == 0 && row.smart != TE::Ansi) {
        EXPECT_EQ(smartText.text, encoded(row.text, "GB18030"));
    }

    const DetectedEncoding classic = detectSourceEncoding(source, TE::Auto);
    const DecodedText classicText = decodeContent(source, classic.contentStart, classic.encoding);
    EXPECT_EQ(classicText.encoding, row.classic);
    if (row.classic == TE::Ansi) {
        EXPECT_EQ(classicText.text, source.substr(0, ansiTextLength(source)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    SmartDetection, SmartDetectionTest,
    testing::Values(
        SmartRow{"gbkShort", shortSimplified, "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"gbkLong", longSimplified, "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"gbkTraditional", longTraditional, "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"big5Short", shortTraditional, "BIG5", 0, TE::Big5, TE::Ansi},
        SmartRow{"big5Long", longTraditional, "BIG5", 0, TE::Big5, TE::Ansi},
        // The statistics start at the first byte that is not ASCII.
        SmartRow{"big5AfterLongAscii", longAscii + longTraditional, "BIG5", 0, TE::Big5, TE::Ansi},
        SmartRow{"utf8Short", shortSimplified, "UTF-8", 0, TE::Utf8, TE::Utf8},
        SmartRow{"utf8Long", longTraditional, "UTF-8", 0, TE::Utf8, TE::Utf8},
        // Cut inside its last character: no longer valid, but still UTF-8 to the statistics.
        SmartRow{"utf8CutLong", longSimplified + "好", "UTF-8", 1, TE::Utf8, TE::Ansi},
        SmartRow{"utf16leShort", shortSimplified, "UTF-16LE", 0, TE::Utf16LE, TE::Ansi},
        SmartRow{"utf16leLong", longSimplified, "UTF-16LE", 0, TE::Utf16LE, TE::Ansi},
        SmartRow{"utf16beShort", shortTraditional, "UTF-16BE", 0, TE::Utf16BE, TE::Ansi},
        SmartRow{"utf16beLong", longTraditional, "UTF-16BE", 0, TE::Utf16BE, TE::Ansi},
        SmartRow{"utf16leAscii", ascii, "UTF-16LE", 0, TE::Utf16LE, TE::Utf8},
        SmartRow{"utf16beAscii", ascii, "UTF-16BE", 0, TE::Utf16BE, TE::Ansi},
        SmartRow{"ascii", ascii, "UTF-8", 0, TE::Utf8, TE::Utf8},
        // uchardet calls these single-byte text; the Big5 reading is the plausible Chinese.
        SmartRow{"big5Greeting", "你好，世界", "BIG5", 0, TE::Big5, TE::Ansi},
        SmartRow{"big5Minutes", "會議記錄", "BIG5", 0, TE::Big5, TE::Ansi},
        SmartRow{"big5PhoneList", "電話號碼表", "BIG5", 0, TE::Big5, TE::Ansi},
        // Reads cleanly as GBK too, as 叫安虫.
        SmartRow{"big5LeaveForm", "請假單", "BIG5", 0, TE::Big5, TE::Ansi},
        // Alone, 華碩 reads as the more common GBK; its comma is user-defined in GBK.
        SmartRow{"big5Comma", "華碩，", "BIG5", 0, TE::Big5, TE::Ansi},
        // Read as UTF-16LE, "/s", "ys", ... are ideographs.
        SmartRow{"big5Path", "「/system/proxy/」", "BIG5", 0, TE::Big5, TE::Ansi},
        // ASCII pairs read as ideographs in UTF-16BE, but rare ones.
        SmartRow{"big5AfterAsciiKey", "name99=登入錯誤", "BIG5", 0, TE::Big5, TE::Ansi},
        SmartRow{"big5BeforeAsciiWord", "將pipeline", "BIG5", 0, TE::Big5, TE::Ansi},
        // uchardet calls this UTF-8, which it is not.
        SmartRow{"gbkNotUtf8", "选项：", "GB18030", 0, TE::Ansi, TE::Ansi},
        // Its two bytes are valid UTF-8 as well; only the classic rule takes them so.
        SmartRow{"gbkAlsoValidUtf8", "一", "GB18030", 0, TE::Ansi, TE::Utf8},
        // Short GBK that classic reads right: UTF-8 up to a cut last character (EC B3 BC C3),
        // one character that is a common one in Big5 too, ASCII pairs and a lone last byte
        // that read as UTF-16BE ideographs.
        SmartRow{"gbkLikeCutUtf8", "name82=斐济", "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"gbkOneCharacter", "msgstr \"莱", "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"gbkLikeOddUtf16", "name34=Annodex 视", "GB18030", 0, TE::Ansi, TE::Ansi},
        // Four-byte characters read as ideographs in UTF-16BE.
        SmartRow{"gb18030FourByte", "© 臺北", "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"gb18030Copyright", "© 2024 Qt", "GB18030", 0, TE::Ansi, TE::Ansi},
        SmartRow{"utf16leCutInLastUnit", longSimplified, "UTF-16LE", 1, TE::Utf16LE, TE::Ansi},
        SmartRow{"utf16leBoxTable", boxTable, "UTF-16LE", 0, TE::Utf16LE, TE::Ansi},
        SmartRow{"utf16beBoxTable", boxTable, "UTF-16BE", 0, TE::Utf16BE, TE::Ansi},
        // A page's declaration holds with the smart rule only when its bytes agree.
        SmartRow{"pageUtf8OnGbk", page("utf-8", shortSimplified), "GB18030", 0, TE::Ansi, TE::Utf8},
        SmartRow{"pageBig5OnGbk", page("big5", longSimplified), "GB18030", 0, TE::Ansi, TE::Big5},
        // Decodes cleanly as Big5 too, as rare characters.
        SmartRow{"pageBig5OnGbkReadingAsBig5", page("big5", "显示执行文件所在位置"), "GB18030", 0,
                 TE::Ansi, TE::Big5},
        SmartRow{"pageBig5OnUtf8", page("big5", shortTraditional), "UTF-8", 0, TE::Utf8, TE::Big5},
        SmartRow{"pageBig5OnBig5", page("big5", shortTraditional), "BIG5", 0, TE::Big5, TE::Big5},
        SmartRow{"pageUtf8OnUtf8", page("utf-8", shortSimplified), "UTF-8", 0, TE::Utf8, TE::Utf8}),
    [](const auto& param) { return std::string(param.param.name); });

struct Utf16Row {
    const char* name;
    std::string data;
    TE expected;
};

class Utf16WithoutMarkTest : public testing::TestWithParam<Utf16Row> {};

TEST_P(Utf16WithoutMarkTest, needsEvenLengthTextUnitsAndOneByteOrder) {
    const Utf16Row& row = GetParam();
    EXPECT_EQ(utf16WithoutMark(row.data, platform::isValidUtf8(row.data)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    SmartDetection, Utf16WithoutMarkTest,
    testing::Values(
        Utf16Row{"asciiLittle", "a\0b\0\n\0"s, TE::Utf16LE},
        Utf16Row{"asciiBig", "\0a\0b\0\n"s, TE::Utf16BE},
        // Cut inside its last unit: the lone byte is left out.
        Utf16Row{"oddLength", "a\0b\0\n"s, TE::Utf16LE},
        Utf16Row{"unitZero", "a\0\0\0b\0"s, TE::Auto},
        Utf16Row{"zerosOnBothSides", "a\0\0ab\0\0b"s, TE::Auto},
        Utf16Row{"pairedSurrogates", "a\0b\0\x3D\xD8\x00\xDE"s, TE::Utf16LE},
        Utf16Row{"loneHighSurrogate", "a\0b\0\x3D\xD8"s, TE::Auto},
        Utf16Row{"loneLowSurrogate", "a\0b\0\x00\xDE"s, TE::Auto},
        Utf16Row{"ideographsOnlyLittle", encoded(shortSimplified, "UTF-16LE"), TE::Utf16LE},
        // Two U+4E00 put more zero bytes on the low side than the one line break on the high.
        Utf16Row{"lowZerosOutnumberAscii", encoded("一样的东西一起买回来\n", "UTF-16BE"),
                 TE::Utf16BE},
        // Both byte orders read as ideographs only; the other order as rare ones.
        Utf16Row{"ideographsBothWays", encoded("繼承文字的", "UTF-16BE"), TE::Utf16BE},
        Utf16Row{"notText", "a\0\x01\x0A\x02\x0B"s, TE::Auto},
        // Pairs of ASCII letters read as CJK ideographs; without a high byte they are ASCII.
        Utf16Row{"plainAsciiIsNot", "hello world!", TE::Auto},
        Utf16Row{"gbkIsNot", encoded(longSimplified, "GB18030"), TE::Auto},
        Utf16Row{"big5IsNot", encoded(longTraditional, "BIG5"), TE::Auto},
        Utf16Row{"utf8IsNot", encoded(longSimplified, "UTF-8"), TE::Auto}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace

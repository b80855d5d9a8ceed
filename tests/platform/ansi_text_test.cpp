#include "platform/ansi_text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(AnsiText, literalBecomesGb18030) {
    EXPECT_EQ(ansi("转换结果"), "\xD7\xAA\xBB\xBB\xBD\xE1\xB9\xFB");
    EXPECT_EQ(ansi("abc"), "abc");
    EXPECT_EQ(ansi(""), "");
}

TEST(AnsiText, roundTripsCharactersOutsideGbk) {
    // U+20000 needs a GB18030 four-byte sequence; the edge conversions must keep it.
    const std::string utf8 = "\xF0\xA0\x80\x80";
    auto text = ansiFromUtf8(utf8);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), 4u);
    EXPECT_EQ(utf8FromAnsi(*text), utf8);
}

TEST(AnsiText, unrepresentableNamesAreRefused) {
    EXPECT_FALSE(ansiPath("bad\xFFname")); // invalid UTF-8 from the file system
    EXPECT_FALSE(nativePath("\x81"));      // lone GB18030 lead byte
    // 0x80 is neither a UTF-8 character nor a GB18030 one: ASCII stops below it.
    EXPECT_FALSE(nativePath("a\x80"));
    EXPECT_FALSE(ansiPath("a\x80"));
    EXPECT_EQ(nativePath("/tmp/a b.txt"), "/tmp/a b.txt");
    EXPECT_EQ(nativePath(ansi("/tmp/文件.txt")), "/tmp/文件.txt");
}

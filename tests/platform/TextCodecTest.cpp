#include "platform/base/TextCodec.h"

#include <gtest/gtest.h>

using vq::GbkToUtf8;
using vq::Utf8ToGbk;

TEST(TextCodec, ConvertsChineseBothWays) {
    const std::string gbk = "\xD6\xD0\xCE\xC4 abc"; // 中文 abc
    EXPECT_EQ(GbkToUtf8(gbk), "中文 abc");
    EXPECT_EQ(Utf8ToGbk("中文 abc"), gbk);
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk("零部件配置")), "零部件配置");
}

TEST(TextCodec, AsciiAndEmptyPassUnchanged) {
    EXPECT_EQ(Utf8ToGbk(""), "");
    EXPECT_EQ(GbkToUtf8("plain [text]=1\r\n"), "plain [text]=1\r\n");
}

TEST(TextCodec, InvalidGbkBytesAreReplacedAndTheRestSurvives) {
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(GbkToUtf8("ab\xD6"), "ab\xEF\xBF\xBD");
    // A lead byte followed by a byte that cannot be a trail byte: the ASCII byte is kept.
    EXPECT_EQ(GbkToUtf8("\xD6\x0A"
                        "x"),
              "\xEF\xBF\xBD\nx");
    // A stray 0xFF between valid characters.
    EXPECT_EQ(GbkToUtf8("\xD6\xD0\xFF\xCE\xC4"), "中\xEF\xBF\xBD文");
}

TEST(TextCodec, UnmappableAndInvalidUtf8BecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");      // no code page 936 form
    EXPECT_EQ(Utf8ToGbk("a\xC3(b"), "a?(b"); // broken sequence: only the bad byte goes
    EXPECT_EQ(Utf8ToGbk("\xE4\xB8"), "?");   // sequence cut at the end
}

TEST(TextCodec, TruncateCountsCodePage936Bytes) {
    // Each Chinese character takes two bytes in code page 936 (three in UTF-8).
    EXPECT_EQ(vq::TruncateToGbkBytes("中文ab", 4), "中文");
    EXPECT_EQ(vq::TruncateToGbkBytes("中文ab", 3), "中");
    EXPECT_EQ(vq::TruncateToGbkBytes("a中文", 2), "a");
    EXPECT_EQ(vq::TruncateToGbkBytes("abc", 99), "abc");
    EXPECT_EQ(vq::TruncateToGbkBytes("中", 0), "");
}

TEST(TextCodec, ValidUtf8Check) {
    EXPECT_TRUE(vq::IsValidUtf8("中文 abc"));
    EXPECT_FALSE(vq::IsValidUtf8("\xD6\xD0\xCE\xC4"));
    EXPECT_FALSE(vq::IsValidUtf8("\xC0\xAF"));     // overlong "/"
    EXPECT_FALSE(vq::IsValidUtf8("\xED\xA0\x80")); // surrogate
}

// The charsets of outgoing mail: GB2312 takes a text only when it holds every character of it (镕
// 喆 堃 and the em dash are code page 936 but not GB2312); GB18030 holds every character, in
// code page 936's bytes where it has them and four bytes for the rest, and texts of both are cut
// between characters.
TEST(TextCodec, MailCharsetsHoldTheWholeText) {
    std::string out;
    EXPECT_TRUE(vq::Utf8ToGb2312("中文 abc", out));
    EXPECT_EQ(out, "\xD6\xD0\xCE\xC4 abc");
    EXPECT_TRUE(vq::Utf8ToGb2312("plain", out));
    EXPECT_EQ(out, "plain");
    for (const char* outside : {"镕钢车间", "王喆", "李堃", "设计——变更", "a€", "😀", "a\xC3(b"})
        EXPECT_FALSE(vq::Utf8ToGb2312(outside, out)) << outside;

    EXPECT_EQ(vq::Utf8ToGb18030("镕钢车间"), Utf8ToGbk("镕钢车间"));
    EXPECT_EQ(vq::Utf8ToGb18030("•"), "\x81\x36\xA6\x31");
    EXPECT_EQ(vq::Utf8ToGb18030("a😀b"), "a\x94\x39\xFC\x36"
                                        "b");
    EXPECT_EQ(vq::Utf8ToGb18030("a\xC3(b"), "a?(b");

    const std::string mixed = vq::Utf8ToGb18030("a镕•");
    EXPECT_EQ(vq::GbCharacterLength(mixed, 0), 1u);
    EXPECT_EQ(vq::GbCharacterLength(mixed, 1), 2u);
    EXPECT_EQ(vq::GbCharacterLength(mixed, 3), 4u);
    EXPECT_EQ(vq::GbCharacterLength(mixed.substr(0, 5), 3), 2u); // a four-byte form cut short
    EXPECT_EQ(vq::GbCharacterLength(mixed.substr(0, 4), 3), 1u);
    EXPECT_EQ(vq::GbCharacterLength(Utf8ToGbk("中"), 0), 2u);
}

// A settings file saved by an editor in UTF-8 is told apart from code page 936 text; text of
// code page 936 (and ASCII) passes, even where it happens to be well-formed UTF-8 as well.
TEST(TextCodec, TextThatIsNotCodePage936IsRecognised) {
    const std::string gbk = vq::Utf8ToGbk("[服务器参数配置]\r\nPDM数据源=otherdsn\r\n");
    EXPECT_EQ(vq::Cp936TextFault(gbk), "");
    EXPECT_EQ(vq::Cp936TextFault("[a]\nb=c\n"), "");
    EXPECT_EQ(vq::Cp936TextFault(""), "");
    EXPECT_EQ(vq::Cp936TextFault("\xD6\xD0"), "") << "中 in code page 936 is well-formed UTF-8 too";
    EXPECT_EQ(vq::Cp936TextFault("\xD6\xD0\xCE\xC4\xFF"), "") << "a broken byte is no other encoding";

    EXPECT_NE(vq::Cp936TextFault("[服务器参数配置]\nPDM数据源=otherdsn\n"), "");
    EXPECT_NE(vq::Cp936TextFault("\xEF\xBB\xBF[a]\nb=c\n").find("字节顺序标记"), std::string::npos);
    EXPECT_NE(vq::Cp936TextFault(std::string("\xFF\xFE[\0a\0]\0", 8)).find("UTF-16"), std::string::npos);
    EXPECT_NE(vq::Cp936TextFault(std::string("[\0a\0]\0", 6)), "");
    EXPECT_NE(vq::Cp936TextFault("a=\xF0\x9F\x98\x80\n"), "") << "a character of four bytes";
    // Accented letters of two bytes each are well-formed code page 936 too: not taken for UTF-8.
    EXPECT_EQ(vq::Cp936TextFault("caf\xC3\xA9\n[x\xC3\xA9]\n\xC2\xA7x"), "");
}

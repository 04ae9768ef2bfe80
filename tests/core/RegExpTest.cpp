#include "core/RegExp.h"

#include <gtest/gtest.h>

namespace {
// The offset of the first match of pattern in text; -2 when the pattern does not compile.
int FindIn(const char* pattern, const char* text) {
    CRegExp re;
    if (!re.Compile(pattern))
        return -2;
    return re.Find(text);
}
bool Compiles(const char* pattern) {
    CRegExp re;
    return re.Compile(pattern) != nullptr;
}
} // namespace

TEST(RegExp, AnchorsAndRepetition) {
    EXPECT_EQ(FindIn("^ab*c", "ac"), 0);
    EXPECT_EQ(FindIn("^ab*c", "abbbc"), 0);
    EXPECT_EQ(FindIn("^ab*c", "bac"), -1);
    EXPECT_EQ(FindIn("a|b", "xb"), 1);
    EXPECT_EQ(FindIn("x$", "xax"), 2);
    EXPECT_EQ(FindIn("x$", "xa"), -1);
    EXPECT_EQ(FindIn("", "abc"), 0);
    EXPECT_EQ(FindIn("", ""), 0);
    EXPECT_EQ(FindIn("^a*ab$", "aaab"), 0); // the greedy star gives back
    EXPECT_EQ(FindIn("(ab)+c", "xababc"), 1);
    EXPECT_EQ(FindIn("colou?r", "my color"), 3);
    EXPECT_EQ(FindIn("a.c", "abc"), 0);
    EXPECT_EQ(FindIn("a.c", "ac"), -1);
}

TEST(RegExp, Sets) {
    EXPECT_EQ(FindIn("[]a]", "x]"), 1);
    EXPECT_EQ(FindIn("[]a]", "xa"), 1);
    EXPECT_EQ(FindIn("[]a]", "xb"), -1);
    EXPECT_EQ(FindIn("[a-]", "x-"), 1);
    EXPECT_EQ(FindIn("^[0-9]+$", "2024"), 0);
    EXPECT_EQ(FindIn("^[0-9]+$", "20a4"), -1);
    EXPECT_EQ(FindIn("[^0-9]", "12b"), 2);
    EXPECT_EQ(FindIn("[^0-9]", "12"), -1);
    EXPECT_FALSE(Compiles("[z-a]"));
    EXPECT_FALSE(Compiles("[abc"));
}

TEST(RegExp, SyntaxErrors) {
    EXPECT_FALSE(Compiles("a**"));
    EXPECT_FALSE(Compiles("(a*)*"));
    EXPECT_FALSE(Compiles("(a*)+"));
    EXPECT_TRUE(Compiles("(a*)?"));
    EXPECT_FALSE(Compiles("(a"));
    EXPECT_FALSE(Compiles("a)"));
    EXPECT_FALSE(Compiles("*a"));
    EXPECT_FALSE(Compiles("a\\"));
    EXPECT_TRUE(Compiles("(a)(b)(c)(d)(e)(f)(g)(h)(i)"));
    EXPECT_FALSE(Compiles("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)"));
    CRegExp re;
    EXPECT_EQ(re.Compile(nullptr), nullptr);
    EXPECT_EQ(re.Find("a"), -1); // nothing compiled
}

TEST(RegExp, EscapesTakeTheNextCharacterLiterally) {
    EXPECT_EQ(FindIn("a\\.b", "a.b"), 0);
    EXPECT_EQ(FindIn("a\\.b", "axb"), -1);
    EXPECT_EQ(FindIn("\\(1\\)", "x(1)"), 1);
}

TEST(RegExp, LastMatchHoldsTheMatchedText) {
    CRegExp re;
    ASSERT_NE(re.Compile("b+c"), nullptr);
    EXPECT_EQ(re.Find("aabbbcd"), 2);
    EXPECT_EQ(re.GetLastMatch(), "bbbc");
    EXPECT_EQ(re.Find("xyz"), -1);
    EXPECT_EQ(re.GetLastMatch(), "");
    EXPECT_EQ(re.Find(nullptr), -1);
}

TEST(RegExp, RequiredTextAndFirstCharacterDoNotLoseMatches) {
    EXPECT_EQ(FindIn("x*abc", "zzabc"), 2);
    EXPECT_EQ(FindIn("x*abc", "zzab"), -1);
    EXPECT_EQ(FindIn("abc", "ababc"), 2);
}

TEST(RegExp, ChineseTextMatchesAndOffsetsAreUtf8) {
    // The filter's use: the user's pattern anchored with "^".
    EXPECT_EQ(FindIn("^图纸", "图纸A"), 0);
    EXPECT_EQ(FindIn("^图纸", "A图纸"), -1);
    EXPECT_EQ(FindIn("纸", "图纸"), 3);
    EXPECT_EQ(FindIn("^总装.*A$", "总装图A"), 0);
    // A quantifier after a Chinese character repeats the whole character.
    CRegExp re;
    ASSERT_NE(re.Compile("装图+"), nullptr);
    EXPECT_EQ(re.Find("总装图图"), 3);
    EXPECT_EQ(re.GetLastMatch(), "装图图");
    ASSERT_NE(re.Compile("^图?纸"), nullptr);
    EXPECT_EQ(re.Find("纸"), 0);
    EXPECT_EQ(re.Find("图纸"), 0);
    ASSERT_NE(re.Compile("^总*$"), nullptr);
    EXPECT_EQ(re.Find("总总总"), 0);
    EXPECT_EQ(re.Find("总A"), -1);
    // "." and sets take one byte of the stored text.
    EXPECT_EQ(FindIn("^..$", "图"), 0);
}

TEST(RegExp, NoMatchStartsInsideADoubleByteCharacter) {
    // 癮 is B0 61 in code page 936: its second byte is "a".
    EXPECT_EQ(FindIn("a", "癮"), -1);
    EXPECT_EQ(FindIn("a", "癮a"), 3);
}

TEST(RegExp, ChineseCharactersWhoseSecondByteLooksLikeAMetacharacter) {
    // 癩 (B0 5D), 癧 (B0 5B), 癨 (B0 5C): second bytes "]", "[" and "\\".
    EXPECT_EQ(FindIn("^癧", "癧x"), 0);
    EXPECT_EQ(FindIn("癨a", "x癨a"), 1);
    EXPECT_EQ(FindIn("[癩]", "a癩"), 1);
    EXPECT_EQ(FindIn("\\癩", "癩"), 0);
    EXPECT_EQ(FindIn("^(癧|癨)$", "癨"), 0);
}

TEST(RegExp, LongTextsDoNotExhaustTheStack) {
    std::string text(200000, 'a');
    int rc = FindIn("^(a|b)*$", text.c_str());
    EXPECT_TRUE(rc == 0 || rc == -1);
    EXPECT_EQ(FindIn("a*$", text.c_str()), 0); // a simple star needs no recursion per character
}

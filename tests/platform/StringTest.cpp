#include "platform/base/String.h"
#include "platform/base/Collections.h"

#include <gtest/gtest.h>

TEST(CString, ExtractionClampsLikeTheFramework) {
    CString s("abcdef");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(99), "abcdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Mid(4), "ef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(5, 10), "f");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.GetAt(10), '\0');
}

TEST(CString, SearchAndReplace) {
    CString s("a?b?c");
    EXPECT_EQ(s.Find('?'), 1);
    EXPECT_EQ(s.Find('?', 2), 3);
    EXPECT_EQ(s.Find("b?"), 2);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Find('?', 99), -1);
    EXPECT_EQ(s.ReverseFind('?'), 3);
    EXPECT_EQ(s.Replace("?", "||"), 2);
    EXPECT_EQ(s, "a||b||c");
    EXPECT_EQ(s.Remove('|'), 4);
    EXPECT_EQ(s, "abc");
}

TEST(CString, CaseAndTrimLeaveChineseTextAlone) {
    CString s("  图号Ab\r\n");
    s.Trim();
    EXPECT_EQ(s, "图号Ab");
    s.MakeUpper();
    EXPECT_EQ(s, "图号AB");
    EXPECT_EQ(s.CompareNoCase("图号ab"), 0);
    EXPECT_NE(CString("admin").CompareNoCase("admim"), 0);
    CString r("ab图");
    r.MakeReverse();
    EXPECT_EQ(r, "图ba");
}

TEST(CString, FormatTakesStringsDirectly) {
    CString name("零件"), out;
    out.Format("%s [%s] %d %.1f", name, CString("P1"), 7, 2.5);
    EXPECT_EQ(out, "零件 [P1] 7 2.5");
    out.AppendFormat("%05d", 42);
    EXPECT_EQ(out, "零件 [P1] 7 2.500042");
}

TEST(CString, TruncationNeverSplitsACharacter) {
    std::string text = "ab图号"; // 2 + 3 + 3 bytes
    EXPECT_EQ(vq::TruncateUtf8(text, 4), "ab");
    EXPECT_EQ(vq::TruncateUtf8(text, 5), "ab图");
    EXPECT_EQ(vq::TruncateUtf8(text, 99), text);
}

TEST(CString, CaseFoldingOfNumbersAndFolderNames) {
    EXPECT_EQ(vq::FoldCase("ΣM-05 ＸＭ-06 ЖM-07 \xE2\x84\xAA İ"), "σm-05 ｘｍ-06 жm-07 k i");
    EXPECT_EQ(vq::FoldCase("图号\xFF"), "图号\xFF"); // what is no character stays
    // Final and medial sigma are two letters to the database, one to a server comparing upper case.
    EXPECT_NE(vq::FoldCase("ς"), vq::FoldCase("σ"));
    EXPECT_EQ(vq::FolderNameKey("xm-ς"), vq::FolderNameKey("XM-Σ"));
    EXPECT_NE(vq::FolderNameKey("XM-02-01"), vq::FolderNameKey("ＸＭ-02-01"));
}

TEST(CString, VisibleTextWritesOutWhatCannotBeSeen) {
    EXPECT_EQ(vq::VisibleText("XM-02-01\u200B"), "XM-02-01<U+200B>");
    EXPECT_EQ(vq::VisibleText("XM\u00A002\u2003\uFEFF"), "XM<U+00A0>02<U+2003><U+FEFF>");
    EXPECT_EQ(vq::VisibleText(" 泵 体\t"), "<U+0020>泵 体<U+0009>");
    EXPECT_EQ(vq::VisibleText("  "), "<U+0020><U+0020>");
    EXPECT_EQ(vq::VisibleText(std::string("a\0b\x7F\xC3", 5)), "a<U+0000>b<U+007F><0xC3>");
    EXPECT_EQ(vq::VisibleText("XM-02-01 图纸.dwg"), "XM-02-01 图纸.dwg");
}

TEST(CString, Tokenize) {
    CString s("a,,b,c");
    int pos = 0;
    std::vector<CString> parts;
    for (CString t = s.Tokenize(",", pos); pos != -1; t = s.Tokenize(",", pos))
        parts.push_back(t);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[2], "c");
}

TEST(Collections, ListPositionsWalkBothWays) {
    CStringList list;
    list.AddTail("b");
    list.AddHead("a");
    POSITION c = list.AddTail("c");
    list.InsertBefore(c, "x");
    std::vector<CString> seen;
    for (POSITION p = list.GetHeadPosition(); p;)
        seen.push_back(list.GetNext(p));
    EXPECT_EQ(seen, (std::vector<CString>{"a", "b", "x", "c"}));
    list.RemoveAt(list.Find("x"));
    POSITION p = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(p), "c");
    EXPECT_EQ(list.GetPrev(p), "b");
    EXPECT_EQ(list.GetCount(), 3);
}

TEST(Collections, ArrayInsertRemoveAndMap) {
    CStringArray a;
    a.Add("1");
    a.Add("3");
    a.InsertAt(1, "2");
    a.RemoveAt(0);
    ASSERT_EQ(a.GetSize(), 2);
    EXPECT_EQ(a[0], "2");
    CMapStringToString m;
    m.SetAt("k", "v");
    CString v;
    EXPECT_TRUE(m.Lookup("k", v));
    EXPECT_EQ(v, "v");
    EXPECT_FALSE(m.Lookup("x", v));
}

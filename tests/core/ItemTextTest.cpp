#include "core/ItemText.h"

#include <gtest/gtest.h>

#include <string>

namespace {
CItemText Item(const char* text, char separator = '?') {
    CItemText item;
    item.m_strText = text;
    item.m_cSeparator = separator;
    return item;
}
} // namespace

TEST(ItemText, NewItemIsEmptyWithQuestionMarkSeparator) {
    CItemText item;
    EXPECT_EQ(item.m_strText, "");
    EXPECT_EQ(item.m_cSeparator, '?');
    EXPECT_EQ(item.m_nFlag, 0);
    EXPECT_EQ(item.GetField(0), "");
}

TEST(ItemText, GetFieldBetweenSeparators) {
    CItemText item = Item("a??c");
    EXPECT_EQ(item.GetField(0), "a");
    EXPECT_EQ(item.GetField(1), "");
    EXPECT_EQ(item.GetField(2), "c");
    EXPECT_EQ(item.GetField(3), "");
    EXPECT_EQ(item.GetField(-1), "");
    EXPECT_EQ(Item("图号|名称", '|').GetField(1), "名称");
}

TEST(ItemText, SetFieldReplacesOnlyItsField) {
    CItemText item = Item("a?b?c");
    item.SetField(1, "X");
    EXPECT_EQ(item.m_strText, "a?X?c");
    item = Item("a?b?c");
    item.SetField(2, "X");
    EXPECT_EQ(item.m_strText, "a?b?X");
    item = Item("a?b?c");
    item.SetFirstField("零件");
    EXPECT_EQ(item.m_strText, "零件?b?c");
    item = Item("a?b?c");
    item.SetField(1, "");
    EXPECT_EQ(item.m_strText, "a??c");
}

TEST(ItemText, SetFieldAddsMissingFields) {
    CItemText item = Item("a");
    item.SetField(2, "c");
    EXPECT_EQ(item.m_strText, "a??c");
    item = Item("");
    item.SetField(0, "new");
    EXPECT_EQ(item.m_strText, "new");
    item = Item("a?b");
    item.SetField(2, "c");
    EXPECT_EQ(item.m_strText, "a?b?c");
}

TEST(ItemText, AnEmptyFirstFieldIsKept) {
    CItemText item = Item("?b?c");
    item.SetField(1, "X");
    EXPECT_EQ(item.m_strText, "?X?c");
    EXPECT_EQ(item.GetField(0), "");
    item = Item("??");
    item.SetField(2, "z");
    EXPECT_EQ(item.m_strText, "??z");
}

TEST(ItemText, MakeValidFileNameReplacesTheTenCharacters) {
    EXPECT_EQ(MakeValidFileName("A/B:C"), "A#B#C");
    EXPECT_EQ(MakeValidFileName("\"*+/:<>?\\|"), "##########");
    EXPECT_EQ(MakeValidFileName("总装 图-1.dwg"), "总装 图-1.dwg");
}

// A stored text gives the folder or file name it names on its own, or none: the separators are
// made harmless, and what would name the folder it is taken in or the one above, or another
// name to a server that drops trailing dots and blanks, is refused.
TEST(ItemText, StoredFolderNameIsTheValidFileNameOrNone) {
    struct Case {
        const char* text;
        const char* name;
    };
    const Case cases[] = {
        {"XM-02-01", "XM-02-01"},
        {"泵体 01", "泵体 01"},
        {".a", ".a"},
        {"a.b", "a.b"},
        {"a b", "a b"},
        {"../x", "..#x"},
        {"..\\..\\a", "..#..#a"},
        {"..\\..", ""}, // "..#.." ends in a dot
        {"./", ".#"},
        {"C:x", "C#x"},
        {"", ""},
        {".", ""},
        {"..", ""},
        {"...", ""},
        {". ", ""},
        {".. ", ""},
        {" . ", ""},
        {" ", ""},
        {"a\tb", ""},
        {"a\x7f", ""},
        // Another task's folder "XM-02-01" as such a server reads it.
        {"XM-02-01.", ""},
        {"XM-02-01..", ""},
        {"a..", ""},
        {"XM-02-01 ", ""},
        {"XM-02-01. ", ""},
        {" XM-02-01", ""},
        {"XM-02-01\t", ""},
        {"\tXM-02-01", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StoredFolderName(c.text), c.name) << c.text;
    EXPECT_EQ(StoredFolderName(CString(std::string("XM-02-01\0more", 13))), "");
}

TEST(ItemText, WildcardToSqlLike) {
    EXPECT_EQ(WildcardToSqlLike("*图*号"), "%图%号");
    EXPECT_EQ(WildcardToSqlLike("a?b"), "a?b");
}

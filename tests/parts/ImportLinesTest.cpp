// The packed lines of the import: every field comes back as it went in, across blocks and for
// a line larger than a block; line objects handed out stay in place and follow item numbers.
#include "parts/ImportLines.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>

namespace {

CProductStructItem* Line(int n, const std::string& longText = std::string()) {
    auto* item = new CProductStructItem;
    const CString tag(std::to_string(n));
    CString* texts[] = {
        &item->m_strText1,  &item->m_strTitleOther1, &item->m_strTitleOther2, &item->m_strText4,
        &item->m_strFrame,  &item->m_strText6,       &item->m_strOwnerCode,   &item->m_strUpCode,
        &item->m_strUpName, &item->m_strCode,        &item->m_strName,        &item->m_strMaterial,
        &item->m_strRemark, &item->m_strStyle,       &item->m_strStand,       &item->m_strOther1,
        &item->m_strOther2, &item->m_strTitleOther3, &item->m_strTitleOther4, &item->m_strTitleOther5,
        &item->m_strText31, &item->m_strText33,      &item->m_strText34,      &item->m_strText35,
        &item->m_strText36};
    int k = 0;
    for (CString* text : texts)
        *text = CString("字段") + CString(std::to_string(k++)) + "'" + tag;
    item->m_strRemark = CString(longText);
    item->m_strText6 = ""; // an empty field
    item->m_nNumber1 = -n;
    item->m_nItem = n;
    item->m_nQuantity = n * 2;
    item->m_nNumber16 = 16;
    item->m_nNumber17 = 17;
    item->m_nFlag24 = 0;
    item->m_nFlag25 = 1;
    item->m_nFlag26 = 2;
    item->m_dwNumber27 = 0xfffffff0u;
    item->m_dWeight = n + 0.125;
    item->m_dNumber32 = -1e300;
    return item;
}

void ExpectSame(const CProductStructItem& a, const CProductStructItem& b) {
    EXPECT_EQ(a.m_strText1, b.m_strText1);
    EXPECT_EQ(a.m_strTitleOther2, b.m_strTitleOther2);
    EXPECT_EQ(a.m_strText6, b.m_strText6);
    EXPECT_EQ(a.m_strUpCode, b.m_strUpCode);
    EXPECT_EQ(a.m_strCode, b.m_strCode);
    EXPECT_EQ(a.m_strName, b.m_strName);
    EXPECT_EQ(a.m_strRemark, b.m_strRemark);
    EXPECT_EQ(a.m_strTitleOther5, b.m_strTitleOther5);
    EXPECT_EQ(a.m_strText36, b.m_strText36);
    EXPECT_EQ(a.m_nNumber1, b.m_nNumber1);
    EXPECT_EQ(a.m_nItem, b.m_nItem);
    EXPECT_EQ(a.m_nQuantity, b.m_nQuantity);
    EXPECT_EQ(a.m_nNumber17, b.m_nNumber17);
    EXPECT_EQ(a.m_nFlag24, b.m_nFlag24);
    EXPECT_EQ(a.m_nFlag26, b.m_nFlag26);
    EXPECT_EQ(a.m_dwNumber27, b.m_dwNumber27);
    EXPECT_EQ(a.m_dWeight, b.m_dWeight);
    EXPECT_EQ(a.m_dNumber32, b.m_dNumber32);
}

} // namespace

TEST(ImportLines, EveryFieldComesBackAcrossBlocksAndForAHugeLine) {
    CImportLines lines;
    const std::string huge(3u << 20, 'x');
    for (int n = 0; n < 30000; ++n)
        lines.Add(Line(n, n == 100 ? huge : std::string()));
    ASSERT_EQ(lines.GetSize(), 30000);
    for (int n : {0, 99, 100, 101, 12345, 29999}) {
        SCOPED_TRACE(n);
        std::unique_ptr<CProductStructItem> expected(Line(n, n == 100 ? huge : std::string()));
        CProductStructItem got;
        lines.Get(n, got);
        ExpectSame(got, *expected);
    }
    lines.RemoveAll();
    EXPECT_EQ(lines.GetSize(), 0);
    lines.Add(Line(7));
    CProductStructItem got;
    lines.Get(0, got);
    EXPECT_EQ(got.m_nItem, 7);
}

TEST(ImportLines, LineObjectsStayInPlaceAndFollowTheItemNumber) {
    CImportLines lines;
    for (int n = 0; n < 3; ++n)
        lines.Add(Line(n));
    auto* first = static_cast<CProductStructItem*>(lines[0]);
    auto* last = static_cast<CProductStructItem*>(lines[2]);
    EXPECT_EQ(first, lines[0]);
    EXPECT_EQ(last->m_strCode, CString("字段9'2"));
    lines.SetItem(0, 42);
    lines.SetItem(1, 43);
    EXPECT_EQ(first->m_nItem, 42);
    CProductStructItem second;
    lines.Get(1, second);
    EXPECT_EQ(second.m_nItem, 43);
    EXPECT_EQ(second.m_nQuantity, 2) << "the numbers beside the item number stay";
    int count = 0;
    for (CObject* o : lines)
        count += static_cast<CProductStructItem*>(o)->m_nItem >= 42;
    EXPECT_EQ(count, 2);
}

// Lines are packed by what they hold: extreme and negative numbers, a negative zero and an empty
// line come back exactly, and a line read into a used object leaves none of its old texts.
TEST(ImportLines, ExtremeNumbersAndEmptyFieldsComeBackExactly) {
    CImportLines lines;
    auto* extreme = new CProductStructItem;
    extreme->m_nItem = INT_MIN;
    extreme->m_nNumber1 = INT_MAX;
    extreme->m_nQuantity = INT_MIN;
    extreme->m_nFlag26 = -1;
    extreme->m_dwNumber27 = 0xffffffffu;
    extreme->m_dWeight = -0.0;
    extreme->m_dNumber32 = 0.0;
    extreme->m_strText36 = "末";
    lines.Add(extreme);
    lines.Add(new CProductStructItem);
    lines.Add(Line(5));

    std::unique_ptr<CProductStructItem> used(Line(9));
    lines.Get(0, *used);
    EXPECT_EQ(used->m_nItem, INT_MIN);
    EXPECT_EQ(used->m_nNumber1, INT_MAX);
    EXPECT_EQ(used->m_nQuantity, INT_MIN);
    EXPECT_EQ(used->m_nFlag26, -1);
    EXPECT_EQ(used->m_dwNumber27, 0xffffffffu);
    EXPECT_TRUE(used->m_dWeight == 0.0 && std::signbit(used->m_dWeight));
    EXPECT_EQ(used->m_dNumber32, 0.0);
    EXPECT_EQ(used->m_strText36, CString("末"));
    EXPECT_TRUE(used->m_strCode.IsEmpty());
    EXPECT_TRUE(used->m_strText1.IsEmpty());
    EXPECT_TRUE(used->m_strTitleOther5.IsEmpty());

    const CProductStructItem fresh;
    lines.Get(1, *used);
    ExpectSame(*used, fresh);
    lines.SetItem(0, 12);
    lines.Get(0, *used);
    EXPECT_EQ(used->m_nItem, 12);
    EXPECT_EQ(used->m_nNumber1, INT_MAX);
    std::unique_ptr<CProductStructItem> fifth(Line(5));
    lines.Get(2, *used);
    ExpectSame(*used, *fifth);
}

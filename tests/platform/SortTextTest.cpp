// The order lists sort and search texts in: code page 936 bytes, ASCII letters without case; in
// the comparison itself, in a report list's sort of many rows, and in sorted combo boxes, list
// boxes and trees.
#include "platform/base/TextCodec.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using vq::CompareSortText;

namespace {

// The order by definition: the code page 936 bytes of the texts, ASCII letters lower-cased.
std::string ReferenceKey(const std::string& text) {
    std::string bytes = vq::Utf8ToGbk(text);
    // Lower-case single-byte letters only: a trail byte of a double-byte character may be a letter.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (vq::IsGbkLeadByte(c) && i + 1 < bytes.size())
            ++i;
        else if (c >= 'A' && c <= 'Z')
            bytes[i] = static_cast<char>(c + 32);
    }
    return bytes;
}

int ReferenceOrder(const std::string& a, const std::string& b) {
    const int r = ReferenceKey(a).compare(ReferenceKey(b));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// Random texts of up to 6 characters from a pool that mixes ASCII of both cases, Chinese,
// full-width forms, characters without a code page 936 form and a stray byte.
std::vector<std::string> RandomTexts(std::size_t count, unsigned seed) {
    static const std::vector<std::string> pool = {
        "a", "A", "b", "B", "z", "Z", "_", "-", "0", "9", " ", "~", "箱", "支", "阀", "减", "中", "文",
        "零", "部", "件", "啊", "齄", "丂", "ｗ", "Ａ", "€", "·", "é", "😀", "ɐ", "\xFF"};
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> length(0, 6);
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string text;
        for (std::size_t n = length(random); n > 0; --n)
            text += pool[pick(random)];
        texts.push_back(text);
    }
    return texts;
}

} // namespace

TEST(SortText, ChineseComesInCodePage936Order) {
    // UTF-8 orders these pairs the other way round.
    ASSERT_GT(std::string("箱").compare("支"), 0);
    ASSERT_GT(std::string("阀").compare("减"), 0);
    EXPECT_LT(CompareSortText("箱", "支"), 0);
    EXPECT_GT(CompareSortText("支", "箱"), 0);
    EXPECT_LT(CompareSortText("阀", "减"), 0);
    EXPECT_LT(CompareSortText("阀门A", "减速器"), 0);
    EXPECT_LT(CompareSortText("包装箱", "包装支架"), 0) << "decided by the first character that differs";
    EXPECT_EQ(CompareSortText("箱体", "箱体"), 0);
}

TEST(SortText, AsciiLettersWithoutCaseAndShorterTextsFirst) {
    EXPECT_EQ(CompareSortText("Gear-A1", "gEAR-a1"), 0);
    EXPECT_LT(CompareSortText("alpha", "Beta"), 0);
    EXPECT_LT(CompareSortText("ALPHA", "beta"), 0);
    EXPECT_LT(CompareSortText("_x", "ax"), 0) << "letters compare lower-cased, so '_' comes before them";
    EXPECT_LT(CompareSortText("Z9", "中"), 0) << "single bytes before double bytes";
    EXPECT_LT(CompareSortText("支", "支架"), 0);
    EXPECT_LT(CompareSortText("", "a"), 0);
    EXPECT_EQ(CompareSortText("", ""), 0);
    EXPECT_EQ(CString("ABC箱").CollateNoCase("abc箱"), 0);
    EXPECT_LT(CString("箱").CollateNoCase("支"), 0);
}

TEST(SortText, AgreesWithTheCodePage936BytesOfAnyText) {
    // Characters without a code page 936 form and invalid bytes count as "?", as the conversion
    // writes them.
    EXPECT_EQ(CompareSortText("a😀", "a?"), 0);
    EXPECT_EQ(CompareSortText("a\xFF", "a?"), 0);
    const auto texts = RandomTexts(3000, 936);
    for (std::size_t i = 0; i + 1 < texts.size(); ++i)
        ASSERT_EQ(Sign(CompareSortText(texts[i], texts[i + 1])), ReferenceOrder(texts[i], texts[i + 1]))
            << texts[i] << " / " << texts[i + 1];
}

namespace {

constexpr int kList = 2001;
constexpr int kCombo = 2002;
constexpr int kListBox = 2003;
constexpr int kTree = 2004;

const vq::DialogTemplate kSortTemplate{"排序",
                                       {vq::ReportList(kList), vq::ComboBox(kCombo, vq::kNoLayoutFlags, CBS_SORT),
                                        vq::ListBox(kListBox, vq::kNoLayoutFlags, LBS_SORT), vq::Tree(kTree),
                                        vq::PushButton(IDOK, "确定")}};

// Rows compared as the dialogs' header sorts compare them: item data is the row's record.
int CompareRecords(LPARAM a, LPARAM b, LPARAM) {
    return CString(reinterpret_cast<const std::string*>(a)->c_str())
        .CollateNoCase(reinterpret_cast<const std::string*>(b)->c_str());
}

class SortedControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Create(kSortTemplate)); }
    void TearDown() override { host.DestroyWindow(); }

    vq::ScriptedUser user;
    CDialog host{kSortTemplate, nullptr};
};

} // namespace

TEST_F(SortedControlsTest, ReportListSortsAHundredThousandRows) {
    auto* list = static_cast<CListCtrl*>(host.GetDlgItem(kList));
    list->InsertColumn(0, "名称", LVCFMT_LEFT, 100);
    const auto records = RandomTexts(100000, 18);
    for (int i = 0; i < static_cast<int>(records.size()); ++i) {
        list->InsertItem(i, records[static_cast<std::size_t>(i)].c_str());
        list->SetItemData(i, reinterpret_cast<DWORD_PTR>(&records[static_cast<std::size_t>(i)]));
    }
    ASSERT_TRUE(list->SortItems(&CompareRecords, 0));
    ASSERT_EQ(list->GetItemCount(), 100000);
    std::vector<std::string> sorted;
    for (int i = 0; i < list->GetItemCount(); ++i) {
        sorted.push_back(list->GetItemText(i, 0).str());
        ASSERT_EQ(sorted.back(), *reinterpret_cast<const std::string*>(list->GetItemData(i)));
    }
    std::vector<std::pair<std::string, std::size_t>> keys; // the reference key of each row, once
    for (std::size_t i = 0; i < records.size(); ++i)
        keys.emplace_back(ReferenceKey(records[i]), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> expected;
    for (const auto& key : keys)
        expected.push_back(records[key.second]);
    EXPECT_EQ(sorted, expected) << "every row once, equal rows in their first order";
}

TEST_F(SortedControlsTest, SortedBoxesAndTreesPlaceTextsInTheSameOrder) {
    const std::vector<CString> added = {"支架", "阀体", "Bolt", "箱盖", "减速器", "axle"};
    const std::vector<CString> expected = {"axle", "Bolt", "阀体", "减速器", "箱盖", "支架"};
    auto* combo = static_cast<CComboBox*>(host.GetDlgItem(kCombo));
    auto* box = static_cast<CListBox*>(host.GetDlgItem(kListBox));
    auto* tree = static_cast<CTreeCtrl*>(host.GetDlgItem(kTree));
    HTREEITEM root = tree->InsertItem("产品");
    for (const CString& text : added) {
        combo->AddString(text);
        box->AddString(text);
        tree->InsertItem(text, root, TVI_SORT);
    }
    std::vector<CString> inCombo, inBox, inTree;
    for (int i = 0; i < combo->GetCount(); ++i) {
        CString text;
        combo->GetLBText(i, text);
        inCombo.push_back(text);
        box->GetText(i, text);
        inBox.push_back(text);
    }
    for (HTREEITEM item = tree->GetChildItem(root); item; item = tree->GetNextSiblingItem(item))
        inTree.push_back(tree->GetItemText(item));
    EXPECT_EQ(inCombo, expected);
    EXPECT_EQ(inBox, expected);
    EXPECT_EQ(inTree, expected);

    // SortChildren puts items inserted at the end in the same order.
    HTREEITEM other = tree->InsertItem("其他");
    for (const CString& text : added)
        tree->InsertItem(text, other);
    tree->SortChildren(other);
    std::vector<CString> sortedChildren;
    for (HTREEITEM item = tree->GetChildItem(other); item; item = tree->GetNextSiblingItem(item))
        sortedChildren.push_back(tree->GetItemText(item));
    EXPECT_EQ(sortedChildren, expected);
}

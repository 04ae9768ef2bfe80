// Report lists: sorting with a comparison, searching, selection notifications with old and new
// state, hit tests by column, columns inserted and deleted, the header's images, column widths
// scaled to the view's font.
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kList = 2001;

const vq::DialogTemplate kListTemplate{"列表", {vq::ReportList(kList), vq::PushButton(IDOK, "确定")}};

// A window that owns a report list and records the notifications it hears.
class CListHost : public CDialog {
public:
    struct Change {
        int item;
        UINT oldState;
        UINT newState;
    };
    CListHost() : CDialog(kListTemplate, nullptr) {}
    std::vector<Change> m_changes;
    std::vector<int> m_columnClicks;
    std::vector<int> m_clicks;
    int m_vetoItem = -1;

    CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(kList)); }

protected:
    void OnChanging(NMHDR* header, LRESULT* result) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
        *result = nm->iItem == m_vetoItem && (nm->uNewState & LVIS_SELECTED) ? TRUE : FALSE;
    }
    void OnChanged(NMHDR* header, LRESULT*) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
        m_changes.push_back({nm->iItem, nm->uOldState, nm->uNewState});
    }
    void OnColumn(NMHDR* header, LRESULT*) {
        m_columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    }
    void OnClick(NMHDR* header, LRESULT*) {
        m_clicks.push_back(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CListHost, CDialog)
ON_NOTIFY(LVN_ITEMCHANGING, kList, &CListHost::OnChanging)
ON_NOTIFY(LVN_ITEMCHANGED, kList, &CListHost::OnChanged)
ON_NOTIFY(LVN_COLUMNCLICK, kList, &CListHost::OnColumn)
ON_NOTIFY(NM_CLICK, kList, &CListHost::OnClick)
END_MESSAGE_MAP()

class UiListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(kListTemplate));
        list = host.List();
        list->InsertColumn(0, "图号", LVCFMT_LEFT, 80);
        list->InsertColumn(1, "名称", LVCFMT_RIGHT, 100);
        list->InsertColumn(2, "数量", LVCFMT_CENTER, 50);
        const char* rows[][3] = {
            {"B-2", "支架", "4"}, {"A-1", "底座", "1"}, {"C-3", "盖板", "4"}, {"A-10", "螺栓", "2"}};
        for (int i = 0; i < 4; ++i) {
            list->InsertItem(i, rows[i][0]);
            list->SetItemText(i, 1, rows[i][1]);
            list->SetItemText(i, 2, rows[i][2]);
            list->SetItemData(i, static_cast<DWORD_PTR>(i));
        }
    }
    void TearDown() override { host.DestroyWindow(); }

    std::vector<CString> Column(int sub) const {
        std::vector<CString> texts;
        for (int i = 0; i < list->GetItemCount(); ++i)
            texts.push_back(list->GetItemText(i, sub));
        return texts;
    }

    vq::ScriptedUser user; // the view while the windows live: no widgets, no layout
    CListHost host;
    CListCtrl* list = nullptr;
};

// The rows' records, as dialogs keep them: item data is the record's index.
struct Record {
    const char* code;
    int count;
};
const Record kRecords[] = {{"B-2", 4}, {"A-1", 1}, {"C-3", 4}, {"A-10", 2}};

int CompareByCountDescending(LPARAM a, LPARAM b, LPARAM) {
    return kRecords[b].count - kRecords[a].count;
}

int CompareByCode(LPARAM a, LPARAM b, LPARAM ascending) {
    const int c = CString(kRecords[a].code).Compare(kRecords[b].code);
    return ascending ? c : -c;
}

TEST_F(UiListCtrlTest, SortUsesTheCallbackAndKeepsEqualRowsInOrder) {
    ASSERT_TRUE(list->SortItems(&CompareByCountDescending, 0));
    // Rows "B-2" and "C-3" have the same count and keep their order.
    EXPECT_EQ(Column(0), (std::vector<CString>{"B-2", "C-3", "A-10", "A-1"}));
    list->SortItems(&CompareByCode, TRUE);
    EXPECT_EQ(Column(0), (std::vector<CString>{"A-1", "A-10", "B-2", "C-3"}));
    EXPECT_EQ(list->GetItemText(0, 1), "底座") << "sub-items move with their rows";
    list->SortItems(&CompareByCode, FALSE);
    EXPECT_EQ(Column(0), (std::vector<CString>{"C-3", "B-2", "A-10", "A-1"}));
    EXPECT_EQ(list->GetItemData(0), 2u) << "item data moves with its row";
    EXPECT_FALSE(list->SortItems(nullptr, 0));
}

TEST_F(UiListCtrlTest, FindItemByTextPrefixAndData) {
    LVFINDINFO find;
    find.flags = LVFI_STRING;
    find.psz = "a-1";
    EXPECT_EQ(list->FindItem(&find), 1) << "whole text, without regard to case";
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = "A-1";
    EXPECT_EQ(list->FindItem(&find), 1);
    EXPECT_EQ(list->FindItem(&find, 1), 3) << "the search starts after the given row";
    find.flags = LVFI_PARAM;
    find.lParam = 2;
    EXPECT_EQ(list->FindItem(&find), 2);
    find.lParam = 99;
    EXPECT_EQ(list->FindItem(&find), -1);
}

TEST_F(UiListCtrlTest, UserSelectionReportsOldAndNewStates) {
    list->ModifyStyle(0, LVS_SINGLESEL);
    ASSERT_TRUE(list->UserSelect(1));
    ASSERT_TRUE(list->UserSelect(2));
    // Row 1 gained selection and focus, then lost the selection and the focus to row 2.
    ASSERT_GE(host.m_changes.size(), 3u);
    EXPECT_EQ(host.m_changes[0].item, 1);
    EXPECT_EQ(host.m_changes[0].oldState, 0u);
    EXPECT_EQ(host.m_changes[0].newState, LVIS_SELECTED | LVIS_FOCUSED);
    bool lostSelection = false;
    for (const auto& c : host.m_changes)
        if (c.item == 1 && (c.oldState & LVIS_SELECTED) && !(c.newState & LVIS_SELECTED))
            lostSelection = true;
    EXPECT_TRUE(lostSelection);
    EXPECT_EQ(host.m_changes.back().item, 2);
    EXPECT_EQ(list->GetSelectedCount(), 1u);
    EXPECT_EQ(host.m_clicks, (std::vector<int>{1, 2}));
    EXPECT_EQ(list->GetSelectionMark(), 2);
}

TEST_F(UiListCtrlTest, ParentCanRefuseASelection) {
    host.m_vetoItem = 3;
    list->UserSelect(3);
    EXPECT_EQ(list->GetItemState(3, LVIS_SELECTED), 0u);
    EXPECT_TRUE(host.m_changes.empty());
}

TEST_F(UiListCtrlTest, MultipleSelectionWalksSelectedRows) {
    list->UserSelect(0);
    list->UserSelect(2, true);
    list->UserSelect(3, true);
    list->UserSelect(2, true); // toggles off again
    std::vector<int> selected;
    for (POSITION pos = list->GetFirstSelectedItemPosition(); pos;)
        selected.push_back(list->GetNextSelectedItem(pos));
    EXPECT_EQ(selected, (std::vector<int>{0, 3}));
    EXPECT_EQ(list->GetNextItem(-1, LVNI_FOCUSED), 2) << "the last clicked row keeps the focus";
    list->UserSelect(-1);
    EXPECT_EQ(list->GetSelectedCount(), 0u) << "a click below the rows clears the selection";
}

TEST_F(UiListCtrlTest, HitTestFindsRowAndColumnFromTheViewsMetrics) {
    // The points below are at these widths in the list's own pixels.
    list->SetColumnWidth(0, 80);
    list->SetColumnWidth(1, 100);
    list->SetColumnWidth(2, 50);
    list->ViewSetMetrics(24, 20, 1, 0); // header 24 high, rows 20, scrolled down by one row
    LVHITTESTINFO info;
    info.pt = CPoint(85, 24 + 20 + 5); // second visible row, second column
    EXPECT_EQ(list->SubItemHitTest(&info), 2);
    EXPECT_EQ(info.iSubItem, 1);
    info.pt = CPoint(185, 30);
    list->SubItemHitTest(&info);
    EXPECT_EQ(info.iSubItem, 2);
    info.pt = CPoint(10, 10);
    EXPECT_EQ(list->SubItemHitTest(&info), -1) << "the header is no row";
    info.pt = CPoint(10, 24 + 20 * 5);
    EXPECT_EQ(list->SubItemHitTest(&info), -1) << "below the last row";
    UINT flags = 0;
    EXPECT_EQ(list->HitTest(CPoint(120, 30), &flags), -1)
        << "without full-row selection only column 0 is the item";
    list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list->HitTest(CPoint(120, 30), &flags), 1);
    EXPECT_EQ(flags, LVHT_ONITEMLABEL);
    CRect cell;
    ASSERT_TRUE(list->GetSubItemRect(1, 2, LVIR_LABEL, cell));
    EXPECT_EQ(cell, CRect(180, 24, 230, 44));
}

TEST_F(UiListCtrlTest, ColumnsInsertedAndDeletedKeepTheCellsInPlace) {
    list->InsertColumn(1, "版本", LVCFMT_LEFT, 40);
    EXPECT_EQ(list->GetItemText(0, 1), "");
    EXPECT_EQ(list->GetItemText(0, 2), "支架");
    list->SetItemText(0, 1, "B");
    list->DeleteColumn(2);
    EXPECT_EQ(list->GetItemText(0, 1), "B");
    EXPECT_EQ(list->GetItemText(0, 2), "4");
    EXPECT_FALSE(list->SetItemText(0, 7, "x")) << "no such column";
    EXPECT_FALSE(list->SetItemText(9, 0, "x")) << "no such row";
}

TEST_F(UiListCtrlTest, HeaderItemsCarryImagesAndColumnClicksReachTheParent) {
    CHeaderCtrl* header = list->GetHeaderCtrl();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetItemCount(), 3);
    HDITEM item;
    item.mask = HDI_IMAGE | HDI_FORMAT;
    item.iImage = 1;
    item.fmt = HDF_OWNERDRAW | HDF_RIGHT;
    ASSERT_TRUE(header->SetItem(1, &item));
    HDITEM read;
    read.mask = HDI_IMAGE | HDI_FORMAT | HDI_WIDTH;
    ASSERT_TRUE(header->GetItem(1, &read));
    EXPECT_EQ(read.iImage, 1);
    EXPECT_EQ(read.fmt, HDF_OWNERDRAW | HDF_RIGHT);
    EXPECT_EQ(read.cxy, list->GetColumnWidth(1));
    EXPECT_FALSE(header->GetItem(5, &read));
    list->UserColumnClick(2);
    EXPECT_FALSE(list->UserColumnClick(3));
    EXPECT_EQ(host.m_columnClicks, (std::vector<int>{2}));
}

// A header class of a dialog's own takes the place of the list's header.
class CImageHeader : public CHeaderCtrl {};

TEST_F(UiListCtrlTest, SubclassedHeaderTakesThePlaceOfTheOwnOne) {
    CImageHeader header;
    ASSERT_TRUE(header.SubclassWindow(list->GetHeaderCtrl()->m_hWnd));
    EXPECT_EQ(list->GetHeaderCtrl(), &header);
    EXPECT_EQ(header.GetItemCount(), 3);
    host.DestroyWindow();
    EXPECT_FALSE(header.m_hWnd);
}

// A new column's width is given for the system's 9-point font and kept in the view's pixels: the
// cells, the header, the hit tests and what the code reads back all use that one width, and a
// width read back and set again stays as it is (no growth each time it is stored).
TEST_F(UiListCtrlTest, ANewColumnIsScaledToTheViewsFontAndEveryGeometryFollowsIt) {
    const double scale = vq::ViewTextScale();
    EXPECT_GE(scale, 1.0);
    EXPECT_LT(scale, 1.5);
    ASSERT_EQ(list->InsertColumn(3, "备注", LVCFMT_LEFT, 200), 3);
    const int width = list->GetColumnWidth(3);
    EXPECT_EQ(width, static_cast<int>(std::lround(200 * scale)));
    LVCOLUMN column;
    column.mask = LVCF_WIDTH;
    column.cx = 150;
    ASSERT_EQ(list->InsertColumn(4, &column), 4);
    EXPECT_EQ(list->GetColumnWidth(4), static_cast<int>(std::lround(150 * scale)));
    int left = 0;
    for (int c = 0; c < 3; ++c)
        left += list->GetColumnWidth(c);
    CRect cell;
    ASSERT_TRUE(list->GetSubItemRect(0, 3, LVIR_LABEL, cell));
    EXPECT_EQ(cell.left, left);
    EXPECT_EQ(cell.Width(), width);
    CRect headerItem;
    ASSERT_TRUE(list->GetHeaderCtrl()->GetItemRect(3, &headerItem));
    EXPECT_EQ(headerItem.left, left);
    EXPECT_EQ(headerItem.Width(), width);
    LVHITTESTINFO info;
    info.pt = CPoint(cell.right - 1, cell.CenterPoint().y);
    list->SubItemHitTest(&info);
    EXPECT_EQ(info.iSubItem, 3);
    info.pt = CPoint(cell.right, cell.CenterPoint().y);
    list->SubItemHitTest(&info);
    EXPECT_EQ(info.iSubItem, 4);

    // Read back and set again, as remembered widths are: unchanged.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(list->SetColumnWidth(3, list->GetColumnWidth(3)));
        LVCOLUMN info4;
        info4.mask = LVCF_WIDTH;
        ASSERT_TRUE(list->GetColumn(4, &info4));
        ASSERT_TRUE(list->SetColumn(4, &info4));
        HDITEM item;
        item.mask = HDI_WIDTH;
        ASSERT_TRUE(list->GetHeaderCtrl()->GetItem(2, &item));
        ASSERT_TRUE(list->GetHeaderCtrl()->SetItem(2, &item));
    }
    EXPECT_EQ(list->GetColumnWidth(3), width);
    EXPECT_EQ(list->GetColumnWidth(4), static_cast<int>(std::lround(150 * scale)));
    EXPECT_EQ(list->GetColumnWidth(2), static_cast<int>(std::lround(50 * scale)));
}

TEST_F(UiListCtrlTest, AutoSizeFitsTheWidestText) {
    list->SetItemText(0, 1, "一个很长很长的名称");
    list->SetColumnWidth(1, LVSCW_AUTOSIZE);
    const int wide = list->GetColumnWidth(1);
    list->SetItemText(0, 1, "短");
    list->SetColumnWidth(1, LVSCW_AUTOSIZE);
    EXPECT_LT(list->GetColumnWidth(1), wide);
}

} // namespace

namespace {

TEST_F(UiListCtrlTest, KeyboardMovesTheSelectionWithoutAClick) {
    ASSERT_TRUE(list->UserKeySelect(2));
    EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_TRUE(host.m_clicks.empty());
    EXPECT_FALSE(list->UserKeySelect(-1));
    EXPECT_FALSE(list->UserKeySelect(4));
}

// A list class that puts its own header class over the list's header as soon as it becomes the
// list (the way a list with header images does it).
class CSortList : public CListCtrl {
public:
    CImageHeader m_header;

protected:
    void PreSubclassWindow() override {
        CListCtrl::PreSubclassWindow();
        m_header.SubclassWindow(GetHeaderCtrl()->m_hWnd);
    }
};

class CSortListHost : public CDialog {
public:
    CSortListHost() : CDialog(kListTemplate, nullptr) {}
    CSortList m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kList, m_list); }
};

TEST(UiListSubclassTest, ListBoundByDataExchangeSubclassesItsHeader) {
    vq::ScriptedUser user;
    CSortListHost host;
    ASSERT_TRUE(host.Create(kListTemplate));
    EXPECT_EQ(host.m_list.GetHeaderCtrl(), &host.m_list.m_header);
    host.m_list.InsertColumn(0, "图号", LVCFMT_LEFT, 80);
    EXPECT_EQ(host.m_list.m_header.GetItemCount(), 1);
    host.DestroyWindow();
    // Shown again: the list starts empty and takes its header again.
    ASSERT_TRUE(host.Create(kListTemplate));
    EXPECT_EQ(host.m_list.GetColumnCount(), 0);
    EXPECT_EQ(host.m_list.GetHeaderCtrl(), &host.m_list.m_header);
    host.DestroyWindow();
}

} // namespace

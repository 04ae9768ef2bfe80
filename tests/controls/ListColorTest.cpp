// The owner-drawn report list: rows in system colours, marked rows in yellow, cell texts
// shortened with "..." at the limits, and the alignment of shortened texts.
#include "controls/ColorListCtrl.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

constexpr int kList = 1060;
constexpr COLORREF kYellow = RGB(255, 255, 0);

const vq::DialogTemplate kColorTemplate{
    "文档列表",
    {vq::ReportList(kList, vq::kNoLayoutFlags, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS),
     vq::DefPushButton(IDOK, "确定")}};

class CColorHost : public CDialog {
public:
    CColorHost() : CDialog(kColorTemplate, nullptr) {}
    CColorListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kList, m_list); }
};

// A context with the default font for measuring.
struct Measure {
    CBitmap scratch;
    std::unique_ptr<CDC> dc;
    Measure() {
        scratch.CreateBitmap(1, 1);
        dc = std::make_unique<CDC>(scratch);
    }
    int Width(const CString& text) const { return dc->GetTextExtent(text).cx; }
};

TEST(ListShortString, ATextThatFitsExactlyIsKeptAndOnePixelLessCutsIt) {
    Measure m;
    const CString text = "GB/T 1804-2000";
    const int limit = m.Width(text) + 12;
    EXPECT_EQ(CColorListCtrl::MakeShortString(m.dc.get(), text, limit, 12), text);
    const CString cut = CColorListCtrl::MakeShortString(m.dc.get(), text, limit - 1, 12);
    ASSERT_GT(cut.GetLength(), 3);
    EXPECT_EQ(cut.Right(3), "...");
    EXPECT_TRUE(text.Find(cut.Left(cut.GetLength() - 3)) == 0);
    // What is left fits with the dots and the offset.
    EXPECT_LE(m.Width(cut.Left(cut.GetLength() - 3)) + m.Width("...") + 12, limit - 1);
    // ... and is the longest such beginning.
    const CString longer = text.Left(cut.GetLength() - 3 + 1);
    EXPECT_GT(m.Width(longer) + m.Width("...") + 12, limit - 1);
}

TEST(ListShortString, OneCharacterAlwaysStays) {
    Measure m;
    EXPECT_EQ(CColorListCtrl::MakeShortString(m.dc.get(), "W", 3, 4), "W...");
    EXPECT_EQ(CColorListCtrl::MakeShortString(m.dc.get(), "零件图纸", 5, 4), "零...");
    EXPECT_EQ(CColorListCtrl::MakeShortString(m.dc.get(), "", 0, 12), "");
}

TEST(ListShortString, ChineseTextIsCutBetweenCharacters) {
    Measure m;
    const CString text = "底座装配图纸说明书";
    const CString cut = CColorListCtrl::MakeShortString(m.dc.get(), text, m.Width(text) / 2, 4);
    ASSERT_EQ(cut.Right(3), "...");
    const CString kept = cut.Left(cut.GetLength() - 3);
    EXPECT_EQ(kept.GetLength() % 3, 0); // whole three-byte characters
    EXPECT_EQ(text.Find(kept), 0);
}

class ListColorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(kColorTemplate));
        list().MoveWindow(0, 0, 400, 200);
        list().InsertColumn(0, "文档类型", LVCFMT_LEFT, 120);
        list().InsertColumn(1, "文件名", LVCFMT_LEFT, 120);
        list().InsertColumn(2, "大小", LVCFMT_RIGHT, 100);
        // The cells measured below are at these widths in the list's own pixels (a new column's
        // width is scaled to the view's font).
        for (int c = 0; c < 3; ++c)
            list().SetColumnWidth(c, c < 2 ? 120 : 100);
        const char* rows[][3] = {
            {"设计图纸", "a.dwg", "12KB"}, {"工艺卡片", "b.doc", "3KB"}, {"DWG", "c.dwg", "1KB"}};
        for (int r = 0; r < 3; ++r) {
            list().InsertItem(r, rows[r][0]);
            list().SetItemText(r, 1, rows[r][1]);
            list().SetItemText(r, 2, rows[r][2]);
        }
    }
    void TearDown() override { host.DestroyWindow(); }
    CColorListCtrl& list() { return host.m_list; }

    // Draws one row where the list has it, into a white picture of the list's client size.
    CBitmap DrawRow(int row) {
        CRect client;
        list().GetClientRect(&client);
        CBitmap picture;
        picture.CreateBitmap(client.Width(), client.Height());
        CDC dc(picture);
        dc.FillSolidRect(&client, RGB(255, 255, 255));
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_LISTVIEW;
        item.itemID = static_cast<UINT>(row);
        item.hDC = &dc;
        list().GetItemRect(row, &item.rcItem, LVIR_BOUNDS);
        list().DrawItem(&item);
        return picture;
    }
    CRect RowRect(int row) {
        CRect r;
        list().GetItemRect(row, &r, LVIR_BOUNDS);
        return r;
    }
    // Pixels of text ink (dark) inside a rectangle.
    static int Ink(const CBitmap& p, const CRect& r) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = p.GetPixel(x, y);
                n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
            }
        return n;
    }

    vq::ScriptedUser user;
    CColorHost host;
};

TEST_F(ListColorTest, RowsWhoseMarkColumnTextIsMarkedAreYellowIgnoringCase) {
    list().m_markedTexts.Add("dwg");
    list().m_markColumn = 0;
    const CRect marked = RowRect(2);
    const CBitmap picture = DrawRow(2);
    EXPECT_EQ(picture.GetPixel(marked.right - 2, marked.top + 1), kYellow);
    EXPECT_EQ(picture.GetPixel(399, marked.top + 1), kYellow); // widened to the client's edge
    const CRect plain = RowRect(0);
    EXPECT_EQ(DrawRow(0).GetPixel(plain.right - 2, plain.top + 1), GetSysColor(COLOR_WINDOW));

    // Another mark column: the file names "c.dwg" do not match "dwg".
    list().m_markColumn = 1;
    EXPECT_EQ(DrawRow(2).GetPixel(marked.right - 2, marked.top + 1), GetSysColor(COLOR_WINDOW));
    list().m_markedTexts.Add("C.DWG");
    EXPECT_EQ(DrawRow(2).GetPixel(marked.right - 2, marked.top + 1), kYellow);
}

TEST_F(ListColorTest, ASelectedMarkedRowShowsTheSelectionColours) {
    list().m_markedTexts.Add("DWG");
    list().SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    const CRect row = RowRect(2);
    const CBitmap picture = DrawRow(2);
    EXPECT_EQ(picture.GetPixel(row.right - 2, row.top + 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_NE(picture.GetPixel(row.right - 2, row.top + 1), kYellow);
    // Without LVS_SHOWSELALWAYS and without the focus, the selection does not show. (The dialog
    // opened on its list, the one control to type in: the focus goes to the button.)
    list().ModifyStyle(LVS_SHOWSELALWAYS, 0);
    host.GetDlgItem(IDOK)->SetFocus();
    EXPECT_EQ(DrawRow(2).GetPixel(row.right - 2, row.top + 1), kYellow);
    list().SetFocus();
    EXPECT_EQ(DrawRow(2).GetPixel(row.right - 2, row.top + 1), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(ListColorTest, TextsAreDrawnInTheirCells) {
    const CRect row = RowRect(0);
    const CBitmap picture = DrawRow(0);
    EXPECT_GT(Ink(picture, CRect(2, row.top, 118, row.bottom)), 0);
    EXPECT_GT(Ink(picture, CRect(126, row.top, 234, row.bottom)), 0);
    // The size column is right-aligned: ink at its right, none at its left.
    EXPECT_GT(Ink(picture, CRect(300, row.top, 334, row.bottom)), 0);
    EXPECT_EQ(Ink(picture, CRect(240, row.top, 280, row.bottom)), 0);
}

TEST_F(ListColorTest, AShortenedTextInARightAlignedColumnIsDrawnLeftAligned) {
    list().SetItemText(0, 2, "一二三四五六七八九十一二三四五");
    const CRect row = RowRect(0);
    const CBitmap picture = DrawRow(0);
    // Cell 2 runs from 240 to 340; a left-aligned text begins right after the 6-pixel inset.
    EXPECT_GT(Ink(picture, CRect(246, row.top, 262, row.bottom)), 0);
}

TEST_F(ListColorTest, RowImagesAreFadedWhenCutAndBlendedWhenSelected) {
    constexpr COLORREF kIcon = RGB(0, 0, 200);
    CImageList icons;
    icons.Create(16, 16, ILC_COLOR32, 0, 1);
    CBitmap strip;
    strip.CreateBitmap(16, 16);
    CDC(strip).FillSolidRect(0, 0, 16, 16, kIcon);
    icons.Add(&strip, CLR_NONE);
    list().SetImageList(&icons, LVSIL_SMALL);
    for (int r = 0; r < 3; ++r) {
        LVITEM item;
        item.mask = LVIF_IMAGE;
        item.iItem = r;
        item.iImage = 0;
        list().SetItem(&item);
    }
    CRect icon;
    list().GetItemRect(0, &icon, LVIR_ICON);
    const CPoint at = icon.CenterPoint();
    EXPECT_EQ(DrawRow(0).GetPixel(at.x, at.y), kIcon);

    list().SetItemState(0, LVIS_CUT, LVIS_CUT);
    const COLORREF cut = DrawRow(0).GetPixel(at.x, at.y);
    EXPECT_EQ(cut, RGB(GetRValue(GetSysColor(COLOR_WINDOW)) / 2, GetGValue(GetSysColor(COLOR_WINDOW)) / 2,
                       (200 + GetBValue(GetSysColor(COLOR_WINDOW))) / 2));
    // The image list itself is untouched.
    EXPECT_EQ(icons.GetImage(0).GetPixel(8, 8), kIcon);

    list().SetItemState(0, LVIS_SELECTED, LVIS_CUT | LVIS_SELECTED);
    const COLORREF selected = DrawRow(0).GetPixel(at.x, at.y);
    EXPECT_NE(selected, kIcon);
    EXPECT_NE(selected, cut);
}

} // namespace

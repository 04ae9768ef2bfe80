// The image header of the report lists: column images kept per column, owner-drawn columns, and
// the drawing of text and image; the right-click point of the list.
#include "controls/SortListCtrl.h"
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

constexpr int kList = 1059;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kArrow = RGB(0, 0, 200);

const vq::DialogTemplate kListTemplate{
    "结果列表", {vq::ReportList(kList), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CListHost : public CDialog {
public:
    CListHost() : CDialog(kListTemplate, nullptr) {}
    CSortListCtrl m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kList, m_list); }
};

class ListHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(kListTemplate));
        list().InsertColumn(0, "图号", LVCFMT_LEFT, 100);
        list().InsertColumn(1, "名称", LVCFMT_LEFT, 100);
        list().InsertColumn(2, "数量", LVCFMT_RIGHT, 100);
        arrows.Create(8, 8, ILC_COLOR32 | ILC_MASK, 0, 2);
        CBitmap strip;
        strip.CreateBitmap(16, 8);
        CDC dc(strip);
        dc.FillSolidRect(0, 0, 16, 8, kArrow);
        arrows.Add(&strip, CLR_NONE);
    }
    void TearDown() override { host.DestroyWindow(); }
    CSortListCtrl& list() { return host.m_list; }
    CImageHeaderCtrl& header() { return host.m_list.m_header; }

    // Draws one header column into a white image of the header item's size.
    CBitmap DrawColumn(int column, UINT state = 0) {
        CRect rect;
        header().GetItemRect(column, &rect);
        rect.OffsetRect(-rect.left, 0);
        CBitmap picture;
        picture.CreateBitmap(rect.Width(), rect.Height());
        CDC dc(picture);
        dc.FillSolidRect(&rect, kWhite);
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_HEADER;
        item.itemID = static_cast<UINT>(column);
        item.itemState = state;
        item.hDC = &dc;
        item.rcItem = rect;
        header().DrawItem(&item);
        return picture;
    }
    static int Count(const CBitmap& picture, COLORREF color, const CRect& r) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += picture.GetPixel(x, y) == color;
        return n;
    }
    static int Ink(const CBitmap& picture, const CRect& r) {
        return r.Width() * r.Height() - Count(picture, kWhite, r) - Count(picture, kArrow, r);
    }
    static int Margin() {
        CBitmap scratch;
        scratch.CreateBitmap(1, 1);
        CDC dc(scratch);
        return dc.GetTextExtent(" ", 1).cx * 2;
    }

    vq::ScriptedUser user;
    CListHost host;
    CImageList arrows;
};

TEST_F(ListHeaderTest, TheListTakesTheImageHeaderOverItsOwnHeader) {
    EXPECT_EQ(list().GetHeaderCtrl(), &header());
    EXPECT_EQ(header().GetItemCount(), 3);
}

TEST_F(ListHeaderTest, ColumnsHaveNoImageUntilOneIsSet) {
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(header().GetColumnImage(c), -1);
    EXPECT_EQ(header().GetColumnImage(17), -1);
    EXPECT_EQ(header().SetImageList(&arrows), nullptr);
    EXPECT_EQ(header().SetImageList(&arrows), &arrows);
}

TEST_F(ListHeaderTest, SettingAnImageMakesTheColumnOwnerDrawnAndReplacesTheOldOne) {
    header().SetImageList(&arrows);
    header().SetColumnImage(1, 0);
    EXPECT_EQ(header().GetColumnImage(1), 0);
    HDITEM item;
    item.mask = HDI_FORMAT | HDI_IMAGE;
    ASSERT_TRUE(header().GetItem(1, &item));
    EXPECT_NE(item.fmt & HDF_OWNERDRAW, 0);
    EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, HDF_LEFT); // alignment kept
    EXPECT_EQ(item.iImage, 0);

    header().SetColumnImage(1, 1);
    EXPECT_EQ(header().GetColumnImage(1), 1);
    // -1 removes the image but the column stays owner-drawn.
    header().SetColumnImage(1, -1);
    EXPECT_EQ(header().GetColumnImage(1), -1);
    ASSERT_TRUE(header().GetItem(1, &item));
    EXPECT_NE(item.fmt & HDF_OWNERDRAW, 0);
    EXPECT_EQ(item.iImage, -1);
    EXPECT_EQ(header().GetColumnImage(0), -1);
}

TEST_F(ListHeaderTest, AnImageIsDrawnAtTheRightEndOfALeftAlignedColumn) {
    header().SetImageList(&arrows);
    header().SetColumnImage(1, 0);
    const CBitmap picture = DrawColumn(1);
    const int margin = Margin();
    const int width = list().GetColumnWidth(1);
    const int x = width - margin - 5; // the shrunk rectangle's right edge - 5
    EXPECT_EQ(picture.GetPixel(x, margin / 3), kArrow);
    EXPECT_EQ(picture.GetPixel(x + 7, margin / 3 + 7), kArrow);
    EXPECT_NE(picture.GetPixel(x - 1, margin / 3), kArrow);
    EXPECT_EQ(Count(picture, kArrow, CRect(0, 0, width, 20)), 8 * std::min(8, 20 - margin / 3));
    EXPECT_GT(Ink(picture, CRect(margin, 0, 50, 20)), 0); // the text
}

TEST_F(ListHeaderTest, AColumnWithImageMinusOneShowsOnlyItsText) {
    header().SetImageList(&arrows);
    header().SetColumnImage(1, -1);
    const CBitmap picture = DrawColumn(1);
    EXPECT_EQ(Count(picture, kArrow, CRect(0, 0, 100, 20)), 0);
    EXPECT_GT(Ink(picture, CRect(0, 0, 100, 20)), 0);
}

TEST_F(ListHeaderTest, ARightAlignedColumnHasItsImageOnTheLeft) {
    header().SetImageList(&arrows);
    header().SetColumnImage(2, 1);
    const CBitmap picture = DrawColumn(2);
    const int margin = Margin();
    EXPECT_EQ(picture.GetPixel(margin, margin / 3), kArrow);
    EXPECT_EQ(Count(picture, kArrow, CRect(50, 0, 100, 20)), 0);
    EXPECT_GT(Ink(picture, CRect(60, 0, 100 - margin, 20)), 0); // the text at the right
}

TEST_F(ListHeaderTest, APressedColumnShiftsItsText) {
    header().SetColumnImage(0, -1);
    const CBitmap normal = DrawColumn(0);
    const CBitmap pressed = DrawColumn(0, ODS_SELECTED);
    auto firstInkColumn = [](const CBitmap& p) {
        for (int x = 0; x < p.Width(); ++x)
            for (int y = 0; y < p.Height(); ++y)
                if (p.GetPixel(x, y) != kWhite)
                    return x;
        return -1;
    };
    ASSERT_GE(firstInkColumn(normal), 0);
    EXPECT_EQ(firstInkColumn(pressed), firstInkColumn(normal) + 1);
}

TEST_F(ListHeaderTest, ARightClickRemembersItsScreenPoint) {
    list().InsertItem(0, "A-1");
    list().InsertItem(1, "A-2");
    ASSERT_TRUE(list().UserRightClick(1));
    CRect row;
    list().GetItemRect(1, &row, LVIR_BOUNDS);
    list().ClientToScreen(&row);
    EXPECT_TRUE(row.PtInRect(list().m_clickPoint));
}

} // namespace

// Owner-drawn columns of a report list's header in the Qt view: the header's own DrawItem paints
// them, so what it draws stands where it puts it (rendered off screen).
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr int kList = 1301;
constexpr COLORREF kMark = RGB(200, 30, 160);

const vq::DialogTemplate kHeaderTemplate{
    "表头 - 示例",
    {vq::ReportList(kList), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// Draws a mark 10 pixels wide at the right end of each column it draws, as sort arrows stand.
class CMarkHeader : public CHeaderCtrl {
public:
    int drawn = 0;
    void DrawItem(DRAWITEMSTRUCT* item) override {
        ++drawn;
        const CRect& r = item->rcItem;
        item->hDC->FillSolidRect(r.right - 12, r.top + 4, 10, r.Height() - 8, kMark);
    }
};

class CHeaderDlg : public CDialog {
public:
    CHeaderDlg() : CDialog(kHeaderTemplate, nullptr) {}
    CMarkHeader m_header;
    CBitmap m_picture;
    CRect m_listRect;
    int m_firstWidth = 0;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kList));
        list->InsertColumn(0, "图号", LVCFMT_LEFT, 120);
        list->InsertColumn(1, "名称", LVCFMT_LEFT, 120);
        list->InsertItem(0, "C-1");
        m_header.SubclassWindow(list->GetHeaderCtrl()->GetSafeHwnd());
        HDITEM item;
        item.mask = HDI_FORMAT;
        m_header.GetItem(0, &item);
        item.fmt |= HDF_OWNERDRAW; // only the first column
        m_header.SetItem(0, &item);
        m_picture = vq::RenderDialogInQt(*this);
        m_listRect = list->GetRectInParent();
        m_firstWidth = list->GetColumnWidth(0);
        EndDialog(IDOK);
        return TRUE;
    }
};

int CountColor(const CBitmap& picture, const CRect& r, COLORREF color) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += picture.GetPixel(x, y) == color;
    return n;
}

TEST(QtViewHeaderTest, OwnerDrawnColumnsArePaintedByTheHeaderWhereItDrawsThem) {
    vq::DialogView* previous = vq::SetDialogView(&vq::QtDialogView());
    CHeaderDlg dlg;
    dlg.DoModal();
    vq::SetDialogView(previous);
    ASSERT_FALSE(dlg.m_listRect.IsRectEmpty());
    EXPECT_EQ(dlg.m_header.drawn > 0, true);
    const CRect& list = dlg.m_listRect;
    // The header strip; the list's frame is a pixel or two.
    const int top = list.top, bottom = list.top + 30;
    // At the right end of the first column (120 wide in the system's font, as wide as the list
    // keeps it here)...
    const int end = list.left + dlg.m_firstWidth;
    EXPECT_GT(CountColor(dlg.m_picture, CRect(end - 20, top, end + 6, bottom), kMark), 40);
    // ... nowhere else: not at its left, and not in the second column, which is not owner-drawn.
    EXPECT_EQ(CountColor(dlg.m_picture, CRect(list.left, top, end - 20, bottom), kMark), 0);
    EXPECT_EQ(CountColor(dlg.m_picture, CRect(end + 6, top, list.right, bottom), kMark), 0);
    if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"); dir && *dir)
        dlg.m_picture.SavePng(CString(dir) + "/owner-drawn-header.png");
}

} // namespace

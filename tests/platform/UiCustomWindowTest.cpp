// Windows that paint themselves and take the mouse: painted into an image and looked at by
// pixel; mouse capture keeps the drag with the window that started it.
#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

namespace {

// A grid of cells; a click selects the cell under it and tells the parent with a user message.
class CCellGrid : public CWnd {
public:
    int m_selected = -1;
    int m_moves = 0;
    CPoint m_dragEnd;

protected:
    void OnPaint() override {
        CPaintDC dc(this);
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, RGB(255, 255, 255));
        for (int i = 0; i < 4; ++i) {
            const CRect cell(i * 20, 0, i * 20 + 20, 20);
            dc.FillSolidRect(&cell, i == m_selected ? RGB(0, 0, 255) : RGB(200, 200, 200));
        }
    }
    void OnLButtonDown(UINT, CPoint point) override {
        SetCapture();
        if (point.y < 20 && point.x >= 0 && point.x < 80) {
            m_selected = point.x / 20;
            Invalidate();
            if (CWnd* parent = GetParent())
                parent->PostMessage(WM_USER + 5, static_cast<WPARAM>(m_selected));
        }
    }
    void OnMouseMove(UINT, CPoint point) override {
        if (GetCapture() == this) {
            ++m_moves;
            m_dragEnd = point;
        }
    }
    void OnLButtonUp(UINT, CPoint) override { ReleaseCapture(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCellGrid, CWnd)
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

const vq::DialogTemplate kGridTemplate{
    "网格",
    {vq::CustomWindow(5001, vq::kNoLayoutFlags, 0, CRect(10, 10, 90, 40)), vq::DefPushButton(IDOK, "确定")}};

class CGridDlg : public CDialog {
public:
    CGridDlg() : CDialog(kGridTemplate, nullptr) {}
    CCellGrid m_grid;
    int m_reported = -1;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 5001, m_grid); }
    LRESULT OnCellSelected(WPARAM cell, LPARAM) {
        m_reported = static_cast<int>(cell);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CGridDlg, CDialog)
ON_MESSAGE(WM_USER + 5, &CGridDlg::OnCellSelected)
END_MESSAGE_MAP()

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

TEST(UiCustomWindowTest, PaintsIntoAnImageAndAnswersTheMouse) {
    vq::ScriptedUser user;
    CBitmap before, after;
    CRect rect;
    user.Do([&](CDialog& d) {
            auto& grid = static_cast<CGridDlg&>(d).m_grid;
            grid.GetClientRect(&rect);
            before = vq::RenderWindow(grid);
            grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(45, 5));
            after = vq::RenderWindow(grid);
        })
        .Click(IDOK);
    CGridDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The template's size, unless a view (saving screenshots) laid the dialog out wider.
    EXPECT_GE(rect.Width(), 80);
    EXPECT_GE(rect.Height(), 30);
    EXPECT_EQ(before.GetSize(), rect.Size()) << "the image is the client area";
    EXPECT_EQ(before.GetPixel(45, 5), RGB(200, 200, 200));
    EXPECT_EQ(after.GetPixel(45, 5), RGB(0, 0, 255)) << "the clicked cell";
    EXPECT_EQ(after.GetPixel(25, 5), RGB(200, 200, 200));
    EXPECT_EQ(after.GetPixel(45, 25), RGB(255, 255, 255)) << "below the cells";
    EXPECT_EQ(dlg.m_reported, 2) << "the posted message reached the dialog";
}

TEST(UiCustomWindowTest, CaptureKeepsTheDragWithTheWindow) {
    CCellGrid grid;
    ASSERT_TRUE(grid.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 80, 30), nullptr, 1));
    grid.SendMessage(WM_MOUSEMOVE, 0, At(5, 5));
    EXPECT_EQ(grid.m_moves, 0) << "no drag before the button goes down";
    grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    EXPECT_EQ(CWnd::GetCapture(), &grid);
    grid.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(300, -4)); // outside the window
    EXPECT_EQ(grid.m_moves, 1);
    EXPECT_EQ(grid.m_dragEnd, CPoint(300, -4)) << "coordinates outside keep their sign";
    grid.SendMessage(WM_LBUTTONUP, 0, At(300, 4));
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    grid.DestroyWindow();
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

} // namespace

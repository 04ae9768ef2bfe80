// The pie chart drawn into an image: slices at their angles, percentages only on large slices,
// the legend rows, and turning by dragging.
#include "controls/PieChartCtrl.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

struct Chart {
    CWnd parent;
    CPieChartCtrl pie;
    Chart() {
        parent.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(0, 0, 400, 300), nullptr, 0);
        pie.Create(CPieChartCtrl::kClassName, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &parent, 5);
    }
    // The colour at an angle (degrees clockwise from twelve o'clock), at a share of the radius.
    COLORREF At(const CBitmap& image, double angle, double share = 0.8) const {
        const CRect& r = pie.GetPieRect();
        const double radians = angle * 3.1415926535 / 180.0;
        const double radius = r.Height() / 2.0 * share;
        const CPoint c = r.CenterPoint();
        return image.GetPixel(static_cast<int>(c.x + std::sin(radians) * radius),
                              static_cast<int>(c.y - std::cos(radians) * radius));
    }
};

bool HasPixelNear(const CBitmap& image, const CRect& area, COLORREF color) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF p = image.GetPixel(x, y);
            if (std::abs(GetRValue(p) - GetRValue(color)) + std::abs(GetGValue(p) - GetGValue(color)) +
                    std::abs(GetBValue(p) - GetBValue(color)) <
                60)
                return true;
        }
    return false;
}

} // namespace

TEST(PieChartTest, SquareIsCentredHorizontallyAndSitsOnTheBottomBelowTheTitle) {
    vq::ScriptedUser user;
    Chart chart;
    EXPECT_TRUE(chart.pie.GetPieRect().IsRectEmpty());
    vq::RenderWindow(chart.pie); // laid out before its first painting
    EXPECT_EQ(chart.pie.GetPieRect(), CRect(50, 0, 250, 200));
    chart.pie.m_title = "任务执行时间分布图";
    vq::RenderWindow(chart.pie);
    chart.pie.MoveWindow(0, 0, 300, 201); // a size change lays it out again
    EXPECT_GT(chart.pie.m_titleHeight, 0);
    const int side = 201 - 2 * chart.pie.m_titleHeight;
    EXPECT_EQ(chart.pie.GetPieRect(), CRect((300 - side) / 2, 201 - side, (300 - side) / 2 + side, 201));
}

TEST(PieChartTest, SlicesFillTheirAnglesClockwiseFromTwelveOClock) {
    vq::ScriptedUser user;
    Chart chart;
    chart.pie.AddSlice(kRed, RGB(255, 255, 255), 90, "设计");
    chart.pie.AddSlice(kGreen, RGB(255, 255, 255), 180, "评审");
    chart.pie.AddSlice(kBlue, RGB(255, 255, 255), 45, "其他");
    const CBitmap image = vq::RenderWindow(chart.pie);
    EXPECT_EQ(chart.At(image, 10), kRed);
    EXPECT_EQ(chart.At(image, 80), kRed);
    EXPECT_EQ(chart.At(image, 100), kGreen);
    EXPECT_EQ(chart.At(image, 260), kGreen);
    EXPECT_EQ(chart.At(image, 280), kBlue);
    EXPECT_EQ(chart.At(image, 310), kBlue);
    EXPECT_EQ(chart.At(image, 330), chart.pie.m_pieColor) << "the rest of the disc keeps the pie colour";
    EXPECT_EQ(image.GetPixel(2, 190), GetSysColor(COLOR_BTNFACE)) << "outside the disc";
}

TEST(PieChartTest, PercentageOnlyOnSlicesOverTwentyFiveDegrees) {
    vq::ScriptedUser user;
    Chart chart;
    const COLORREF text = RGB(255, 255, 0);
    chart.pie.AddSlice(kRed, text, 25, "");
    chart.pie.AddSlice(kGreen, text, 26, "");
    chart.pie.AddSlice(kBlue, text, 90, "");
    const CBitmap image = vq::RenderWindow(chart.pie);
    auto labelArea = [&](int middle) {
        const CPoint p = chart.pie.PointOnCircle(middle, TRUE);
        return CRect(p.x - 12, p.y - 8, p.x + 12, p.y + 8);
    };
    EXPECT_FALSE(HasPixelNear(image, labelArea(12), text)) << "25 degrees: no percentage";
    EXPECT_TRUE(HasPixelNear(image, labelArea(38), text)) << "26 degrees: 7%";
    EXPECT_TRUE(HasPixelNear(image, labelArea(96), text)) << "90 degrees: 25%";
    CString shown;
    shown.Format("%.0f%%", 26 * 100.0 / 360.0);
    EXPECT_EQ(shown, "7%");
}

TEST(PieChartTest, OnlyLabelledSlicesTakeLegendRows) {
    vq::ScriptedUser user;
    Chart chart;
    chart.pie.AddSlice(kRed, RGB(0, 0, 0), 40, "设计");
    chart.pie.AddSlice(kGreen, RGB(0, 0, 0), 40, "");
    chart.pie.AddSlice(kBlue, RGB(0, 0, 0), 40, "其他");
    const CBitmap image = vq::RenderWindow(chart.pie);
    // Boxes at the right edge, one text height each: red in row 0, blue in row 1, no green.
    int redRow = -1, blueRow = -1, greenRows = 0;
    for (int y = 0; y < 60; ++y) {
        const COLORREF p = image.GetPixel(296, y);
        if (p == kRed && redRow < 0)
            redRow = y;
        if (p == kBlue && blueRow < 0)
            blueRow = y;
        if (p == kGreen)
            ++greenRows;
    }
    EXPECT_GE(redRow, 0);
    EXPECT_GT(blueRow, redRow);
    EXPECT_LT(blueRow, 40);
    EXPECT_EQ(greenRows, 0);
}

TEST(PieChartTest, AWholeCircleAndEmptySlicesDrawNoRadiusLine) {
    vq::ScriptedUser user;
    Chart chart;
    chart.pie.AddSlice(kRed, RGB(255, 255, 255), 0, "设计");
    chart.pie.AddSlice(kGreen, RGB(255, 255, 255), 360, "评审");
    chart.pie.AddSlice(kBlue, RGB(255, 255, 255), 0, "其他");
    const CBitmap image = vq::RenderWindow(chart.pie);
    // Along the radius at twelve o'clock, where the slices start and end, only the slice colour.
    for (const double share : {0.1, 0.3, 0.5, 0.7})
        EXPECT_EQ(chart.At(image, 0, share), kGreen) << share;
    EXPECT_EQ(chart.At(image, 180, 0.5), kGreen);
    // Two slices still part at their radius lines.
    Chart two;
    two.pie.AddSlice(kRed, RGB(255, 255, 255), 180, "");
    two.pie.AddSlice(kGreen, RGB(255, 255, 255), 180, "");
    const CBitmap parted = vq::RenderWindow(two.pie);
    EXPECT_EQ(two.At(parted, 0, 0.5), RGB(0, 0, 0));
}

TEST(PieChartTest, WithoutSlicesOnlyTheDiscAndItsOutlineShow) {
    vq::ScriptedUser user;
    Chart chart;
    const CBitmap image = vq::RenderWindow(chart.pie);
    EXPECT_EQ(chart.At(image, 0, 0.5), chart.pie.m_pieColor);
    EXPECT_EQ(chart.At(image, 200, 0.9), chart.pie.m_pieColor);
    EXPECT_EQ(image.GetPixel(150, 0), RGB(0, 0, 0)) << "the outline at the top";
}

TEST(PieChartTest, DraggingLeftTurnsTheSlicesCounterClockwise) {
    vq::ScriptedUser user;
    Chart chart;
    chart.pie.AddSlice(kRed, RGB(0, 0, 0), 60, "");
    auto at = [](int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); };
    chart.pie.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at(150, 100));
    EXPECT_EQ(CWnd::GetCapture(), &chart.pie);
    chart.pie.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(140, 100));
    chart.pie.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(120, 105));
    chart.pie.SendMessage(WM_LBUTTONUP, 0, at(120, 105));
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    chart.pie.SendMessage(WM_MOUSEMOVE, 0, at(10, 105)); // no longer dragging
    EXPECT_EQ(chart.pie.m_startAngle, -30);
    const CBitmap image = vq::RenderWindow(chart.pie);
    EXPECT_EQ(chart.At(image, 340), kRed);
    EXPECT_EQ(chart.At(image, 20), kRed);
    EXPECT_EQ(chart.At(image, 40), chart.pie.m_pieColor);
}

TEST(PieChartTest, RemoveAllSlicesEmptiesTheChart) {
    Chart chart;
    EXPECT_EQ(chart.pie.AddSlice(kRed, 0, 120, "a"), 1);
    EXPECT_EQ(chart.pie.AddSlice(kBlue, 0, 240, "b"), 1);
    EXPECT_EQ(chart.pie.GetSliceCount(), 2);
    chart.pie.RemoveAllSlices();
    EXPECT_EQ(chart.pie.GetSliceCount(), 0);
}

namespace {

const vq::DialogTemplate kPieDialogTemplate{
    "任务执行时间分布图",
    {vq::CustomWindow(1200, vq::kNoLayoutFlags, 0, CRect(0, 0, 320, 220)), vq::DefPushButton(IDOK, "退出")}};

class CPieDlg : public CDialog {
public:
    CPieDlg() : CDialog(kPieDialogTemplate, nullptr) {}
    CPieChartCtrl m_pie;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 1200, m_pie); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_pie.m_title = "任务执行时间分布图";
        m_pie.AddSlice(RGB(255, 128, 0), RGB(255, 255, 255), 200, "设计");
        m_pie.AddSlice(RGB(128, 128, 255), RGB(255, 255, 255), 100, "评审");
        m_pie.AddSlice(RGB(0, 128, 192), RGB(255, 255, 255), 60, "其他");
        return TRUE;
    }
};

} // namespace

TEST(PieChartTest, PlacedOnADialogOverItsCustomWindow) {
    vq::ScriptedUser user;
    CPieDlg dlg;
    user.Dialog("任务执行时间分布图")
        .Do([](CDialog& d) {
            auto& pie = static_cast<CPieDlg&>(d).m_pie;
            EXPECT_EQ(d.GetDlgItem(1200), &pie);
            const CBitmap image = vq::RenderWindow(pie);
            const CRect& r = pie.GetPieRect();
            const CPoint c = r.CenterPoint();
            // 200 degrees of orange from twelve o'clock: straight down (180) is still orange.
            EXPECT_EQ(image.GetPixel(c.x, c.y + r.Height() / 3), RGB(255, 128, 0));
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

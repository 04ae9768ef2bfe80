// Painting through CDC into images, checked at pixels.
#include "platform/ui/DC.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Wnd.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);

// A white canvas and a context drawing into it.
struct Canvas {
    CBitmap bitmap;
    std::unique_ptr<CDC> dc;
    Canvas(int w, int h) {
        bitmap.CreateBitmap(w, h);
        dc = std::make_unique<CDC>(bitmap);
        dc->FillSolidRect(0, 0, w, h, kWhite);
    }
    COLORREF At(int x, int y) const { return bitmap.GetPixel(x, y); }
    // Pixels of this colour inside the rectangle.
    int Count(COLORREF c, const CRect& r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == c;
        return n;
    }
    // Pixels where red clearly dominates (antialiased text blends its edges).
    int Reddish(const CRect& r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF p = At(x, y);
                n += GetRValue(p) > 160 && GetGValue(p) < 120 && GetBValue(p) < 120;
            }
        return n;
    }
    // Pixels that are not white inside the rectangle.
    int Ink(const CRect& r) const { return r.Width() * r.Height() - Count(kWhite, r); }
};

TEST(PaintRectangles, FillCoversLeftTopButNotRightBottom) {
    Canvas c(20, 20);
    CRect r(2, 3, 8, 9);
    c.dc->FillSolidRect(&r, kRed);
    EXPECT_EQ(c.At(2, 3), kRed);
    EXPECT_EQ(c.At(7, 8), kRed);
    EXPECT_EQ(c.At(8, 8), kWhite);
    EXPECT_EQ(c.At(7, 9), kWhite);
    EXPECT_EQ(c.Count(kRed, CRect(0, 0, 20, 20)), 6 * 6);
}

TEST(PaintRectangles, RectangleOutlinesWithPenAndFillsWithBrush) {
    Canvas c(20, 20);
    CPen pen(PS_SOLID, 1, kBlue);
    CBrush brush(kRed);
    CPen* oldPen = c.dc->SelectObject(&pen);
    CBrush* oldBrush = c.dc->SelectObject(&brush);
    c.dc->Rectangle(2, 2, 10, 10);
    EXPECT_EQ(c.At(2, 2), kBlue);
    EXPECT_EQ(c.At(9, 9), kBlue);
    EXPECT_EQ(c.At(9, 5), kBlue);
    EXPECT_EQ(c.At(10, 5), kWhite);
    EXPECT_EQ(c.At(5, 5), kRed);
    // Restoring the old objects gives the defaults back: black pen, white brush.
    EXPECT_EQ(c.dc->SelectObject(oldPen), &pen);
    EXPECT_EQ(c.dc->SelectObject(oldBrush), &brush);
    c.dc->Rectangle(12, 12, 18, 18);
    EXPECT_EQ(c.At(12, 12), kBlack);
    EXPECT_EQ(c.At(14, 14), kWhite);
}

TEST(PaintRectangles, NullPenAndNullBrushDrawNothingOfTheirOwn) {
    Canvas c(20, 20);
    c.dc->SelectStockObject(NULL_PEN);
    c.dc->SelectStockObject(NULL_BRUSH);
    c.dc->Rectangle(2, 2, 18, 18);
    c.dc->Ellipse(2, 2, 18, 18);
    EXPECT_EQ(c.Ink(CRect(0, 0, 20, 20)), 0);
}

TEST(PaintLines, LineToLeavesTheEndPointOut) {
    Canvas c(20, 20);
    c.dc->MoveTo(2, 5);
    c.dc->LineTo(10, 5);
    EXPECT_EQ(c.At(2, 5), kBlack);
    EXPECT_EQ(c.At(9, 5), kBlack);
    EXPECT_EQ(c.At(10, 5), kWhite);
    EXPECT_EQ(c.Ink(CRect(0, 0, 20, 20)), 8);
    EXPECT_EQ(c.dc->GetCurrentPosition(), CPoint(10, 5));
    // A vertical line going up, from the current position.
    c.dc->LineTo(10, 1);
    EXPECT_EQ(c.At(10, 5), kBlack);
    EXPECT_EQ(c.At(10, 2), kBlack);
    EXPECT_EQ(c.At(10, 1), kWhite);
}

TEST(PaintLines, PolygonIsFilledAndDashedPenLeavesGaps) {
    Canvas c(40, 40);
    CBrush brush(kGreen);
    c.dc->SelectObject(&brush);
    c.dc->SelectStockObject(NULL_PEN);
    const POINT triangle[] = {{5, 5}, {35, 5}, {5, 35}};
    c.dc->Polygon(triangle, 3);
    EXPECT_EQ(c.At(8, 8), kGreen);
    EXPECT_EQ(c.At(33, 33), kWhite);

    Canvas d(60, 10);
    CPen dash(PS_DASH, 1, kBlack);
    d.dc->SelectObject(&dash);
    d.dc->MoveTo(0, 5);
    d.dc->LineTo(60, 5);
    const int ink = d.Ink(CRect(0, 5, 60, 6));
    EXPECT_GT(ink, 10);
    EXPECT_LT(ink, 55);
}

TEST(PaintShapes, PieFillsTheSectorCounterclockwiseFromStartToEnd) {
    Canvas c(41, 41);
    CBrush brush(kRed);
    c.dc->SelectObject(&brush);
    c.dc->SelectStockObject(NULL_PEN);
    // From the radial pointing right (3 o'clock) counterclockwise to the one pointing up: the
    // upper right quarter.
    c.dc->Pie(0, 0, 41, 41, 40, 20, 20, 0);
    EXPECT_EQ(c.At(30, 10), kRed);
    EXPECT_EQ(c.At(10, 10), kWhite);
    EXPECT_EQ(c.At(10, 30), kWhite);
    EXPECT_EQ(c.At(30, 30), kWhite);
    // The same radials the other way round: three quarters.
    Canvas d(41, 41);
    d.dc->SelectObject(&brush);
    d.dc->SelectStockObject(NULL_PEN);
    d.dc->Pie(0, 0, 41, 41, 20, 0, 40, 20);
    EXPECT_EQ(d.At(30, 10), kWhite);
    EXPECT_EQ(d.At(10, 10), kRed);
    EXPECT_EQ(d.At(30, 30), kRed);
}

TEST(PaintShapes, PieWithEqualRadialsIsTheWholeDisc) {
    Canvas c(41, 41);
    CBrush brush(kBlue);
    c.dc->SelectObject(&brush);
    c.dc->SelectStockObject(NULL_PEN);
    c.dc->Pie(0, 0, 41, 41, 40, 20, 40, 20);
    EXPECT_EQ(c.At(10, 20), kBlue);
    EXPECT_EQ(c.At(30, 20), kBlue);
    EXPECT_EQ(c.At(0, 0), kWhite);
}

TEST(PaintInversion, FocusAndDragFramesDrawnTwiceLeaveNoTrace) {
    Canvas c(40, 40);
    c.dc->FillSolidRect(10, 10, 10, 10, kRed);
    CBitmap before = c.bitmap.Clone();
    CRect r(5, 5, 30, 30);
    c.dc->DrawFocusRect(&r);
    EXPECT_GT(c.Ink(CRect(0, 0, 40, 40)), 100);
    c.dc->DrawFocusRect(&r);

    // A drag frame moved twice, then erased: the picture is back as it was.
    CRect first(2, 2, 20, 20), second(11, 11, 35, 35);
    c.dc->DrawDragRect(&first, CSize(1, 1), nullptr, CSize(1, 1));
    EXPECT_EQ(c.At(2, 2), RGB(0, 0, 0)); // white inverted
    c.dc->DrawDragRect(&second, CSize(2, 2), &first, CSize(1, 1));
    EXPECT_EQ(c.At(2, 2), kWhite);
    EXPECT_EQ(c.At(11, 11), RGB(0, 255, 255)); // red inverted
    c.dc->DrawDragRect(nullptr, CSize(0, 0), &second, CSize(2, 2));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(c.At(x, y), before.GetPixel(x, y)) << x << "," << y;
}

TEST(PaintInversion, InvertRectFlipsColours) {
    Canvas c(10, 10);
    CRect r(0, 0, 5, 10);
    c.dc->InvertRect(&r);
    EXPECT_EQ(c.At(0, 0), kBlack);
    EXPECT_EQ(c.At(5, 0), kWhite);
}

TEST(PaintClipping, IntersectClipRectLimitsDrawing) {
    Canvas c(20, 20);
    c.dc->IntersectClipRect(5, 5, 10, 10);
    c.dc->FillSolidRect(0, 0, 20, 20, kRed);
    EXPECT_EQ(c.Count(kRed, CRect(0, 0, 20, 20)), 25);
    CRect box;
    EXPECT_EQ(c.dc->GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(box, CRect(5, 5, 10, 10));
}

TEST(PaintClipping, RegionLessAHoleIsFilledAroundIt) {
    // The zoom window fills its client area less the picture rectangle.
    Canvas c(30, 30);
    CRgn all, hole, rest;
    all.CreateRectRgn(0, 0, 30, 30);
    hole.CreateRectRgn(10, 10, 20, 20);
    rest.CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(rest.CombineRgn(&all, &hole, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(rest.PtInRegion(15, 15));
    EXPECT_TRUE(rest.PtInRegion(5, 15));
    CBrush brush(kBlue);
    c.dc->FillRgn(&rest, &brush);
    EXPECT_EQ(c.At(15, 15), kWhite);
    EXPECT_EQ(c.At(0, 0), kBlue);
    EXPECT_EQ(c.At(29, 29), kBlue);
    EXPECT_EQ(c.Count(kBlue, CRect(0, 0, 30, 30)), 900 - 100);
}

TEST(PaintClipping, SaveAndRestoreBringBackClipAndObjects) {
    Canvas c(20, 20);
    CPen red(PS_SOLID, 1, kRed);
    const int saved = c.dc->SaveDC();
    c.dc->SelectObject(&red);
    c.dc->IntersectClipRect(0, 0, 2, 2);
    c.dc->SetTextColor(kBlue);
    EXPECT_TRUE(c.dc->RestoreDC(saved));
    EXPECT_NE(c.dc->GetCurrentPen(), &red);
    EXPECT_EQ(c.dc->GetTextColor(), kBlack);
    c.dc->FillSolidRect(0, 0, 20, 20, kGreen);
    EXPECT_EQ(c.Count(kGreen, CRect(0, 0, 20, 20)), 400);
    EXPECT_FALSE(c.dc->RestoreDC(-1)); // nothing saved any more
}

TEST(PaintMemory, MemoryContextDrawsOffScreenAndBlitsIntoPlace) {
    Canvas screen(30, 30);
    CDC mem;
    mem.CreateCompatibleDC(screen.dc.get());
    EXPECT_FALSE(mem.HasTarget());
    mem.FillSolidRect(0, 0, 5, 5, kRed); // no bitmap selected: nothing happens
    CBitmap off;
    off.CreateCompatibleBitmap(screen.dc.get(), 10, 10);
    CBitmap* old = mem.SelectObject(&off);
    mem.FillSolidRect(0, 0, 10, 10, kBlue);
    mem.SetPixel(9, 9, kRed);
    EXPECT_EQ(screen.At(0, 0), kWhite); // nothing on screen yet
    screen.dc->BitBlt(15, 15, 10, 10, &mem, 0, 0, SRCCOPY);
    EXPECT_EQ(screen.At(15, 15), kBlue);
    EXPECT_EQ(screen.At(24, 24), kRed);
    EXPECT_EQ(screen.At(25, 25), kWhite);
    EXPECT_EQ(screen.At(14, 14), kWhite);
    mem.SelectObject(old);
    // The bitmap keeps what was drawn into it.
    EXPECT_EQ(off.GetPixel(0, 0), kBlue);
}

TEST(PaintMemory, AnAttachedContextDrawsThroughTheOther) {
    Canvas c(10, 10);
    CDC* handle = c.dc->GetSafeHdc();
    CDC dc;
    ASSERT_TRUE(dc.Attach(CDC::FromHandle(handle)));
    EXPECT_FALSE(dc.Attach(handle)); // already attached
    dc.FillSolidRect(0, 0, 3, 3, kRed);
    dc.SetTextColor(kBlue);
    EXPECT_EQ(c.At(1, 1), kRed);
    EXPECT_EQ(c.dc->GetTextColor(), kBlue); // one state
    EXPECT_EQ(dc.Detach(), handle);
    EXPECT_FALSE(dc.HasTarget());
    dc.FillSolidRect(0, 0, 10, 10, kGreen); // no longer reaches the canvas
    EXPECT_EQ(c.At(5, 5), kWhite);
}

TEST(PaintMemory, ViewportOriginMovesDrawingAndPixelReads) {
    Canvas c(20, 20);
    c.dc->SetViewportOrg(5, 5);
    c.dc->FillSolidRect(0, 0, 2, 2, kRed);
    EXPECT_EQ(c.At(5, 5), kRed);
    EXPECT_EQ(c.dc->GetPixel(0, 0), kRed);
    EXPECT_EQ(c.At(0, 0), kWhite);
}

TEST(PaintText, ExtentsGrowWithTheTextAndTheFont) {
    Canvas c(10, 10);
    const CSize one = c.dc->GetTextExtent("审");
    const CSize two = c.dc->GetTextExtent("审查");
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(two.cx, one.cx);
    EXPECT_EQ(one.cy, two.cy);
    EXPECT_EQ(c.dc->GetTextExtent("").cx, 0);
    CFont big;
    big.CreateFont(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    c.dc->SelectObject(&big);
    EXPECT_GT(c.dc->GetTextExtent("审").cy, one.cy);
    TEXTMETRIC tm;
    ASSERT_TRUE(c.dc->GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    LOGFONT lf;
    EXPECT_GT(big.GetLogFont(&lf), 0);
    EXPECT_EQ(lf.lfHeight, -30);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
}

TEST(PaintText, ChineseTextIsDrawnInTheTextColour) {
    Canvas c(120, 30);
    c.dc->SetTextColor(kRed);
    c.dc->SetBkMode(TRANSPARENT);
    c.dc->TextOut(2, 2, "任务执行情况");
    EXPECT_GT(c.Reddish(CRect(0, 0, 120, 30)), 20);
    EXPECT_EQ(c.Ink(CRect(100, 0, 120, 30)), 0);
}

TEST(PaintText, DrawTextAlignsAndMeasures) {
    Canvas c(200, 40);
    c.dc->SetBkMode(TRANSPARENT);
    CRect r(0, 0, 200, 40);
    c.dc->DrawText("右", &r, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
    EXPECT_EQ(c.Ink(CRect(0, 0, 150, 40)), 0);
    EXPECT_GT(c.Ink(CRect(180, 0, 200, 40)), 0);

    CRect calc(10, 10, 10, 10);
    const int height = c.dc->DrawText("计算", &calc, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(calc.Height(), height);
    EXPECT_EQ(calc.Width(), c.dc->GetTextExtent("计算").cx);
    EXPECT_EQ(calc.left, 10);

    // A long text with an ellipsis stays inside its rectangle.
    Canvas d(200, 20);
    d.dc->SetBkMode(TRANSPARENT);
    CRect narrow(0, 0, 60, 20);
    d.dc->DrawText("一段很长很长很长很长的说明文字", &narrow, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_GT(d.Ink(CRect(0, 0, 60, 20)), 0);
    EXPECT_EQ(d.Ink(CRect(61, 0, 200, 20)), 0);
}

TEST(PaintText, PrefixMarksAreNotDrawnUnlessAsked) {
    Canvas a(100, 20), b(100, 20);
    CRect r(0, 0, 100, 20);
    a.dc->DrawText("&A", &r, DT_SINGLELINE | DT_CALCRECT);
    CRect r2(0, 0, 100, 20);
    b.dc->DrawText("&A", &r2, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_LT(r.Width(), r2.Width());
}

TEST(PaintText, OpaqueBackgroundFillsTheTextCell) {
    Canvas c(100, 30);
    c.dc->SetBkColor(kBlue);
    c.dc->TextOut(0, 0, "x");
    EXPECT_EQ(c.At(0, 0), kBlue);
    c.dc->SetBkMode(TRANSPARENT);
    c.dc->TextOut(50, 0, "x");
    EXPECT_EQ(c.At(50, 0), kWhite);
}

TEST(PaintEdges, ThreeDimensionalFramesUseTheirTwoColours) {
    Canvas c(20, 20);
    c.dc->Draw3dRect(2, 2, 10, 10, kRed, kBlue);
    EXPECT_EQ(c.At(2, 2), kRed);
    EXPECT_EQ(c.At(10, 2), kRed);
    EXPECT_EQ(c.At(11, 2), kBlue); // the top right corner belongs to the right edge
    EXPECT_EQ(c.At(2, 11), kBlue);
    EXPECT_EQ(c.At(11, 11), kBlue);
    EXPECT_EQ(c.At(5, 5), kWhite);

    CRect edge(0, 0, 20, 20);
    c.dc->DrawEdge(&edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    EXPECT_EQ(edge, CRect(2, 2, 18, 18)); // two lines taken off each side
    EXPECT_EQ(c.At(0, 0), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.At(19, 19), GetSysColor(COLOR_3DLIGHT));
}

TEST(PaintEdges, FrameRectDrawsOnlyTheBorder) {
    Canvas c(10, 10);
    CBrush red(kRed);
    CRect r(1, 1, 9, 9);
    c.dc->FrameRect(&r, &red);
    EXPECT_EQ(c.At(1, 1), kRed);
    EXPECT_EQ(c.At(8, 8), kRed);
    EXPECT_EQ(c.At(4, 4), kWhite);
    EXPECT_EQ(c.Count(kRed, CRect(0, 0, 10, 10)), 28);
}

TEST(PaintRasterOps, XorPenDrawnTwiceRestoresThePicture) {
    Canvas c(20, 20);
    c.dc->FillSolidRect(0, 0, 10, 20, kBlue);
    CBitmap before = c.bitmap.Clone();
    CPen white(PS_SOLID, 1, kWhite);
    c.dc->SelectObject(&white);
    EXPECT_EQ(c.dc->SetROP2(R2_XORPEN), R2_COPYPEN);
    c.dc->MoveTo(0, 5);
    c.dc->LineTo(20, 5);
    EXPECT_EQ(c.At(2, 5), RGB(255, 255, 0)); // blue xor white
    EXPECT_EQ(c.At(15, 5), kBlack);          // white xor white
    c.dc->MoveTo(0, 5);
    c.dc->LineTo(20, 5);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(c.At(x, 5), before.GetPixel(x, 5));
}

TEST(PaintRasterOps, BitBltCombinesSourceAndDestination) {
    Canvas src(4, 4), dst(4, 4);
    src.dc->FillSolidRect(0, 0, 4, 4, RGB(0x0F, 0xF0, 0x00));
    dst.dc->FillSolidRect(0, 0, 4, 4, RGB(0xFF, 0x00, 0x0F));
    dst.dc->BitBlt(0, 0, 1, 1, src.dc.get(), 0, 0, SRCAND);
    dst.dc->BitBlt(1, 0, 1, 1, src.dc.get(), 0, 0, SRCPAINT);
    dst.dc->BitBlt(2, 0, 1, 1, src.dc.get(), 0, 0, SRCINVERT);
    dst.dc->BitBlt(3, 0, 1, 1, nullptr, 0, 0, DSTINVERT);
    EXPECT_EQ(dst.At(0, 0), RGB(0x0F, 0x00, 0x00));
    EXPECT_EQ(dst.At(1, 0), RGB(0xFF, 0xF0, 0x0F));
    EXPECT_EQ(dst.At(2, 0), RGB(0xF0, 0xF0, 0x0F));
    EXPECT_EQ(dst.At(3, 0), RGB(0x00, 0xFF, 0xF0));
    EXPECT_EQ(dst.At(0, 1), RGB(0xFF, 0x00, 0x0F)); // outside the blits
}

TEST(PaintRasterOps, StretchBltScalesAndBlitWithinOneImageCopiesFirst) {
    Canvas c(20, 20);
    c.dc->FillSolidRect(0, 0, 2, 2, kRed);
    c.dc->StretchBlt(10, 10, 8, 8, c.dc.get(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(c.At(10, 10), kRed);
    EXPECT_EQ(c.At(17, 17), kRed);
    EXPECT_EQ(c.At(18, 18), kWhite);
    // An overlapping copy within the same picture (scrolling) moves the old pixels.
    c.dc->BitBlt(1, 0, 19, 20, c.dc.get(), 0, 0, SRCCOPY);
    EXPECT_EQ(c.At(2, 1), kRed);
    EXPECT_EQ(c.At(3, 1), kWhite);
}

// A drawing shrunk for the viewer keeps its thin lines when scaled in halftone mode: every line
// of one pixel in a picture eight times the target's size still darkens its column.
TEST(PaintRasterOps, HalftoneStretchKeepsThinLinesOfAShrunkPicture) {
    Canvas picture(160, 160);
    for (int x = 3; x < 160; x += 8)
        picture.dc->FillSolidRect(x, 0, 1, 160, RGB(0, 0, 0));
    auto darkColumns = [](Canvas& c) {
        int dark = 0;
        for (int x = 0; x < 20; ++x)
            if (GetRValue(c.At(x, 10)) < 0xF0)
                ++dark;
        return dark;
    };
    Canvas halftone(20, 20);
    EXPECT_EQ(halftone.dc->GetStretchBltMode(), BLACKONWHITE);
    EXPECT_EQ(halftone.dc->SetStretchBltMode(HALFTONE), BLACKONWHITE);
    halftone.dc->StretchBlt(0, 0, 20, 20, picture.dc.get(), 0, 0, 160, 160, SRCCOPY);
    EXPECT_EQ(darkColumns(halftone), 20);
    // Enlarged, a one-pixel step is blended rather than repeated as a block.
    Canvas small(2, 1);
    small.dc->FillSolidRect(0, 0, 1, 1, RGB(0, 0, 0));
    Canvas large(20, 1);
    large.dc->SetStretchBltMode(HALFTONE);
    large.dc->StretchBlt(0, 0, 20, 1, small.dc.get(), 0, 0, 2, 1, SRCCOPY);
    const int middle = GetRValue(large.At(10, 0));
    EXPECT_GT(middle, 0);
    EXPECT_LT(middle, 0xFF);
}

TEST(PaintMemory, MemDcCopiesBackWhenItGoes) {
    Canvas c(20, 20);
    CRect area(5, 5, 15, 15);
    {
        CMemDC mem(c.dc.get(), &area);
        mem.FillSolidRect(5, 5, 5, 5, kGreen); // the target's coordinates
        EXPECT_EQ(c.At(5, 5), kWhite);         // not yet on the target
    }
    EXPECT_EQ(c.At(5, 5), kGreen);
    EXPECT_EQ(c.At(9, 9), kGreen);
    EXPECT_EQ(c.At(10, 10), kWhite);
    EXPECT_EQ(c.At(4, 4), kWhite);
}

TEST(PaintObjects, CopiesShareAndDeleteObjectDetachesOnlyOne) {
    CPen pen(PS_DOT, 2, kRed);
    CPen copy = pen;
    EXPECT_EQ(copy.GetSafeHandle(), pen.GetSafeHandle());
    EXPECT_TRUE(pen.DeleteObject());
    EXPECT_FALSE(pen.GetSafeHandle());
    EXPECT_FALSE(pen.DeleteObject());
    EXPECT_EQ(copy.GetStyle(), PS_DOT);
    EXPECT_EQ(copy.GetWidth(), 2);
    // Selecting a pen that was never created leaves the current one.
    Canvas c(4, 4);
    CPen* current = c.dc->GetCurrentPen();
    EXPECT_EQ(c.dc->SelectObject(&pen), current);
    EXPECT_EQ(c.dc->GetCurrentPen(), current);

    CBitmap missing;
    EXPECT_FALSE(missing.LoadBitmap(424242));
    EXPECT_EQ(missing.GetPixel(0, 0), CLR_INVALID);
    CBitmap tooBig;
    EXPECT_FALSE(tooBig.CreateBitmap(100000, 100000));
    const std::uint32_t bits[] = {0x00FF0000, 0x000000FF};
    CBitmap fromBits;
    ASSERT_TRUE(fromBits.CreateBitmap(2, 1, 1, 32, bits));
    EXPECT_EQ(fromBits.GetPixel(0, 0), kRed);
    EXPECT_EQ(fromBits.GetPixel(1, 0), kBlue);
}

TEST(PaintObjects, FaceNamesAreCutAtACharacterBoundary) {
    CFont font;
    // 11 three-byte characters do not fit into 31 bytes; the cut keeps whole characters.
    font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体宋体宋体宋体宋体宋");
    LOGFONT lf;
    font.GetLogFont(&lf);
    EXPECT_EQ(std::string(lf.lfFaceName), "宋体宋体宋体宋体宋体");
    CFont points;
    points.CreatePointFont(90, "Arial");
    points.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, -12); // 9 points at 96 pixels per inch
}

TEST(PaintText, WordBreakMeasuresSeveralLines) {
    Canvas c(10, 10);
    CRect one(0, 0, 60, 0);
    const int lineHeight = c.dc->DrawText("短", &one, DT_CALCRECT | DT_WORDBREAK);
    CRect many(0, 0, 60, 0);
    const int height =
        c.dc->DrawText("一段很长的文字需要折成好几行才能放下", &many, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(height, 3 * lineHeight);
    EXPECT_EQ(many.Height(), height);
    EXPECT_LE(many.Width(), 60);
}

// ---- Image lists -----------------------------------------------------------------------------

// Two 16-pixel cells: a red square on magenta, a blue square on magenta.
const bool kArrowsRegistered = [] {
    vq::RegisterBitmapResource(9344, 32, 16, [](CDC& dc) {
        dc.FillSolidRect(0, 0, 32, 16, RGB(255, 0, 255));
        dc.FillSolidRect(4, 4, 8, 8, RGB(255, 0, 0));
        dc.FillSolidRect(20, 4, 8, 8, RGB(0, 0, 255));
    });
    return true;
}();

TEST(ImageLists, CellsAreCutFromTheBitmapWithTheMaskColourTransparent) {
    ASSERT_TRUE(kArrowsRegistered);
    CImageList list;
    ASSERT_TRUE(list.Create(9344, 16, 10, RGB(255, 0, 255)));
    EXPECT_EQ(list.GetImageCount(), 2);
    EXPECT_EQ(list.GetImageSize(), CSize(16, 16));
    CBitmap first = list.GetImage(0);
    EXPECT_TRUE(first.IsTransparent(0, 0));
    EXPECT_FALSE(first.IsTransparent(5, 5));
    EXPECT_EQ(first.GetPixel(5, 5), kRed);
    EXPECT_EQ(list.GetImage(1).GetPixel(5, 5), kBlue);
    EXPECT_FALSE(list.GetImage(2).GetSafeHandle());
    EXPECT_FALSE(list.GetImage(-1).GetSafeHandle());
}

TEST(ImageLists, DrawShowsWhatLiesBelowOrTheBackgroundColour) {
    CImageList list;
    ASSERT_TRUE(list.Create(9344, 16, 0, RGB(255, 0, 255)));
    Canvas c(40, 20);
    c.dc->FillSolidRect(0, 0, 40, 20, kGreen);
    list.Draw(c.dc.get(), 1, CPoint(0, 0), ILD_TRANSPARENT);
    EXPECT_EQ(c.At(0, 0), kGreen);
    EXPECT_EQ(c.At(5, 5), kBlue);
    list.SetBkColor(kWhite);
    list.Draw(c.dc.get(), 0, CPoint(20, 0), ILD_NORMAL);
    EXPECT_EQ(c.At(20, 0), kWhite);
    EXPECT_EQ(c.At(25, 5), kRed);
    // Selected images are blended with the highlight colour.
    list.Draw(c.dc.get(), 0, CPoint(20, 0), ILD_SELECTED);
    EXPECT_NE(c.At(25, 5), kRed);
}

TEST(ImageLists, AddRemoveAndMissingResources) {
    CImageList missing;
    EXPECT_FALSE(missing.Create(1, 16, 0, kBlack)); // no such bitmap
    EXPECT_EQ(missing.GetImageCount(), 0);
    EXPECT_FALSE(missing.Draw(nullptr, 0, CPoint(0, 0), ILD_NORMAL));

    CImageList list;
    ASSERT_TRUE(list.Create(8, 8, ILC_COLOR24 | ILC_MASK, 0, 4));
    CBitmap strip;
    strip.CreateBitmap(20, 8); // two whole cells; the rest is dropped
    EXPECT_EQ(list.Add(&strip, CLR_NONE), 0);
    EXPECT_EQ(list.GetImageCount(), 2);
    CBitmap narrow;
    narrow.CreateBitmap(4, 8);
    EXPECT_EQ(list.Add(&narrow, CLR_NONE), -1);
    const auto version = list.GetVersion();
    EXPECT_TRUE(list.Remove(0));
    EXPECT_GT(list.GetVersion(), version);
    EXPECT_EQ(list.GetImageCount(), 1);
    EXPECT_FALSE(list.Remove(5));
    EXPECT_TRUE(list.Remove(-1));
    EXPECT_EQ(list.GetImageCount(), 0);
}

TEST(ImageLists, IconsAreScaledToTheListSize) {
    vq::RegisterIconResource(
        9148, 32, 32, [](CDC& dc) { dc.FillSolidRect(8, 8, 16, 16, kGreen); }, kWhite);
    HICON icon = vq::LoadIconResource(9148);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(vq::LoadIconResource(9148), icon); // loaded once
    EXPECT_EQ(vq::LoadIconResource(9149), nullptr);
    CImageList list;
    list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    EXPECT_EQ(list.Add(icon), 0);
    CBitmap image = list.GetImage(0);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_TRUE(image.IsTransparent(0, 0));
    EXPECT_EQ(image.GetPixel(8, 8), kGreen);
}

TEST(ImageLists, TheResourcesTheDialogsNameAreThereInTheirShapes) {
    // Sort arrows: two cells, black transparent; the ascending arrow is wider at the bottom.
    CImageList arrows;
    ASSERT_TRUE(arrows.Create(344, 16, 10, RGB(0, 0, 0)));
    ASSERT_EQ(arrows.GetImageCount(), 2);
    CBitmap up = arrows.GetImage(0), down = arrows.GetImage(1);
    EXPECT_TRUE(up.IsTransparent(0, 0));
    auto width = [](const CBitmap& b, int y) {
        int n = 0;
        for (int x = 0; x < 16; ++x)
            n += !b.IsTransparent(x, y);
        return n;
    };
    EXPECT_LT(width(up, 6), width(up, 9));
    EXPECT_GT(width(down, 7), width(down, 10));
    // Tree node images come in pairs up to index 23; review steps are three faces.
    CImageList nodes;
    ASSERT_TRUE(nodes.Create(130, 16, 0, RGB(255, 0, 255)));
    EXPECT_EQ(nodes.GetImageCount(), 24);
    CImageList steps;
    ASSERT_TRUE(steps.Create(182, 16, 0, RGB(255, 0, 255)));
    EXPECT_EQ(steps.GetImageCount(), 3);
    CImageList users;
    ASSERT_TRUE(users.Create(160, 19, 0, RGB(0xC0, 0xFF, 0xC0)));
    EXPECT_EQ(users.GetImageCount(), 2);
    EXPECT_TRUE(users.GetImage(0).IsTransparent(0, 0));
    for (UINT icon : {148u, 158u, 6007u}) {
        HICON handle = vq::LoadIconResource(icon);
        ASSERT_NE(handle, nullptr) << icon;
        EXPECT_TRUE(handle->IsTransparent(0, 0)) << icon;
    }
}

// ---- Windows that paint themselves -----------------------------------------------------------

// A window that paints a frame, a filled box at the last click and a label.
class BoxWindow : public CWnd {
public:
    CPoint box{-1, -1};
    int paints = 0;
    void OnPaint() override {
        ++paints;
        CPaintDC dc(this);
        CRect client;
        GetClientRect(&client);
        CBrush frame(kBlack);
        dc.FrameRect(&client, &frame);
        if (box.x >= 0)
            dc.FillSolidRect(box.x, box.y, 10, 10, kRed);
    }
    void OnLButtonDown(UINT, CPoint point) override {
        box = point;
        SetCapture();
        Invalidate();
    }
    void OnLButtonUp(UINT, CPoint) override { ReleaseCapture(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BoxWindow, CWnd)
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

TEST(PaintWindows, AWindowPaintsIntoItsPictureAtItsClientSize) {
    BoxWindow window;
    ASSERT_TRUE(window.Create(nullptr, "box", WS_VISIBLE, CRect(0, 0, 60, 40), nullptr, 0));
    CBitmap picture = vq::RenderWindow(window);
    EXPECT_EQ(picture.GetSize(), CSize(60, 40));
    EXPECT_EQ(picture.GetPixel(0, 0), kBlack);
    EXPECT_EQ(picture.GetPixel(59, 39), kBlack);
    EXPECT_EQ(picture.GetPixel(30, 20), GetSysColor(COLOR_WINDOW)); // erased background
    EXPECT_EQ(window.paints, 1);

    // A click moves the box; the next paint shows it, and nothing of the old picture stays.
    window.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
    EXPECT_EQ(CWnd::GetCapture(), &window);
    window.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, 15));
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    picture = vq::RenderWindow(window);
    EXPECT_EQ(picture.GetPixel(20, 15), kRed);
    EXPECT_EQ(picture.GetPixel(29, 24), kRed);
    EXPECT_EQ(picture.GetPixel(30, 25), GetSysColor(COLOR_WINDOW));

    // A client context draws straight onto the picture, outside any repaint.
    {
        CClientDC dc(&window);
        CRect drag(5, 5, 15, 15);
        dc.DrawDragRect(&drag, CSize(1, 1), nullptr, CSize(1, 1));
    }
    EXPECT_EQ(vq::WindowSurface(window).GetPixel(5, 5), kBlack); // white inverted
    window.DestroyWindow();
}

TEST(PaintWindows, PicturesFollowSizeChanges) {
    BoxWindow window;
    ASSERT_TRUE(window.Create(nullptr, "box", WS_VISIBLE, CRect(0, 0, 30, 30), nullptr, 0));
    EXPECT_EQ(vq::RenderWindow(window).GetSize(), CSize(30, 30));
    window.MoveWindow(0, 0, 50, 20);
    CBitmap picture = vq::RenderWindow(window);
    EXPECT_EQ(picture.GetSize(), CSize(50, 20));
    EXPECT_EQ(picture.GetPixel(49, 19), kBlack);
    EXPECT_TRUE(
        picture.SavePng(CString((std::filesystem::temp_directory_path() / "vq-paint-test.png").string())));
    std::filesystem::remove(std::filesystem::temp_directory_path() / "vq-paint-test.png");
    window.DestroyWindow();
}

} // namespace

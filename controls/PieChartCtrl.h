// CPieChartCtrl: a pie chart of slices given in degrees, with the percentage inside every slice
// larger than 25 degrees, a legend of labelled colour boxes at the top right and an optional
// title. Dragging horizontally turns the pie (one degree per pixel). A dialog places it as a
// custom window (class "PIE_CHART_CTRL") and subclasses it.
#pragma once

#include "platform/ui/DC.h"
#include "platform/ui/Wnd.h"

class CPieSlice : public CObject {
public:
    CPieSlice(COLORREF color, COLORREF textColor, int value, const CString& label);

    COLORREF m_color;
    COLORREF m_textColor;
    CBrush m_brush;
    int m_value; // degrees
    CString m_label;
};

class CPieChartCtrl : public CWnd {
public:
    static constexpr const char* kClassName = "PIE_CHART_CTRL";

    CPieChartCtrl();
    ~CPieChartCtrl() override;

    // Appends a slice and repaints; 1, or 0 when it could not be added.
    int AddSlice(COLORREF color, COLORREF textColor, int value, const CString& label);
    void RemoveAllSlices();
    int GetSliceCount() const { return static_cast<int>(m_slices.GetSize()); }
    const CPieSlice* GetSlice(int index) const;

    // The point on the circle at an angle (degrees, 0 at twelve o'clock, clockwise); a label point
    // lies at 0.6 of the radius.
    CPoint PointOnCircle(int angle, BOOL labelPoint) const;
    const CRect& GetPieRect() const { return m_pieRect; }

    int m_startAngle = 0;
    COLORREF m_pieColor = RGB(0, 128, 192);
    COLORREF m_lineColor = RGB(0, 0, 0);
    CObArray m_slices;
    int m_titleHeight = 0;
    CFont m_titleFont;
    CFont m_legendFont;
    CString m_title;
    CPoint m_lastPoint;
    BOOL m_dragging = FALSE;
    CRect m_pieRect;

protected:
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;

private:
    void Layout(CDC* dc);

    DECLARE_MESSAGE_MAP()
};

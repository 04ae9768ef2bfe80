#include "controls/PieChartCtrl.h"

#include <cmath>
#include <new>

BEGIN_MESSAGE_MAP(CPieChartCtrl, CWnd)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CPieSlice::CPieSlice(COLORREF color, COLORREF textColor, int value, const CString& label)
    : m_color(color), m_textColor(textColor), m_brush(color), m_value(value), m_label(label) {}

CPieChartCtrl::CPieChartCtrl() {
    AfxRegisterWndClass(0);
    m_titleFont.CreateFont(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    m_legendFont.CreateFont(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

CPieChartCtrl::~CPieChartCtrl() {
    RemoveAllSlices();
    m_titleFont.DeleteObject();
    m_legendFont.DeleteObject();
}

int CPieChartCtrl::AddSlice(COLORREF color, COLORREF textColor, int value, const CString& label) {
    auto* slice = new (std::nothrow) CPieSlice(color, textColor, value, label);
    if (!slice)
        return 0;
    try {
        m_slices.Add(slice);
    } catch (const std::bad_alloc&) {
        delete slice;
        return 0;
    }
    if (m_hWnd)
        Invalidate(FALSE);
    return 1;
}

void CPieChartCtrl::RemoveAllSlices() {
    for (INT_PTR i = 0; i < m_slices.GetSize(); ++i)
        delete static_cast<CPieSlice*>(m_slices[i]);
    m_slices.RemoveAll();
}

const CPieSlice* CPieChartCtrl::GetSlice(int index) const {
    if (index < 0 || index >= m_slices.GetSize())
        return nullptr;
    return static_cast<const CPieSlice*>(m_slices[index]);
}

void CPieChartCtrl::Layout(CDC* dc) {
    CRect client;
    GetClientRect(&client);
    if (!m_title.IsEmpty() && dc) {
        CFont* old = dc->SelectObject(&m_titleFont);
        m_titleHeight = dc->GetTextExtent(m_title).cy;
        dc->SelectObject(old);
        client.top += 2 * m_titleHeight;
    }
    const int side =
        std::max(0, std::min(static_cast<int>(client.Width()), static_cast<int>(client.Height())));
    const int left = client.left + (client.Width() - side) / 2;
    const int top = client.bottom - side;
    m_pieRect = CRect(left, top, left + side, top + side);
}

void CPieChartCtrl::OnSize(UINT, int, int) {
    CClientDC dc(this);
    Layout(&dc);
}

CPoint CPieChartCtrl::PointOnCircle(int angle, BOOL labelPoint) const {
    angle %= 360;
    if (angle < 0)
        angle += 360;
    double radius = m_pieRect.Height() / 2.0;
    if (labelPoint)
        radius *= 0.6;
    const double radians = angle * 3.1415926535 / 180.0;
    const CPoint centre = m_pieRect.CenterPoint();
    return CPoint(static_cast<int>(centre.x + std::sin(radians) * radius),
                  static_cast<int>(centre.y - std::cos(radians) * radius));
}

void CPieChartCtrl::OnPaint() {
    CPaintDC paintDc(this);
    if (m_pieRect.IsRectEmpty())
        Layout(&paintDc);
    CRect client;
    GetClientRect(&client);
    CMemDC dc(&paintDc, &client);
    dc.FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));

    CPen linePen(PS_SOLID, 1, m_lineColor);
    CBrush pieBrush(m_pieColor);
    CPen* oldPen = dc.SelectObject(&linePen);
    CBrush* oldBrush = dc.SelectObject(&pieBrush);
    dc.Ellipse(&m_pieRect);

    CPen nullPen;
    nullPen.CreateStockObject(NULL_PEN);
    CFont* oldFont = dc.SelectObject(&m_legendFont);
    dc.SetBkMode(TRANSPARENT);
    const CPoint centre = m_pieRect.CenterPoint();
    int angle = m_startAngle;
    CPoint previous = PointOnCircle(angle, FALSE);
    int legendRow = 0;
    for (INT_PTR i = 0; i < m_slices.GetSize(); ++i) {
        auto* slice = static_cast<CPieSlice*>(m_slices[i]);
        angle += slice->m_value;
        const CPoint current = PointOnCircle(angle, FALSE);
        // The sector runs clockwise from the previous point to the current one; Pie draws
        // counter-clockwise, so it goes from the current point back to the previous one.
        if (slice->m_value != 0 && previous != current) {
            dc.SelectObject(&nullPen);
            dc.SelectObject(&slice->m_brush);
            dc.Pie(&m_pieRect, current, previous);
        } else if (slice->m_value % 360 == 0 && slice->m_value != 0) {
            dc.SelectObject(&nullPen);
            dc.SelectObject(&slice->m_brush);
            dc.Ellipse(&m_pieRect);
        }
        // Radius lines part one sector from the next: a slice of nothing has no sector of its
        // own, and a slice of the whole circle borders on nothing.
        if (slice->m_value % 360 != 0) {
            dc.SelectObject(&linePen);
            dc.MoveTo(previous);
            dc.LineTo(centre);
            dc.LineTo(current);
        }

        if (!slice->m_label.IsEmpty()) {
            const int textHeight = dc.GetTextExtent(slice->m_label).cy;
            CRect box(client.right - textHeight, legendRow * textHeight, client.right,
                      (legendRow + 1) * textHeight);
            dc.FillSolidRect(&box, slice->m_color);
            dc.DrawEdge(&box, EDGE_SUNKEN, BF_RECT);
            dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
            CRect textRect(client.left, box.top, box.left - 3, box.bottom);
            dc.DrawText(slice->m_label, &textRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
            ++legendRow;
        }
        if (slice->m_value > 25) {
            CString percent;
            percent.Format("%.0f%%", slice->m_value * 100.0 / 360.0);
            const CPoint at = PointOnCircle(angle - slice->m_value / 2, TRUE);
            dc.SetTextColor(slice->m_textColor);
            const CSize extent = dc.GetTextExtent(percent);
            CRect textRect(at.x - extent.cx, at.y - extent.cy, at.x + extent.cx, at.y + extent.cy);
            dc.DrawText(percent, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        previous = current;
    }

    CBrush nullBrush;
    nullBrush.CreateStockObject(NULL_BRUSH);
    dc.SelectObject(&linePen);
    dc.SelectObject(&nullBrush);
    dc.Ellipse(&m_pieRect);

    if (!m_title.IsEmpty()) {
        dc.SelectObject(&m_titleFont);
        dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
        dc.TextOut(1, 1, m_title);
    }
    dc.SelectObject(oldFont);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
}

void CPieChartCtrl::OnLButtonDown(UINT, CPoint point) {
    SetCapture();
    m_lastPoint = point;
    m_dragging = TRUE;
}

void CPieChartCtrl::OnMouseMove(UINT, CPoint point) {
    if (!m_dragging)
        return;
    m_startAngle += point.x - m_lastPoint.x;
    InvalidateRect(&m_pieRect, FALSE);
    m_lastPoint = point;
}

void CPieChartCtrl::OnLButtonUp(UINT, CPoint) {
    if (m_dragging)
        ReleaseCapture();
    m_dragging = FALSE;
}

#include "controls/CharGridCtrl.h"

#include "platform/ui/Wnd.h"

#include <algorithm>
#include <cstring>

BEGIN_MESSAGE_MAP(CCharGridCtrl, CStatic)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

namespace {

int BarWidth() {
    return GetSystemMetrics(SM_CXVSCROLL);
}
int BarHeight() {
    return GetSystemMetrics(SM_CYHSCROLL);
}

} // namespace

CCharGridCtrl::CCharGridCtrl() {
    m_logFont.lfHeight = 14;
    m_logFont.lfWeight = FW_NORMAL;
    m_logFont.lfCharSet = 0;
    m_logFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::strncpy(m_logFont.lfFaceName, "MS Sans Serif", LF_FACESIZE - 1);
    m_texts.SetSize(1);
    m_colors.assign(1, 0);
}

void CCharGridCtrl::SetCellSize(int width, int height) {
    m_nCellWidth = std::max(width, 1);
    m_nCellHeight = std::max(height, 1);
    m_bLayout = FALSE;
    if (m_hWnd)
        Invalidate();
}

void CCharGridCtrl::SetSize(int rows, int columns) {
    m_nRows = std::max(rows, 0);
    m_nCols = std::max(columns, 0);
    m_texts.RemoveAll();
    m_texts.SetSize(static_cast<INT_PTR>(m_nRows) * m_nCols);
    m_colors.assign(static_cast<std::size_t>(m_nRows) * static_cast<std::size_t>(m_nCols), 0);
    if (!Inside(m_nSelRow, m_nSelCol)) {
        m_nSelRow = 0;
        m_nSelCol = 0;
    }
    m_nFirstRow = 0;
    m_nFirstCol = 0;
    m_bLayout = FALSE;
    if (m_hWnd)
        Invalidate();
}

BOOL CCharGridCtrl::SetCell(int row, int column, const CString& text, COLORREF color) {
    if (!Inside(row, column))
        return FALSE;
    m_texts[Index(row, column)] = text;
    m_colors[static_cast<std::size_t>(Index(row, column))] = color;
    if (m_hWnd)
        Invalidate();
    return TRUE;
}

BOOL CCharGridCtrl::EmptyCell(int row, int column) {
    return SetCell(row, column, "", 0);
}

CString CCharGridCtrl::GetCellText(int row, int column) const {
    return Inside(row, column) ? m_texts[Index(row, column)] : CString();
}

COLORREF CCharGridCtrl::GetCellColor(int row, int column) const {
    return Inside(row, column) ? m_colors[static_cast<std::size_t>(Index(row, column))] : 0;
}

BOOL CCharGridCtrl::FindCell(const CString& text, int& row, int& column) const {
    for (int r = 0; r < m_nRows; ++r)
        for (int c = 0; c < m_nCols; ++c)
            if (m_texts[Index(r, c)] == text) {
                row = r;
                column = c;
                return TRUE;
            }
    return FALSE;
}

BOOL CCharGridCtrl::SelectCell(int row, int column) {
    if (!Inside(row, column))
        return FALSE;
    m_nSelRow = row;
    m_nSelCol = column;
    if (m_hWnd)
        Invalidate();
    return TRUE;
}

// --- Geometry -----------------------------------------------------------------------------------

// Which bars are needed and how many cells fit: a bar takes room from the cells, which may make
// the other bar necessary too.
void CCharGridCtrl::Layout() {
    CRect client;
    GetClientRect(&client);
    m_bVScroll = FALSE;
    m_bHScroll = FALSE;
    for (int pass = 0; pass < 2; ++pass) {
        CRect cells = client;
        if (m_bVScroll)
            cells.right -= BarWidth();
        if (m_bHScroll)
            cells.bottom -= BarHeight();
        m_bVScroll = m_nRows > std::max(cells.Height(), 0) / m_nCellHeight;
        m_bHScroll = m_nCols > std::max(cells.Width(), 0) / m_nCellWidth;
    }
    m_cells = client;
    if (m_bVScroll)
        m_cells.right -= BarWidth();
    if (m_bHScroll)
        m_cells.bottom -= BarHeight();
    m_nVisibleRows = std::max(m_cells.Height(), 0) / m_nCellHeight;
    m_nVisibleCols = std::max(m_cells.Width(), 0) / m_nCellWidth;
    m_nFirstRow = m_bVScroll ? std::clamp(m_nFirstRow, 0, std::max(Limit(true) - 1, 0)) : 0;
    m_nFirstCol = m_bHScroll ? std::clamp(m_nFirstCol, 0, std::max(Limit(false) - 1, 0)) : 0;
    m_bLayout = TRUE;
}

int CCharGridCtrl::GetVisibleRows() {
    Layout();
    return m_nVisibleRows;
}

int CCharGridCtrl::GetVisibleColumns() {
    Layout();
    return m_nVisibleCols;
}

bool CCharGridCtrl::HasVerticalBar() {
    Layout();
    return m_bVScroll != FALSE;
}

bool CCharGridCtrl::HasHorizontalBar() {
    Layout();
    return m_bHScroll != FALSE;
}

// The scroll range is 0 .. count - visible + 1; positions stay below the limit.
int CCharGridCtrl::Limit(bool vertical) const {
    return vertical ? m_nRows - m_nVisibleRows + 1 : m_nCols - m_nVisibleCols + 1;
}

CRect CCharGridCtrl::BarRect(bool vertical) {
    if (vertical)
        return CRect(m_cells.right, 0, m_cells.right + BarWidth(), m_cells.bottom);
    return CRect(0, m_cells.bottom, m_cells.right, m_cells.bottom + BarHeight());
}

int CCharGridCtrl::TrackUnit(bool vertical) {
    const CRect bar = BarRect(vertical);
    const int arrow = vertical ? bar.Width() : bar.Height();
    const int length = (vertical ? bar.Height() : bar.Width()) - 2 * arrow;
    const int limit = std::max(Limit(vertical), 1);
    return std::max(length / limit, 1);
}

CRect CCharGridCtrl::ThumbRect(bool vertical) {
    const CRect bar = BarRect(vertical);
    const int unit = TrackUnit(vertical);
    if (vertical) {
        const int top = bar.top + bar.Width() + m_nFirstRow * unit;
        return CRect(bar.left, top, bar.right, top + std::max(unit, 6));
    }
    const int left = bar.left + bar.Height() + m_nFirstCol * unit;
    return CRect(left, bar.top, left + std::max(unit, 6), bar.bottom);
}

CRect CCharGridCtrl::GetCellRect(int row, int column) {
    if (!m_bLayout)
        Layout();
    const int r = row - m_nFirstRow;
    const int c = column - m_nFirstCol;
    if (!Inside(row, column) || r < 0 || c < 0 || r > m_nVisibleRows || c > m_nVisibleCols)
        return CRect();
    CRect cell(c * m_nCellWidth, r * m_nCellHeight, (c + 1) * m_nCellWidth, (r + 1) * m_nCellHeight);
    CRect clipped;
    clipped.IntersectRect(cell, m_cells);
    return clipped;
}

bool CCharGridCtrl::CellAt(CPoint point, int& row, int& column) {
    if (!m_cells.PtInRect(point))
        return false;
    row = m_nFirstRow + point.y / m_nCellHeight;
    column = m_nFirstCol + point.x / m_nCellWidth;
    return Inside(row, column);
}

// --- Scrolling ----------------------------------------------------------------------------------

void CCharGridCtrl::ScrollTo(int firstRow, int firstColumn) {
    Layout();
    m_nFirstRow = m_bVScroll ? std::clamp(firstRow, 0, std::max(Limit(true) - 1, 0)) : 0;
    m_nFirstCol = m_bHScroll ? std::clamp(firstColumn, 0, std::max(Limit(false) - 1, 0)) : 0;
    Invalidate();
}

void CCharGridCtrl::ScrollBy(bool vertical, int cells) {
    if (vertical)
        ScrollTo(m_nFirstRow + cells, m_nFirstCol);
    else
        ScrollTo(m_nFirstRow, m_nFirstCol + cells);
}

bool CCharGridCtrl::BarClick(CPoint point) {
    for (bool vertical : {true, false}) {
        if (!(vertical ? m_bVScroll : m_bHScroll))
            continue;
        const CRect bar = BarRect(vertical);
        if (!bar.PtInRect(point))
            continue;
        const int arrow = vertical ? bar.Width() : bar.Height();
        const int along = vertical ? point.y - bar.top : point.x - bar.left;
        const int length = vertical ? bar.Height() : bar.Width();
        const CRect thumb = ThumbRect(vertical);
        const int page = vertical ? m_nVPage : m_nHPage;
        if (along < arrow) {
            ScrollBy(vertical, -1);
        } else if (along >= length - arrow) {
            ScrollBy(vertical, 1);
        } else if (thumb.PtInRect(point)) {
            m_nCapture = vertical ? -1 : 1;
            m_ptLast = point;
            SetCapture();
        } else if (vertical ? point.y < thumb.top : point.x < thumb.left) {
            ScrollBy(vertical, -page);
        } else {
            ScrollBy(vertical, page);
        }
        return true;
    }
    return false;
}

// --- Mouse --------------------------------------------------------------------------------------

void CCharGridCtrl::OnLButtonDown(UINT, CPoint point) {
    Layout();
    if (BarClick(point))
        return;
    int row = 0;
    int column = 0;
    if (!CellAt(point, row, column)) {
        m_ptLast = point;
        return;
    }
    SelectCell(row, column);
    if (CWnd* parent = GetParent())
        parent->PostMessage(WM_USER + 5, static_cast<WPARAM>(row), static_cast<LPARAM>(column));
}

void CCharGridCtrl::OnLButtonDblClk(UINT flags, CPoint point) {
    Layout();
    if (BarClick(point))
        return;
    int row = 0;
    int column = 0;
    if (!CellAt(point, row, column))
        return;
    OnLButtonDown(flags, point);
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CCharGridCtrl::OnMouseMove(UINT, CPoint point) {
    if (m_nCapture == 0 || GetCapture() != this)
        return;
    const bool vertical = m_nCapture < 0;
    const int unit = TrackUnit(vertical);
    int& last = vertical ? m_ptLast.y : m_ptLast.x;
    const int now = vertical ? point.y : point.x;
    if (now >= last + unit) {
        ScrollBy(vertical, 1);
        last += unit;
    } else if (now <= last - unit) {
        ScrollBy(vertical, -1);
        last -= unit;
    } else {
        return;
    }
    CPoint screen = m_ptLast;
    ClientToScreen(&screen);
    SetCursorPos(screen.x, screen.y);
}

void CCharGridCtrl::OnLButtonUp(UINT, CPoint) {
    if (m_nCapture != 0) {
        m_nCapture = 0;
        if (GetCapture() == this)
            ReleaseCapture();
    }
}

void CCharGridCtrl::OnSize(UINT, int, int) {
    m_bLayout = FALSE;
}

// --- Painting -----------------------------------------------------------------------------------

void CCharGridCtrl::DrawCell(CDC& dc, int row, int column) {
    const CRect cell = GetCellRect(row, column);
    if (cell.IsRectEmpty())
        return;
    const bool selected = row == m_nSelRow && column == m_nSelCol;
    dc.FillSolidRect(&cell, selected ? m_crSelBack : m_crBack);
    const COLORREF textColor = selected ? m_crSelText : GetCellColor(row, column);
    const CString text = GetCellText(row, column);
    // The full cell (before clipping) places the text.
    const int r = row - m_nFirstRow;
    const int c = column - m_nFirstCol;
    const CRect full(c * m_nCellWidth, r * m_nCellHeight, (c + 1) * m_nCellWidth, (r + 1) * m_nCellHeight);
    const int centreX = full.left + full.Width() / 2;
    const int middle = full.top + full.Height() / 2;
    dc.SetTextColor(textColor);
    dc.SetBkMode(TRANSPARENT);
    const int slash = text.Find(m_strFraction);
    if (slash >= 0) {
        const CString upper = text.Left(slash);
        const CString lower = text.Mid(slash + m_strFraction.GetLength());
        const CSize up = dc.GetTextExtent(upper);
        const CSize down = dc.GetTextExtent(lower);
        dc.TextOut(centreX - up.cx / 2, middle - up.cy, upper);
        dc.TextOut(centreX - down.cx / 2, middle, lower);
        CPen pen(PS_SOLID, 1, textColor);
        CPen* old = dc.SelectObject(&pen);
        dc.MoveTo(centreX - full.Width() / 3, middle);
        dc.LineTo(centreX + full.Width() / 3, middle);
        dc.SelectObject(old);
    } else if (!text.IsEmpty()) {
        const CSize size = dc.GetTextExtent(text);
        dc.TextOut(centreX - size.cx / 2, middle - size.cy / 2, text);
    }
}

void CCharGridCtrl::DrawBars(CDC& dc) {
    const COLORREF face = RGB(0xE0, 0xE0, 0xE0);
    const COLORREF dark = RGB(0x80, 0x80, 0x80);
    for (bool vertical : {true, false}) {
        if (!(vertical ? m_bVScroll : m_bHScroll))
            continue;
        const CRect bar = BarRect(vertical);
        dc.FillSolidRect(&bar, RGB(0xF0, 0xF0, 0xF0));
        const int arrow = vertical ? bar.Width() : bar.Height();
        const CRect first = vertical ? CRect(bar.left, bar.top, bar.right, bar.top + arrow)
                                     : CRect(bar.left, bar.top, bar.left + arrow, bar.bottom);
        const CRect last = vertical ? CRect(bar.left, bar.bottom - arrow, bar.right, bar.bottom)
                                    : CRect(bar.right - arrow, bar.top, bar.right, bar.bottom);
        dc.FillSolidRect(&first, face);
        dc.FillSolidRect(&last, face);
        CRect thumb = ThumbRect(vertical);
        thumb.DeflateRect(1, 1);
        dc.FillSolidRect(&thumb, dark);
        // Arrow heads: small triangles drawn line by line.
        for (int i = 0; i < arrow / 4; ++i) {
            if (vertical) {
                const int cx = first.left + first.Width() / 2;
                dc.FillSolidRect(cx - i, first.top + arrow / 3 + i, 2 * i + 1, 1, dark);
                dc.FillSolidRect(cx - i, last.bottom - arrow / 3 - i - 1, 2 * i + 1, 1, dark);
            } else {
                const int cy = first.top + first.Height() / 2;
                dc.FillSolidRect(first.left + arrow / 3 + i, cy - i, 1, 2 * i + 1, dark);
                dc.FillSolidRect(last.right - arrow / 3 - i - 1, cy - i, 1, 2 * i + 1, dark);
            }
        }
    }
    if (m_bVScroll && m_bHScroll)
        dc.FillSolidRect(m_cells.right, m_cells.bottom, BarWidth(), BarHeight(), face);
}

void CCharGridCtrl::OnPaint() {
    CPaintDC dc(this);
    Layout();
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(&client, m_crBack);
    CFont font;
    font.CreateFontIndirect(&m_logFont);
    CFont* oldFont = dc.SelectObject(&font);
    for (int r = m_nFirstRow; r < std::min(m_nRows, m_nFirstRow + m_nVisibleRows + 1); ++r)
        for (int c = m_nFirstCol; c < std::min(m_nCols, m_nFirstCol + m_nVisibleCols + 1); ++c)
            DrawCell(dc, r, c);
    dc.SelectObject(oldFont);
    // Borders in the line colour, except those on the edge of the client area.
    const int shownCols = std::min(m_nCols - m_nFirstCol, m_nVisibleCols + 1);
    const int shownRows = std::min(m_nRows - m_nFirstRow, m_nVisibleRows + 1);
    const int right = std::min<int>(shownCols * m_nCellWidth, m_cells.right);
    const int bottom = std::min<int>(shownRows * m_nCellHeight, m_cells.bottom);
    for (int c = 1; c <= shownCols; ++c) {
        const int x = c * m_nCellWidth - 1;
        if (x < client.right - 1 && x < m_cells.right)
            dc.FillSolidRect(x, 0, 1, bottom, m_crLine);
    }
    for (int r = 1; r <= shownRows; ++r) {
        const int y = r * m_nCellHeight - 1;
        if (y < client.bottom - 1 && y < m_cells.bottom)
            dc.FillSolidRect(0, y, right, 1, m_crLine);
    }
    DrawBars(dc);
}

#include "controls/InPlaceEditList.h"

BEGIN_MESSAGE_MAP(CInPlaceEditList, CListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
END_MESSAGE_MAP()

int CInPlaceEditList::HitTestEx(CPoint point, int* column) {
    return vq::ListHitTestEx(*this, point, column);
}

void CInPlaceEditList::OnLButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    int column = 0;
    const int row = HitTestEx(point, &column);
    // Whether the row was focused before this press decides between selecting and editing.
    const bool wasFocused = row >= 0 && (GetItemState(row, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
    const std::uint64_t serial = GetSerial();
    SetFocus(); // the pressed list takes the focus, which ends an open edit
    if (!::IsWindow(this) || GetSerial() != serial)
        return;
    UserSelect(row, false, column); // the list's own handling of the press: selection and click
    CListCtrl::OnLButtonDown(flags, point);
    if (!::IsWindow(this) || GetSerial() != serial)
        return;
    if (!m_editable || row < 0 || row >= GetItemCount())
        return;
    m_curRow = row;
    m_curColumn = column;
    if (wasFocused && column > 0 && vq::IsEditColumn(m_editColumns, column))
        EditPressedCell(row, column);
    else
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CInPlaceEditList::OnRButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    CListCtrl::OnRButtonDown(flags, point);
}

void CInPlaceEditList::OnHScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus(); // ends an open edit
    CListCtrl::OnHScroll(code, pos, scrollBar);
}

void CInPlaceEditList::OnVScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus();
    CListCtrl::OnVScroll(code, pos, scrollBar);
}

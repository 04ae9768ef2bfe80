#include "controls/CellEditListCtrl.h"

BEGIN_MESSAGE_MAP(CCellEditListCtrl, CListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
END_MESSAGE_MAP()

int CCellEditListCtrl::HitTestEx(CPoint point, int* column) {
    return vq::ListHitTestEx(*this, point, column);
}

CInPlaceEdit* CCellEditListCtrl::EditSubLabel(int row, int column) {
    return vq::OpenInPlaceEdit(*this, row, column, vq::InPlaceEditRules{true, false});
}

BOOL CCellEditListCtrl::PreTranslateMessage(MSG* msg) {
    // Tab goes to the focused window (an open editor), not to dialog navigation.
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && msg->hwnd) {
        msg->hwnd->SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam);
        return TRUE;
    }
    return CListCtrl::PreTranslateMessage(msg);
}

void CCellEditListCtrl::OnLButtonDown(UINT flags, CPoint point) {
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
    if (wasFocused && column > 0 && vq::IsEditColumn(m_editColumns, column)) {
        if (GetStyle() & LVS_EDITLABELS)
            EditSubLabel(row, column);
    } else {
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void CCellEditListCtrl::OnRButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    CListCtrl::OnRButtonDown(flags, point);
}

void CCellEditListCtrl::OnEndLabelEdit(NMHDR* header, LRESULT* result) {
    const auto* info = reinterpret_cast<const NMLVDISPINFO*>(header);
    if (result)
        *result = 0;
    if (!info->item.pszText)
        return; // cancelled
    if (m_editable != 1)
        return;
    if (info->item.iSubItem == 0 && m_firstColumnEditable == 0)
        return;
    SetItemText(info->item.iItem, info->item.iSubItem, info->item.pszText);
}

void CCellEditListCtrl::OnHScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus(); // ends an open edit
    CListCtrl::OnHScroll(code, pos, scrollBar);
}

void CCellEditListCtrl::OnVScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus();
    CListCtrl::OnVScroll(code, pos, scrollBar);
}

#include "controls/EditListCtrl.h"

BEGIN_MESSAGE_MAP(CEditListCtrl, CListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_PAINT()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
END_MESSAGE_MAP()

int CEditListCtrl::HitTestEx(CPoint point, int* column) {
    return vq::ListHitTestEx(*this, point, column);
}

int CEditListCtrl::ColumnCount() {
    const CHeaderCtrl* header = GetHeaderCtrl();
    m_columnCount = header ? header->GetItemCount() : GetColumnCount();
    return m_columnCount;
}

CInPlaceEdit* CEditListCtrl::EditSubLabel(int row, int column) {
    CInPlaceEdit* editor = vq::OpenInPlaceEdit(*this, row, column, vq::InPlaceEditRules{false, true});
    if (editor && m_curColumn == 0) {
        // No edits in the first column: the focus comes back at once, which ends the editor.
        SetFocus();
        return nullptr;
    }
    return editor;
}

BOOL CEditListCtrl::PreTranslateMessage(MSG* msg) {
    // While edits are stored, Tab moves between cells instead of between the dialog's controls.
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && m_editable == 1 && msg->hwnd) {
        msg->hwnd->SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam);
        return TRUE;
    }
    return CListCtrl::PreTranslateMessage(msg);
}

void CEditListCtrl::OnLButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    int column = 0;
    const int row = HitTestEx(point, &column);
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
        EditSubLabel(row, column);
    else
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CEditListCtrl::OnRButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    CListCtrl::OnRButtonDown(flags, point);
}

void CEditListCtrl::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    if (!m_editable) {
        CListCtrl::OnKeyDown(key, repeat, flags);
        return;
    }
    const int last = ColumnCount() - 1;
    int row = m_curRow;
    int column = m_curColumn;
    switch (key) {
    case VK_TAB:
    case VK_RIGHT:
        if (++column > last) {
            column = 0;
            ++row;
        }
        break;
    case VK_LEFT:
        if (--column < 0) {
            column = last;
            --row;
        }
        break;
    case VK_HOME:
        column = 0;
        break;
    case VK_END:
        column = last;
        break;
    case VK_UP:
        --row;
        break;
    case VK_DOWN:
        ++row;
        break;
    default:
        SetFocus(); // ends an open edit
        CListCtrl::OnKeyDown(key, repeat, flags);
        return;
    }
    const int count = GetItemCount();
    if (count == 0)
        return;
    if (row >= count)
        row = count - 1;
    if (row < 0)
        row = 0;
    m_curRow = row;
    m_curColumn = column;
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (vq::IsEditColumn(m_editColumns, column))
        EditSubLabel(row, column);
}

void CEditListCtrl::OnEndLabelEdit(NMHDR* header, LRESULT* result) {
    const auto* info = reinterpret_cast<const NMLVDISPINFO*>(header);
    if (result)
        *result = 0;
    if (!info->item.pszText)
        return; // cancelled
    // The edited cell decides, not the current one: an editor left open while the keyboard moved on
    // to column 0 still stores its text when it closes.
    if (m_editable == 1 && info->item.iSubItem != 0)
        SetItemText(info->item.iItem, info->item.iSubItem, info->item.pszText);
}

void CEditListCtrl::OnPaint() {
    ColumnCount();
    CListCtrl::OnPaint();
}

void CEditListCtrl::OnHScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus(); // ends an open edit
    CListCtrl::OnHScroll(code, pos, scrollBar);
}

void CEditListCtrl::OnVScroll(UINT code, UINT pos, CWnd* scrollBar) {
    if (GetFocus() != this)
        SetFocus();
    CListCtrl::OnVScroll(code, pos, scrollBar);
}

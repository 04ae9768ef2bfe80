#include "controls/EditListCtrl.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CEditListCtrl, CInPlaceEditList)
    ON_WM_KEYDOWN()
    ON_WM_PAINT()
END_MESSAGE_MAP()

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

void CEditListCtrl::EditPressedCell(int row, int column) {
    EditSubLabel(row, column);
}

bool CEditListCtrl::TabStaysInList(bool backwards) {
    const int count = GetItemCount();
    if (count == 0)
        return false;
    const int row = std::clamp(m_curRow, 0, count - 1);
    if (backwards)
        return row > 0 || m_curColumn > 0;
    return row < count - 1 || m_curColumn < ColumnCount() - 1;
}

BOOL CEditListCtrl::PreTranslateMessage(MSG* msg) {
    // While edits are stored, Tab (Shift+Tab) moves to the next (previous) cell instead of to the
    // dialog's next control; from the last (first) cell, and with Ctrl, it goes on to the dialog's
    // next (previous) control, so that the keyboard can always leave the list.
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && m_editable == 1 && msg->hwnd &&
        GetKeyState(VK_CONTROL) >= 0 && TabStaysInList(GetKeyState(VK_SHIFT) < 0)) {
        msg->hwnd->SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam);
        return TRUE;
    }
    return CListCtrl::PreTranslateMessage(msg);
}

void CEditListCtrl::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    if (!m_editable) {
        CListCtrl::OnKeyDown(key, repeat, flags);
        return;
    }
    const int last = ColumnCount() - 1;
    int row = m_curRow;
    int column = m_curColumn;
    if (key == VK_TAB && GetKeyState(VK_SHIFT) < 0)
        key = VK_LEFT;
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

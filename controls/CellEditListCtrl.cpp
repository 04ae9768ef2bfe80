#include "controls/CellEditListCtrl.h"

CInPlaceEdit* CCellEditListCtrl::EditSubLabel(int row, int column) {
    return vq::OpenInPlaceEdit(*this, row, column, vq::InPlaceEditRules{true, false});
}

void CCellEditListCtrl::EditPressedCell(int row, int column) {
    if (GetStyle() & LVS_EDITLABELS)
        EditSubLabel(row, column);
}

BOOL CCellEditListCtrl::PreTranslateMessage(MSG* msg) {
    // Tab goes to the focused window (an open editor), not to dialog navigation.
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && msg->hwnd) {
        msg->hwnd->SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam);
        return TRUE;
    }
    return CListCtrl::PreTranslateMessage(msg);
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

#include "controls/InPlaceEdit.h"

#include "platform/ui/DC.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CInPlaceEdit, CEdit)
    ON_WM_CREATE()
    ON_WM_KEYDOWN()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

CInPlaceEdit::CInPlaceEdit(int row, int column, const CString& initialText)
    : m_row(row), m_column(column), m_initialText(initialText) {}

int CInPlaceEdit::OnCreate(void* createStruct) {
    if (CEdit::OnCreate(createStruct) == -1)
        return -1;
    if (CWnd* list = GetParent())
        SetFont(list->GetFont());
    SetWindowText(m_initialText);
    SetFocus();
    SetSel(0, -1);
    return 0;
}

BOOL CInPlaceEdit::PreTranslateMessage(MSG* msg) {
    // Enter and Esc end the edit instead of pressing the dialog's buttons.
    if (msg && msg->hwnd == this && msg->message == WM_KEYDOWN &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam); // may destroy this editor
        return TRUE;
    }
    return CEdit::PreTranslateMessage(msg);
}

void CInPlaceEdit::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    switch (key) {
    case VK_ESCAPE:
        m_cancelled = TRUE;
        GetParent()->SetFocus();
        return;
    case VK_RETURN:
        GetParent()->SetFocus();
        return;
    case VK_HOME:
    case VK_END:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_TAB:
        // Moving between cells is the list's business.
        GetParent()->SendMessage(WM_KEYDOWN, key,
                                 MAKELPARAM(static_cast<WORD>(repeat), static_cast<WORD>(flags)));
        return;
    default:
        break;
    }
    CEdit::OnKeyDown(key, repeat, flags);
    FitText();
}

// Widens the editor to its text (measured in the list's font), up to the list's right edge.
void CInPlaceEdit::FitText() {
    CWnd* list = GetParent();
    if (!list)
        return;
    CString text;
    GetWindowText(text);
    CBitmap scratch;
    scratch.CreateBitmap(1, 1);
    CDC dc(scratch);
    CFont* oldFont = list->GetFont() ? dc.SelectObject(list->GetFont()) : nullptr;
    const int width = dc.GetTextExtent(text).cx + 5;
    if (oldFont)
        dc.SelectObject(oldFont);
    CRect rect = GetRectInParent();
    if (width <= rect.Width())
        return;
    CRect client;
    list->GetClientRect(&client);
    rect.right = std::min(rect.left + width, client.right);
    MoveWindow(&rect);
}

void CInPlaceEdit::OnKillFocus(CWnd* newWnd) {
    CEdit::OnKillFocus(newWnd);
    const std::uint64_t serial = GetSerial();
    CString text;
    GetWindowText(text);
    CWnd* list = GetParent();

    NMLVDISPINFO info;
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    info.hdr.code = LVN_ENDLABELEDIT;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = m_row;
    info.item.iSubItem = m_column;
    info.item.pszText = m_cancelled ? nullptr : text.GetBuffer();
    info.item.cchTextMax = text.GetLength();

    if (auto* owner = dynamic_cast<CInPlaceEditOwner*>(list)) {
        LRESULT result = 0;
        owner->OnEndLabelEdit(&info.hdr, &result);
    } else if (list && list->GetParent()) {
        list->GetParent()->SendMessage(WM_NOTIFY, static_cast<WPARAM>(list->GetDlgCtrlID()),
                                       reinterpret_cast<LPARAM>(&info));
    }
    if (::IsWindow(this) && GetSerial() == serial)
        DestroyWindow(); // deletes this editor
}

void CInPlaceEdit::PostNcDestroy() {
    CEdit::PostNcDestroy();
    delete this;
}

namespace vq {

int ListHitTestEx(CListCtrl& list, CPoint point, int* column) {
    if (column)
        *column = 0;
    if ((list.GetStyle() & LVS_TYPEMASK) != LVS_REPORT)
        return list.HitTest(point);
    const int count = list.GetItemCount();
    int row = list.GetTopIndex();
    const int bottom = std::min(row + list.GetCountPerPage(), count);
    const CHeaderCtrl* header = list.GetHeaderCtrl();
    const int columns = header ? header->GetItemCount() : list.GetColumnCount();
    for (; row <= bottom && row < count; ++row) {
        CRect rect;
        list.GetItemRect(row, &rect, LVIR_BOUNDS);
        if (!rect.PtInRect(point))
            continue;
        for (int c = 0; c < columns; ++c) {
            const int width = list.GetColumnWidth(c);
            if (point.x >= rect.left && point.x <= rect.left + width) {
                if (column)
                    *column = c;
                return row;
            }
            rect.left += width;
        }
    }
    return -1;
}

bool IsEditColumn(const CUIntArray& columns, int column) {
    for (int i = 0; i < columns.GetSize(); ++i)
        if (static_cast<int>(columns[i]) == column)
            return true;
    return false;
}

CInPlaceEdit* OpenInPlaceEdit(CListCtrl& list, int row, int column, const InPlaceEditRules& rules) {
    if (!list.EnsureVisible(row, rules.partialRowOk ? TRUE : FALSE))
        return nullptr;
    const CHeaderCtrl* header = list.GetHeaderCtrl();
    const int columns = header ? header->GetItemCount() : list.GetColumnCount();
    if (column < 0 || column >= columns || list.GetColumnWidth(column) < 5)
        return nullptr;

    int offset = 0;
    for (int c = 0; c < column; ++c)
        offset += list.GetColumnWidth(c);
    const int width = list.GetColumnWidth(column);
    CRect rect;
    list.GetItemRect(row, &rect, LVIR_BOUNDS);
    CRect client;
    list.GetClientRect(&client);

    // Bring the cell into view.
    const int cellLeft = rect.left + offset;
    if (rules.scrollWholeCell) {
        if (cellLeft < 0 || cellLeft + width > client.right) {
            list.Scroll(CSize(cellLeft, 0));
            list.GetItemRect(row, &rect, LVIR_BOUNDS);
        }
    } else if (cellLeft < 0 || cellLeft > client.right) {
        list.Scroll(CSize(cellLeft, 0));
        rect.left -= cellLeft;
    }

    LVCOLUMN info;
    info.mask = LVCF_FMT;
    list.GetColumn(column, &info);
    DWORD align = ES_LEFT;
    if ((info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT)
        align = ES_RIGHT;
    else if ((info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER)
        align = ES_CENTER;

    rect.left += offset + 4;
    rect.right = std::min(rect.left + width - 3, static_cast<int>(client.right));

    auto* editor = new CInPlaceEdit(row, column, list.GetItemText(row, column));
    if (!editor->Create(WS_BORDER | WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, rect, &list,
                        kInPlaceEditId))
        return nullptr; // a window that failed to come up has deleted itself
    return editor;
}

} // namespace vq

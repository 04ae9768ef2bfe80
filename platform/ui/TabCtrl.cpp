#include "platform/ui/TabCtrl.h"

#include <algorithm>
#include <cstring>

BOOL CTabCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("SysTabControl32", "", style, rect, parent, id);
}

LONG CTabCtrl::InsertItem(int index, LPCTSTR text) {
    return InsertItem(index, text, -1);
}

LONG CTabCtrl::InsertItem(int index, LPCTSTR text, int image) {
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<LPTSTR>(text);
    item.iImage = image;
    return InsertItem(index, &item);
}

LONG CTabCtrl::InsertItem(int index, TCITEM* item) {
    if (!item || index < 0)
        return -1;
    index = std::min(index, GetItemCount());
    Item entry;
    if ((item->mask & TCIF_TEXT) && item->pszText)
        entry.text = item->pszText;
    if (item->mask & TCIF_IMAGE)
        entry.image = item->iImage;
    if (item->mask & TCIF_PARAM)
        entry.data = item->lParam;
    m_items.insert(m_items.begin() + index, entry);
    if (m_curSel < 0)
        m_curSel = 0; // the first tab is chosen once there is one
    else if (m_curSel >= index && GetItemCount() > 1)
        ++m_curSel;
    StateChanged();
    return index;
}

BOOL CTabCtrl::DeleteItem(int index) {
    if (index < 0 || index >= GetItemCount())
        return FALSE;
    m_items.erase(m_items.begin() + index);
    if (m_curSel == index)
        m_curSel = -1;
    else if (m_curSel > index)
        --m_curSel;
    StateChanged();
    return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
    m_items.clear();
    m_curSel = -1;
    StateChanged();
    return TRUE;
}

BOOL CTabCtrl::GetItem(int index, TCITEM* item) const {
    if (!item || index < 0 || index >= GetItemCount())
        return FALSE;
    const Item& entry = m_items[static_cast<std::size_t>(index)];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const auto part = vq::TruncateUtf8(entry.text.str(), static_cast<std::size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, part.data(), part.size());
        item->pszText[part.size()] = '\0';
    }
    if (item->mask & TCIF_IMAGE)
        item->iImage = entry.image;
    if (item->mask & TCIF_PARAM)
        item->lParam = entry.data;
    return TRUE;
}

BOOL CTabCtrl::SetItem(int index, TCITEM* item) {
    if (!item || index < 0 || index >= GetItemCount())
        return FALSE;
    Item& entry = m_items[static_cast<std::size_t>(index)];
    if ((item->mask & TCIF_TEXT) && item->pszText)
        entry.text = item->pszText;
    if (item->mask & TCIF_IMAGE)
        entry.image = item->iImage;
    if (item->mask & TCIF_PARAM)
        entry.data = item->lParam;
    StateChanged();
    return TRUE;
}

CString CTabCtrl::GetItemText(int index) const {
    return (index < 0 || index >= GetItemCount()) ? CString() : m_items[static_cast<std::size_t>(index)].text;
}

int CTabCtrl::SetCurSel(int index) {
    if (index < 0 || index >= GetItemCount())
        return -1;
    const int old = m_curSel;
    m_curSel = index;
    StateChanged();
    return old;
}

CImageList* CTabCtrl::SetImageList(CImageList* images) {
    CImageList* old = m_images;
    m_images = images;
    StateChanged();
    return old;
}

void CTabCtrl::AdjustRect(BOOL larger, LPRECT rect) const {
    if (!rect)
        return;
    CRect& r = *static_cast<CRect*>(rect);
    // The page area lies below the tabs inside a 2-pixel frame (4 on the left and right).
    if (larger) {
        r.InflateRect(4, m_tabHeight + 2, 4, 4);
        r.top -= 0;
    } else {
        r.DeflateRect(4, m_tabHeight + 2, 4, 4);
    }
}

BOOL CTabCtrl::GetItemRect(int index, LPRECT rect) const {
    if (!rect || index < 0 || index >= GetItemCount())
        return FALSE;
    int left = 2;
    for (int i = 0; i < index; ++i)
        left += 12 + 7 * m_items[static_cast<std::size_t>(i)].text.GetLength();
    *rect = CRect(left, 2, left + 12 + 7 * m_items[static_cast<std::size_t>(index)].text.GetLength(),
                  m_tabHeight);
    return TRUE;
}

bool CTabCtrl::UserSelect(int index) {
    if (!m_hWnd || !IsWindowEnabled() || index < 0 || index >= GetItemCount())
        return false;
    if (index == m_curSel)
        return true;
    const std::uint64_t serial = GetSerial();
    NMHDR header;
    if (NotifyParent(header, TCN_SELCHANGING) != 0)
        return true;
    if (!::IsWindow(this) || GetSerial() != serial || index >= GetItemCount())
        return true;
    m_curSel = index;
    StateChanged();
    NotifyParent(header, TCN_SELCHANGE);
    return true;
}

void CTabCtrl::ClearState() {
    m_items.clear();
    m_curSel = -1;
}

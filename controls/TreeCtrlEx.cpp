#include "controls/TreeCtrlEx.h"

#include <algorithm>

// --- CTreeCursor ---------------------------------------------------------------------------------

CTreeCursor CTreeCursor::Walk(UINT code) const {
    if (!m_tree)
        return CTreeCursor(nullptr, m_tree);
    return CTreeCursor(m_tree->GetNextItem(m_item, code), m_tree);
}

CTreeCursor CTreeCursor::GetSelected() const {
    if (!m_tree)
        return CTreeCursor();
    return CTreeCursor(m_tree->GetNextItem(nullptr, TVGN_CARET), m_tree);
}

CString CTreeCursor::GetText() const {
    return m_tree ? m_tree->GetItemText(m_item) : CString();
}

int CTreeCursor::GetImage() const {
    if (!m_tree)
        return 0;
    TVITEM item;
    item.mask = TVIF_HANDLE | TVIF_IMAGE;
    item.hItem = m_item;
    m_tree->GetItem(&item);
    return item.iImage;
}

CTreeCursor CTreeCursor::AddChild(const CString& text, int image) {
    return InsertChild(text, image, TVI_LAST);
}

CTreeCursor CTreeCursor::InsertChild(const CString& text, int image, HTREEITEM after) {
    if (!m_tree)
        return CTreeCursor();
    TVINSERTSTRUCT insert;
    insert.hParent = m_item;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT;
    CString copy = text;
    insert.item.pszText = const_cast<LPTSTR>(copy.c_str());
    if (image != -1) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = image;
        insert.item.iSelectedImage = image + 1;
    }
    return CTreeCursor(m_tree->CTreeCtrl::InsertItem(&insert), m_tree);
}

// --- CTreeCtrlEx ---------------------------------------------------------------------------------

CTreeCursor CTreeCtrlEx::GetRootItem() {
    return CTreeCursor(GetNextItem(nullptr, TVGN_ROOT), this);
}

CTreeCursor CTreeCtrlEx::GetSelectedItem() {
    return CTreeCursor(GetNextItem(nullptr, TVGN_CARET), this);
}

CTreeCursor CTreeCtrlEx::HitTest(CPoint point, UINT* flags) {
    return CTreeCursor(CTreeCtrl::HitTest(point, flags), this);
}

CTreeCursor CTreeCtrlEx::InsertItem(CTreeCursor parent, const CString& text, int image) {
    return CTreeCursor(parent.m_item, this).AddChild(text, image);
}

BOOL CTreeCtrlEx::DeleteAllItems() {
    // Without a window there is no control to delete the items.
    if (!GetSafeHwnd())
        return FALSE;
    const BOOL result = CTreeCtrl::DeleteItem(TVI_ROOT);
    if (result)
        m_styleMap.RemoveAll();
    return result;
}

void CTreeCtrlEx::OnPaint() {
    CPaintDC dc(this);
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    CRect clip;
    dc.GetClipBox(&clip);
    CRect client;
    GetClientRect(&client);

    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, std::max(1, client.Width()), std::max(1, client.Height()));
    CBitmap* oldBitmap = memDC.SelectObject(&bitmap);
    CRgn region;
    region.CreateRectRgnIndirect(&clip);
    memDC.SelectClipRgn(&region);
    region.DeleteObject();

    DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(&memDC), 0);
    DrawItemStyles(memDC);

    dc.BitBlt(clip.left, clip.top, clip.Width(), clip.Height(), &memDC, clip.left, clip.top, SRCCOPY);
    memDC.SelectObject(oldBitmap);
    bitmap.DeleteObject();
    memDC.DeleteDC();
}

// Draws the text of every visible item that has a style and is neither selected nor a drop
// target, in the style's font and colour.
void CTreeCtrlEx::DrawItemStyles(CDC& dc) {
    if (m_styleMap.IsEmpty())
        return;
    HTREEITEM item = GetNextItem(nullptr, TVGN_FIRSTVISIBLE);
    const UINT limit = GetVisibleCount() + 1;
    for (UINT n = 0; n < limit && item; ++n, item = GetNextItem(item, TVGN_NEXTVISIBLE)) {
        if (GetItemState(item, TVIS_SELECTED | TVIS_DROPHILITED) & (TVIS_SELECTED | TVIS_DROPHILITED))
            continue;
        if (item == CTreeCtrl::GetSelectedItem() || item == GetDropHilightItem())
            continue;
        TreeItemStyle style;
        if (!m_styleMap.Lookup(item, style))
            continue;
        LOGFONT logFont;
        if (style.font.lfFaceName[0] != '\0') {
            logFont = style.font;
        } else {
            const CFont* own = GetFont() ? GetFont() : dc.GetCurrentFont();
            if (own)
                own->GetLogFont(&logFont);
        }
        if (GetItemState(item, TVIS_BOLD) & TVIS_BOLD)
            logFont.lfWeight = FW_BOLD;
        CFont font;
        font.CreateFontIndirect(&logFont);
        CFont* oldFont = dc.SelectObject(&font);
        const COLORREF oldColor = dc.GetTextColor();
        if (style.color != static_cast<COLORREF>(-1))
            dc.SetTextColor(style.color);
        dc.SetBkColor(GetSysColor(COLOR_WINDOW));
        CRect rect;
        GetItemRect(item, &rect, TRUE);
        dc.TextOut(rect.left + 2, rect.top + 2, GetItemText(item));
        dc.SetTextColor(oldColor);
        dc.SelectObject(oldFont);
        font.DeleteObject();
    }
}

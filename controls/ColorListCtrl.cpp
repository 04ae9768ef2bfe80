#include "controls/ColorListCtrl.h"

#include "platform/ui/DC.h"
#include "platform/ui/ImageList.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CColorListCtrl, CListCtrl)
    ON_WM_RBUTTONDOWN()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

namespace {
// The yellow of marked rows.
constexpr COLORREF kMarkColor = RGB(255, 255, 0);

// The byte length of the UTF-8 character that ends at `end` in text.
int LastCharLength(const std::string& text, int end) {
    int start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[static_cast<std::size_t>(start)]) & 0xC0) == 0x80)
        --start;
    return end - start;
}
// The image with every visible pixel mixed half and half with a colour.
CBitmap BlendImage(const CBitmap& source, COLORREF color) {
    CBitmap image = source.Clone(); // bitmaps share their pixels when copied
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            if (image.IsTransparent(x, y))
                continue;
            const COLORREF p = image.GetPixel(x, y);
            image.SetPixel(x, y,
                           RGB((GetRValue(p) + GetRValue(color)) / 2, (GetGValue(p) + GetGValue(color)) / 2,
                               (GetBValue(p) + GetBValue(color)) / 2));
        }
    return image;
}
} // namespace

CColorListCtrl::CColorListCtrl()
    : m_textColor(GetSysColor(COLOR_WINDOWTEXT)), m_textBkColor(GetSysColor(COLOR_WINDOW)),
      m_bkColor(GetSysColor(COLOR_WINDOW)) {}

void CColorListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    if (CHeaderCtrl* header = GetHeaderCtrl(); header && header != &m_header)
        m_header.SubclassWindow(header->GetSafeHwnd());
}

void CColorListCtrl::OnRButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    CListCtrl::OnRButtonDown(flags, point);
}

CString CColorListCtrl::MakeShortString(CDC* dc, const CString& text, int limit, int offset) {
    if (text.IsEmpty() || dc->GetTextExtent(text).cx + offset <= limit)
        return text;
    static const char kDots[] = "...";
    const int dotsWidth = dc->GetTextExtent(kDots, 3).cx;
    std::string rest = text.str();
    // Whole characters go from the end, one at a time; the first one always stays.
    while (true) {
        const int last = LastCharLength(rest, static_cast<int>(rest.size()));
        if (last >= static_cast<int>(rest.size()))
            break;
        if (dc->GetTextExtent(CString(rest)).cx + dotsWidth + offset <= limit)
            break;
        rest.resize(rest.size() - static_cast<std::size_t>(last));
    }
    return CString(rest + kDots);
}

bool CColorListCtrl::IsMarked(int row) const {
    if (m_markedTexts.GetSize() == 0)
        return false;
    const CString text = GetItemText(row, m_markColumn);
    for (int i = 0; i < m_markedTexts.GetSize(); ++i)
        if (text.CompareNoCase(m_markedTexts[i]) == 0)
            return true;
    return false;
}

void CColorListCtrl::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    if (!drawItem || !drawItem->hDC)
        return;
    CDC* dc = drawItem->hDC;
    const int row = static_cast<int>(drawItem->itemID);
    if (row < 0 || row >= GetItemCount())
        return;

    // The row's first item.
    char buffer[260] = {};
    LVITEM lvi;
    lvi.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    lvi.iItem = row;
    lvi.iSubItem = 0;
    lvi.pszText = buffer;
    lvi.cchTextMax = sizeof(buffer);
    lvi.stateMask = 0xFFFF;
    GetItem(&lvi);

    const bool hasFocus = GetFocus() == this;
    const bool selected = ((hasFocus || (GetStyle() & LVS_SHOWSELALWAYS)) && (lvi.state & LVIS_SELECTED)) ||
                          (lvi.state & LVIS_DROPHILITED);

    // The list's rectangles are in client coordinates; the context may draw the row elsewhere
    // (a row-sized image), so everything moves by the difference.
    CRect itemRect = drawItem->rcItem;
    CRect bounds, label, icon;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    GetItemRect(row, &label, LVIR_LABEL);
    GetItemRect(row, &icon, LVIR_ICON);
    const CPoint shift(itemRect.left - bounds.left, itemRect.top - bounds.top);
    bounds.OffsetRect(shift);
    label.OffsetRect(shift);
    icon.OffsetRect(shift);
    CRect client;
    GetClientRect(&client);
    client.OffsetRect(shift.x, 0);

    CRect highlight = bounds;
    highlight.left = label.left;
    if (m_clientWidthSelect && highlight.right < m_clientWidth + shift.x)
        highlight.right = m_clientWidth + shift.x;

    COLORREF oldText = 0;
    COLORREF oldBk = 0;
    if (selected) {
        oldText = dc->SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
        oldBk = dc->SetBkColor(GetSysColor(COLOR_HIGHLIGHT));
        dc->FillSolidRect(&highlight, GetSysColor(COLOR_HIGHLIGHT));
    } else {
        CRect fill = itemRect;
        fill.right = std::max(fill.right, client.right);
        dc->FillSolidRect(&fill, IsMarked(row) ? kMarkColor : GetSysColor(COLOR_WINDOW));
    }

    // Images: the state image at the row's corner, then the row's small image (a cut row faded
    // into the list's background, a selected one into the highlight).
    const UINT stateImage = (lvi.state & LVIS_STATEIMAGEMASK) >> 12;
    if (CImageList* states = GetImageList(LVSIL_STATE); states && stateImage != 0)
        states->Draw(dc, static_cast<int>(stateImage) - 1, itemRect.TopLeft(), ILD_TRANSPARENT);
    if (CImageList* small = GetImageList(LVSIL_SMALL); small && itemRect.Width() > 1 && lvi.iImage >= 0) {
        if (lvi.state & LVIS_CUT)
            dc->DrawBitmap(BlendImage(small->GetImage(lvi.iImage), m_bkColor), icon.left, icon.top);
        else
            small->Draw(dc, lvi.iImage, icon.TopLeft(),
                        selected ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT);
    }

    const int oldMode = dc->SetBkMode(TRANSPARENT);
    if (!selected)
        oldText = dc->SetTextColor(m_textColor);
    const UINT flags = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_VCENTER;

    // First column.
    int cellRight = label.right;
    label.right -= m_stateImageOffset;
    {
        const CString text = MakeShortString(dc, buffer, label.Width(), 4);
        CRect textRect = label;
        textRect.left += 2;
        textRect.right -= 2;
        dc->DrawText(text, &textRect, flags | DT_LEFT);
    }

    // Further columns, each beginning where the previous one ended.
    LVCOLUMN column;
    column.mask = LVCF_FMT | LVCF_WIDTH;
    for (int c = 1; GetColumn(c, &column); ++c) {
        CRect cell(cellRight, bounds.top, cellRight + column.cx, bounds.bottom);
        cellRight = cell.right;
        const CString full = GetItemText(row, c);
        if (full.IsEmpty())
            continue;
        const CString text = MakeShortString(dc, full, cell.Width(), 12);
        UINT justify = DT_LEFT;
        if (text == full) {
            if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT)
                justify = DT_RIGHT;
            else if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER)
                justify = DT_CENTER;
        }
        CRect textRect = cell;
        textRect.left += 6;
        textRect.right -= 6;
        dc->DrawText(text, &textRect, flags | justify);
    }

    if ((lvi.state & LVIS_FOCUSED) && hasFocus)
        dc->DrawFocusRect(&highlight);

    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldText);
    if (selected)
        dc->SetBkColor(oldBk);
}

void CColorListCtrl::RepaintSelectedRows() {
    if (!m_clientWidthSelect || (GetStyle() & LVS_TYPEMASK) != LVS_REPORT)
        return;
    auto invalidateRow = [this](int row) {
        CRect bounds, label;
        if (!GetItemRect(row, &bounds, LVIR_BOUNDS) || !GetItemRect(row, &label, LVIR_LABEL))
            return;
        CRect client;
        GetClientRect(&client);
        bounds.left = label.left;
        bounds.right = client.right;
        InvalidateRect(&bounds, FALSE);
    };
    const int focused = GetNextItem(-1, LVNI_FOCUSED);
    if (focused >= 0)
        invalidateRow(focused);
    if (!(GetStyle() & LVS_SHOWSELALWAYS))
        for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED))
            if (row != focused)
                invalidateRow(row);
    UpdateWindow();
}

void CColorListCtrl::OnSetFocus(CWnd* oldWnd) {
    CListCtrl::OnSetFocus(oldWnd);
    if (oldWnd && IsChild(oldWnd))
        return;
    RepaintSelectedRows();
}

void CColorListCtrl::OnKillFocus(CWnd* newWnd) {
    CListCtrl::OnKillFocus(newWnd);
    if (newWnd && IsChild(newWnd))
        return;
    RepaintSelectedRows();
}

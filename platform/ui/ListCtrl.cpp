#include "platform/ui/ListCtrl.h"

#include "platform/ui/DC.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

CListCtrl::CListCtrl() : m_ownHeader(std::make_unique<CHeaderCtrl>()) {}

CListCtrl::~CListCtrl() {
    // The header is a child window: it goes before the list's own members.
    if (m_hWnd)
        DestroyWindow();
}

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CWnd::Create("SysListView32", "", style, rect, parent, id))
        return FALSE;
    GetHeaderCtrl();
    return TRUE;
}

void CListCtrl::InitFromTemplate(const vq::ControlTemplate& item) {
    CWnd::InitFromTemplate(item);
    m_text.Empty();
    m_extendedStyle = item.exStyle;
    m_exStyle = WS_EX_CLIENTEDGE;
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const {
    for (CWnd* child : GetChildren())
        if (child->GetDlgCtrlID() == 0)
            if (auto* header = dynamic_cast<CHeaderCtrl*>(child))
                return header;
    // Lists built from templates get their header on first use.
    if (m_hWnd && !m_ownHeader->m_hWnd) {
        auto* self = const_cast<CListCtrl*>(this);
        self->m_ownHeader->Attach(self, 0, false);
        self->m_ownHeader->m_rect = CRect(0, 0, m_rect.Width(), m_headerHeight);
        return m_ownHeader.get();
    }
    return nullptr;
}

// --- Columns -------------------------------------------------------------------------------------

int CListCtrl::InsertColumn(int column, LPCTSTR heading, int format, int width, int subItem) {
    if (column < 0)
        return -1;
    column = std::min(column, GetColumnCount());
    Column c;
    c.text = heading ? heading : "";
    c.format = format;
    // The width is chosen for the system's 9-point font; the list takes it in the view's font, so
    // that what fitted the column there fits it here. Every geometry (cell rectangles, hit tests,
    // the header, editors placed over a cell) follows the width kept; widths set or read later
    // are those of the view, so a width read back and set again stays what it was.
    c.width = static_cast<int>(std::lround((width < 0 ? 60 : width) * vq::ViewTextScale()));
    c.subItem = subItem < 0 ? column : subItem;
    m_columns.insert(m_columns.begin() + column, c);
    for (auto& row : m_rows)
        if (static_cast<int>(row.texts.size()) > column && column > 0)
            row.texts.insert(row.texts.begin() + column, CString());
    GetHeaderCtrl();
    StateChanged();
    return column;
}

int CListCtrl::InsertColumn(int column, const LVCOLUMN* info) {
    if (!info)
        return -1;
    const int index = InsertColumn(column, (info->mask & LVCF_TEXT) ? info->pszText : "",
                                   (info->mask & LVCF_FMT) ? info->fmt : LVCFMT_LEFT,
                                   (info->mask & LVCF_WIDTH) ? info->cx : -1,
                                   (info->mask & LVCF_SUBITEM) ? info->iSubItem : -1);
    if (index >= 0 && (info->mask & LVCF_IMAGE))
        m_columns[static_cast<std::size_t>(index)].image = info->iImage;
    return index;
}

BOOL CListCtrl::DeleteColumn(int column) {
    if (column < 0 || column >= GetColumnCount())
        return FALSE;
    m_columns.erase(m_columns.begin() + column);
    for (auto& row : m_rows) {
        if (column == 0) {
            // The first column's texts stay with the rows' label; the next column's go.
            if (row.texts.size() > 1)
                row.texts.erase(row.texts.begin() + 1);
        } else if (static_cast<int>(row.texts.size()) > column) {
            row.texts.erase(row.texts.begin() + column);
        }
    }
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::GetColumn(int column, LVCOLUMN* info) const {
    if (!info || column < 0 || column >= GetColumnCount())
        return FALSE;
    const Column& c = m_columns[static_cast<std::size_t>(column)];
    if (info->mask & LVCF_FMT)
        info->fmt = c.format;
    if (info->mask & LVCF_WIDTH)
        info->cx = c.width;
    if (info->mask & LVCF_SUBITEM)
        info->iSubItem = c.subItem;
    if (info->mask & LVCF_IMAGE)
        info->iImage = c.image;
    if ((info->mask & LVCF_TEXT) && info->pszText && info->cchTextMax > 0) {
        const auto part = vq::TruncateUtf8(c.text.str(), static_cast<std::size_t>(info->cchTextMax - 1));
        std::memcpy(info->pszText, part.data(), part.size());
        info->pszText[part.size()] = '\0';
    }
    return TRUE;
}

BOOL CListCtrl::SetColumn(int column, const LVCOLUMN* info) {
    if (!info || column < 0 || column >= GetColumnCount())
        return FALSE;
    Column& c = m_columns[static_cast<std::size_t>(column)];
    if (info->mask & LVCF_FMT)
        c.format = info->fmt;
    if (info->mask & LVCF_WIDTH)
        c.width = info->cx;
    if (info->mask & LVCF_SUBITEM)
        c.subItem = info->iSubItem;
    if (info->mask & LVCF_IMAGE)
        c.image = info->iImage;
    if ((info->mask & LVCF_TEXT) && info->pszText)
        c.text = info->pszText;
    StateChanged();
    return TRUE;
}

int CListCtrl::GetColumnWidth(int column) const {
    return (column < 0 || column >= GetColumnCount()) ? 0 : m_columns[static_cast<std::size_t>(column)].width;
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetColumnCount())
        return FALSE;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        // About 7 pixels a byte-wide character and 12 a wide one, plus margins: the view measures
        // properly when it shows the list.
        auto textWidth = [](const CString& s) {
            int w = 0;
            for (unsigned char c : s.str())
                w += c < 0x80 ? 7 : ((c & 0xC0) == 0xC0 ? 12 : 0);
            return w + 12;
        };
        int widest = width == LVSCW_AUTOSIZE_USEHEADER
                         ? textWidth(m_columns[static_cast<std::size_t>(column)].text)
                         : 0;
        for (int i = 0; i < GetItemCount(); ++i)
            widest = std::max(widest, textWidth(GetItemText(i, column)));
        width = widest;
    }
    m_columns[static_cast<std::size_t>(column)].width = std::max(0, width);
    StateChanged();
    return TRUE;
}

CString CListCtrl::GetColumnText(int column) const {
    return (column < 0 || column >= GetColumnCount()) ? CString()
                                                      : m_columns[static_cast<std::size_t>(column)].text;
}

int CListCtrl::GetColumnFormat(int column) const {
    return (column < 0 || column >= GetColumnCount()) ? 0
                                                      : m_columns[static_cast<std::size_t>(column)].format;
}

// --- Rows ----------------------------------------------------------------------------------------

int CListCtrl::InsertItem(int item, LPCTSTR text) {
    return InsertItem(LVIF_TEXT, item, text, 0, 0, -1, 0);
}

int CListCtrl::InsertItem(int item, LPCTSTR text, int image) {
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, item, text, 0, 0, image, 0);
}

int CListCtrl::InsertItem(const LVITEM* item) {
    if (!item)
        return -1;
    return InsertItem(item->mask, item->iItem, (item->mask & LVIF_TEXT) ? item->pszText : nullptr,
                      item->state, item->stateMask, (item->mask & LVIF_IMAGE) ? item->iImage : -1,
                      (item->mask & LVIF_PARAM) ? item->lParam : 0);
}

int CListCtrl::InsertItem(UINT mask, int item, LPCTSTR text, UINT state, UINT stateMask, int image,
                          LPARAM data) {
    if (item < 0)
        return -1;
    item = std::min(item, GetItemCount());
    Row row;
    row.texts.push_back((mask & LVIF_TEXT) && text ? CString(text) : CString());
    row.image = (mask & LVIF_IMAGE) ? image : -1;
    row.data = (mask & LVIF_PARAM) ? data : 0;
    m_rows.insert(m_rows.begin() + item, row);
    if (m_selectionMark >= item)
        ++m_selectionMark;
    StateChanged();
    if ((mask & LVIF_STATE) && stateMask)
        ChangeState(item, state, stateMask, true);
    return item;
}

BOOL CListCtrl::DeleteItem(int item) {
    if (item < 0 || item >= GetItemCount())
        return FALSE;
    NMLISTVIEW nm;
    nm.iItem = item;
    nm.lParam = m_rows[static_cast<std::size_t>(item)].data;
    NotifyParent(nm.hdr, LVN_DELETEITEM);
    if (item >= GetItemCount())
        return FALSE;
    m_rows.erase(m_rows.begin() + item);
    if (m_selectionMark == item)
        m_selectionMark = -1;
    else if (m_selectionMark > item)
        --m_selectionMark;
    if (m_topIndex >= GetItemCount())
        m_topIndex = std::max(0, GetItemCount() - 1);
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    m_rows.clear();
    m_selectionMark = -1;
    m_topIndex = 0;
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCTSTR text) {
    if (item < 0 || item >= GetItemCount() || subItem < 0 || (subItem > 0 && subItem >= GetColumnCount()))
        return FALSE;
    auto& texts = m_rows[static_cast<std::size_t>(item)].texts;
    if (static_cast<int>(texts.size()) <= subItem)
        texts.resize(static_cast<std::size_t>(subItem) + 1);
    texts[static_cast<std::size_t>(subItem)] = text ? text : "";
    StateChanged();
    return TRUE;
}

CString CListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= GetItemCount() || subItem < 0)
        return CString();
    const auto& texts = m_rows[static_cast<std::size_t>(item)].texts;
    return subItem < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(subItem)] : CString();
}

int CListCtrl::GetItemText(int item, int subItem, LPTSTR buffer, int length) const {
    if (!buffer || length <= 0)
        return 0;
    const CString text = GetItemText(item, subItem);
    const auto part = vq::TruncateUtf8(text.str(), static_cast<std::size_t>(length - 1));
    std::memcpy(buffer, part.data(), part.size());
    buffer[part.size()] = '\0';
    return static_cast<int>(part.size());
}

BOOL CListCtrl::SetItem(const LVITEM* item) {
    if (!item || item->iItem < 0 || item->iItem >= GetItemCount())
        return FALSE;
    if ((item->mask & LVIF_TEXT) && !SetItemText(item->iItem, item->iSubItem, item->pszText))
        return FALSE;
    Row& row = m_rows[static_cast<std::size_t>(item->iItem)];
    if (item->iSubItem == 0) {
        if (item->mask & LVIF_IMAGE)
            row.image = item->iImage;
        if (item->mask & LVIF_PARAM)
            row.data = item->lParam;
    }
    StateChanged();
    if (item->mask & LVIF_STATE)
        ChangeState(item->iItem, item->state, item->stateMask, true);
    return TRUE;
}

BOOL CListCtrl::SetItem(int item, int subItem, UINT mask, LPCTSTR text, int image, UINT state, UINT stateMask,
                        LPARAM data) {
    LVITEM lv;
    lv.mask = mask;
    lv.iItem = item;
    lv.iSubItem = subItem;
    lv.pszText = const_cast<LPTSTR>(text);
    lv.iImage = image;
    lv.state = state;
    lv.stateMask = stateMask;
    lv.lParam = data;
    return SetItem(&lv);
}

BOOL CListCtrl::GetItem(LVITEM* item) const {
    if (!item || item->iItem < 0 || item->iItem >= GetItemCount())
        return FALSE;
    const Row& row = m_rows[static_cast<std::size_t>(item->iItem)];
    if ((item->mask & LVIF_TEXT) && item->pszText && item->cchTextMax > 0)
        GetItemText(item->iItem, item->iSubItem, item->pszText, item->cchTextMax);
    if (item->mask & LVIF_IMAGE)
        item->iImage = row.image;
    if (item->mask & LVIF_PARAM)
        item->lParam = row.data;
    if (item->mask & LVIF_STATE)
        item->state = row.state & item->stateMask;
    return TRUE;
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
    if (item < 0 || item >= GetItemCount())
        return FALSE;
    m_rows[static_cast<std::size_t>(item)].data = static_cast<LPARAM>(data);
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
    return (item < 0 || item >= GetItemCount())
               ? 0
               : static_cast<DWORD_PTR>(m_rows[static_cast<std::size_t>(item)].data);
}

bool CListCtrl::ChangeState(int item, UINT state, UINT mask, bool notify) {
    Row& row = m_rows[static_cast<std::size_t>(item)];
    UINT newState = (row.state & ~mask) | (state & mask);
    // One row at most is focused; a single-selection list has at most one selected row.
    if (newState == row.state)
        return false;
    const std::uint64_t serial = GetSerial();
    NMLISTVIEW nm;
    nm.iItem = item;
    nm.uOldState = row.state;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = row.data;
    if (notify && NotifyParent(nm.hdr, LVN_ITEMCHANGING) != 0)
        return false; // the parent refused
    if (!::IsWindow(this) || GetSerial() != serial || item >= GetItemCount())
        return false;
    if ((newState & LVIS_FOCUSED) && !(m_rows[static_cast<std::size_t>(item)].state & LVIS_FOCUSED))
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != item && (m_rows[static_cast<std::size_t>(i)].state & LVIS_FOCUSED))
                ChangeState(i, 0, LVIS_FOCUSED, notify);
    if ((newState & LVIS_SELECTED) && IsSingleSelection())
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != item && (m_rows[static_cast<std::size_t>(i)].state & LVIS_SELECTED))
                ChangeState(i, 0, LVIS_SELECTED, notify);
    if (!::IsWindow(this) || GetSerial() != serial || item >= GetItemCount())
        return false;
    Row& current = m_rows[static_cast<std::size_t>(item)];
    nm.uOldState = current.state;
    current.state = (current.state & ~mask) | (state & mask);
    nm.uNewState = current.state;
    StateChanged();
    if (notify)
        NotifyParent(nm.hdr, LVN_ITEMCHANGED);
    return true;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    if (item == -1) {
        for (int i = 0; i < GetItemCount(); ++i)
            ChangeState(i, state, mask, true);
        return TRUE;
    }
    if (item < 0 || item >= GetItemCount())
        return FALSE;
    ChangeState(item, state, mask, true);
    return TRUE;
}

BOOL CListCtrl::SetItemState(int item, LVITEM* item_) {
    return item_ ? SetItemState(item, item_->state, item_->stateMask) : FALSE;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
    return (item < 0 || item >= GetItemCount()) ? 0 : (m_rows[static_cast<std::size_t>(item)].state & mask);
}

int CListCtrl::GetItemImage(int item) const {
    return (item < 0 || item >= GetItemCount()) ? -1 : m_rows[static_cast<std::size_t>(item)].image;
}

BOOL CListCtrl::GetCheck(int item) const {
    return ((GetItemState(item, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1 ? TRUE : FALSE;
}

BOOL CListCtrl::SetCheck(int item, BOOL check) {
    return SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
}

// --- Selection -----------------------------------------------------------------------------------

UINT CListCtrl::GetSelectedCount() const {
    return static_cast<UINT>(std::count_if(m_rows.begin(), m_rows.end(),
                                           [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; }));
}

int CListCtrl::GetNextItem(int start, int flags) const {
    const UINT wanted = static_cast<UINT>(flags) & (LVNI_SELECTED | LVNI_FOCUSED);
    for (int i = std::max(0, start + 1); i < GetItemCount(); ++i) {
        const UINT state = m_rows[static_cast<std::size_t>(i)].state;
        if ((!(wanted & LVNI_SELECTED) || (state & LVIS_SELECTED)) &&
            (!(wanted & LVNI_FOCUSED) || (state & LVIS_FOCUSED)))
            return i;
    }
    return -1;
}

// Positions are row index + 1 (0 is the end).
POSITION CListCtrl::GetFirstSelectedItemPosition() const {
    const int first = GetNextItem(-1, LVNI_SELECTED);
    return first < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(first + 1));
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
    const int item = static_cast<int>(reinterpret_cast<std::uintptr_t>(pos)) - 1;
    const int next = GetNextItem(item, LVNI_SELECTED);
    pos = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(next + 1));
    return item;
}

int CListCtrl::SetSelectionMark(int item) {
    return std::exchange(m_selectionMark, item);
}

// --- Looks ---------------------------------------------------------------------------------------

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
    const DWORD old = m_extendedStyle;
    m_extendedStyle = style;
    StateChanged();
    return old;
}

CImageList* CListCtrl::SetImageList(CImageList* images, int which) {
    if (which < 0 || which > 2)
        return nullptr;
    CImageList* old = m_images[which];
    m_images[which] = images;
    StateChanged();
    return old;
}

CImageList* CListCtrl::GetImageList(int which) const {
    return (which < 0 || which > 2) ? nullptr : m_images[which];
}

BOOL CListCtrl::SetBkColor(COLORREF color) {
    m_bkColor = color;
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::SetTextColor(COLORREF color) {
    m_textColor = color;
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::SetTextBkColor(COLORREF color) {
    m_textBkColor = color;
    StateChanged();
    return TRUE;
}

// --- Order and search ----------------------------------------------------------------------------

BOOL CListCtrl::SortItems(PFNLVCOMPARE compare, DWORD_PTR sortData) {
    if (!compare)
        return FALSE;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
        return compare(a.data, b.data, static_cast<LPARAM>(sortData)) < 0;
    });
    StateChanged();
    return TRUE;
}

int CListCtrl::FindItem(LVFINDINFO* find, int start) const {
    if (!find)
        return -1;
    for (int i = std::max(0, start + 1); i < GetItemCount(); ++i) {
        const Row& row = m_rows[static_cast<std::size_t>(i)];
        if (find->flags & LVFI_PARAM) {
            if (row.data == find->lParam)
                return i;
        } else if ((find->flags & (LVFI_STRING | LVFI_PARTIAL)) && find->psz) {
            const CString& text = row.texts.front();
            const CString wanted(find->psz);
            if (find->flags & LVFI_PARTIAL) {
                if (text.GetLength() >= wanted.GetLength() &&
                    text.Left(wanted.GetLength()).CompareNoCase(wanted) == 0)
                    return i;
            } else if (text.CompareNoCase(wanted) == 0) {
                return i;
            }
        }
    }
    return -1;
}

// --- Geometry ------------------------------------------------------------------------------------

int CListCtrl::GetCountPerPage() const {
    const int height = m_rect.Height() - ((m_style & LVS_NOCOLUMNHEADER) ? 0 : m_headerHeight);
    return std::max(1, height / std::max(1, m_rowHeight));
}

BOOL CListCtrl::EnsureVisible(int item, BOOL) {
    if (item < 0 || item >= GetItemCount())
        return FALSE;
    const int perPage = GetCountPerPage();
    if (item < m_topIndex)
        m_topIndex = item;
    else if (item >= m_topIndex + perPage)
        m_topIndex = item - perPage + 1;
    StateChanged();
    return TRUE;
}

int CListCtrl::ColumnLeft(int column) const {
    int left = -m_scrollX;
    for (int i = 0; i < column && i < GetColumnCount(); ++i)
        left += m_columns[static_cast<std::size_t>(i)].width;
    return left;
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rect, UINT code) const {
    if (!rect || item < 0 || item >= GetItemCount())
        return FALSE;
    const int headerHeight = (m_style & LVS_NOCOLUMNHEADER) ? 0 : m_headerHeight;
    const int top = headerHeight + (item - m_topIndex) * m_rowHeight;
    int totalWidth = 0;
    for (const auto& c : m_columns)
        totalWidth += c.width;
    CRect r(-m_scrollX, top, -m_scrollX + totalWidth, top + m_rowHeight);
    const int iconWidth = m_images[LVSIL_SMALL] ? 16 : 0;
    const int firstWidth = GetColumnWidth(0);
    switch (code) {
    case LVIR_ICON:
        r.right = r.left + iconWidth;
        break;
    case LVIR_LABEL:
        r.left += iconWidth;
        r.right = -m_scrollX + firstWidth;
        break;
    case LVIR_SELECTBOUNDS:
        if (!(m_extendedStyle & LVS_EX_FULLROWSELECT))
            r.right = -m_scrollX + firstWidth;
        break;
    default:
        break;
    }
    *rect = r;
    return TRUE;
}

BOOL CListCtrl::GetSubItemRect(int item, int subItem, int area, CRect& rect) const {
    if (item < 0 || item >= GetItemCount() || subItem < 0 || subItem >= std::max(1, GetColumnCount()))
        return FALSE;
    CRect row;
    GetItemRect(item, &row, LVIR_BOUNDS);
    if (subItem == 0 && area == static_cast<int>(LVIR_BOUNDS)) {
        rect = row; // the whole row, as the system answers for column 0
        return TRUE;
    }
    const int left = ColumnLeft(subItem);
    rect = CRect(left, row.top, left + GetColumnWidth(subItem), row.bottom);
    return TRUE;
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const {
    LVHITTESTINFO info;
    info.pt = point;
    const int item = HitTest(&info);
    if (flags)
        *flags = info.flags;
    return item;
}

int CListCtrl::HitTest(LVHITTESTINFO* info) const {
    if (!info)
        return -1;
    info->iItem = -1;
    info->iSubItem = 0;
    const int headerHeight = (m_style & LVS_NOCOLUMNHEADER) ? 0 : m_headerHeight;
    const int x = info->pt.x;
    const int y = info->pt.y;
    if (y < headerHeight) {
        info->flags = LVHT_ABOVE;
        return -1;
    }
    const int row = m_topIndex + (y - headerHeight) / std::max(1, m_rowHeight);
    if (row >= GetItemCount()) {
        info->flags = LVHT_NOWHERE;
        return -1;
    }
    int totalWidth = 0;
    for (const auto& c : m_columns)
        totalWidth += c.width;
    const int left = -m_scrollX;
    if (x < left || x >= left + std::max(totalWidth, GetColumnWidth(0))) {
        info->flags = LVHT_NOWHERE;
        return -1;
    }
    // Without full-row selection only the first column counts as the item.
    const int iconWidth = m_images[LVSIL_SMALL] ? 16 : 0;
    if (x < left + iconWidth)
        info->flags = LVHT_ONITEMICON;
    else if (x < left + GetColumnWidth(0) || (m_extendedStyle & LVS_EX_FULLROWSELECT))
        info->flags = LVHT_ONITEMLABEL;
    else {
        info->flags = LVHT_NOWHERE;
        return -1;
    }
    info->iItem = row;
    return row;
}

int CListCtrl::SubItemHitTest(LVHITTESTINFO* info) const {
    if (!info)
        return -1;
    const int headerHeight = (m_style & LVS_NOCOLUMNHEADER) ? 0 : m_headerHeight;
    info->iItem = -1;
    info->iSubItem = -1;
    info->flags = LVHT_NOWHERE;
    if (info->pt.y < headerHeight)
        return -1;
    const int row = m_topIndex + (info->pt.y - headerHeight) / std::max(1, m_rowHeight);
    if (row >= GetItemCount())
        return -1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        const int left = ColumnLeft(c);
        if (info->pt.x >= left && info->pt.x < left + GetColumnWidth(c)) {
            info->iItem = row;
            info->iSubItem = c;
            info->flags = LVHT_ONITEMLABEL;
            return row;
        }
    }
    return -1;
}

BOOL CListCtrl::RedrawItems(int, int) {
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::Update(int) {
    StateChanged();
    return TRUE;
}

BOOL CListCtrl::Scroll(CSize size) {
    int columns = 0;
    for (const auto& column : m_columns)
        columns += std::max(0, column.width);
    m_scrollX = std::clamp(m_scrollX + size.cx, 0, std::max(0, columns - m_rect.Width()));
    if (size.cy)
        m_topIndex =
            std::clamp(m_topIndex + size.cy / std::max(1, m_rowHeight), 0, std::max(0, GetItemCount() - 1));
    StateChanged();
    return TRUE;
}

void CListCtrl::ViewSetMetrics(int headerHeight, int rowHeight, int topIndex, int scrollX) {
    m_headerHeight = std::max(0, headerHeight);
    m_rowHeight = std::max(1, rowHeight);
    m_topIndex = std::max(0, topIndex);
    m_scrollX = std::max(0, scrollX);
    if (CHeaderCtrl* header = GetHeaderCtrl())
        header->SetHeight(m_headerHeight);
}

CPoint CListCtrl::RowCenter(int item, int subItem) const {
    CRect r;
    GetSubItemRect(item, subItem, static_cast<int>(LVIR_LABEL), r);
    return r.CenterPoint();
}

// --- A person's input ----------------------------------------------------------------------------

LRESULT CListCtrl::SendItemActivate(UINT code, int item, int subItem) {
    NMITEMACTIVATE nm;
    nm.iItem = item;
    nm.iSubItem = subItem;
    CPoint point = item >= 0 ? RowCenter(item, subItem) : CPoint(2, m_rect.Height() - 2);
    nm.ptAction = point;
    ClientToScreen(&point);
    vq::SetCursorPosition(point);
    return NotifyParent(nm.hdr, code);
}

bool CListCtrl::UserSelect(int item, bool toggle, int subItem) {
    return Select(item, toggle, subItem, true);
}

void CListCtrl::OnKeyDown(UINT key, UINT, UINT) {
    const int count = GetItemCount();
    if (count == 0)
        return;
    int current = GetNextItem(-1, LVNI_FOCUSED);
    if (current < 0)
        current = GetNextItem(-1, LVNI_SELECTED);
    const int page = std::max(1, GetCountPerPage() - 1);
    int target = -1;
    switch (key) {
    case VK_UP:
        target = std::max(0, current - 1);
        break;
    case VK_DOWN:
        target = std::min(count - 1, current + 1);
        break;
    case VK_PRIOR:
        target = std::max(0, current - page);
        break;
    case VK_NEXT:
        target = std::min(count - 1, current + page);
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_SPACE:
        if (current >= 0 && (m_extendedStyle & LVS_EX_CHECKBOXES))
            UserCheck(current, !GetCheck(current));
        return;
    default:
        return;
    }
    const std::uint64_t serial = GetSerial();
    UserKeySelect(target);
    if (::IsWindow(this) && GetSerial() == serial)
        EnsureVisible(target, FALSE);
}

bool CListCtrl::UserKeySelect(int item) {
    return item >= 0 && Select(item, false, 0, false);
}

bool CListCtrl::Select(int item, bool toggle, int subItem, bool click) {
    if (!m_hWnd || !IsWindowEnabled() || item < -1 || item >= GetItemCount())
        return false;
    const std::uint64_t serial = GetSerial();
    auto alive = [this, serial] { return ::IsWindow(this) && GetSerial() == serial; };
    if (item >= 0) {
        EnsureVisible(item, FALSE);
        if (toggle && !IsSingleSelection()) {
            const bool selected = GetItemState(item, LVIS_SELECTED) != 0;
            ChangeState(item, (selected ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED,
                        true);
        } else {
            // Others lose the selection first, then the clicked row gains it.
            for (int i = 0; alive() && i < GetItemCount(); ++i)
                if (i != item && GetItemState(i, LVIS_SELECTED))
                    ChangeState(i, 0, LVIS_SELECTED, true);
            if (alive() && item < GetItemCount())
                ChangeState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, true);
        }
        if (alive())
            m_selectionMark = item;
    } else {
        // A click below the rows clears the selection.
        for (int i = 0; alive() && i < GetItemCount(); ++i)
            if (GetItemState(i, LVIS_SELECTED))
                ChangeState(i, 0, LVIS_SELECTED, true);
    }
    if (alive() && click)
        SendItemActivate(NM_CLICK, item, subItem);
    return true;
}

bool CListCtrl::UserDoubleClick(int item, int subItem) {
    const std::uint64_t serial = GetSerial();
    if (!UserSelect(item, false, subItem))
        return false;
    if (::IsWindow(this) && GetSerial() == serial)
        SendItemActivate(NM_DBLCLK, item, subItem);
    return true;
}

bool CListCtrl::UserRightClick(int item, int subItem) {
    if (!m_hWnd || !IsWindowEnabled() || item < -1 || item >= GetItemCount())
        return false;
    const std::uint64_t serial = GetSerial();
    if (item >= 0 && !GetItemState(item, LVIS_SELECTED)) {
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != item && GetItemState(i, LVIS_SELECTED))
                ChangeState(i, 0, LVIS_SELECTED, true);
        if (::IsWindow(this) && GetSerial() == serial && item < GetItemCount())
            ChangeState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, true);
    }
    if (::IsWindow(this) && GetSerial() == serial) {
        CPoint point = item >= 0 ? RowCenter(item, subItem) : CPoint(2, m_rect.Height() - 2);
        SendMessage(WM_RBUTTONDOWN, MK_RBUTTON,
                    MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    }
    if (::IsWindow(this) && GetSerial() == serial && SendItemActivate(NM_RCLICK, item, subItem) == 0 &&
        ::IsWindow(this) && GetSerial() == serial) {
        // Unhandled, the right click becomes a context-menu request at the cursor.
        CPoint cursor;
        GetCursorPos(&cursor);
        SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(this),
                    MAKELPARAM(static_cast<WORD>(cursor.x), static_cast<WORD>(cursor.y)));
    }
    return true;
}

bool CListCtrl::UserColumnClick(int column) {
    if (!m_hWnd || !IsWindowEnabled() || column < 0 || column >= GetColumnCount())
        return false;
    NMLISTVIEW nm;
    nm.iItem = -1;
    nm.iSubItem = column;
    NotifyParent(nm.hdr, LVN_COLUMNCLICK);
    return true;
}

bool CListCtrl::UserCheck(int item, bool check) {
    if (!m_hWnd || !IsWindowEnabled() || item < 0 || item >= GetItemCount() ||
        !(m_extendedStyle & LVS_EX_CHECKBOXES))
        return false;
    ChangeState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK, true);
    return true;
}

bool CListCtrl::UserBeginLabelEdit(int item) {
    if (!m_hWnd || !IsWindowEnabled() || item < 0 || item >= GetItemCount())
        return false;
    NMLVDISPINFO info;
    info.item.mask = LVIF_TEXT | LVIF_PARAM;
    info.item.iItem = item;
    std::string text = GetItemText(item, 0).str();
    info.item.pszText = text.data();
    info.item.cchTextMax = static_cast<int>(text.size()) + 1;
    info.item.lParam = m_rows[static_cast<std::size_t>(item)].data;
    return NotifyParent(info.hdr, LVN_BEGINLABELEDIT) == 0;
}

bool CListCtrl::UserEndLabelEdit(int item, const char* text) {
    if (!m_hWnd || item < 0 || item >= GetItemCount())
        return false;
    NMLVDISPINFO info;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = item;
    std::string copy = text ? text : "";
    info.item.pszText = text ? copy.data() : nullptr;
    info.item.cchTextMax = static_cast<int>(copy.size()) + 1;
    const std::uint64_t serial = GetSerial();
    const LRESULT keep = NotifyParent(info.hdr, LVN_ENDLABELEDIT);
    if (text && keep && ::IsWindow(this) && GetSerial() == serial && item < GetItemCount())
        SetItemText(item, 0, copy.c_str());
    return true;
}

void CListCtrl::ClearState() {
    m_rows.clear();
    m_columns.clear();
    m_selectionMark = -1;
    m_topIndex = 0;
}

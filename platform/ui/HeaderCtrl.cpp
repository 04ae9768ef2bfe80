#include "platform/ui/HeaderCtrl.h"

#include "platform/ui/ListCtrl.h"

#include <cstring>

CListCtrl* CHeaderCtrl::GetList() const {
    return dynamic_cast<CListCtrl*>(GetParent());
}

int CHeaderCtrl::GetItemCount() const {
    const CListCtrl* list = GetList();
    return list ? list->GetColumnCount() : 0;
}

BOOL CHeaderCtrl::GetItem(int index, HDITEM* item) const {
    const CListCtrl* list = GetList();
    if (!list || !item || index < 0 || index >= list->GetColumnCount())
        return FALSE;
    const auto& column = list->m_columns[static_cast<std::size_t>(index)];
    if (item->mask & HDI_WIDTH)
        item->cxy = column.width;
    if (item->mask & HDI_FORMAT)
        item->fmt = column.format;
    if (item->mask & HDI_IMAGE)
        item->iImage = column.image;
    if (item->mask & HDI_ORDER)
        item->iOrder = column.order;
    if ((item->mask & HDI_TEXT) && item->pszText && item->cchTextMax > 0) {
        const auto part = vq::TruncateUtf8(column.text.str(), static_cast<std::size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, part.data(), part.size());
        item->pszText[part.size()] = '\0';
    }
    return TRUE;
}

BOOL CHeaderCtrl::SetItem(int index, HDITEM* item) {
    CListCtrl* list = GetList();
    if (!list || !item || index < 0 || index >= list->GetColumnCount())
        return FALSE;
    auto& column = list->m_columns[static_cast<std::size_t>(index)];
    if (item->mask & HDI_WIDTH)
        column.width = item->cxy;
    if (item->mask & HDI_FORMAT)
        column.format = item->fmt;
    if (item->mask & HDI_IMAGE)
        column.image = item->iImage;
    if (item->mask & HDI_ORDER)
        column.order = item->iOrder;
    if ((item->mask & HDI_TEXT) && item->pszText)
        column.text = item->pszText;
    StateChanged();
    list->StateChanged();
    return TRUE;
}

BOOL CHeaderCtrl::GetItemRect(int index, LPRECT rect) const {
    const CListCtrl* list = GetList();
    if (!list || !rect || index < 0 || index >= list->GetColumnCount())
        return FALSE;
    const int left = list->ColumnLeft(index);
    *rect = CRect(left, 0, left + list->GetColumnWidth(index), m_height);
    return TRUE;
}

CImageList* CHeaderCtrl::SetImageList(CImageList* images) {
    CImageList* old = m_images;
    m_images = images;
    StateChanged();
    return old;
}

void CHeaderCtrl::UserClick(int index) {
    CListCtrl* list = GetList();
    if (!list || index < 0 || index >= list->GetColumnCount())
        return;
    NMHEADER header;
    header.iItem = index;
    NotifyParent(header.hdr, HDN_ITEMCLICK);
}

#include "controls/ImageHeaderCtrl.h"

#include "platform/ui/DC.h"
#include "platform/ui/ImageList.h"

CImageList* CImageHeaderCtrl::SetImageList(CImageList* images) {
    CImageList* previous = m_imageList;
    m_imageList = images;
    // The header's own list too, so that a view that shows header images natively finds them.
    CHeaderCtrl::SetImageList(images);
    return previous;
}

int CImageHeaderCtrl::GetColumnImage(int column) const {
    int image = -1;
    if (!m_columnImages.Lookup(column, image))
        return -1;
    return image;
}

void CImageHeaderCtrl::SetColumnImage(int column, int image) {
    m_columnImages.SetAt(column, image);
    HDITEM item;
    item.mask = HDI_FORMAT;
    GetItem(column, &item);
    item.fmt |= HDF_OWNERDRAW;
    // The column's image travels with the item as well, for views that draw headers natively.
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.iImage = image;
    SetItem(column, &item);
    Invalidate(TRUE);
}

void CImageHeaderCtrl::DrawItem(DRAWITEMSTRUCT* drawItem) {
    if (!drawItem || !drawItem->hDC)
        return;
    CDC* dc = drawItem->hDC;
    const int column = static_cast<int>(drawItem->itemID);
    const int saved = dc->SaveDC();

    CRect rect = drawItem->rcItem;
    CRgn region;
    region.CreateRectRgnIndirect(&rect);
    dc->SelectClipRgn(&region);
    region.DeleteObject();

    const int margin = dc->GetTextExtent(" ", 1).cx * 2;

    char buffer[256] = {};
    HDITEM item;
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = buffer;
    item.cchTextMax = 255;
    GetItem(column, &item);

    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS;
    const int justify = item.fmt & HDF_JUSTIFYMASK;
    if (justify == HDF_CENTER)
        format |= DT_CENTER;
    else if (justify == HDF_RIGHT)
        format |= DT_RIGHT;
    else
        format |= DT_LEFT;

    const bool pressed = drawItem->itemState == ODS_SELECTED;
    auto drawText = [&] {
        if (pressed) {
            rect.left += 1;
            rect.top += 2;
            rect.right += 1;
        }
        rect.left += margin;
        rect.right -= margin;
        if (!rect.IsRectEmpty())
            dc->DrawText(buffer, &rect, format);
    };

    if (justify != HDF_RIGHT)
        drawText();

    const int image = GetColumnImage(column);
    if (m_imageList && image != -1) {
        const int x = justify == HDF_RIGHT ? rect.left + margin : rect.right - 5;
        m_imageList->Draw(dc, image, CPoint(x, margin / 3), ILD_TRANSPARENT);
        if (justify == HDF_RIGHT)
            rect.left += margin / 2 + m_imageList->GetImageSize().cx;
    }

    if (justify == HDF_RIGHT)
        drawText();

    dc->RestoreDC(saved);
}

// The header of a report list: one item per column of the list, with an image per item.
#pragma once

#include "platform/ui/Wnd.h"

class CImageList;
class CListCtrl;

constexpr UINT HDI_WIDTH = 0x0001;
constexpr UINT HDI_TEXT = 0x0002;
constexpr UINT HDI_FORMAT = 0x0004;
constexpr UINT HDI_LPARAM = 0x0008;
constexpr UINT HDI_IMAGE = 0x0020;
constexpr UINT HDI_ORDER = 0x0080;
constexpr int HDF_LEFT = 0x0000;
constexpr int HDF_RIGHT = 0x0001;
constexpr int HDF_CENTER = 0x0002;
constexpr int HDF_JUSTIFYMASK = 0x0003;
constexpr int HDF_IMAGE = 0x0800;
constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
constexpr int HDF_OWNERDRAW = 0x8000;
constexpr int HDF_STRING = 0x4000;

struct HDITEM {
    UINT mask = 0;
    int cxy = 0;
    LPTSTR pszText = nullptr;
    int cchTextMax = 0;
    int fmt = 0;
    LPARAM lParam = 0;
    int iImage = -1;
    int iOrder = 0;
};
using HD_ITEM = HDITEM;

class CHeaderCtrl : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Header; }

    int GetItemCount() const;
    BOOL GetItem(int index, HDITEM* item) const;
    BOOL SetItem(int index, HDITEM* item);
    BOOL GetItemRect(int index, LPRECT rect) const;
    CImageList* SetImageList(CImageList* images);
    CImageList* GetImageList() const { return m_images; }
    // The list this header belongs to.
    CListCtrl* GetList() const;
    int GetHeight() const { return m_height; }
    void SetHeight(int height) { m_height = height; }

    // Owner-drawn items (HDF_OWNERDRAW) are drawn by this; the view supplies the context.
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem) {}

    // A person clicks header item `index`: HDN_ITEMCLICK to the list, then LVN_COLUMNCLICK to
    // the list's parent.
    void UserClick(int index);

private:
    CImageList* m_images = nullptr;
    int m_height = 20;
};

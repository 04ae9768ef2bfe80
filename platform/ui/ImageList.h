// CImageList: a row of equally sized images (icons of tree nodes and list rows, header arrows).
// Images are cut from bitmaps, with one colour of the bitmap taken as transparent (the mask
// colour), or added as icons.
#pragma once

#include "platform/ui/DC.h"

#include <cstdint>
#include <vector>

// Creation flags
constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

// Drawing styles
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x0010;

// An icon: an image with its own transparency (icon resources, shell file-type icons).
using HICON = const CBitmap*;

struct IMAGEINFO {
    CRect rcImage; // the image's place in the list's strip
};

class CImageList : public CObject {
public:
    CImageList();
    ~CImageList() override;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // An empty list of images cx by cy pixels; with ILC_MASK added bitmaps may have a mask colour.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // A list cut from a bitmap resource into images cx pixels wide (as high as the bitmap); pixels
    // of the mask colour are transparent. FALSE when the resource does not exist (the list is then
    // empty but usable).
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
    BOOL DeleteImageList();
    // Non-null while the list exists.
    const void* GetSafeHandle() const { return m_created ? this : nullptr; }

    // Adds the images cut from the bitmap (as many as its width holds); returns the index of the
    // first, or -1. Pixels of the mask colour become transparent (CLR_NONE: none do).
    int Add(CBitmap* bitmap, COLORREF mask);
    // Adds with a mask bitmap: its non-black pixels are transparent.
    int Add(CBitmap* bitmap, CBitmap* mask);
    // Adds an icon, scaled to the list's image size.
    int Add(HICON icon);
    BOOL Replace(int index, CBitmap* bitmap, CBitmap* mask);
    int Replace(int index, HICON icon);
    // Removes an image (-1: all of them).
    BOOL Remove(int index);
    BOOL SetImageCount(int count);

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    CSize GetImageSize() const { return m_size; }
    BOOL GetImageInfo(int index, IMAGEINFO* info) const;

    // The colour drawn where images are transparent (CLR_NONE: what lies below shows through).
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }

    // Draws an image at a point: transparent parts show the background colour (ILD_NORMAL with a
    // background colour) or what lies below; ILD_SELECTED / ILD_FOCUS blend the image with the
    // highlight colour (50 % / 25 %).
    BOOL Draw(CDC* dc, int index, POINT point, UINT style) const;

    // One image as a bitmap with transparency, as Draw would show it (views, tests); an empty
    // bitmap for a bad index.
    CBitmap GetImage(int index, UINT style = ILD_NORMAL) const;
    // Grows whenever the images or the background change, so a view can tell that it must refresh.
    std::uint64_t GetVersion() const { return m_version; }

private:
    int AddCells(const CBitmap& bitmap, COLORREF mask, const CBitmap* maskBitmap);
    void Changed();

    bool m_created = false;
    CSize m_size;
    UINT m_flags = 0;
    COLORREF m_bkColor = CLR_NONE;
    std::vector<CBitmap> m_images;
    std::uint64_t m_version = 0;
};

namespace vq {
// Icon resources: our own images, drawn by a function under a numeric id. The icon lives as long
// as the program; LoadIconResource returns null for an id nobody registered.
void RegisterIconResource(UINT id, int width, int height, BitmapPainter painter,
                          COLORREF transparent = CLR_NONE);
HICON LoadIconResource(UINT id);
} // namespace vq

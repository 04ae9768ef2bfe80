// CImageHeaderCtrl: the header of the report lists, drawing each column with an optional image
// (the owners use images 0 and 1 as the ascending and descending sort arrows).
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/HeaderCtrl.h"

class CImageList;

class CImageHeaderCtrl : public CHeaderCtrl {
public:
    // Stores the image list for the column images (not owned) and returns the previous one.
    CImageList* SetImageList(CImageList* images);
    // The image stored for the column; -1 when none.
    int GetColumnImage(int column) const;
    // Stores the column's image (-1: none) and makes the column owner-drawn, then repaints.
    void SetColumnImage(int column, int image);

    // Draws one owner-drawn column: its text, and its image when it has one.
    void DrawItem(DRAWITEMSTRUCT* drawItem) override;

    CImageList* m_imageList = nullptr;
    CMap<int, int, int, int> m_columnImages;
};

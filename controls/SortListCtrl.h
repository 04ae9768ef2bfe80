// CSortListCtrl: the common report list of the dialogs. Its header (a CImageHeaderCtrl) shows
// one image per column, which the owners use for sort arrows; the owners sort the rows.
#pragma once

#include "controls/ImageHeaderCtrl.h"
#include "platform/ui/ListCtrl.h"

class CSortListCtrl : public CListCtrl {
public:
    CImageHeaderCtrl m_header;
    // The screen position of the last right button press (for the owner's context menu).
    CPoint m_clickPoint;

protected:
    void PreSubclassWindow() override;
    void OnRButtonDown(UINT flags, CPoint point) override;

    DECLARE_MESSAGE_MAP()
};

// CInPlaceEditList: what the two report lists with in-place editing (CEditListCtrl and
// CCellEditListCtrl) share: the editable columns and the current cell, the left button press
// that selects a row or, pressed again on an editable cell of the focused row, edits that cell,
// and the end of an open edit when the list is pressed or scrolled.
#pragma once

#include "controls/InPlaceEdit.h"
#include "platform/ui/ListCtrl.h"

class CInPlaceEditList : public CListCtrl, public CInPlaceEditOwner {
public:
    // The row under a client point, with its column; -1 when none.
    int HitTestEx(CPoint point, int* column);

    CUIntArray m_editColumns; // the editable columns
    int m_editable = 0;       // not 0: a press may edit (each list says what more it means)
    CPoint m_clickPoint;      // screen position of the last button press
    int m_curColumn = 0;      // the current cell
    int m_curRow = -1;

protected:
    // The press that edits a cell: a second press on an editable cell (column 1 or later) of
    // the focused row.
    virtual void EditPressedCell(int row, int column) = 0;

    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnHScroll(UINT code, UINT pos, CWnd* scrollBar) override;
    void OnVScroll(UINT code, UINT pos, CWnd* scrollBar) override;

    DECLARE_MESSAGE_MAP()
};

// CCellEditListCtrl: a report list whose cells in chosen columns are edited in place with the
// mouse: the first click selects a row, a second click on an editable cell of the focused row
// opens an editor over it (only while the list has LVS_EDITLABELS).
#pragma once

#include "controls/InPlaceEdit.h"
#include "platform/ui/ListCtrl.h"

class CCellEditListCtrl : public CListCtrl, public CInPlaceEditOwner {
public:
    // The row under a client point, with its column; -1 when none.
    int HitTestEx(CPoint point, int* column);
    // Opens the editor over a cell; null when the cell cannot be edited.
    CInPlaceEdit* EditSubLabel(int row, int column);

    BOOL PreTranslateMessage(MSG* msg) override;
    // The end of an edit: stores the text unless it was cancelled or editing is off.
    void OnEndLabelEdit(NMHDR* header, LRESULT* result) override;

    int m_editable = 0;            // 1: edits are stored
    int m_firstColumnEditable = 0; // 0: an edit of column 0 is not stored
    CPoint m_clickPoint;           // screen position of the last button press
    CUIntArray m_editColumns;      // the editable columns
    int m_curColumn = 0;
    int m_curRow = -1;

protected:
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnHScroll(UINT code, UINT pos, CWnd* scrollBar) override;
    void OnVScroll(UINT code, UINT pos, CWnd* scrollBar) override;

    DECLARE_MESSAGE_MAP()
};

// CCellEditListCtrl: a report list whose cells in chosen columns are edited in place with the
// mouse: the first click selects a row, a second click on an editable cell of the focused row
// opens an editor over it (only while the list has LVS_EDITLABELS).
#pragma once

#include "controls/InPlaceEditList.h"

class CCellEditListCtrl : public CInPlaceEditList {
public:
    // Opens the editor over a cell; null when the cell cannot be edited.
    CInPlaceEdit* EditSubLabel(int row, int column);

    BOOL PreTranslateMessage(MSG* msg) override;
    // The end of an edit: stores the text unless it was cancelled or editing is off.
    void OnEndLabelEdit(NMHDR* header, LRESULT* result) override;

    int m_firstColumnEditable = 0; // 0: an edit of column 0 is not stored

protected:
    void EditPressedCell(int row, int column) override;
};

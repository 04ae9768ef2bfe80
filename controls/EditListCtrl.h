// CEditListCtrl: a report list whose cells in chosen columns are edited in place, with the
// mouse (first click selects, second click on an editable cell edits) and with the keyboard:
// Tab, Shift+Tab and the arrow, Home and End keys move from cell to cell and open an editor on
// editable cells; Tab from the last cell, Shift+Tab from the first and Ctrl+Tab leave the list.
#pragma once

#include "controls/InPlaceEditList.h"

class CEditListCtrl : public CInPlaceEditList {
public:
    CInPlaceEdit* EditSubLabel(int row, int column);

    BOOL PreTranslateMessage(MSG* msg) override;
    // The end of an edit: stores the text in the notification's cell unless it was cancelled,
    // editing is off or the cell is in column 0.
    void OnEndLabelEdit(NMHDR* header, LRESULT* result) override;

    // (m_editable: not 0 turns editing and the keyboard navigation on; 1 also stores the edits.)
    int m_index = -1;      // kept for the owners; the control does not use it
    int m_columnCount = 0; // the number of header items

protected:
    void EditPressedCell(int row, int column) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnPaint() override;

private:
    int ColumnCount();
    // Whether Tab (backwards: Shift+Tab) moves to another cell rather than out of the list.
    bool TabStaysInList(bool backwards);

    DECLARE_MESSAGE_MAP()
};

// CEditListCtrl: a report list whose cells in chosen columns are edited in place, with the
// mouse (first click selects, second click on an editable cell edits) and with the keyboard:
// Tab and the arrow, Home and End keys move from cell to cell and open an editor on editable
// cells.
#pragma once

#include "controls/InPlaceEdit.h"
#include "platform/ui/ListCtrl.h"

class CEditListCtrl : public CListCtrl, public CInPlaceEditOwner {
public:
    int HitTestEx(CPoint point, int* column);
    CInPlaceEdit* EditSubLabel(int row, int column);

    BOOL PreTranslateMessage(MSG* msg) override;
    // The end of an edit: stores the text in the notification's cell unless it was cancelled,
    // editing is off or the cell is in column 0.
    void OnEndLabelEdit(NMHDR* header, LRESULT* result) override;

    int m_index = -1;         // kept for the owners; the control does not use it
    CUIntArray m_editColumns; // the editable columns
    int m_editable = 0;       // not 0: editing and keyboard navigation; 1: edits are stored
    CPoint m_clickPoint;
    int m_curColumn = 0; // the current cell
    int m_curRow = -1;
    int m_columnCount = 0; // the number of header items

protected:
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void OnPaint() override;
    void OnHScroll(UINT code, UINT pos, CWnd* scrollBar) override;
    void OnVScroll(UINT code, UINT pos, CWnd* scrollBar) override;

private:
    int ColumnCount();

    DECLARE_MESSAGE_MAP()
};

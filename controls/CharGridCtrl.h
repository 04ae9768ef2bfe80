// CCharGridCtrl: a grid of text cells (special characters) that paints itself and scrolls by
// itself: its scroll bars are drawn inside the control and handled by its own mouse code. A click
// selects the cell under it and posts WM_USER + 5 to the parent; a double click on a cell also
// presses the parent's OK. A text that holds the fraction separator ("1/2") is drawn stacked.
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/DC.h"
#include "platform/ui/Static.h"

#include <vector>

class CCharGridCtrl : public CStatic {
public:
    CCharGridCtrl();

    // Painted by itself (the views show its picture and pass it the mouse).
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Window; }

    void SetCellSize(int width, int height);
    // Empties every cell; a selection outside the new size moves to (0, 0).
    void SetSize(int rows, int columns);
    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    // FALSE outside the grid.
    BOOL SetCell(int row, int column, const CString& text, COLORREF color);
    BOOL EmptyCell(int row, int column);
    // Empty outside the grid.
    CString GetCellText(int row, int column) const;
    COLORREF GetCellColor(int row, int column) const;
    CString GetSelectedText() const { return GetCellText(m_nSelRow, m_nSelCol); }
    // The first cell, row by row, whose text equals the text exactly.
    BOOL FindCell(const CString& text, int& row, int& column) const;
    // FALSE outside the grid.
    BOOL SelectCell(int row, int column);
    int GetSelectedRow() const { return m_nSelRow; }
    int GetSelectedColumn() const { return m_nSelCol; }
    int GetFirstVisibleRow() const { return m_nFirstRow; }
    int GetFirstVisibleColumn() const { return m_nFirstCol; }
    int GetVisibleRows();
    int GetVisibleColumns();
    bool HasVerticalBar();
    bool HasHorizontalBar();
    // The cell rectangle in client coordinates (empty when the cell is not in view).
    CRect GetCellRect(int row, int column);
    // Scrolls so that this row / column is the first visible one (kept within the limits).
    void ScrollTo(int firstRow, int firstColumn);

    LOGFONT m_logFont;
    int m_nFirstCol = 0;
    int m_nFirstRow = 0;
    int m_nCapture = 0; // dragging a scroll box: 1 horizontal, -1 vertical, 0 none
    int m_nVPage = 3;
    int m_nHPage = 3;
    int m_nVisibleCols = 0;
    int m_nVisibleRows = 0;
    int m_nCellWidth = 30;
    int m_nCellHeight = 20;
    int m_nSelRow = 0;
    int m_nSelCol = 0;
    int m_nCols = 1;
    int m_nRows = 1;
    BOOL m_bLayout = FALSE;
    BOOL m_bHScroll = FALSE;
    BOOL m_bVScroll = FALSE;
    CPoint m_ptLast; // the remembered point of a drag, or the last click outside the cells
    CString m_strFraction = "/";
    CStringArray m_texts; // rows * columns, row by row
    std::vector<COLORREF> m_colors;
    COLORREF m_crBack = 0xFFFFFF;
    COLORREF m_crLine = 0x000000;
    COLORREF m_crSelBack = 0x9B0000;
    COLORREF m_crSelText = 0xFFFFFF;

protected:
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnLButtonDblClk(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;

private:
    void Layout();
    void DrawCell(CDC& dc, int row, int column);
    void DrawBars(CDC& dc);
    int Index(int row, int column) const { return row * m_nCols + column; }
    bool Inside(int row, int column) const {
        return row >= 0 && column >= 0 && row < m_nRows && column < m_nCols;
    }
    // The cell under a client point (false when none).
    bool CellAt(CPoint point, int& row, int& column);
    // Scroll bar geometry along one bar: its length, the scroll limit and one track unit.
    int Limit(bool vertical) const;
    int TrackUnit(bool vertical);
    CRect BarRect(bool vertical);
    CRect ThumbRect(bool vertical);
    void ScrollBy(bool vertical, int cells);
    // Handles a press on a scroll bar; false when the point is on neither bar.
    bool BarClick(CPoint point);
    CRect m_cells; // the part of the client area that holds cells

    DECLARE_MESSAGE_MAP()
};

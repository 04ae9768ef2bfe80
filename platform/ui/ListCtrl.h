// Report lists: columns with width and alignment, rows with sub-item texts, an image, item data
// and a state (selected, focused, check box). The row and header geometry follows the metrics
// the view reports (ViewSetMetrics), so hit tests agree with what a person sees.
#pragma once

#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/Wnd.h"

#include <memory>
#include <vector>

class CImageList;

// Compares two rows by their item data: negative, zero or positive.
using PFNLVCOMPARE = int (*)(LPARAM item1, LPARAM item2, LPARAM sortData);

constexpr UINT LVIR_BOUNDS = 0;
constexpr UINT LVIR_ICON = 1;
constexpr UINT LVIR_LABEL = 2;
constexpr UINT LVIR_SELECTBOUNDS = 3;

class CListCtrl : public CWnd {
public:
    CListCtrl();
    ~CListCtrl() override;
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::ListCtrl; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // --- Columns
    // A new column's width is given for the system's 9-point font and kept scaled to the view's
    // (vq::ViewTextScale); GetColumnWidth, SetColumnWidth and the geometry work in the view's pixels.
    int InsertColumn(int column, LPCTSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    int InsertColumn(int column, const LVCOLUMN* column_);
    BOOL DeleteColumn(int column);
    BOOL GetColumn(int column, LVCOLUMN* info) const;
    BOOL SetColumn(int column, const LVCOLUMN* info);
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width); // LVSCW_AUTOSIZE(_USEHEADER): fit the texts
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    CString GetColumnText(int column) const;
    int GetColumnFormat(int column) const;
    // The header: the child window with id 0 (a subclassed header takes the place of our own).
    CHeaderCtrl* GetHeaderCtrl() const;

    // --- Rows
    int InsertItem(int item, LPCTSTR text);
    int InsertItem(int item, LPCTSTR text, int image);
    int InsertItem(const LVITEM* item);
    int InsertItem(UINT mask, int item, LPCTSTR text, UINT state, UINT stateMask, int image, LPARAM data);
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    BOOL SetItemText(int item, int subItem, LPCTSTR text);
    CString GetItemText(int item, int subItem) const;
    int GetItemText(int item, int subItem, LPTSTR buffer, int length) const;
    BOOL SetItem(const LVITEM* item);
    BOOL SetItem(int item, int subItem, UINT mask, LPCTSTR text, int image, UINT state, UINT stateMask,
                 LPARAM data);
    BOOL GetItem(LVITEM* item) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    // State changes tell the parent (LVN_ITEMCHANGING, LVN_ITEMCHANGED) with old and new state.
    BOOL SetItemState(int item, UINT state, UINT mask); // item -1: every row
    BOOL SetItemState(int item, LVITEM* item_);
    UINT GetItemState(int item, UINT mask) const;
    int GetItemImage(int item) const;
    BOOL GetCheck(int item) const;
    BOOL SetCheck(int item, BOOL check = TRUE);

    // --- Selection
    UINT GetSelectedCount() const;
    int GetNextItem(int start, int flags) const;
    POSITION GetFirstSelectedItemPosition() const;
    int GetNextSelectedItem(POSITION& pos) const;
    int GetSelectionMark() const { return m_selectionMark; }
    int SetSelectionMark(int item);
    bool IsSingleSelection() const { return (m_style & LVS_SINGLESEL) != 0; }

    // --- Looks
    DWORD GetExtendedStyle() const { return m_extendedStyle; }
    DWORD SetExtendedStyle(DWORD style);
    CImageList* SetImageList(CImageList* images, int which);
    CImageList* GetImageList(int which) const;
    BOOL SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }
    BOOL SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_textColor; }
    BOOL SetTextBkColor(COLORREF color);
    COLORREF GetTextBkColor() const { return m_textBkColor; }

    // --- Order and search
    // Sorts the rows with the comparison (given the rows' item data), keeping equal rows in order.
    BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR sortData);
    // LVFI_STRING: the first row after `start` whose first column is the text (ignoring ASCII
    // case; LVFI_PARTIAL: begins with it); LVFI_PARAM: whose item data is lParam. -1 when none.
    int FindItem(LVFINDINFO* find, int start = -1) const;

    // --- Scrolling and geometry
    BOOL EnsureVisible(int item, BOOL partialOK);
    int GetTopIndex() const { return m_topIndex; }
    int GetCountPerPage() const;
    BOOL GetItemRect(int item, LPRECT rect, UINT code) const;
    BOOL GetSubItemRect(int item, int subItem, int area, CRect& rect) const;
    int HitTest(CPoint point, UINT* flags = nullptr) const;
    int HitTest(LVHITTESTINFO* info) const;
    int SubItemHitTest(LVHITTESTINFO* info) const;
    BOOL RedrawItems(int first, int last);
    BOOL Update(int item);
    // Scrolls sideways no further than the columns reach beyond the list's width.
    BOOL Scroll(CSize size);
    // The view reports its header height, row height, first visible row and horizontal scroll.
    void ViewSetMetrics(int headerHeight, int rowHeight, int topIndex, int scrollX);
    // How far the list is scrolled sideways (the view shows its rows so).
    int ViewScrollX() const { return m_scrollX; }
    int GetRowHeight() const { return m_rowHeight; }

    // Owner-drawn lists (LVS_OWNERDRAWFIXED) draw each row with this; the view supplies the context.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem) {}

    // --- A person's input (the same notifications as the mouse gives)
    // Clicks row `item` (toggle: with Ctrl in a multiple-selection list): the selection moves,
    // LVN_ITEMCHANGED for every row whose state changed, then NM_CLICK. -1: click below the rows.
    bool UserSelect(int item, bool toggle = false, int subItem = 0);
    // Moves the selection to a row with the keyboard: as a click, without NM_CLICK.
    bool UserKeySelect(int item);
    // Double-clicks row `item`: as a click, then NM_DBLCLK.
    bool UserDoubleClick(int item, int subItem = 0);
    // Right-clicks row `item`: selects it (unless selected), sets the cursor over it, NM_RCLICK.
    bool UserRightClick(int item, int subItem = 0);
    // Clicks the header of a column: LVN_COLUMNCLICK.
    bool UserColumnClick(int column);
    // Ticks or clears the check box of a row (LVS_EX_CHECKBOXES): LVN_ITEMCHANGED.
    bool UserCheck(int item, bool check);
    // Starts an in-place label edit of a row (LVS_EDITLABELS): LVN_BEGINLABELEDIT; false when
    // the parent refuses (non-zero result).
    bool UserBeginLabelEdit(int item);
    // Ends an in-place label edit with the text (nullptr: cancelled): LVN_ENDLABELEDIT; the
    // text is kept when the parent returns TRUE.
    bool UserEndLabelEdit(int item, const char* text);

    void InitFromTemplate(const vq::ControlTemplate& item) override;

    // The list's own keys (what a class of list gets when it passes a key-down on): the arrows,
    // Home, End and the page keys move the selection as UserKeySelect does; Space ticks the
    // check box of the focused row.
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;

protected:
    void ClearState() override;

private:
    struct Column {
        CString text;
        int format = LVCFMT_LEFT;
        int width = 60;
        int subItem = 0;
        int image = -1;
        int order = 0;
    };
    struct Row {
        std::vector<CString> texts;
        int image = -1;
        LPARAM data = 0;
        UINT state = 0;
        int indent = 0;
    };
    friend class CHeaderCtrl;
    bool ChangeState(int item, UINT state, UINT mask, bool notify);
    bool Select(int item, bool toggle, int subItem, bool click);
    LRESULT SendItemActivate(UINT code, int item, int subItem);
    int ColumnLeft(int column) const;
    CPoint RowCenter(int item, int subItem) const;

    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    std::unique_ptr<CHeaderCtrl> m_ownHeader; // the header the list starts with
    CImageList* m_images[3] = {nullptr, nullptr, nullptr};
    DWORD m_extendedStyle = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textColor = 0;
    COLORREF m_textBkColor = 0xFFFFFF;
    int m_selectionMark = -1;
    int m_topIndex = 0;
    int m_headerHeight = 20;
    int m_rowHeight = 18;
    int m_scrollX = 0;
};

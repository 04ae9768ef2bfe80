// Trees: items with text, image and selected image, item data, state (selected, expanded, bold,
// check box), navigation by parent, child and sibling, hit tests by the view's row metrics.
#pragma once

#include "platform/ui/Wnd.h"

#include <memory>
#include <unordered_map>
#include <vector>

class CImageList;

// A tree item; HTREEITEM points to one. Owned by its tree. The children of an item form a doubly
// linked list, so that a step to a sibling, an insertion and a deletion each take constant time
// however wide the level is.
struct TreeItemHandle {
    CString text;
    int image = 0;
    int selectedImage = 0;
    LPARAM data = 0;
    UINT state = 0;
    int childrenFlag = 0; // cChildren given at insertion (1: shows a button before children exist)
    TreeItemHandle* parent = nullptr; // null for a top-level item
    TreeItemHandle* prev = nullptr;
    TreeItemHandle* next = nullptr;
    TreeItemHandle* firstChild = nullptr;
    TreeItemHandle* lastChild = nullptr;
};

struct TVSORTCB {
    HTREEITEM hParent = nullptr;
    int (*lpfnCompare)(LPARAM, LPARAM, LPARAM) = nullptr;
    LPARAM lParam = 0;
};

class CTreeCtrl : public CWnd {
public:
    CTreeCtrl();
    ~CTreeCtrl() override;
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::TreeCtrl; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // --- Items
    HTREEITEM InsertItem(LPCTSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    HTREEITEM InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    HTREEITEM InsertItem(const TVINSERTSTRUCT* insert);
    HTREEITEM InsertItem(UINT mask, LPCTSTR text, int image, int selectedImage, UINT state, UINT stateMask,
                         LPARAM data, HTREEITEM parent, HTREEITEM after);
    // Deletes the item and everything below it (TVI_ROOT: every item). A deleted selected item
    // leaves the selection empty (TVN_SELCHANGED with no new item).
    BOOL DeleteItem(HTREEITEM item);
    BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    UINT GetCount() const { return static_cast<UINT>(m_items.size()); }
    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, LPCTSTR text);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    BOOL SetItemImage(HTREEITEM item, int image, int selectedImage);
    UINT GetItemState(HTREEITEM item, UINT mask) const;
    BOOL SetItemState(HTREEITEM item, UINT state, UINT mask);
    BOOL GetItem(TVITEM* item) const;
    BOOL SetItem(TVITEM* item);
    BOOL ItemHasChildren(HTREEITEM item) const;
    // Check boxes (TVS_CHECKBOXES): state image 2 checked, 1 unchecked.
    BOOL GetCheck(HTREEITEM item) const;
    BOOL SetCheck(HTREEITEM item, BOOL check = TRUE);
    // True while the handle names an item of this tree.
    bool IsValidItem(HTREEITEM item) const;

    // --- Navigation
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const;
    HTREEITEM GetPrevVisibleItem(HTREEITEM item) const;
    HTREEITEM GetFirstVisibleItem() const;
    HTREEITEM GetSelectedItem() const { return m_selected; }
    HTREEITEM GetDropHilightItem() const { return m_dropHilite; }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;

    // --- Selection and expansion
    // Selects the item (null: none): TVN_SELCHANGING (the parent may refuse), TVN_SELCHANGED.
    // The path to it is expanded.
    BOOL SelectItem(HTREEITEM item);
    BOOL Select(HTREEITEM item, UINT code);
    BOOL SelectDropTarget(HTREEITEM item);
    // Expands or collapses without notifications (as the code asks).
    BOOL Expand(HTREEITEM item, UINT code);
    BOOL EnsureVisible(HTREEITEM item);
    BOOL SortChildren(HTREEITEM item);
    BOOL SortChildrenCB(const TVSORTCB* sort);

    // --- Looks and geometry
    CImageList* SetImageList(CImageList* images, int which);
    CImageList* GetImageList(int which) const;
    UINT GetIndent() const { return m_indent; }
    void SetIndent(UINT indent);
    int GetItemHeight() const { return m_rowHeight; }
    int SetItemHeight(int height);
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_textColor; }
    UINT GetVisibleCount() const;
    BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
    HTREEITEM HitTest(CPoint point, UINT* flags = nullptr) const;
    HTREEITEM HitTest(TVHITTESTINFO* info) const;
    // The view reports its row height and first visible row.
    void ViewSetMetrics(int rowHeight, int topRow);
    // The items shown (every ancestor expanded), top to bottom.
    std::vector<HTREEITEM> VisibleItems() const;
    // The item at a path of whole item texts separated by '/', from a root item; null when none.
    HTREEITEM FindPath(const CString& path) const;

    // --- A person's input
    // Clicks an item: NM_CLICK, then the selection moves (TVN_SELCHANGING/TVN_SELCHANGED by mouse).
    bool UserSelect(HTREEITEM item);
    // Moves the selection with the keyboard (arrow keys): TVN_SELCHANGING/TVN_SELCHANGED by
    // keyboard, no click.
    bool UserKeySelect(HTREEITEM item);
    // Double-clicks: as a click, then NM_DBLCLK; unless the parent handles it (non-zero result)
    // the item expands or collapses.
    bool UserDoubleClick(HTREEITEM item);
    // Right-clicks: the cursor is set over the item, NM_RCLICK (the selection does not move).
    bool UserRightClick(HTREEITEM item);
    // Clicks the button before an item: TVN_ITEMEXPANDING (the parent may refuse), TVN_ITEMEXPANDED.
    bool UserExpand(HTREEITEM item, bool expand);
    // Ticks or clears the check box: the state changes, then NM_CLICK.
    bool UserCheck(HTREEITEM item, bool check);
    // Starts a label edit (TVS_EDITLABELS): TVN_BEGINLABELEDIT; false when the parent refuses.
    bool UserBeginLabelEdit(HTREEITEM item);
    // Ends a label edit (nullptr: cancelled): TVN_ENDLABELEDIT; the text is kept when the parent
    // returns TRUE.
    bool UserEndLabelEdit(HTREEITEM item, const char* text);

    // --- Painting
    // Draws the control's own picture of its visible items (background, expand buttons, check
    // boxes, images, texts and the selection) into dc, in client coordinates. WM_PAINT with a
    // context as wParam paints through this, so a derived tree can paint into a memory context.
    void DrawItems(CDC& dc) const;

protected:
    void ClearState() override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TreeItemHandle* Node(HTREEITEM item) const;
    // The item whose children the node is among (m_root for a top-level item).
    TreeItemHandle* Container(const TreeItemHandle* node);
    // Puts the node into the container's children before `before` (null: at the end).
    static void Link(TreeItemHandle* container, TreeItemHandle* node, TreeItemHandle* before);
    void Unlink(TreeItemHandle* node);
    // Orders the children of the container by `less`, keeping equal ones in their order.
    template <typename Less> void SortLevel(TreeItemHandle* container, Less less);
    bool ChangeSelection(HTREEITEM item, UINT action);
    bool ExpandWithNotify(HTREEITEM item, UINT code);
    // Takes the item out of the tree and frees it with everything below it.
    void Forget(TreeItemHandle* node);
    void ForgetAll();
    int Depth(const TreeItemHandle* node) const;
    bool IsShown(const TreeItemHandle* node) const;
    void FillTreeView(TVITEM& item, const TreeItemHandle* node) const;
    // The item's rectangle at a row of the view (row 0: the first visible row).
    CRect RowRect(const TreeItemHandle* node, int row, BOOL textOnly) const;
    CPoint ItemCenter(HTREEITEM item) const;

    TreeItemHandle m_root; // holds the top-level items as its children
    // Every item, by its handle.
    std::unordered_map<const TreeItemHandle*, std::unique_ptr<TreeItemHandle>> m_items;
    HTREEITEM m_selected = nullptr;
    HTREEITEM m_dropHilite = nullptr;
    CImageList* m_images[3] = {nullptr, nullptr, nullptr};
    UINT m_indent = 19;
    int m_rowHeight = 18;
    int m_topRow = 0;
    COLORREF m_bkColor = static_cast<COLORREF>(-1);
    COLORREF m_textColor = static_cast<COLORREF>(-1);
};

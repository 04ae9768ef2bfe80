// CTreeCtrlEx: the tree control of every tree dialog. It paints through a memory bitmap so that
// it does not flicker, and its navigation hands out CTreeCursor values (an item together with the
// tree that owns it) instead of bare item handles. It also carries a map of per-item text styles
// that the paint draws over the default picture.
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/DC.h"
#include "platform/ui/TreeCtrl.h"

class CTreeCtrlEx;

// The look of one item: its text colour (-1 keeps the default colour) and its font (an empty face
// name keeps the tree's own font).
struct TreeItemStyle {
    COLORREF color = static_cast<COLORREF>(-1);
    LOGFONT font;
};

// Item handle to style.
using CTreeItemStyleMap = CMap<HTREEITEM, HTREEITEM, TreeItemStyle, const TreeItemStyle&>;

// A position in a tree: an item (null: no item; as a parent, the invisible root) and its tree.
// A plain value; it stays valid only while its item exists.
class CTreeCursor {
public:
    CTreeCursor() = default;
    CTreeCursor(HTREEITEM item, CTreeCtrlEx* tree) : m_item(item), m_tree(tree) {}

    CTreeCursor GetChild() const { return Walk(TVGN_CHILD); }
    CTreeCursor GetNext() const { return Walk(TVGN_NEXT); }
    CTreeCursor GetParent() const { return Walk(TVGN_PARENT); }
    // The selected item of this cursor's tree, wherever this cursor stands.
    CTreeCursor GetSelected() const;
    CString GetText() const;
    int GetImage() const;
    operator HTREEITEM() const { return m_item; }

    // Inserts an item as the last child of this one (a top-level item when this cursor holds no
    // item). Image n also gives selected image n + 1, so image lists hold each image's selected
    // look right after it; image -1 sets no image.
    CTreeCursor AddChild(const CString& text, int image);
    CTreeCursor InsertChild(const CString& text, int image, HTREEITEM after);

    // Equal when the items are; the trees are not compared.
    friend bool operator==(const CTreeCursor& a, const CTreeCursor& b) { return a.m_item == b.m_item; }

    HTREEITEM m_item = nullptr;
    CTreeCtrlEx* m_tree = nullptr;

private:
    CTreeCursor Walk(UINT code) const;
};

class CTreeCtrlEx : public CTreeCtrl {
public:
    CTreeCtrlEx() = default;

    CTreeCursor GetRootItem();
    CTreeCursor GetSelectedItem();
    using CTreeCtrl::HitTest;
    CTreeCursor HitTest(CPoint point, UINT* flags = nullptr);
    // The insertion the tree dialogs use: a new last child of parent (top level when the cursor
    // holds no item) with image n and selected image n + 1 (-1: no image).
    using CTreeCtrl::InsertItem;
    CTreeCursor InsertItem(CTreeCursor parent, const CString& text, int image);

    // Deletes every item; when that succeeds the style map is emptied too. The control's result.
    virtual BOOL DeleteAllItems();

    CTreeItemStyleMap m_styleMap;

protected:
    // Flicker-free paint (WM_PAINT, the only message the control handles itself): the control draws itself
    // into a memory bitmap, the styled items are drawn over it, and the bitmap is copied to the window at
    // once.
    void OnPaint() override;

private:
    void DrawItemStyles(CDC& dc);
};

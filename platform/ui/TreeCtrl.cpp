#include "platform/ui/TreeCtrl.h"

#include "platform/ui/DC.h"
#include "platform/ui/ImageList.h"

#include <algorithm>
#include <cstring>

namespace {
bool IsSpecial(HTREEITEM item) {
    return item == TVI_ROOT || item == TVI_FIRST || item == TVI_LAST || item == TVI_SORT;
}
} // namespace

CTreeCtrl::CTreeCtrl() = default;

CTreeCtrl::~CTreeCtrl() = default;

BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("SysTreeView32", "", style, rect, parent, id);
}

TreeItemHandle* CTreeCtrl::Node(HTREEITEM item) const {
    if (!item || IsSpecial(item) || !m_items.count(item))
        return nullptr;
    return item;
}

bool CTreeCtrl::IsValidItem(HTREEITEM item) const {
    return Node(item) != nullptr;
}

TreeItemHandle* CTreeCtrl::Container(const TreeItemHandle* node) {
    return node->parent ? node->parent : &m_root;
}

void CTreeCtrl::Link(TreeItemHandle* container, TreeItemHandle* node, TreeItemHandle* before) {
    node->next = before;
    node->prev = before ? before->prev : container->lastChild;
    (node->prev ? node->prev->next : container->firstChild) = node;
    (before ? before->prev : container->lastChild) = node;
}

void CTreeCtrl::Unlink(TreeItemHandle* node) {
    TreeItemHandle* container = Container(node);
    (node->prev ? node->prev->next : container->firstChild) = node->next;
    (node->next ? node->next->prev : container->lastChild) = node->prev;
    node->prev = node->next = nullptr;
}

template <typename Less> void CTreeCtrl::SortLevel(TreeItemHandle* container, Less less) {
    std::vector<TreeItemHandle*> children;
    for (TreeItemHandle* c = container->firstChild; c; c = c->next)
        children.push_back(c);
    std::stable_sort(children.begin(), children.end(), less);
    container->firstChild = container->lastChild = nullptr;
    for (TreeItemHandle* c : children)
        Link(container, c, nullptr);
}

int CTreeCtrl::Depth(const TreeItemHandle* node) const {
    int depth = 0;
    for (const TreeItemHandle* p = node->parent; p; p = p->parent)
        ++depth;
    return depth;
}

// --- Items ---------------------------------------------------------------------------------------

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, HTREEITEM parent, HTREEITEM after) {
    return InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, after);
}

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent,
                                HTREEITEM after) {
    return InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, text, image, selectedImage, 0, 0, 0,
                      parent, after);
}

HTREEITEM CTreeCtrl::InsertItem(const TVINSERTSTRUCT* insert) {
    if (!insert)
        return nullptr;
    const TVITEM& item = insert->item;
    HTREEITEM result = InsertItem(item.mask, (item.mask & TVIF_TEXT) ? item.pszText : nullptr, item.iImage,
                                  item.iSelectedImage, item.state, item.stateMask, item.lParam,
                                  insert->hParent, insert->hInsertAfter);
    if (result && (item.mask & TVIF_CHILDREN))
        result->childrenFlag = item.cChildren;
    return result;
}

HTREEITEM CTreeCtrl::InsertItem(UINT mask, LPCTSTR text, int image, int selectedImage, UINT state,
                                UINT stateMask, LPARAM data, HTREEITEM parent, HTREEITEM after) {
    TreeItemHandle* parentNode = nullptr;
    if (parent && parent != TVI_ROOT) {
        parentNode = Node(parent);
        if (!parentNode)
            return nullptr;
    }
    auto node = std::make_unique<TreeItemHandle>();
    node->text = (mask & TVIF_TEXT) && text ? text : "";
    node->image = (mask & TVIF_IMAGE) ? image : 0;
    node->selectedImage = (mask & TVIF_SELECTEDIMAGE) ? selectedImage : node->image;
    node->data = (mask & TVIF_PARAM) ? data : 0;
    node->state = (mask & TVIF_STATE) ? (state & stateMask) : 0;
    node->parent = parentNode;
    if ((GetStyle() & TVS_CHECKBOXES) && !(node->state & TVIS_STATEIMAGEMASK))
        node->state |= INDEXTOSTATEIMAGEMASK(1);
    TreeItemHandle* container = parentNode ? parentNode : &m_root;
    // The new item goes before `before` (null: at the end). An item to insert after that is not
    // among the parent's children puts it at the end.
    TreeItemHandle* before = nullptr;
    if (after == TVI_FIRST) {
        before = container->firstChild;
    } else if (after == TVI_SORT) {
        before = container->firstChild;
        while (before && before->text.CollateNoCase(node->text) <= 0)
            before = before->next;
    } else if (after && after != TVI_LAST) {
        const TreeItemHandle* previous = Node(after);
        if (previous && previous->parent == parentNode)
            before = previous->next;
    }
    HTREEITEM handle = node.get();
    m_items.emplace(handle, std::move(node));
    Link(container, handle, before);
    StateChanged();
    return handle;
}

void CTreeCtrl::Forget(TreeItemHandle* node) {
    Unlink(node);
    std::vector<TreeItemHandle*> pending{node};
    while (!pending.empty()) {
        TreeItemHandle* current = pending.back();
        pending.pop_back();
        for (TreeItemHandle* child = current->firstChild; child; child = child->next)
            pending.push_back(child);
        if (m_dropHilite == current)
            m_dropHilite = nullptr;
        m_items.erase(current);
    }
}

void CTreeCtrl::ForgetAll() {
    m_items.clear();
    m_root.firstChild = m_root.lastChild = nullptr;
    m_dropHilite = nullptr;
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
    const bool all = item == TVI_ROOT || item == nullptr;
    TreeItemHandle* node = all ? nullptr : Node(item);
    if (!all && !node)
        return FALSE;
    // Is the selection inside what goes?
    bool selectionGoes = false;
    for (TreeItemHandle* p = m_selected; p && !selectionGoes; p = p->parent)
        selectionGoes = all || p == node;
    if (all && m_selected)
        selectionGoes = true;
    if (selectionGoes) {
        HTREEITEM old = m_selected;
        NMTREEVIEW nm;
        nm.action = TVC_UNKNOWN;
        FillTreeView(nm.itemOld, old);
        m_selected = nullptr;
        NotifyParent(nm.hdr, TVN_SELCHANGED);
        if (!::IsWindow(this))
            return TRUE;
        // The handler may have deleted the item already.
        if (!all && !Node(item))
            return TRUE;
    }
    if (all) {
        ForgetAll();
        m_topRow = 0;
    } else {
        Forget(node);
    }
    StateChanged();
    return TRUE;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node ? node->text : CString();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCTSTR text) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    node->text = text ? text : "";
    StateChanged();
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node ? static_cast<DWORD_PTR>(node->data) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    node->data = static_cast<LPARAM>(data);
    return TRUE;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
    const TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    image = node->image;
    selectedImage = node->selectedImage;
    return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    node->image = image;
    node->selectedImage = selectedImage;
    StateChanged();
    return TRUE;
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT mask) const {
    const TreeItemHandle* node = Node(item);
    if (!node)
        return 0;
    UINT state = node->state;
    if (m_selected == node)
        state |= TVIS_SELECTED;
    return state & mask;
}

BOOL CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT mask) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    // Selection goes through SelectItem; the bit itself only marks (as for several marked items).
    node->state = (node->state & ~mask) | (state & mask);
    StateChanged();
    return TRUE;
}

void CTreeCtrl::FillTreeView(TVITEM& item, const TreeItemHandle* node) const {
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    item.hItem = const_cast<TreeItemHandle*>(node);
    if (!node)
        return;
    item.state = node->state | (node == m_selected ? TVIS_SELECTED : 0);
    item.iImage = node->image;
    item.iSelectedImage = node->selectedImage;
    item.lParam = node->data;
    item.cChildren = node->firstChild ? 1 : node->childrenFlag;
}

BOOL CTreeCtrl::GetItem(TVITEM* item) const {
    if (!item)
        return FALSE;
    const TreeItemHandle* node = Node(item->hItem);
    if (!node)
        return FALSE;
    if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const auto part = vq::TruncateUtf8(node->text.str(), static_cast<std::size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, part.data(), part.size());
        item->pszText[part.size()] = '\0';
    }
    if (item->mask & TVIF_IMAGE)
        item->iImage = node->image;
    if (item->mask & TVIF_SELECTEDIMAGE)
        item->iSelectedImage = node->selectedImage;
    if (item->mask & TVIF_PARAM)
        item->lParam = node->data;
    if (item->mask & TVIF_STATE)
        item->state = GetItemState(item->hItem, item->stateMask ? item->stateMask : ~0u);
    if (item->mask & TVIF_CHILDREN)
        item->cChildren = node->firstChild ? 1 : node->childrenFlag;
    return TRUE;
}

BOOL CTreeCtrl::SetItem(TVITEM* item) {
    if (!item)
        return FALSE;
    TreeItemHandle* node = Node(item->hItem);
    if (!node)
        return FALSE;
    if ((item->mask & TVIF_TEXT) && item->pszText)
        node->text = item->pszText;
    if (item->mask & TVIF_IMAGE)
        node->image = item->iImage;
    if (item->mask & TVIF_SELECTEDIMAGE)
        node->selectedImage = item->iSelectedImage;
    if (item->mask & TVIF_PARAM)
        node->data = item->lParam;
    if (item->mask & TVIF_STATE)
        node->state = (node->state & ~item->stateMask) | (item->state & item->stateMask);
    if (item->mask & TVIF_CHILDREN)
        node->childrenFlag = item->cChildren;
    StateChanged();
    return TRUE;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node && (node->firstChild || node->childrenFlag > 0);
}

BOOL CTreeCtrl::GetCheck(HTREEITEM item) const {
    return (GetItemState(item, TVIS_STATEIMAGEMASK) >> 12) == 2;
}

BOOL CTreeCtrl::SetCheck(HTREEITEM item, BOOL check) {
    return SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), TVIS_STATEIMAGEMASK);
}

// --- Navigation ----------------------------------------------------------------------------------

HTREEITEM CTreeCtrl::GetRootItem() const {
    return m_root.firstChild;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    const TreeItemHandle* node = (item == nullptr || item == TVI_ROOT) ? &m_root : Node(item);
    return node ? node->firstChild : nullptr;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node ? node->next : nullptr;
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node ? node->prev : nullptr;
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    return node ? node->parent : nullptr;
}

std::vector<HTREEITEM> CTreeCtrl::VisibleItems() const {
    std::vector<HTREEITEM> items;
    std::vector<const TreeItemHandle*> stack;
    for (const TreeItemHandle* c = m_root.lastChild; c; c = c->prev)
        stack.push_back(c);
    while (!stack.empty()) {
        const TreeItemHandle* node = stack.back();
        stack.pop_back();
        items.push_back(const_cast<TreeItemHandle*>(node));
        if (node->state & TVIS_EXPANDED)
            for (const TreeItemHandle* c = node->lastChild; c; c = c->prev)
                stack.push_back(c);
    }
    return items;
}

bool CTreeCtrl::IsShown(const TreeItemHandle* node) const {
    for (const TreeItemHandle* p = node->parent; p; p = p->parent)
        if (!(p->state & TVIS_EXPANDED))
            return false;
    return true;
}

HTREEITEM CTreeCtrl::GetNextVisibleItem(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    if (!node || !IsShown(node))
        return nullptr;
    if ((node->state & TVIS_EXPANDED) && node->firstChild)
        return node->firstChild;
    for (; node; node = node->parent)
        if (node->next)
            return node->next;
    return nullptr;
}

HTREEITEM CTreeCtrl::GetPrevVisibleItem(HTREEITEM item) const {
    const TreeItemHandle* node = Node(item);
    if (!node || !IsShown(node))
        return nullptr;
    if (!node->prev)
        return node->parent;
    // The last shown item of the branch before it.
    TreeItemHandle* last = node->prev;
    while ((last->state & TVIS_EXPANDED) && last->lastChild)
        last = last->lastChild;
    return last;
}

HTREEITEM CTreeCtrl::GetFirstVisibleItem() const {
    const auto items = VisibleItems();
    return m_topRow < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(m_topRow)] : nullptr;
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const {
    switch (code) {
    case TVGN_ROOT:
        return GetRootItem();
    case TVGN_NEXT:
        return GetNextSiblingItem(item);
    case TVGN_PREVIOUS:
        return GetPrevSiblingItem(item);
    case TVGN_PARENT:
        return GetParentItem(item);
    case TVGN_CHILD:
        return GetChildItem(item);
    case TVGN_FIRSTVISIBLE:
        return GetFirstVisibleItem();
    case TVGN_NEXTVISIBLE:
        return GetNextVisibleItem(item);
    case TVGN_PREVIOUSVISIBLE:
        return GetPrevVisibleItem(item);
    case TVGN_DROPHILITE:
        return m_dropHilite;
    case TVGN_CARET:
        return m_selected;
    default:
        return nullptr;
    }
}

// --- Selection and expansion ---------------------------------------------------------------------

bool CTreeCtrl::ChangeSelection(HTREEITEM item, UINT action) {
    if (item && !Node(item))
        return false;
    if (item == m_selected)
        return true;
    const std::uint64_t serial = GetSerial();
    NMTREEVIEW nm;
    nm.action = action;
    FillTreeView(nm.itemOld, m_selected);
    FillTreeView(nm.itemNew, item);
    if (NotifyParent(nm.hdr, TVN_SELCHANGING) != 0)
        return false;
    if (!::IsWindow(this) || GetSerial() != serial || (item && !Node(item)))
        return false;
    if (m_selected && !Node(m_selected))
        m_selected = nullptr;
    FillTreeView(nm.itemOld, m_selected);
    m_selected = item;
    // The path to the new selection opens (without notifications, as the system does it).
    if (item)
        for (TreeItemHandle* p = item->parent; p; p = p->parent)
            p->state |= TVIS_EXPANDED;
    FillTreeView(nm.itemNew, item);
    StateChanged();
    NotifyParent(nm.hdr, TVN_SELCHANGED);
    return true;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
    return ChangeSelection(item, TVC_UNKNOWN) ? TRUE : FALSE;
}

BOOL CTreeCtrl::Select(HTREEITEM item, UINT code) {
    switch (code) {
    case TVGN_CARET:
        return SelectItem(item);
    case TVGN_DROPHILITE:
        return SelectDropTarget(item);
    case TVGN_FIRSTVISIBLE: {
        const auto items = VisibleItems();
        auto it = std::find(items.begin(), items.end(), item);
        if (it == items.end())
            return FALSE;
        m_topRow = static_cast<int>(it - items.begin());
        StateChanged();
        return TRUE;
    }
    default:
        return FALSE;
    }
}

BOOL CTreeCtrl::SelectDropTarget(HTREEITEM item) {
    if (item && !Node(item))
        return FALSE;
    m_dropHilite = item;
    StateChanged();
    return TRUE;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    const bool expanded = (node->state & TVIS_EXPANDED) != 0;
    bool expand = expanded;
    switch (code & 0x3) {
    case TVE_EXPAND:
        expand = true;
        break;
    case TVE_COLLAPSE:
        expand = false;
        break;
    case TVE_TOGGLE:
        expand = !expanded;
        break;
    default:
        return FALSE;
    }
    if (expand)
        node->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    else
        node->state &= ~TVIS_EXPANDED;
    // A collapsed branch cannot keep the selection hidden inside it.
    if (!expand && m_selected)
        for (TreeItemHandle* p = m_selected->parent; p; p = p->parent)
            if (p == node) {
                ChangeSelection(node, TVC_UNKNOWN);
                break;
            }
    StateChanged();
    return TRUE;
}

BOOL CTreeCtrl::EnsureVisible(HTREEITEM item) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return FALSE;
    for (TreeItemHandle* p = node->parent; p; p = p->parent)
        p->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    const auto items = VisibleItems();
    const int row = static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin());
    const int perPage = static_cast<int>(GetVisibleCount());
    if (row < m_topRow)
        m_topRow = row;
    else if (row >= m_topRow + perPage)
        m_topRow = row - perPage + 1;
    StateChanged();
    return TRUE;
}

BOOL CTreeCtrl::SortChildren(HTREEITEM item) {
    TreeItemHandle* node = (item == nullptr || item == TVI_ROOT) ? &m_root : Node(item);
    if (!node)
        return FALSE;
    SortLevel(node, [](const TreeItemHandle* a, const TreeItemHandle* b) {
        return a->text.CollateNoCase(b->text) < 0;
    });
    StateChanged();
    return TRUE;
}

BOOL CTreeCtrl::SortChildrenCB(const TVSORTCB* sort) {
    if (!sort || !sort->lpfnCompare)
        return FALSE;
    TreeItemHandle* node =
        (sort->hParent == nullptr || sort->hParent == TVI_ROOT) ? &m_root : Node(sort->hParent);
    if (!node)
        return FALSE;
    SortLevel(node, [sort](const TreeItemHandle* a, const TreeItemHandle* b) {
        return sort->lpfnCompare(a->data, b->data, sort->lParam) < 0;
    });
    StateChanged();
    return TRUE;
}

// --- Looks and geometry --------------------------------------------------------------------------

CImageList* CTreeCtrl::SetImageList(CImageList* images, int which) {
    if (which < 0 || which > 2)
        return nullptr;
    CImageList* old = m_images[which];
    m_images[which] = images;
    StateChanged();
    return old;
}

CImageList* CTreeCtrl::GetImageList(int which) const {
    return (which < 0 || which > 2) ? nullptr : m_images[which];
}

void CTreeCtrl::SetIndent(UINT indent) {
    m_indent = indent;
    StateChanged();
}

int CTreeCtrl::SetItemHeight(int height) {
    const int old = m_rowHeight;
    m_rowHeight = std::max(1, height);
    StateChanged();
    return old;
}

COLORREF CTreeCtrl::SetBkColor(COLORREF color) {
    const COLORREF old = m_bkColor;
    m_bkColor = color;
    StateChanged();
    return old;
}

COLORREF CTreeCtrl::SetTextColor(COLORREF color) {
    const COLORREF old = m_textColor;
    m_textColor = color;
    StateChanged();
    return old;
}

UINT CTreeCtrl::GetVisibleCount() const {
    return static_cast<UINT>(std::max(1, m_rect.Height() / std::max(1, m_rowHeight)));
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
    const TreeItemHandle* node = Node(item);
    if (!node || !rect)
        return FALSE;
    const auto items = VisibleItems();
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end())
        return FALSE;
    *rect = RowRect(node, static_cast<int>(it - items.begin()) - m_topRow, textOnly);
    return TRUE;
}

CRect CTreeCtrl::RowRect(const TreeItemHandle* node, int row, BOOL textOnly) const {
    CRect r(0, row * m_rowHeight, m_rect.Width(), (row + 1) * m_rowHeight);
    if (textOnly) {
        const bool linesAtRoot = (GetStyle() & TVS_LINESATROOT) != 0;
        int left = (Depth(node) + (linesAtRoot ? 1 : 0)) * static_cast<int>(m_indent);
        if (GetStyle() & TVS_CHECKBOXES)
            left += 16;
        if (m_images[TVSIL_NORMAL])
            left += 19;
        int textWidth = 0;
        for (unsigned char c : node->text.str())
            textWidth += c < 0x80 ? 7 : ((c & 0xC0) == 0xC0 ? 12 : 0);
        r.left = left;
        r.right = left + textWidth + 6;
    }
    return r;
}

HTREEITEM CTreeCtrl::HitTest(CPoint point, UINT* flags) const {
    TVHITTESTINFO info;
    info.pt = point;
    HTREEITEM item = HitTest(&info);
    if (flags)
        *flags = info.flags;
    return item;
}

HTREEITEM CTreeCtrl::HitTest(TVHITTESTINFO* info) const {
    if (!info)
        return nullptr;
    info->hItem = nullptr;
    info->flags = TVHT_NOWHERE;
    if (info->pt.y < 0 || info->pt.x < 0)
        return nullptr;
    const auto items = VisibleItems();
    const int row = m_topRow + info->pt.y / std::max(1, m_rowHeight);
    if (row >= static_cast<int>(items.size()))
        return nullptr;
    HTREEITEM item = items[static_cast<std::size_t>(row)];
    const bool linesAtRoot = (GetStyle() & TVS_LINESATROOT) != 0;
    const int indentEnd = (Depth(item) + (linesAtRoot ? 1 : 0)) * static_cast<int>(m_indent);
    int x = info->pt.x;
    if (x < indentEnd) {
        info->flags = (x >= indentEnd - static_cast<int>(m_indent) && ItemHasChildren(item))
                          ? TVHT_ONITEMBUTTON
                          : TVHT_ONITEMINDENT;
    } else {
        x -= indentEnd;
        if ((GetStyle() & TVS_CHECKBOXES) && x < 16) {
            info->flags = TVHT_ONITEMSTATEICON;
        } else {
            if (GetStyle() & TVS_CHECKBOXES)
                x -= 16;
            if (m_images[TVSIL_NORMAL] && x < 19)
                info->flags = TVHT_ONITEMICON;
            else {
                const CRect label = RowRect(item, row - m_topRow, TRUE);
                info->flags = info->pt.x < label.right ? TVHT_ONITEMLABEL : TVHT_ONITEMRIGHT;
            }
        }
    }
    info->hItem = item;
    return item;
}

void CTreeCtrl::ViewSetMetrics(int rowHeight, int topRow) {
    m_rowHeight = std::max(1, rowHeight);
    m_topRow = std::max(0, topRow);
}

HTREEITEM CTreeCtrl::FindPath(const CString& path) const {
    const TreeItemHandle* level = &m_root;
    const TreeItemHandle* found = nullptr;
    std::size_t begin = 0;
    const std::string& s = path.str();
    while (begin <= s.size()) {
        std::size_t end = s.find('/', begin);
        if (end == std::string::npos)
            end = s.size();
        const std::string part = s.substr(begin, end - begin);
        found = nullptr;
        for (const TreeItemHandle* child = level->firstChild; child; child = child->next)
            if (child->text.str() == part) {
                found = child;
                break;
            }
        if (!found)
            return nullptr;
        level = found;
        begin = end + 1;
    }
    return const_cast<TreeItemHandle*>(found);
}

CPoint CTreeCtrl::ItemCenter(HTREEITEM item) const {
    CRect r;
    if (!GetItemRect(item, &r, TRUE))
        return CPoint(0, 0);
    return r.CenterPoint();
}

// --- A person's input ----------------------------------------------------------------------------

bool CTreeCtrl::UserSelect(HTREEITEM item) {
    if (!m_hWnd || !IsWindowEnabled() || !Node(item))
        return false;
    const std::uint64_t serial = GetSerial();
    EnsureVisible(item);
    CPoint point = ItemCenter(item);
    ClientToScreen(&point);
    vq::SetCursorPosition(point);
    NMHDR click;
    NotifyParent(click, NM_CLICK);
    if (::IsWindow(this) && GetSerial() == serial && Node(item))
        ChangeSelection(item, TVC_BYMOUSE);
    return true;
}

bool CTreeCtrl::UserKeySelect(HTREEITEM item) {
    if (!m_hWnd || !IsWindowEnabled() || !Node(item))
        return false;
    EnsureVisible(item);
    ChangeSelection(item, TVC_BYKEYBOARD);
    return true;
}

bool CTreeCtrl::UserDoubleClick(HTREEITEM item) {
    const std::uint64_t serial = GetSerial();
    if (!UserSelect(item))
        return false;
    if (!::IsWindow(this) || GetSerial() != serial || !Node(item))
        return true;
    NMHDR header;
    if (NotifyParent(header, NM_DBLCLK) == 0 && ::IsWindow(this) && GetSerial() == serial && Node(item) &&
        ItemHasChildren(item))
        ExpandWithNotify(item, TVE_TOGGLE);
    return true;
}

bool CTreeCtrl::UserRightClick(HTREEITEM item) {
    if (!m_hWnd || !IsWindowEnabled() || !Node(item))
        return false;
    const std::uint64_t serial = GetSerial();
    EnsureVisible(item);
    CPoint point = ItemCenter(item);
    SendMessage(WM_RBUTTONDOWN, MK_RBUTTON,
                MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    if (!::IsWindow(this) || GetSerial() != serial)
        return true;
    ClientToScreen(&point);
    vq::SetCursorPosition(point);
    NMHDR header;
    // Unhandled, the right click becomes a context-menu request at the cursor.
    if (NotifyParent(header, NM_RCLICK) == 0 && ::IsWindow(this) && GetSerial() == serial)
        SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(this),
                    MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    return true;
}

bool CTreeCtrl::ExpandWithNotify(HTREEITEM item, UINT code) {
    TreeItemHandle* node = Node(item);
    if (!node)
        return false;
    const bool expanded = (node->state & TVIS_EXPANDED) != 0;
    const bool expand = code == TVE_TOGGLE ? !expanded : code == TVE_EXPAND;
    if (expand == expanded)
        return true;
    const std::uint64_t serial = GetSerial();
    NMTREEVIEW nm;
    nm.action = expand ? TVE_EXPAND : TVE_COLLAPSE;
    FillTreeView(nm.itemNew, node);
    if (NotifyParent(nm.hdr, TVN_ITEMEXPANDING) != 0)
        return false;
    if (!::IsWindow(this) || GetSerial() != serial || !Node(item))
        return false;
    Expand(item, expand ? TVE_EXPAND : TVE_COLLAPSE);
    FillTreeView(nm.itemNew, node);
    NotifyParent(nm.hdr, TVN_ITEMEXPANDED);
    return true;
}

bool CTreeCtrl::UserExpand(HTREEITEM item, bool expand) {
    if (!m_hWnd || !IsWindowEnabled() || !Node(item))
        return false;
    return ExpandWithNotify(item, expand ? TVE_EXPAND : TVE_COLLAPSE);
}

bool CTreeCtrl::UserCheck(HTREEITEM item, bool check) {
    if (!m_hWnd || !IsWindowEnabled() || !Node(item) || !(GetStyle() & TVS_CHECKBOXES))
        return false;
    SetCheck(item, check);
    CPoint point = ItemCenter(item);
    ClientToScreen(&point);
    vq::SetCursorPosition(point);
    NMHDR header;
    NotifyParent(header, NM_CLICK);
    return true;
}

bool CTreeCtrl::UserBeginLabelEdit(HTREEITEM item) {
    TreeItemHandle* node = Node(item);
    if (!m_hWnd || !IsWindowEnabled() || !node)
        return false;
    NMTVDISPINFO info;
    FillTreeView(info.item, node);
    std::string text = node->text.str();
    info.item.pszText = text.data();
    info.item.cchTextMax = static_cast<int>(text.size()) + 1;
    return NotifyParent(info.hdr, TVN_BEGINLABELEDIT) == 0;
}

bool CTreeCtrl::UserEndLabelEdit(HTREEITEM item, const char* text) {
    TreeItemHandle* node = Node(item);
    if (!m_hWnd || !node)
        return false;
    NMTVDISPINFO info;
    FillTreeView(info.item, node);
    info.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_PARAM;
    std::string copy = text ? text : "";
    info.item.pszText = text ? copy.data() : nullptr;
    info.item.cchTextMax = static_cast<int>(copy.size()) + 1;
    const std::uint64_t serial = GetSerial();
    const LRESULT keep = NotifyParent(info.hdr, TVN_ENDLABELEDIT);
    if (text && keep && ::IsWindow(this) && GetSerial() == serial && Node(item))
        SetItemText(item, copy.c_str());
    return true;
}

void CTreeCtrl::ClearState() {
    ForgetAll();
    m_selected = nullptr;
    m_topRow = 0;
}

// --- Painting ------------------------------------------------------------------------------------

LRESULT CTreeCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && wParam) {
        DrawItems(*reinterpret_cast<CDC*>(wParam));
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CTreeCtrl::DrawItems(CDC& dc) const {
    CRect client;
    GetClientRect(&client);
    const COLORREF background =
        m_bkColor == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_WINDOW) : m_bkColor;
    const COLORREF textColor =
        m_textColor == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_WINDOWTEXT) : m_textColor;
    dc.FillSolidRect(&client, background);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF oldText = dc.SetTextColor(textColor);
    const bool linesAtRoot = (GetStyle() & TVS_LINESATROOT) != 0;
    const bool buttons = (GetStyle() & TVS_HASBUTTONS) != 0;
    const bool checks = (GetStyle() & TVS_CHECKBOXES) != 0;
    const int indent = static_cast<int>(m_indent);
    const CImageList* images = m_images[TVSIL_NORMAL];
    const auto items = VisibleItems();
    for (std::size_t i = static_cast<std::size_t>(std::max(0, m_topRow)); i < items.size(); ++i) {
        HTREEITEM node = items[i];
        const int top = (static_cast<int>(i) - m_topRow) * m_rowHeight;
        if (top >= client.bottom)
            break;
        const int middle = top + m_rowHeight / 2;
        int x = (Depth(node) + (linesAtRoot ? 1 : 0)) * indent;
        // The expand button sits in the last indent step before the item.
        if (buttons && x >= indent && (node->firstChild || node->childrenFlag == 1)) {
            const int cx = x - indent / 2;
            CRect box(cx - 4, middle - 4, cx + 5, middle + 5);
            dc.FillSolidRect(&box, background);
            dc.Draw3dRect(&box, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
            dc.FillSolidRect(cx - 2, middle, 5, 1, textColor);
            if (!(node->state & TVIS_EXPANDED))
                dc.FillSolidRect(cx, middle - 2, 1, 5, textColor);
        }
        if (checks) {
            CRect box(x + 1, middle - 6, x + 14, middle + 7);
            dc.FillSolidRect(&box, GetSysColor(COLOR_WINDOW));
            dc.Draw3dRect(&box, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
            if (((node->state & TVIS_STATEIMAGEMASK) >> 12) == 2) {
                for (int k = 0; k < 3; ++k) {
                    dc.FillSolidRect(x + 4 + k, middle - 1 + k, 1, 2, textColor);
                    dc.FillSolidRect(x + 7 + k, middle + 1 - k, 1, 2, textColor);
                }
                dc.FillSolidRect(x + 10, middle - 3, 1, 2, textColor);
            }
            x += 16;
        }
        const bool selected = node == m_selected || node == m_dropHilite || (node->state & TVIS_DROPHILITED);
        if (images) {
            const int image = selected ? node->selectedImage : node->image;
            const CSize size = images->GetImageSize();
            images->Draw(&dc, image, CPoint(x + 1, middle - size.cy / 2), ILD_TRANSPARENT);
        }
        CRect label = RowRect(node, static_cast<int>(i) - m_topRow, TRUE);
        // The label is as wide as the text really is in the context's font.
        const CSize extent = dc.GetTextExtent(node->text);
        label.right = label.left + extent.cx + 6;
        if (selected) {
            dc.FillSolidRect(&label, GetSysColor(COLOR_HIGHLIGHT));
            dc.SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        CRect textRect = label;
        textRect.left += 3;
        dc.DrawText(node->text, &textRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (selected)
            dc.SetTextColor(textColor);
    }
    dc.SetTextColor(oldText);
    dc.SetBkMode(oldMode);
}

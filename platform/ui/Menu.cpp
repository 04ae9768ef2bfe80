#include "platform/ui/Menu.h"

#include "platform/ui/View.h"
#include "platform/ui/Wnd.h"

BOOL CMenu::CreatePopupMenu() {
    if (m_created)
        return FALSE;
    m_items.clear();
    m_created = true;
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    if (!m_created)
        return FALSE;
    m_items.clear();
    m_created = false;
    return TRUE;
}

CMenu::Item CMenu::MakeItem(UINT flags, UINT_PTR id, LPCTSTR text) {
    Item item;
    item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP | MF_DEFAULT);
    item.text = text ? text : "";
    if (flags & MF_POPUP) {
        // The sub-menu's items are copied: the caller's menu object may go away.
        auto sub = std::make_unique<CMenu>();
        sub->m_created = true;
        if (const auto* source = reinterpret_cast<const CMenu*>(id)) {
            for (const auto& child : source->m_items) {
                Item copy = MakeItem(child.flags & ~MF_POPUP, child.id, child.text);
                if (child.subMenu)
                    copy = MakeItem(child.flags, reinterpret_cast<UINT_PTR>(child.subMenu.get()), child.text);
                sub->m_items.push_back(std::move(copy));
            }
        }
        item.subMenu = std::move(sub);
    } else if (!(flags & MF_SEPARATOR)) {
        item.id = static_cast<UINT>(id);
    }
    return item;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCTSTR text) {
    if (!m_created)
        m_created = true;
    m_items.push_back(MakeItem(flags, id, text));
    return TRUE;
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR id, LPCTSTR text) {
    std::size_t index = m_items.size();
    if (flags & MF_BYPOSITION) {
        index = std::min<std::size_t>(position, m_items.size());
    } else {
        for (std::size_t i = 0; i < m_items.size(); ++i)
            if (!m_items[i].subMenu && !(m_items[i].flags & MF_SEPARATOR) && m_items[i].id == position) {
                index = i;
                break;
            }
    }
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index),
                   MakeItem(flags & ~MF_BYPOSITION, id, text));
    return TRUE;
}

CMenu::Item* CMenu::Find(UINT item, UINT flags, std::vector<Item>** container, std::size_t* index) {
    if (flags & MF_BYPOSITION) {
        if (item >= m_items.size())
            return nullptr;
        if (container)
            *container = &m_items;
        if (index)
            *index = item;
        return &m_items[item];
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        Item& entry = m_items[i];
        if (!entry.subMenu && !(entry.flags & MF_SEPARATOR) && entry.id == item) {
            if (container)
                *container = &m_items;
            if (index)
                *index = i;
            return &entry;
        }
        if (entry.subMenu)
            if (Item* found = entry.subMenu->Find(item, flags, container, index))
                return found;
    }
    return nullptr;
}

const CMenu::Item* CMenu::Find(UINT item, UINT flags) const {
    return const_cast<CMenu*>(this)->Find(item, flags, nullptr, nullptr);
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
    std::vector<Item>* container = nullptr;
    std::size_t index = 0;
    if (!Find(position, flags, &container, &index))
        return FALSE;
    container->erase(container->begin() + static_cast<std::ptrdiff_t>(index));
    return TRUE;
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR id, LPCTSTR text) {
    Item* entry = Find(position, flags, nullptr, nullptr);
    if (!entry)
        return FALSE;
    *entry = MakeItem(flags & ~MF_BYPOSITION, id, text);
    return TRUE;
}

UINT CMenu::CheckMenuItem(UINT item, UINT check) {
    Item* entry = Find(item, check, nullptr, nullptr);
    if (!entry)
        return static_cast<UINT>(-1);
    const UINT old = entry->flags & MF_CHECKED;
    entry->flags = (entry->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
    Item* entry = Find(item, enable, nullptr, nullptr);
    if (!entry)
        return static_cast<UINT>(-1);
    const UINT old = entry->flags & (MF_GRAYED | MF_DISABLED);
    entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    const Item* entry = Find(item, flags);
    return entry ? entry->flags : static_cast<UINT>(-1);
}

BOOL CMenu::SetDefaultItem(UINT item, BOOL byPosition) {
    for (auto& entry : m_items)
        entry.flags &= ~MF_DEFAULT;
    Item* entry = Find(item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, nullptr, nullptr);
    if (!entry)
        return FALSE;
    entry->flags |= MF_DEFAULT;
    return TRUE;
}

int CMenu::GetMenuItemCount() const {
    return m_created ? static_cast<int>(m_items.size()) : -1;
}

UINT CMenu::GetMenuItemID(int position) const {
    if (position < 0 || position >= static_cast<int>(m_items.size()))
        return static_cast<UINT>(-1);
    const Item& entry = m_items[static_cast<std::size_t>(position)];
    if (entry.subMenu)
        return static_cast<UINT>(-1);
    return (entry.flags & MF_SEPARATOR) ? 0 : entry.id;
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
    const Item* entry = Find(item, flags);
    text = entry ? entry->text : CString();
    return text.GetLength();
}

CMenu* CMenu::GetSubMenu(int position) const {
    if (position < 0 || position >= static_cast<int>(m_items.size()))
        return nullptr;
    return m_items[static_cast<std::size_t>(position)].subMenu.get();
}

bool CMenu::IsEnabledCommand(UINT id) const {
    if (id == 0)
        return false;
    const Item* entry = Find(id, MF_BYCOMMAND);
    return entry && !(entry->flags & (MF_GRAYED | MF_DISABLED));
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT) {
    UINT command = vq::ActiveDialogView().TrackPopupMenu(*this, CPoint(x, y), owner);
    if (!IsEnabledCommand(command))
        command = 0;
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(command);
    if (command && owner && ::IsWindow(owner))
        owner->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
    return command ? TRUE : FALSE;
}

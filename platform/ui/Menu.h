// Popup menus built in code: items with command ids, separators, greyed and checked items,
// sub-menus. TrackPopupMenu shows the menu through the view and returns or sends the command.
#pragma once

#include "platform/base/Geometry.h"
#include "platform/base/String.h"
#include "platform/ui/Messages.h"

#include <memory>
#include <vector>

class CWnd;

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

class CMenu {
public:
    struct Item {
        UINT id = 0;
        CString text;
        UINT flags = 0; // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR, MF_POPUP, MF_DEFAULT
        std::unique_ptr<CMenu> subMenu;
    };

    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL CreatePopupMenu();
    BOOL CreateMenu() { return CreatePopupMenu(); }
    BOOL DestroyMenu();
    // MF_POPUP: id is the address of a CMenu whose items are copied in as a sub-menu.
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);
    BOOL DeleteMenu(UINT position, UINT flags);
    BOOL RemoveMenu(UINT position, UINT flags) { return DeleteMenu(position, flags); }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);
    // Return the previous state (MF_CHECKED / MF_GRAYED bits), or (UINT)-1 when there is no such item.
    UINT CheckMenuItem(UINT item, UINT check);
    UINT EnableMenuItem(UINT item, UINT enable);
    UINT GetMenuState(UINT item, UINT flags) const;
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE);
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int position) const;
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    CMenu* GetSubMenu(int position) const;
    const std::vector<Item>& Items() const { return m_items; }
    bool IsCreated() const { return m_created; }

    // Shows the menu at a screen point. With TPM_RETURNCMD returns the command chosen (0: none);
    // otherwise sends it to `owner` as WM_COMMAND and returns TRUE when one was chosen.
    // A greyed, disabled or unknown command counts as none.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);

    // True when id names an enabled command item of this menu or its sub-menus.
    bool IsEnabledCommand(UINT id) const;

private:
    Item* Find(UINT item, UINT flags, std::vector<Item>** container = nullptr, std::size_t* index = nullptr);
    const Item* Find(UINT item, UINT flags) const;
    static Item MakeItem(UINT flags, UINT_PTR id, LPCTSTR text);

    std::vector<Item> m_items;
    bool m_created = false;
};

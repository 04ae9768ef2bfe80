// Tab controls: a row of tabs over a page area; the owner shows the page of the chosen tab.
#pragma once

#include "platform/ui/Wnd.h"

#include <vector>

class CImageList;

constexpr UINT TCIF_TEXT = 0x1;
constexpr UINT TCIF_IMAGE = 0x2;
constexpr UINT TCIF_PARAM = 0x8;

struct TCITEM {
    UINT mask = 0;
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    LPTSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = -1;
    LPARAM lParam = 0;
};
using TC_ITEM = TCITEM;

class CTabCtrl : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Tab; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    LONG InsertItem(int index, LPCTSTR text);
    LONG InsertItem(int index, LPCTSTR text, int image);
    LONG InsertItem(int index, TCITEM* item);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    BOOL GetItem(int index, TCITEM* item) const;
    BOOL SetItem(int index, TCITEM* item);
    CString GetItemText(int index) const;
    int GetCurSel() const { return m_curSel; }
    // Selects without notifications; returns the previous one (-1 for a bad index).
    int SetCurSel(int index);
    CImageList* SetImageList(CImageList* images);
    CImageList* GetImageList() const { return m_images; }
    // The page area for a window rectangle (larger FALSE), or the reverse.
    void AdjustRect(BOOL larger, LPRECT rect) const;
    BOOL GetItemRect(int index, LPRECT rect) const;
    // The height of the row of tabs (the view reports it).
    void ViewSetTabHeight(int height) { m_tabHeight = height; }

    // A person clicks tab `index`: TCN_SELCHANGING (non-zero result refuses), TCN_SELCHANGE.
    bool UserSelect(int index);

protected:
    void ClearState() override;

private:
    struct Item {
        CString text;
        int image = -1;
        LPARAM data = 0;
    };
    std::vector<Item> m_items;
    int m_curSel = -1;
    int m_tabHeight = 24;
    CImageList* m_images = nullptr;
};
